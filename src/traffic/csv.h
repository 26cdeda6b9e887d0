#pragma once
// CSV as spreadsheets and scripts read it: UTF-8, RFC 4180 quoting, CRLF line ends, ISO 8601 times with
// milliseconds and the UTC offset. A cell a spreadsheet would take for a formula gets a leading
// apostrophe, so opening a log never runs anything that came off the wire.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace kestrel::csv {

// One cell: a text starting with = + - @ tab or CR gets a leading "'"; a cell holding a comma, a
// quote, CR or LF is quoted, with its quotes doubled.
QString cell(const QString& text);
// One record, cells joined by commas, ending in CRLF, as UTF-8.
QByteArray line(const QStringList& cells);
// "2026-12-07T15:55:37.123+03:00": a UTC time as the local time with its offset, any other time in its
// own offset; empty for an invalid time.
QString isoTime(const QDateTime& time);

// The records of a CSV text (quoted cells may hold commas, quotes and line breaks). A trailing line
// break ends the last record; a quote left open runs to the end of the text.
QList<QStringList> parse(const QString& text);

}  // namespace kestrel::csv
