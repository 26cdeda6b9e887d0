// The translations: every text of the sources has its English translation (the committed .ts is refreshed
// with lupdate into a scratch copy, so a new text without a translation fails here), translations keep their
// placeholders and accelerators, and the language is chosen, or refused, as the programs are told.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <cerrno>
#include <functional>

#include "protocol/syserror.h"
#include "protocol/translation.h"

namespace kestrel {
namespace {

struct Message {
    QString source, translation, type;
};

std::vector<Message> readTs(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    std::vector<Message> out;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("message")) out.push_back({});
        if (xml.isStartElement() && xml.name() == QLatin1String("source"))
            out.back().source = xml.readElementText();
        if (xml.isStartElement() && xml.name() == QLatin1String("translation")) {
            out.back().type = xml.attributes().value(QLatin1String("type")).toString();
            out.back().translation = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return out;
}

QStringList placeholders(const QString& text) {
    QStringList found;
    for (const auto& m : QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text)) found << m.captured();
    found.sort();
    return found;
}

// Menu and button accelerators: "&Вид" has one, and so must its translation.
qsizetype accelerators(const QString& text) {
    return text.count(
        QRegularExpression(QStringLiteral("&\\w"), QRegularExpression::UseUnicodePropertiesOption));
}

TEST(TranslationFiles, EveryTextOfTheSourcesHasAnEnglishTranslationWithItsPlaceholders) {
    QTemporaryDir scratch;
    const QString ts = scratch.filePath(QStringLiteral("kestrel_en.ts"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTREL_SOURCE_DIR "/translations/kestrel_en.ts"), ts));
    QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner);
    QProcess lupdate;
    lupdate.start(QStringLiteral(KESTREL_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-no-obsolete"), QStringLiteral("-locations"),
                   QStringLiteral("none"), QStringLiteral("-source-language"), QStringLiteral("ru"),
                   QStringLiteral("-target-language"), QStringLiteral("en"),
                   QStringLiteral(KESTREL_SOURCE_DIR "/src"), QStringLiteral("-ts"), ts});
    ASSERT_TRUE(lupdate.waitForFinished(60000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

    const std::vector<Message> messages = readTs(ts);
    ASSERT_GT(messages.size(), 250u);  // the tool's texts, not an empty file
    for (const Message& m : messages) {
        const std::string source = m.source.toStdString();
        EXPECT_TRUE(m.type.isEmpty()) << "translation is " << m.type.toStdString() << ": " << source
                                      << " (run scripts/update-translations.sh and translate it)";
        EXPECT_FALSE(m.translation.trimmed().isEmpty()) << "no translation: " << source;
        EXPECT_FALSE(m.translation.contains(QRegularExpression(QStringLiteral("[\\x{0400}-\\x{04FF}]"))))
            << "Cyrillic left in the translation of: " << source;
        EXPECT_EQ(placeholders(m.translation), placeholders(m.source)) << source;
        EXPECT_EQ(accelerators(m.translation), accelerators(m.source)) << source;
        EXPECT_EQ(m.translation.startsWith(QLatin1Char(' ')), m.source.startsWith(QLatin1Char(' ')))
            << source;
    }
}

// The translators installed by useLanguage() are taken out again, so each case starts in Russian.
class LanguageChoiceTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        qunsetenv("KESTREL_TRANSLATIONS");
    }
};

