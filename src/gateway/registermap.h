#pragma once
// The gateway's Modbus register map: what a plant system reads of every reader on the bus. Pure: the roster's
// rows and the gateway's own state in, register values out; no I/O.
//
// Each reader address A (0..254) has a block of 16 registers starting at A x 16:
//   0 level; 1 temperature (signed); 2-3 current value (32 bits, high word first); 4 seconds since the last
//   good reply (65535: never, or that long or longer); 5 state (BlockState); 6-7 serial number (high word
//   first); 8 the share of the reader's requests answered well, in percent; 9-15 reserved, 0.
// From 0xFFF0: the number of readers, the last round's duration in ms, the port's state (PortState).
// Anything else is outside the map.

#include <QDateTime>
#include <QVector>
#include <array>
#include <optional>

#include "bus/roster.h"

namespace kestrel::gateway {

inline constexpr int kBlockSize = 16;
inline constexpr int kReaderBlocks = 255;                            // addresses 0..254
inline constexpr int kReaderRegisters = kBlockSize * kReaderBlocks;  // 0 .. 4079
inline constexpr quint16 kStatusStart = 0xFFF0;
inline constexpr int kStatusRegisters = 3;
inline constexpr quint16 kAgeNever = 65535;

// The registers of a block, by their offset in it.
enum BlockRegister {
    kLevel = 0,
    kTemperature = 1,
    kCurrentHigh = 2,
    kCurrentLow = 3,
    kAgeSeconds = 4,
    kState = 5,
    kSerialHigh = 6,
    kSerialLow = 7,
    kSuccessPercent = 8,
};

// What a reader's state register says.
enum class BlockState : quint16 { Answering = 0, NoReply = 1, CheckErrors = 2, NotRead = 3 };

// The port's state register: open; lost and waited for; never opened yet (missing or in use), tried again.
enum class PortState : quint16 { Open = 0, Lost = 1, Unavailable = 2 };

struct GatewayStatus {
    int readers = 0;
    qint64 roundMs = 0;  // the last round's duration; 0 before the first
    PortState port = PortState::Unavailable;
};

// A reader's state as the plant sees it: a reader never read is "not read"; with the port gone, a reader
// read before no longer answers, whatever its last exchange said.
BlockState blockState(const bus::ReaderRow* row, PortState port);

// The 16 registers of a reader's block; `row` null: a reader not on the roster (zeros, not read, never).
// Values a reader reported are kept while it is silent: they are never zeroed as if they had been read.
std::array<quint16, kBlockSize> readerBlock(const bus::ReaderRow* row, PortState port, const QDateTime& now);

// Registers [start, start + count), or nothing when any of them lies outside the map.
std::optional<QVector<quint16>> readRegisters(const bus::BusRoster& roster, const GatewayStatus& status,
                                              const QDateTime& now, int start, int count);

}  // namespace kestrel::gateway
