// The window as built: in Russian every text of the window, its menus, the log, the trend and the service
// panel (names for screen readers among them) is exactly the verified one (window_texts_ru.txt), and every
// control has its verified place, look and state (window_layout.txt); in English no text is left in Russian
// and none is wider than its control where the Russian fits. A screen reader finds every control named.
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QCompleter>
#include <QCryptographicHash>
#include <QFile>
#include <QGroupBox>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTableView>
#include <QTranslator>
#include <map>

#include "device/commands.h"
#include "protocol/translation.h"
#include "traffic/record.h"
#include "ui/pictures.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"
#include "ui/widgets.h"
#include "window_harness.h"

namespace kestrel::test {
namespace {

// The pixels `text` needs beyond the width of `w`, a single-line caption with `margin` for its frame or box.
int overflow(const QWidget* w, const QString& text, int margin) {
    const QString shown = QString(text).remove(
        QRegularExpression(QStringLiteral("&(?=\\w)"), QRegularExpression::UseUnicodePropertiesOption));
    if (shown.contains(QLatin1Char('\n'))) return 0;
    return std::max(0, w->fontMetrics().horizontalAdvance(shown) + margin - w->width());
}

struct ShownText {
    QString text;
    const QWidget* widget = nullptr;  // a caption whose width is fixed, or none
    int margin = 0;
};

// Every text a user can see, keyed by the control's object name and what the text is.
std::map<QString, ShownText> shownTexts(MainWindow& window) {
    QList<QObject*> objects{&window};
    for (QWidget* w : window.findChildren<QWidget*>()) objects << w;
    for (QAction* a : window.findChildren<QAction*>()) objects << a;
    std::map<QString, ShownText> out;
    std::map<QString, int> unnamed;
    auto add = [&](QObject* o, const char* what, const QString& text, int margin = -1) {
        if (text.trimmed().isEmpty()) return;
        // A control without a name is known by its nearest named ancestor, its class and its place among
        // the unnamed controls of that class there, in the order they were made.
        QString key = o->objectName();
        for (QObject* p = o->parent(); key.isEmpty() && p; p = p->parent())
            if (!p->objectName().isEmpty()) {
                key = p->objectName() + QStringLiteral("/") + o->metaObject()->className();
                key += QString::number(unnamed[key]++);
            }
        out[key + QStringLiteral(" ") + QLatin1String(what)] = {
            text, margin < 0 ? nullptr : qobject_cast<QWidget*>(o), margin};
    };
    for (QObject* o : objects) {
        if (auto* a = qobject_cast<QAction*>(o)) {
            if (!a->isSeparator()) add(o, "action", a->text());
            continue;
        }
        auto* w = qobject_cast<QWidget*>(o);
        if (w->isWindow()) add(o, "title", w->windowTitle());
        add(o, "tooltip", w->toolTip());
        // Qt names its own parts (the tabs' scroll buttons) itself.
        if (!w->parentWidget() || !w->parentWidget()->objectName().startsWith(QLatin1String("qt_")))
            add(o, "accessible", w->accessibleName());
        // A layout makes a label as wide as its text; one placed by hand has a little room around it.
        if (auto* l = qobject_cast<QLabel*>(w))
            add(o, "text", l->text(),
                l->wordWrap()                                      ? -1
                : w->parentWidget() && w->parentWidget()->layout() ? 0
                                                                   : 2);
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            add(o, "text", b->text(), qobject_cast<QCheckBox*>(w) ? 22 : 8);
        if (auto* g = qobject_cast<QGroupBox*>(w)) add(o, "title", g->title());
        if (auto* m = qobject_cast<QMenu*>(w)) add(o, "menu", m->title());
        if (auto* e = qobject_cast<QLineEdit*>(w)) add(o, "placeholder", e->placeholderText());
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i)
                add(o, qPrintable(QStringLiteral("tab%1").arg(i)), t->tabText(i));
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                add(o, qPrintable(QStringLiteral("item%1").arg(i)), c->itemText(i));
        if (auto* v = qobject_cast<QTableView*>(w); v && v->model())
            for (int i = 0; i < v->model()->columnCount(); ++i)
                add(o, qPrintable(QStringLiteral("column%1").arg(i)),
                    v->model()->headerData(i, Qt::Horizontal).toString());
    }
    return out;
}

const QString kSnapshot = QStringLiteral(KESTREL_SOURCE_DIR "/tests/window_texts_ru.txt");
const QString kLayout = QStringLiteral(KESTREL_SOURCE_DIR "/tests/window_layout.txt");

// A snapshot file: one "key<TAB>value" line per entry, line breaks in values written as \n.
std::map<QString, QString> readSnapshot(const QString& path = kSnapshot) {
    std::map<QString, QString> out;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text)) << path.toStdString();
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int tab = line.indexOf(QLatin1Char('\t'));
        out[line.left(tab)] = line.mid(tab + 1).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    }
    return out;
}

