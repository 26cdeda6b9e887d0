#pragma once
// The tool's languages. Russian is the language of the sources and the default: every user-visible text is
// written in Russian and goes through Texts::tr(), which Qt Linguist's lupdate collects into
// translations/kestrel_<lang>.ts. With no translator installed, Texts::tr() gives the Russian text unchanged.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace kestrel {

// The one translation context of the tool: Texts::tr("Открыть порт").
class Texts {
    Q_DECLARE_TR_FUNCTIONS(Texts)
};

// The languages a user can choose ("ru" first: the default, built in).
QStringList availableLanguages();

struct LanguageChoice {
    QString language;  // what is in effect: "ru" or one of the translations
    QString problem;   // empty, or a line for the terminal saying why Russian is used instead
    QString qtTexts;   // empty, or a line for the terminal saying Qt's own texts stay in English
};

// Installs the translation for `language` into the running application. "ru" or an empty language needs
// nothing of the tool's own. An unknown language, or a translation file that cannot be found or read,
// leaves the tool in Russian and says so in `problem`. The files are looked for in $KESTREL_TRANSLATIONS,
// then beside the program (translations/, the build tree) and in ../share/kestrel-tool/translations (the
// installed tree).
// Qt's own texts (the file dialog, standard buttons, the serial port's and files' errors) follow the
// language in effect: their translations come with Qt, from QLibraryInfo's translations folder (Debian's
// qt6-translations-l10n); without them they stay in English and `qtTexts` says so.
LanguageChoice useLanguage(const QString& language);

// Installs Qt's catalogues of the texts the programs can show, for `language` from `folder`: QtWidgets'
// dialogs and buttons, file errors (qtbase) and the serial port's errors (qtserialport). Empty when both
// were there (English needs none), else the line for the terminal naming the files that are missing.
QString useQtTexts(const QString& language, const QString& folder);

}  // namespace kestrel
