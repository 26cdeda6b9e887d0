#pragma once
// SIGTERM, SIGHUP and SIGINT (a desktop logout, a closed terminal, Ctrl-C) handled as a click on the
// window's close button: the port closed, its lock removed, the settings saved. The signal handler only
// writes a byte into a socket pair; the event loop reads it and runs `quit`.

#include <QObject>
#include <csignal>
#include <functional>

class QSocketNotifier;

namespace kestrel {

class QuitSignals : public QObject {
  public:
    explicit QuitSignals(std::function<void()> quit, QObject* parent = nullptr);
    // The signals' earlier handlers are back.
    ~QuitSignals() override;
    bool installed() const { return notifier_ != nullptr; }

  private:
    std::function<void()> quit_;
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3] = {};
};

}  // namespace kestrel
