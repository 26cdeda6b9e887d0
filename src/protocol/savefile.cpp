#include "protocol/savefile.h"

#include <QSaveFile>

#include "protocol/syserror.h"

namespace kestrel {

bool saveWholeFile(const QString& path, const QByteArray& bytes, QString* error) {
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
