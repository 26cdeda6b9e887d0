#include "protocol/syserror.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "protocol/translation.h"

namespace kestrel {

namespace {

struct KnownError {
    int number;
    const char* text;
};

// The errors met at files, folders, ports and standard output, with the texts lupdate collects.
const KnownError kKnownErrors[] = {
    {ENOSPC, QT_TRANSLATE_NOOP("Texts", "нет места на диске")},
    {EDQUOT, QT_TRANSLATE_NOOP("Texts", "превышена квота диска")},
    {EFBIG, QT_TRANSLATE_NOOP("Texts", "файл слишком велик")},
    {EISDIR, QT_TRANSLATE_NOOP("Texts", "это папка")},
    {ENOTDIR, QT_TRANSLATE_NOOP("Texts", "часть пути не папка")},
    {ENOENT, QT_TRANSLATE_NOOP("Texts", "нет такого файла или папки")},
    {EEXIST, QT_TRANSLATE_NOOP("Texts", "файл уже существует")},
    {EACCES, QT_TRANSLATE_NOOP("Texts", "нет прав доступа")},
    {EPERM, QT_TRANSLATE_NOOP("Texts", "операция не разрешена")},
    {EROFS, QT_TRANSLATE_NOOP("Texts", "файловая система только для чтения")},
    {ETXTBSY, QT_TRANSLATE_NOOP("Texts", "файл занят")},
    {EXDEV, QT_TRANSLATE_NOOP("Texts", "файл нельзя перенести на другую файловую систему")},
    {ESTALE, QT_TRANSLATE_NOOP("Texts", "файл на сетевом диске больше недоступен")},
    {EMFILE, QT_TRANSLATE_NOOP("Texts", "слишком много открытых файлов")},
    {ENFILE, QT_TRANSLATE_NOOP("Texts", "слишком много открытых файлов в системе")},
    {ENAMETOOLONG, QT_TRANSLATE_NOOP("Texts", "слишком длинное имя файла")},
    {ELOOP, QT_TRANSLATE_NOOP("Texts", "слишком много уровней символических ссылок")},
    {EINVAL, QT_TRANSLATE_NOOP("Texts", "недопустимый аргумент")},
    {ENOTTY, QT_TRANSLATE_NOOP("Texts", "устройство не является терминалом")},
    {EPIPE, QT_TRANSLATE_NOOP("Texts", "канал закрыт читающей стороной")},
    {EBUSY, QT_TRANSLATE_NOOP("Texts", "устройство занято")},
    {EIO, QT_TRANSLATE_NOOP("Texts", "ошибка ввода-вывода")},
    {ENODEV, QT_TRANSLATE_NOOP("Texts", "нет такого устройства")},
    {ENXIO, QT_TRANSLATE_NOOP("Texts", "нет такого устройства или адреса")},
    {EAGAIN, QT_TRANSLATE_NOOP("Texts", "ресурс временно недоступен")},
    {EINTR, QT_TRANSLATE_NOOP("Texts", "прервано сигналом")},
    {EBADF, QT_TRANSLATE_NOOP("Texts", "неверный дескриптор файла")},
    {ENOMEM, QT_TRANSLATE_NOOP("Texts", "недостаточно памяти")},
};

// The C library's error numbers are small; Linux has fewer than 140.
constexpr int kLastErrorNumber = 150;

// The C library's English text of an error, whatever locale the program runs in.
QString englishText(int errorNumber) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return QString::fromLocal8Bit(c ? strerror_l(errorNumber, c) : std::strerror(errorNumber));
}

struct Found {
    qsizetype at;
    qsizetype length;
    int number;
};

}  // namespace

QString systemErrorText(int errorNumber) {
    for (const KnownError& e : kKnownErrors)
        if (e.number == errorNumber) return Texts::tr(e.text);
    return englishText(errorNumber);
}

QString localizedSystemText(const QString& text) {
    // Every error text found, in English, in the locale's language or in Qt's translation; a
    // longer text first ("No such device or address" before "No such device"), and none inside another.
    std::vector<Found> found;
    for (int n = 1; n <= kLastErrorNumber; ++n) {
        const QString english = englishText(n);
        // Qt translates a few of them itself ("QIODevice"), once its own translations are installed.
        const QString byQt = QCoreApplication::translate("QIODevice", english.toUtf8().constData());
        for (const QString& system : {english, QString::fromLocal8Bit(std::strerror(n)), byQt}) {
            if (system.isEmpty() || system.startsWith(QLatin1String("Unknown error"))) continue;
            for (qsizetype at = text.indexOf(system, 0, Qt::CaseInsensitive); at >= 0;
                 at = text.indexOf(system, at + 1, Qt::CaseInsensitive))
                found.push_back({at, system.size(), n});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.length > b.length; });
    std::vector<Found> kept;
    for (const Found& f : found) {
        const bool overlaps = std::any_of(kept.begin(), kept.end(), [&f](const Found& k) {
            return f.at < k.at + k.length && k.at < f.at + f.length;
        });
        if (!overlaps) kept.push_back(f);
    }
    std::sort(kept.begin(), kept.end(), [](const Found& a, const Found& b) { return a.at > b.at; });
    QString out = text;
    for (const Found& f : kept) out.replace(f.at, f.length, systemErrorText(f.number));
    return out;
}

}  // namespace kestrel
