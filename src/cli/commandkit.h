#pragma once
// What the files of the client's commands share: a command's context and the small helpers for its
// answers. Only the client's own sources include this.

#include <QString>
#include <optional>
#include <variant>

#include "cli/client.h"
#include "device/commands.h"
#include "device/values.h"
#include "exchange/transactor.h"

namespace kestrel::cli {

struct Client::Context {
    const Invocation& inv;
    QString command;
    quint8 address = 0;
    int exit = kDone;
};

// The cells of a reader's bound-ID table.
inline constexpr int kBoundIdCells = 10;

// The failure of an answer that lacks what the command needs.
QString noValue();
// A write's answer as the user reads it: an acknowledgement's status, else the value's description.
QString statusOf(const device::DeviceValue& value);

// While it lives, the failures of `ask` are held (Client::heldFailure_), not printed: the caller prints
// them with what it did.
class FailuresHeld {
  public:
    explicit FailuresHeld(bool& flag) : flag_(flag) { flag_ = true; }
    ~FailuresHeld() { flag_ = false; }
    FailuresHeld(const FailuresHeld&) = delete;
    FailuresHeld& operator=(const FailuresHeld&) = delete;

  private:
    bool& flag_;
};

template <typename T>
const T* as(const std::optional<device::DeviceValue>& v) {
    return v ? std::get_if<T>(&*v) : nullptr;
}

}  // namespace kestrel::cli
