#pragma once
// CSV as spreadsheets and scripts read it: UTF-8, RFC 4180 quoting, CRLF line ends, ISO 8601 times with
// milliseconds and the UTC offset. A cell a spreadsheet would take for a formula gets a leading
// apostrophe, so opening a log never runs anything that came off the wire.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

namespace kestrel::csv {

// One cell: a text starting with = + - @ tab or CR gets a leading "'"; a cell holding the separator, a
// quote, CR or LF is quoted, with its quotes doubled.
QString cell(const QString& text, char separator = ',');
// One record, cells joined by the separator (a comma, or the ';' of spreadsheets in Russian), ending in
// CRLF, as UTF-8.
QByteArray line(const QStringList& cells, char separator = ',');
// "2026-12-07T15:55:37.123+03:00": a UTC time as the local time with its offset, any other time in its
// own offset; empty for an invalid time.
QString isoTime(const QDateTime& time);

// The records of a CSV text (quoted cells may hold commas, quotes and line breaks). A trailing line
// break ends the last record; a quote left open runs to the end of the text.
QList<QStringList> parse(const QString& text, char separator = ',');

// The same records read one at a time from a device, for a file too big to hold as a whole: cells as
// the file's bytes (UTF-8), a blank line one empty cell.
class Reader {
  public:
    explicit Reader(QIODevice* in) : in_(in) {}
    // The next record into `cells`; false at the end of the input.
    bool next(QList<QByteArray>* cells);
    // The line the record last read starts on, from 1 (a quoted cell's line breaks count).
    qint64 line() const { return start_; }
    // The record last read ended at the end of the input inside a quoted cell.
    bool unclosed() const { return unclosed_; }
    // A record longer than `bytes` is still read to its end, but only its start is kept, and
    // overlong() says so; no limit by default.
    void setLimit(qsizetype bytes) { limit_ = bytes; }
    bool overlong() const { return overlong_; }
    // The cells are separated by `separator`: a comma unless told otherwise.
    void setSeparator(char separator) { separator_ = separator; }

  private:
    bool fill();
    QIODevice* in_;
    QByteArray buf_;
    qsizetype pos_ = 0;
    qint64 line_ = 1;
    qint64 start_ = 1;
    bool unclosed_ = false;
    qsizetype limit_ = -1;
    bool overlong_ = false;
    char separator_ = ',';
};

}  // namespace kestrel::csv
