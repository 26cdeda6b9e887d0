#pragma once
// A file the engineer keeps (a backup, a saved log, a picture) is written whole or not at all: the new
// content goes to a temporary file beside it, which replaces the old file only once every byte is on disk.
// QSaveFile alone is not enough: written through its buffer, a full disk fails only the final flush, and
// the commit still replaces the old file with an empty one and reports success. Here every write goes
// straight to the file and is checked.
//
// A target that is not a regular file (a pipe, a device such as a terminal) is written through, never
// replaced; a symbolic link to a file stays a link, and the file it names is replaced.

#include <QByteArray>
#include <QString>

namespace kestrel {

// Writes `bytes` to `path`. False, with the reason in the user's language in `error`, when any part fails;
// the file that was at `path` is then as it was.
bool saveWholeFile(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace kestrel
