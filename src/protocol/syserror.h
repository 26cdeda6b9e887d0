#pragma once
// The system's own error texts in the user's language. Qt and the C library report a failed file or device
// operation in English ("No space left on device"); inside a Russian message that reads as a foreign line.
// The errors an engineer meets at a file or a port have texts of the tool's own; any other keeps the
// system's text.

#include <QString>

namespace kestrel {

// The text for the C library's error number `errorNumber` (ENOSPC, EACCES ...).
QString systemErrorText(int errorNumber);

// `text` (a Qt error string such as QFile::errorString()) with every system error text it contains put in
// the user's language; unknown texts are kept as they are.
QString localizedSystemText(const QString& text);

}  // namespace kestrel
