#include "protocol/savefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <cerrno>

#include "protocol/syserror.h"
#include "protocol/translation.h"

namespace kestrel {

namespace {

// A pipe, a device or a socket is written through as it is: replacing it with a plain file would take it
// from every program that uses it. A pipe nobody reads is refused at once rather than waited on for ever.
bool writeThrough(const QString& path, const QByteArray& bytes, bool pipe, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = pipe && errno == ENXIO ? Texts::tr("канал никто не читает") : systemErrorText(errno);
        return false;
    }
    // Opened without waiting; written with it, as any program writing a pipe or a device does.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    bool ok = true;
    for (qsizetype at = 0; ok && at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + at, std::size_t(bytes.size() - at));
        if (n > 0) {
            at += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            *error = systemErrorText(n < 0 ? errno : EIO);
            ok = false;
        }
    }
    if (::close(fd) != 0 && ok) {
        *error = systemErrorText(errno);
        ok = false;
    }
    return ok;
}

}  // namespace

bool saveWholeFile(const QString& path, const QByteArray& bytes, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    struct stat target {};
    if (::stat(name.constData(), &target) == 0) {
        if (!S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode))
            return writeThrough(path, bytes, S_ISFIFO(target.st_mode), error);
    } else if (errno != ENOENT) {
        // A loop of symbolic links, a path through a file, no right to look: said as it is, and nothing is
        // put in the link's place.
        *error = systemErrorText(errno);
        return false;
    }
    // A regular file, or none yet. A symbolic link stays one: the file it names is what is replaced.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    // A short write is followed by another, so the one that fails tells why (a full disk, a size limit).
    for (qint64 at = 0, n = 0; ok && at < bytes.size(); at += n) {
        n = file.write(bytes.constData() + at, bytes.size() - at);
        ok = n > 0;
    }
    ok = ok && file.commit();
    if (!ok) {
        *error = localizedSystemText(file.errorString());
        file.cancelWriting();
    }
    return ok;
}

}  // namespace kestrel
