#include "traffic/logfile.h"

#include <QFileInfo>

#include "protocol/translation.h"
#include "traffic/csv.h"

namespace kestrel::traffic {

bool LogFile::open(const QString& path, QString* error) {
    file_.close();
    if (QFileInfo(path).isDir()) {
        *error = Texts::tr("это папка");
        return false;
    }
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = file_.errorString();
        return false;
    }
    if (file_.size() == 0) return write(csv::line(csvHeader()), error);
    return true;
}

bool LogFile::append(const Record& r, QString* error) {
    if (!file_.isOpen()) {
        *error = Texts::tr("файл не открыт");
        return false;
    }
    return write(csv::line(csvCells(r)), error);
}

bool LogFile::write(const QByteArray& bytes, QString* error) {
    if (file_.write(bytes) != bytes.size() || !file_.flush()) {
        *error = file_.errorString();
        file_.close();
        return false;
    }
    return true;
}

QString logFileFailure(const QString& path, const QString& reason) {
    return Texts::tr("Не удалось записать журнал в файл %1: %2. Запись журнала в файл выключена.")
        .arg(path, reason);
}

}  // namespace kestrel::traffic