// A language that is not there is refused by the client as by the window (test_cli.cpp).
TEST_F(LanguageChoiceTest, EnglishIsUsedOnlyWhenAskedAndEveryFailureFallsBackToRussian) {
    QTemporaryDir empty;
    // What is asked, the folder of the translations, the language in effect, a part of the terminal message
    // ("" when there is none), and Qt's own text of a dialog's Cancel button, which follows the language.
    const std::tuple<const char*, QString, QString, const char*, const char*> cases[] = {
        {"", QStringLiteral(KESTREL_QM_DIR), "ru", "", "Отмена"},
        {"ru", QStringLiteral(KESTREL_QM_DIR), "ru", "", "Отмена"},
        {"en", QStringLiteral(KESTREL_QM_DIR), "en", "", "Cancel"},
        {"EN", QStringLiteral(KESTREL_QM_DIR), "ru", "unknown language 'EN'", "Отмена"},
        {"en", empty.path(), "ru", "kestrel_en.qm", "Отмена"},
    };
    for (const auto& [asked, folder, inEffect, problem, cancel] : cases) {
        SCOPED_TRACE(std::string(asked) + " in " + folder.toStdString());
        qputenv("KESTREL_TRANSLATIONS", folder.toUtf8());
        const LanguageChoice choice = useLanguage(QString::fromUtf8(asked));
        EXPECT_EQ(choice.language, inEffect);
        EXPECT_TRUE(*problem ? choice.problem.contains(QString::fromUtf8(problem)) : choice.problem.isEmpty())
            << choice.problem.toStdString();
        EXPECT_EQ(Texts::tr("Открыть порт"), inEffect == QLatin1String("en")
                                                 ? QStringLiteral("Open port")
                                                 : QStringLiteral("Открыть порт"));
        EXPECT_TRUE(choice.qtTexts.isEmpty()) << choice.qtTexts.toStdString();
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), cancel);
        TearDown();
    }
}

// Without Qt's catalogues for the language (a machine without qt6-translations-l10n), the line for the
// terminal names each missing file and where it was looked for; English needs none.
TEST_F(LanguageChoiceTest, MissingQtCataloguesAreNamedAndEnglishNeedsNone) {
    QTemporaryDir empty;
    EXPECT_EQ(useQtTexts(QStringLiteral("ru"), empty.path()),
              "Qt's own texts (file dialogs, standard buttons) stay in English: no qtbase_ru.qm, "
              "qtserialport_ru.qm in " +
                  empty.path() + " (Debian: qt6-translations-l10n)");
    EXPECT_EQ(useQtTexts(QStringLiteral("en"), empty.path()), QString());
}

// The system's error texts in the tool's language, whatever the C library's locale: the tool's own for the
// errors met at files and ports, the C library's English text for any other.
TEST_F(LanguageChoiceTest, SystemErrorTextsSpeakTheToolsLanguage) {
    // What is shown, in Russian and in English.
    const std::tuple<std::function<QString()>, const char*, const char*> cases[] = {
        {[] { return systemErrorText(ENOSPC); }, "нет места на диске", "no space left on device"},
        {[] { return systemErrorText(EEXIST); }, "файл уже существует", "the file already exists"},
        {[] { return systemErrorText(ECHILD); }, "No child processes", "No child processes"},
        // Qt's own English texts and the C library's are both found, the longer of two that overlap.
        {[] { return localizedSystemText(QStringLiteral("Permission denied")); }, "нет прав доступа",
         "permission denied"},
        {[] { return localizedSystemText(QStringLiteral("open: No such device or address")); },
         "open: нет такого устройства или адреса", "open: no such device or address"},
        {[] { return localizedSystemText(QStringLiteral("Unknown error")); }, "Unknown error",
         "Unknown error"},
        // As QFile says it, in Qt's own translation.
        {[] {
             return localizedSystemText(
                 QCoreApplication::translate("QIODevice", "No such file or directory"));
         },
         "нет такого файла или папки", "no such file or folder"},
    };
    qputenv("KESTREL_TRANSLATIONS", KESTREL_QM_DIR);
    for (const char* language : {"ru", "en"}) {
        ASSERT_EQ(useLanguage(QString::fromLatin1(language)).language, QString::fromLatin1(language));
        for (const auto& [shown, russian, english] : cases)
            EXPECT_EQ(shown().toStdString(), *language == 'r' ? russian : english) << language;
        TearDown();
        qputenv("KESTREL_TRANSLATIONS", KESTREL_QM_DIR);
    }
}

}  // namespace
}  // namespace kestrel
