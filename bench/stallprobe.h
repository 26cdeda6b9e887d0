#pragma once
// The longest event-loop stall in each tick of a running exchange cycle: a 1 ms probe timer records the
// longest gap between its firings until the next tick ends. And the process's resident memory.

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "exchange/cycle.h"

namespace kestrel::bench {

// The resident memory of this process in MB.
inline double residentMb() {
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

struct Stalls {
    qint64 worst = 0;
    qint64 median = 0;
    int ticks = 0;
};

// Runs the event loop for `ticks` ticks of `cycle` (already started).
inline Stalls measureStalls(ExchangeCycle& cycle, int ticks) {
    std::vector<qint64> perTick;
    qint64 longest = 0;
    QElapsedTimer since;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] { longest = std::max(longest, since.restart()); });
    const auto c = QObject::connect(&cycle, &ExchangeCycle::tickFinished, [&] {
        perTick.push_back(longest);
        longest = 0;
        if (int(perTick.size()) >= ticks) QCoreApplication::exit();
    });
    since.start();
    probe.start(1);
    QCoreApplication::exec();
    QObject::disconnect(c);
    std::sort(perTick.begin(), perTick.end());
    Stalls s;
    s.ticks = int(perTick.size());
    if (!perTick.empty()) {
        s.worst = perTick.back();
        s.median = perTick[perTick.size() / 2];
    }
    return s;
}

}  // namespace kestrel::bench
