#include "gateway/registermap.h"

#include <algorithm>

namespace kestrel::gateway {

BlockState blockState(const bus::ReaderRow* row, PortState port) {
    if (!row || row->state == bus::ReaderState::Unknown) return BlockState::NotRead;
    if (port != PortState::Open) return BlockState::NoReply;
    switch (row->state) {
        case bus::ReaderState::Answering:
            return BlockState::Answering;
        case bus::ReaderState::CheckErrors:
            return BlockState::CheckErrors;
        case bus::ReaderState::NoReply:
        case bus::ReaderState::Unknown:
            break;
    }
    return BlockState::NoReply;
}

std::array<quint16, kBlockSize> readerBlock(const bus::ReaderRow* row, PortState port, const QDateTime& now) {
    std::array<quint16, kBlockSize> block{};
    block[kAgeSeconds] = kAgeNever;
    block[kState] = quint16(blockState(row, port));
    if (!row) return block;
    if (row->live) {
        block[kLevel] = row->live->level.value_or(0);
        // Two's complement in 16 bits: -5 °C reads 0xFFFB.
        block[kTemperature] = quint16(qint16(row->live->temperature().value_or(0)));
        const quint32 current = row->live->current.value_or(0);
        block[kCurrentHigh] = quint16(current >> 16);
        block[kCurrentLow] = quint16(current & 0xFFFF);
    }
    if (row->lastGoodAt.isValid()) {
        const qint64 seconds = std::max<qint64>(0, row->lastGoodAt.msecsTo(now) / 1000);
        block[kAgeSeconds] = quint16(std::min<qint64>(seconds, kAgeNever));
    }
    if (row->identity && row->identity->serial) {
        block[kSerialHigh] = quint16(*row->identity->serial >> 16);
        block[kSerialLow] = quint16(*row->identity->serial & 0xFFFF);
    }
    block[kSuccessPercent] = quint16(row->successPercent());
    return block;
}

std::optional<QVector<quint16>> readRegisters(const bus::BusRoster& roster, const GatewayStatus& status,
                                              const QDateTime& now, int start, int count) {
    if (count < 1 || start < 0) return std::nullopt;
    const int end = start + count;  // one past the last
    QVector<quint16> out;
    out.reserve(count);
    if (end <= kReaderRegisters) {
        for (int block = start / kBlockSize; block * kBlockSize < end; ++block) {
            const auto values = readerBlock(roster.row(quint8(block)), status.port, now);
            for (int i = 0; i < kBlockSize; ++i) {
                const int reg = block * kBlockSize + i;
                if (reg >= start && reg < end) out.append(values[i]);
            }
        }
        return out;
    }
    if (start >= kStatusStart && end <= kStatusStart + kStatusRegisters) {
        const quint16 status3[kStatusRegisters] = {quint16(std::min(status.readers, 65535)),
                                                   quint16(std::clamp<qint64>(status.roundMs, 0, 65535)),
                                                   quint16(status.port)};
        for (int reg = start; reg < end; ++reg) out.append(status3[reg - kStatusStart]);
        return out;
    }
    return std::nullopt;
}

}  // namespace kestrel::gateway
