#pragma once
// The longest event-loop stall in each tick of a running exchange cycle: a 1 ms probe timer records the
// longest gap between its firings until the next tick ends. And the process's resident memory.

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "exchange/cycle.h"

namespace kestrel::bench {

// CPU time of one thread of this process (a task of /proc/self/task, or the calling thread), from the
// scheduler's nanosecond count: tick-sampled figures are too coarse for a thread that runs in short bursts.
inline double threadCpuSeconds(const QString& task = QStringLiteral("thread-self")) {
    QFile f(task == QLatin1String("thread-self") ? QStringLiteral("/proc/thread-self/schedstat")
                                                 : QStringLiteral("/proc/self/task/%1/schedstat").arg(task));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    return f.readAll().split(' ').value(0).toDouble() / 1e9;
}

// CPU time of the whole process, every thread, ended ones too.
inline double processCpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// The threads of this process now, by task number.
inline QStringList processThreads() {
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

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
