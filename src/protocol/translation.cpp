#include "protocol/translation.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace kestrel {

namespace {

QStringList translationFolders() {
    QStringList folders;
    const QString fromEnvironment = qEnvironmentVariable("KESTREL_TRANSLATIONS");
    if (!fromEnvironment.isEmpty()) return {fromEnvironment};
    const QString programDir = QCoreApplication::applicationDirPath();
    folders << programDir + QStringLiteral("/translations")
            << QDir::cleanPath(programDir + QStringLiteral("/../share/kestrel-tool/translations"));
    return folders;
}

LanguageChoice withQtTexts(LanguageChoice choice) {
    choice.qtTexts = useQtTexts(choice.language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return choice;
}

}  // namespace

QString useQtTexts(const QString& language, const QString& folder) {
    // English is the language of Qt's sources.
    if (language == QLatin1String("en")) return {};
    QStringList missing;
    for (const char* catalogue : {"qtbase", "qtserialport"}) {
        const QString name = QStringLiteral("%1_%2").arg(QLatin1String(catalogue), language);
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(name, folder)) {
            QCoreApplication::installTranslator(translator);
        } else {
            delete translator;
            missing << name + QStringLiteral(".qm");
        }
    }
    if (missing.isEmpty()) return {};
    return QStringLiteral(
               "Qt's own texts (file dialogs, standard buttons) stay in English: no %1 in %2 "
               "(Debian: qt6-translations-l10n)")
        .arg(missing.join(QStringLiteral(", ")), folder);
}

QStringList availableLanguages() {
    return {QStringLiteral("ru"), QStringLiteral("en")};
}

LanguageChoice useLanguage(const QString& language) {
    const QString russian = QStringLiteral("ru");
    if (language.isEmpty() || language == russian) return withQtTexts({russian, {}, {}});
    if (!availableLanguages().contains(language)) {
        return withQtTexts({russian,
                            QStringLiteral("unknown language '%1' (available: %2); using Russian")
                                .arg(language, availableLanguages().join(QStringLiteral(", "))),
                            {}});
    }
    const QString file = QStringLiteral("kestrel_%1.qm").arg(language);
    QStringList tried;
    for (const QString& folder : translationFolders()) {
        const QString path = QDir(folder).filePath(file);
        tried << path;
        if (!QFileInfo::exists(path)) continue;
        // The translator lives as long as the application: one per process, installed once.
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load(path)) {
            delete translator;
            return withQtTexts(
                {russian, QStringLiteral("cannot read the translation %1; using Russian").arg(path), {}});
        }
        QCoreApplication::installTranslator(translator);
        return withQtTexts({language, {}, {}});
    }
    return withQtTexts({russian,
                        QStringLiteral("no translation file for '%1' (looked for %2); using Russian")
                            .arg(language, tried.join(QStringLiteral(", "))),
                        {}});
}

}  // namespace kestrel