// Rewrites the snapshot when KESTREL_WRITE_TEXTS is set: after a deliberate change of the window.
void writeSnapshotIfAsked(const QString& path, const std::map<QString, QString>& shown) {
    if (!qEnvironmentVariableIsSet("KESTREL_WRITE_TEXTS")) return;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Text));
    for (const auto& [key, value] : shown)
        f.write((key + QLatin1Char('\t') + QString(value).replace(QLatin1Char('\n'), QStringLiteral("\\n")) +
                 QLatin1Char('\n'))
                    .toUtf8());
}

void expectSnapshot(const QString& path, const std::map<QString, QString>& shown) {
    writeSnapshotIfAsked(path, shown);
    const auto expected = readSnapshot(path);
    ASSERT_GT(expected.size(), 100u);
    for (const auto& [key, value] : expected) {
        const auto it = shown.find(key);
        ASSERT_NE(it, shown.end()) << "no longer shown: " << key.toStdString();
        EXPECT_EQ(it->second.toStdString(), value.toStdString()) << key.toStdString();
    }
    for (const auto& [key, value] : shown)
        EXPECT_TRUE(expected.count(key))
            << "new, not in the verified list: " << key.toStdString() << " = " << value.toStdString();
}

QString rect(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString digest(const QPixmap& pm) {
    const QImage image = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(QByteArrayView(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    return rect(pm.rect()) + QLatin1Char(' ') + QString::fromLatin1(h.result().toHex().left(16));
}

// A format's %1, %2, ... filled with the values in turn.
template <typename... T>
QString fields(const char* format, const T&... values) {
    QString s = QLatin1String(format);
    ((s = s.arg(values)), ...);
    return s;
}

// Whether `layout`, or one nested in it, places `w`.
bool places(QLayout* layout, QWidget* w) {
    if (layout->indexOf(w) >= 0) return true;
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* inner = layout->itemAt(i)->layout(); inner && places(inner, w)) return true;
    return false;
}

// How every named control is placed, looks and starts: its rectangle where it is placed by hand (a control
// its parent's layout leaves out would sit in the corner, over the others: it is named so), whether it
// is hidden or disabled, and the properties that make it what it is (alignment, frame, shortcuts, checks,
// ranges, pictures).
std::map<QString, QString> builtLayout(MainWindow& window) {
    std::map<QString, QString> out{{QStringLiteral("logo picture"), digest(drawLogo())}};  // the start-up one
    auto add = [&](QObject* o, const char* what, const QString& value) {
        out[o->objectName() + QLatin1Char(' ') + QLatin1String(what)] = value;
    };
    for (QAction* a : window.findChildren<QAction*>()) {
        if (a->objectName().isEmpty()) continue;
        add(a, "action",
            fields("keys=%1 context=%2 checkable=%3 checked=%4 enabled=%5", a->shortcut().toString(),
                   int(a->shortcutContext()), a->isCheckable(), a->isChecked(), a->isEnabled()));
    }
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) continue;
        if (!w->isWindow() && w->parentWidget() && !w->parentWidget()->layout())
            add(w, "place", rect(w->geometry()));
        else if (!w->isWindow() && w->parentWidget() && !places(w->parentWidget()->layout(), w))
            add(w, "place", QStringLiteral("outside its parent's layout"));
        add(w, "state", fields("hidden=%1 enabled=%2", w->isHidden(), w->isEnabled()));
        if (auto* l = qobject_cast<QLabel*>(w)) {
            add(w, "look",
                fields("align=%1 frame=%2 wrap=%3", int(l->alignment()), l->frameStyle(), l->wordWrap()));
            if (!l->pixmap().isNull()) add(w, "picture", digest(l->pixmap()));
        }
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            add(w, "button",
                fields("keys=%1 checkable=%2 checked=%3 autodefault=%4", b->shortcut().toString(),
                       b->isCheckable(), b->isChecked(),
                       qobject_cast<QPushButton*>(w) && qobject_cast<QPushButton*>(w)->autoDefault()));
        if (auto* c = qobject_cast<QComboBox*>(w))
            add(w, "combo",
                fields("editable=%1 insert=%2 completer=%3", c->isEditable(), int(c->insertPolicy()),
                       c->completer() != nullptr));
        if (auto* e = qobject_cast<QLineEdit*>(w))
            add(w, "edit", fields("max=%1 readonly=%2", e->maxLength(), e->isReadOnly()));
        if (auto* p = qobject_cast<QProgressBar*>(w))
            add(w, "bar",
                fields("%1..%2 value=%3 text=%4", p->minimum(), p->maximum(), p->value(),
                       p->isTextVisible()));
        if (auto* lamp = qobject_cast<Lamp*>(w)) add(w, "lamp", QString::number(lamp->colour(), 16));
    }
    // The trend of a minute of readings with a gap, paused so that its time axis ends at the last one (the
    // axis is in local time: the suite runs with TZ=UTC).
    auto* trend = window.findChild<TrendWindow*>();
    const QDateTime start(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    trend->setAddress(5);
    for (int i = 0; i < 30; ++i) {
        device::LiveReading r;  // level, temperature (in the state byte), current value
        std::tie(r.level, r.stateByte, r.current) =
            std::tuple(quint16(400 + 20 * (i % 7)), quint8(20 + i % 5), 1000u * i);
        i == 12 ? trend->addGap(start.addSecs(2 * i), 5, TrendGap::NoReply)
                : trend->addReading(start.addSecs(2 * i), 5, r);
    }
    trend->findChild<QPushButton*>(QStringLiteral("trendPause"))->setChecked(true);
    out[QStringLiteral("trend picture")] = digest(trend->grab());
    return out;
}

class WindowLanguage : public WindowOnFakePort {};

TEST_F(WindowLanguage, RussianTextsAreExactlyTheVerifiedOnes) {
    std::map<QString, QString> texts;
    for (const auto& [key, t] : shownTexts(*window)) texts[key] = t.text;
    expectSnapshot(kSnapshot, texts);
}

TEST_F(WindowLanguage, EveryControlHasItsVerifiedPlaceLookAndStartingState) {
    expectSnapshot(kLayout, builtLayout(*window));
}

// The same window built after the English translation is installed.
class EnglishWindow : public WindowTestBase {
  protected:
    void SetUp() override {
        qputenv("KESTREL_TRANSLATIONS", KESTREL_QM_DIR);
        ASSERT_EQ(useLanguage(QStringLiteral("en")).language, QStringLiteral("en"));
        port.ports = {QStringLiteral("COM3")};
        MainWindow::Options o = testOptions();
        o.language = QStringLiteral("en");
        window = windowOn(port, dialogs, o);
    }
    void TearDown() override {
        window.reset();
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        qunsetenv("KESTREL_TRANSLATIONS");
    }
    FakePort port;
};

TEST_F(EnglishWindow, NoTextIsLeftInRussianAndNoneIsClippedWhereTheRussianFits) {
    const auto english = shownTexts(*window);
    const auto russian = readSnapshot();
    const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    // The language menu names each language in itself.
    const QStringList russianNames{QStringLiteral("Русский")};
    for (const auto& [key, t] : english) {
        if (!russianNames.contains(t.text)) {
            EXPECT_FALSE(t.text.contains(cyrillic)) << key.toStdString() << " = " << t.text.toStdString();
        }
        if (!t.widget || !russian.count(key)) continue;
        const int needed = overflow(t.widget, t.text, t.margin);
        // Controls the window keeps out of view at 10x10 pixels cut their Russian texts too.
        if (overflow(t.widget, russian.at(key), t.margin) == 0) {
            EXPECT_EQ(needed, 0) << key.toStdString() << " = " << t.text.toStdString() << " needs " << needed
                                 << " px more";
        }
    }
    EXPECT_EQ(english.size(), russian.size());
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("actionLanguageen"))->isChecked());
    // The log's rows and its statistics: a row of each outcome.
    TrafficLogWindow& log = window->trafficLog();
    for (Outcome o : traffic::allOutcomes())
        log.add(traffic::Record{QDateTime::currentDateTime(), 5, cmd::kCurrentParams, {}, {}, {}, o, {}});
    log.flush();
    for (QTableView* table : log.findChildren<QTableView*>()) {
        ASSERT_GT(table->model()->rowCount(), 0) << table->objectName().toStdString();
        for (int row = 0; row < table->model()->rowCount(); ++row)
            for (int column = 0; column < table->model()->columnCount(); ++column) {
                const QString cell = table->model()->index(row, column).data().toString();
                EXPECT_FALSE(cell.contains(cyrillic))
                    << table->objectName().toStdString() << " = " << cell.toStdString();
            }
    }
}

