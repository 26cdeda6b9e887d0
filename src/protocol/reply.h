#pragma once
// Read access to a reply by 1-based position, as replies are described on the bus:
// byte 1 ">", byte 2 address, byte 3 command code, data from byte 4, check byte last.
// A position past the end is reported as missing, never read.

#include <QByteArray>
#include <optional>

namespace kestrel {

class Reply {
  public:
    Reply() = default;
    explicit Reply(QByteArray bytes) : bytes_(std::move(bytes)) {}

    const QByteArray& bytes() const { return bytes_; }
    // The reply without its check byte: decoders read fields from this, so the check byte never
    // stands in for a field that a short reply lacks.
    Reply data() const { return Reply(bytes_.left(bytes_.isEmpty() ? 0 : bytes_.size() - 1)); }
    int size() const { return static_cast<int>(bytes_.size()); }

    // True when positions pos .. pos+count-1 all exist.
    bool has(int pos, int count = 1) const { return pos >= 1 && count >= 0 && pos - 1 + count <= size(); }

    std::optional<quint8> at(int pos) const {
        if (!has(pos)) return std::nullopt;
        return static_cast<quint8>(bytes_[pos - 1]);
    }

    std::optional<qint8> s8(int pos) const {
        auto b = at(pos);
        if (!b) return std::nullopt;
        return static_cast<qint8>(*b > 127 ? *b - 256 : *b);
    }
    std::optional<quint16> u16le(int pos) const { return number<quint16>(pos, 2, false); }
    std::optional<quint16> u16be(int pos) const { return number<quint16>(pos, 2, true); }
    std::optional<quint32> u32le(int pos) const { return number<quint32>(pos, 4, false); }
    std::optional<quint32> u32be(int pos) const { return number<quint32>(pos, 4, true); }

  private:
    template <typename T>
    std::optional<T> number(int pos, int width, bool msbFirst) const {
        if (!has(pos, width)) return std::nullopt;
        T value = 0;
        for (int i = 0; i < width; ++i) {
            const int p = msbFirst ? pos + i : pos + width - 1 - i;
            value = static_cast<T>(value * 256u + static_cast<quint8>(bytes_[p - 1]));
        }
        return value;
    }

    QByteArray bytes_;
};

}  // namespace kestrel
