#pragma once
// The traffic log written to a file as it happens: one CSV record per transaction, flushed at once, so
// a killed tool loses nothing. A file that cannot be opened or written gives one message and the log
// file is off from then on; the exchange goes on regardless.

#include <QFile>
#include <QString>

#include "traffic/record.h"

namespace kestrel::traffic {

class LogFile {
  public:
    // Appends to `path` (the header first when the file is new or empty). False with the reason in
    // `error` when it cannot be written: a folder, a missing folder, no permission.
    bool open(const QString& path, QString* error);
    // Writes and flushes one record. False with the reason when the write fails (a full disk): the
    // file is closed then.
    bool append(const Record& r, QString* error);
    void close() { file_.close(); }
    bool isOpen() const { return file_.isOpen(); }

  private:
    bool write(const QByteArray& bytes, QString* error);
    QFile file_;
};

// "Не удалось записать журнал в файл PATH: REASON. Запись журнала в файл выключена."
QString logFileFailure(const QString& path, const QString& reason);

}  // namespace kestrel::traffic