// What a screen reader calls `w`, and the caption it is labelled by.
QString accessibleName(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
}
QString labelledBy(QWidget* w) {
    for (const auto& [other, relation] :
         QAccessible::queryAccessibleInterface(w)->relations(QAccessible::Label))
        if (qobject_cast<QLabel*>(other->object())) return other->text(QAccessible::Name);
    return {};
}

// A part of a control that Qt names with it (a tab bar, a scroll area's bars), or a container: a bare one, or
// the menu bar and the tabs, whose items and pages have names.
bool isPartOrContainer(const QWidget* w) {
    for (const QWidget* p = w; p && !p->isWindow(); p = p->parentWidget())
        if (p->objectName().startsWith(QLatin1String("qt_"))) return true;
    return w->metaObject() == &QWidget::staticMetaObject || qobject_cast<const QStackedWidget*>(w) ||
           qobject_cast<const QMenuBar*>(w) || qobject_cast<const QTabWidget*>(w);
}

TEST_F(WindowLanguage, ScreenReadersFindEveryControlNamedAndEveryBoxByItsCaption) {
    auto* tabs = ctl<QTabWidget>(QStringLiteral("SSTab1"));
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->window() != window.get() || !w->isVisibleTo(window.get()) || isPartOrContainer(w))
                continue;
            // A label is named by the text it shows (the status line says nothing while all is well).
            if (auto* l = qobject_cast<QLabel*>(w); l && l->pixmap().isNull()) continue;
            EXPECT_FALSE(accessibleName(w).isEmpty())
                << w->metaObject()->className() << " " << w->objectName().toStdString() << " on tab " << tab;
        }
    }
    // A control, its name (a list's or a read-out's is its value) and the caption it is labelled by (before
    // it, above it, after a check box without a text, or in its form's row; Qt labels no table).
    const std::tuple<const char*, const char*, const char*> controls[] = {
        {"num_net", "Номер сети", "Номер сети"},
        {"Zad2", "Задержка обнуления ID", "Задержка обнуления ID"},
        {"plm", "N яч.", "N яч."},
        {"ID_Metki", "ID Метки", "ID Метки"},
        {"R_p", "Повторитель", "Повторитель"},
        {"Check_sl", "Контакт", "Контакт"},
        {"txtRec", "Text Returned:", "Text Returned:"},
        {"num_bytes", "Кол. байт", "Кол. байт"},
        {"logStatistics", "Статистика связи (с открытия порта или сброса)", ""},
        {"CmbNet", "0", "Сетевой Адрес"},
        {"sn", "0", "Сер. Номер"},
        {"outTime", "0", "Интервал"},
        {"ProgressBar1", "Уровень", ""},
    };
    for (const auto& [name, spoken, caption] : controls) {
        QWidget* w = ctl(QString::fromLatin1(name));
        EXPECT_EQ(accessibleName(w).toStdString(), spoken) << name;
        EXPECT_EQ(labelledBy(w).toStdString(), caption) << name;
    }
}

TEST_F(WindowLanguage, TheLanguageChosenInTheMenuIsRememberedForTheNextStart) {
    window->findChild<QAction*>(QStringLiteral("actionLanguageen"))->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.toStdString(), "Язык будет изменён при следующем запуске программы.");
    window->findChild<QAction*>(QStringLiteral("actionLanguageru"))->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1u) << "going back to the language in effect asks nothing";
}

}  // namespace
}  // namespace kestrel::test
