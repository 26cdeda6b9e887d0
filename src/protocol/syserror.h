#pragma once
// The system's own error texts in the user's language. Qt and the C library report a failed file or device
// operation in the language of the C library's locale, most often English ("No space left on device"); inside
// a Russian message that reads as a foreign line, and a Russian locale's text reads as one inside an English
// message. The errors an engineer meets at a file, a folder or a port have texts of the tool's own, in the
// tool's language; any other gets the C library's English text, whatever the locale.

#include <QString>

namespace kestrel {

// The text for the C library's error number `errorNumber` (ENOSPC, EACCES ...).
QString systemErrorText(int errorNumber);

// `text` (a Qt error string such as QFile::errorString()) with every system error text it contains, in
// English, in the locale's language or as Qt translates it, put in the tool's language; other words are kept
// as they are.
QString localizedSystemText(const QString& text);

}  // namespace kestrel
