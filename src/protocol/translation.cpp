#include "protocol/translation.h"

#include <QDir>
#include <QFileInfo>
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

}  // namespace

QStringList availableLanguages() {
    return {QStringLiteral("ru"), QStringLiteral("en")};
}

LanguageChoice useLanguage(const QString& language) {
    const QString russian = QStringLiteral("ru");
    if (language.isEmpty() || language == russian) return {russian, {}};
    if (!availableLanguages().contains(language)) {
        return {russian, QStringLiteral("unknown language '%1' (available: %2); using Russian")
                             .arg(language, availableLanguages().join(QStringLiteral(", ")))};
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
            return {russian, QStringLiteral("cannot read the translation %1; using Russian").arg(path)};
        }
        QCoreApplication::installTranslator(translator);
        return {language, {}};
    }
    return {russian, QStringLiteral("no translation file for '%1' (looked for %2); using Russian")
                         .arg(language, tried.join(QStringLiteral(", ")))};
}

}  // namespace kestrel
