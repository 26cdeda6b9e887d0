#pragma once
// The traffic log written to a file as it happens: one CSV record per transaction, written whole and at
// once, so a killed tool loses nothing. A file that cannot be opened or written gives one message and the
// log file is off from then on; the exchange goes on regardless. A write that fails half-way (a full disk,
// a size limit) is cut back to the last whole row, so the file never ends inside a row or an open quote.
// A file deleted or moved away while open (log rotation) is noticed at the next row, and a new file with
// the header is started at the path.

#include <QString>

#include "traffic/record.h"

namespace kestrel::traffic {

class LogFile {
  public:
    LogFile() = default;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    ~LogFile() { close(); }

    // Appends to `path` (the header first when the file is new or empty). A log begun by an older version,
    // with fewer columns, gets rows of as many columns as its header has. False with the reason in
    // `error` when it cannot be written: a folder, a missing folder, no permission.
    bool open(const QString& path, QString* error);
    // Writes one record. False with the reason when the write fails (a full disk): the file is cut back to
    // its last whole row and closed then. When the file at the path was deleted or moved away since the last
    // row, a new one is started there first and `notice` (when given) gets logFileRenewed's text.
    bool append(const Record& r, QString* error, QString* notice = nullptr);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const QString& path() const { return path_; }

  private:
    bool openFile(QString* error);
    // True when the path no longer names the open file (deleted, renamed, replaced).
    bool replaced() const;
    bool write(const QByteArray& bytes, QString* error);
    QString path_;
    int fd_ = -1;
    qsizetype columns_ = 0;  // the columns of the file's header line; 0: as many as csvHeader() has
};

// "Не удалось записать журнал в файл PATH: REASON. Запись журнала в файл выключена."
QString logFileFailure(const QString& path, const QString& reason);
// "Файл журнала PATH удалён или перемещён; журнал пишется в новый файл PATH."
QString logFileRenewed(const QString& path);

}  // namespace kestrel::traffic
