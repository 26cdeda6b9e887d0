#include "protocol/syserror.h"

#include <cerrno>
#include <cstring>

#include "protocol/translation.h"

namespace kestrel {

namespace {

struct KnownError {
    int number;
    const char* text;
};

// The errors met at files, folders and ports, with the texts lupdate collects.
const KnownError kKnownErrors[] = {
    {ENOSPC, QT_TRANSLATE_NOOP("Texts", "нет места на диске")},
    {EDQUOT, QT_TRANSLATE_NOOP("Texts", "превышена квота диска")},
    {EFBIG, QT_TRANSLATE_NOOP("Texts", "файл слишком велик")},
    {EISDIR, QT_TRANSLATE_NOOP("Texts", "это папка")},
    {ENOTDIR, QT_TRANSLATE_NOOP("Texts", "часть пути не папка")},
    {ENOENT, QT_TRANSLATE_NOOP("Texts", "нет такого файла или папки")},
    {EACCES, QT_TRANSLATE_NOOP("Texts", "нет прав доступа")},
    {EPERM, QT_TRANSLATE_NOOP("Texts", "операция не разрешена")},
    {EROFS, QT_TRANSLATE_NOOP("Texts", "файловая система только для чтения")},
    {ENOTTY, QT_TRANSLATE_NOOP("Texts", "устройство не является терминалом")},
    {EPIPE, QT_TRANSLATE_NOOP("Texts", "канал закрыт читающей стороной")},
    {EBUSY, QT_TRANSLATE_NOOP("Texts", "устройство занято")},
    {EIO, QT_TRANSLATE_NOOP("Texts", "ошибка ввода-вывода")},
    {ENAMETOOLONG, QT_TRANSLATE_NOOP("Texts", "слишком длинное имя файла")},
    {ENODEV, QT_TRANSLATE_NOOP("Texts", "нет такого устройства")},
    {ENXIO, QT_TRANSLATE_NOOP("Texts", "нет такого устройства или адреса")},
    {ELOOP, QT_TRANSLATE_NOOP("Texts", "слишком много уровней символических ссылок")},
};

}  // namespace

QString systemErrorText(int errorNumber) {
    for (const KnownError& e : kKnownErrors)
        if (e.number == errorNumber) return Texts::tr(e.text);
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

QString localizedSystemText(const QString& text) {
    QString out = text;
    for (const KnownError& e : kKnownErrors) {
        const QString system = QString::fromLocal8Bit(std::strerror(e.number));
        if (out.contains(system, Qt::CaseInsensitive))
            out.replace(system, Texts::tr(e.text), Qt::CaseInsensitive);
    }
    return out;
}

}  // namespace kestrel
