#include "ui/openedlog.h"

#include <QApplication>
#include <QThread>
#include <algorithm>
#include <map>
#include <memory>

#include "device/commands.h"
#include "protocol/translation.h"
#include "traffic/logreader.h"
#include "ui/dialogs.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"

namespace kestrel {

namespace {

// What the worker thread hands over: the rows, and the trend's samples of every reader.
struct LoadedLog {
    traffic::LogReading reading;
    TrendSeries trend;
    std::optional<quint8> mostRead;  // the reader with the most live readings
};

// The trend's samples as the window's own trend takes them from the exchanges: a reader poll's live values,
// or a gap when it went without a usable reply.
void collectTrend(LoadedLog& loaded) {
    std::map<quint8, int> readings;
    for (const traffic::Record& r : loaded.reading.log.records) {
        if (loaded.trend.addRecord(r) && !loaded.trend.samples().back().gap) ++readings[quint8(r.address)];
    }
    int most = 0;
    for (const auto& [address, n] : readings)
        if (n > most) most = n, loaded.mostRead = address;
}

}  // namespace

LogOpener::LogOpener(Dialogs& dialogs, QWidget* owner) : QObject(owner), dialogs_(dialogs), owner_(owner) {}

LogOpener::~LogOpener() {
    for (const QPointer<QThread>& worker : workers_) {
        if (!worker) continue;
        worker->requestInterruption();
        worker->wait();
        delete worker.data();
    }
}

void LogOpener::askAndOpen() {
    const QString path = dialogs_.openFileName(Texts::tr("Открыть журнал обмена"),
                                               Texts::tr("Журнал обмена CSV (*.csv);;Все файлы (*)"));
    if (!path.isEmpty()) open(path);
}

void LogOpener::open(const QString& path) {
    auto loaded = std::make_shared<LoadedLog>();
    QThread* worker = QThread::create([path, loaded] {
        loaded->reading = traffic::readLogFile(path);
        if (loaded->reading.loaded()) collectTrend(*loaded);
    });
    ++loading_;
    workers_.erase(std::remove_if(workers_.begin(), workers_.end(),
                                  [](const QPointer<QThread>& w) { return w.isNull(); }),
                   workers_.end());
    workers_.emplace_back(worker);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, path, loaded] {
        --loading_;
        QApplication::restoreOverrideCursor();
        traffic::LogReading& reading = loaded->reading;
        if (!reading.loaded()) return dialogs_.message(reading.error, Dialogs::Icon::Exclamation);
        const QString badRows = traffic::badRowsText(reading.log);
        auto* log = new TrafficLogWindow(dialogs_, owner_, 1);
        log->setObjectName(QStringLiteral("openedTrafficLog"));
        log->setAttribute(Qt::WA_DeleteOnClose);
        log->showOpenedLog(path, std::move(reading.log.records));
        log->show();
        TrendWindow* trend = nullptr;
        if (loaded->mostRead) {
            trend = new TrendWindow(dialogs_, owner_);
            trend->setObjectName(QStringLiteral("openedTrend"));
            trend->setAttribute(Qt::WA_DeleteOnClose);
            trend->setWindowTitle(Texts::tr("График: %1").arg(path));
            trend->showWholeSpan(std::move(loaded->trend), *loaded->mostRead);
            trend->show();
        }
        if (!badRows.isEmpty())
            dialogs_.message(Texts::tr("Журнал %1 открыт не полностью. %2").arg(path, badRows),
                             Dialogs::Icon::Exclamation);
        emit opened(log, trend);
    });
    worker->start();
}

}  // namespace kestrel
