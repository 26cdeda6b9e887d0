#pragma once
// A traffic log read back from its CSV file (as LogFile and the log window's save write it), streamed a
// row at a time, so a log of hundreds of thousands of rows is read without holding its text.
//
// The header decides whose file it is: the first line must name the log's columns, in the writer's order
// (a byte order mark before it is allowed): time, address, command, code, request, reply, reply_ms, outcome,
// meaning. A log of a later version may carry one more column after them, whose name is a lower-case key
// (such as "echo"); it is read by the known columns, and its rows may have that cell or not (a file appended
// to by two versions). Any other first line, an empty file or a binary file is another
// program's file: it is refused, naming line 1, and nothing of it is loaded. A file whose header is right but
// none of whose rows reads is refused too, naming the first bad row's line.
//
// Within a log, a row that does not read (a cell count other than the header's, a time, address, code,
// bytes, reply time or outcome that is not as the writer writes it, an overlong row, a quote never closed)
// is left out and reported with its line number; the rest is loaded.

#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "device/values.h"
#include "traffic/record.h"

class QIODevice;

namespace kestrel::traffic {

struct LogProblem {
    qint64 line = 0;  // from 1, where the row starts
    QString why;
};

struct LogContents {
    std::deque<Record> records;
    qint64 badRows = 0;                // rows left out
    std::vector<LogProblem> problems;  // the first kKeptLogProblems of them, in file order
};
inline constexpr int kKeptLogProblems = 20;
// A row longer than this is no row of the log (a reply is kept to 256 bytes, 768 characters as hex).
inline constexpr qsizetype kLongestLogRow = 16 * 1024;

struct LogReading {
    enum class Status { Loaded, Refused, Unreadable };
    Status status = Status::Refused;
    QString error;  // Refused: the first bad line and why; Unreadable: the file and the system's reason
    LogContents log;
    bool loaded() const { return status == Status::Loaded; }
};

// Reads a log from `in` (opened for reading). `name` names it in a refusal.
LogReading readLog(QIODevice* in, const QString& name);
// Reads the file at `path`: Unreadable for a missing file, a folder, something other than a regular file or
// a file without read permission.
LogReading readLogFile(const QString& path);

// "В журнале 3 строки с ошибками (не загружены): строки 5, 9, 12." with the first few lines and the
// first row's reason; empty when every row was loaded.
QString badRowsText(const LogContents& log);

// The reader's live values of a row of the log: a decoded current-parameters reply, whole.
std::optional<device::LiveReading> liveReadingOf(const Record& r);

}  // namespace kestrel::traffic
