#pragma once
// A recorded traffic log opened at the desk ("Файл → Открыть журнал…", kestrel-tool --open): the file is
// read on a worker thread, so the window goes on answering while a long log loads (the pointer shows it is
// busy); then a log window of its own shows the rows, read-only, and a trend shows the most read reader's
// level, temperature and current over the log's whole span. Rows left out are said in one message; a
// refused or unreadable file in its message, and nothing opens.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <vector>

namespace kestrel {

class Dialogs;
class TrafficLogWindow;
class TrendWindow;

class LogOpener : public QObject {
    Q_OBJECT
  public:
    // The windows it opens are top-level windows parented to `owner`, deleted when closed.
    LogOpener(Dialogs& dialogs, QWidget* owner);
    // Logs still being read are given up: their threads are asked to stop and waited for.
    ~LogOpener() override;
    // Asks for the file, then opens it.
    void askAndOpen();
    void open(const QString& path);
    // Logs being read now.
    int loading() const { return loading_; }

  signals:
    // The windows of an opened log (the trend is null for a log without live readings).
    void opened(TrafficLogWindow* log, TrendWindow* trend);

  private:
    Dialogs& dialogs_;
    QWidget* owner_;
    int loading_ = 0;
    std::vector<QPointer<QThread>> workers_;
};

}  // namespace kestrel
