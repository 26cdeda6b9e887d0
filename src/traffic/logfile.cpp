#include "traffic/logfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "protocol/syserror.h"
#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::traffic {

bool LogFile::open(const QString& path, QString* error) {
    close();
    path_ = path;
    return openFile(error);
}

bool LogFile::openFile(QString* error) {
    if (QFileInfo(path_).isDir()) {
        *error = Texts::tr("это папка");
        return false;
    }
    fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        *error = systemErrorText(errno);
        return false;
    }
    struct stat st {};
    columns_ = 0;
    if (::fstat(fd_, &st) == 0 && st.st_size == 0) return write(csv::line(csvHeader()), error);
    // A log of the same header keys with fewer columns (an older version's) goes on as it began.
    QFile existing(path_);
    if (existing.open(QIODevice::ReadOnly)) {
        csv::Reader reader(&existing);
        reader.setLimit(4096);
        QList<QByteArray> header;
        const QStringList current = csvHeader();
        if (reader.next(&header) && header.size() < current.size() && header.size() >= 2 &&
            header.back() == current.at(header.size() - 1).toUtf8())
            columns_ = header.size();
    }
    return true;
}

void LogFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LogFile::replaced() const {
    struct stat open {};
    struct stat named {};
    if (::fstat(fd_, &open) != 0) return false;
    if (::stat(QFile::encodeName(path_).constData(), &named) != 0) return true;
    return open.st_nlink == 0 || open.st_ino != named.st_ino || open.st_dev != named.st_dev;
}

bool LogFile::append(const Record& r, QString* error, QString* notice) {
    if (!isOpen()) {
        *error = Texts::tr("файл не открыт");
        return false;
    }
    // Only a regular file can be deleted or moved away; a device such as /dev/null stays as it is.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && replaced()) {
        close();
        if (!openFile(error)) {
            close();
            return false;
        }
        if (notice) *notice = logFileRenewed(path_);
    }
    QStringList cells = csvCells(r);
    if (columns_ > 0) cells = cells.mid(0, columns_);
    return write(csv::line(cells), error);
}

bool LogFile::write(const QByteArray& bytes, QString* error) {
    // The row starts at the file's end as it is now: another program may have cut the file meanwhile (a
    // rotation that copies and truncates).
    struct stat st {};
    const off_t start = ::fstat(fd_, &st) == 0 ? st.st_size : -1;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        *error = systemErrorText(n < 0 ? errno : ENOSPC);
        // What of the row got in is cut off again: the file ends with its last whole row.
        if (done > 0 && start >= 0 && ::ftruncate(fd_, start) != 0) {
            // Nothing more can be done for a file that cannot be cut either; the write's reason is told.
        }
        close();
        return false;
    }
    return true;
}

QString logFileFailure(const QString& path, const QString& reason) {
    return Texts::tr("Не удалось записать журнал в файл %1: %2. Запись журнала в файл выключена.")
        .arg(path, reason);
}

QString logFileRenewed(const QString& path) {
    return Texts::tr("Файл журнала %1 удалён или перемещён; журнал пишется в новый файл с тем же именем.")
        .arg(path);
}

}  // namespace kestrel::traffic
