#include "ui/accessiblenames.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextEdit>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "protocol/translation.h"
#include "ui/controlnames.h"

namespace kestrel {

namespace {

// A caption stands at most this far from its control (pixels of the window's own scale): the gap a layout
// leaves between a label and its field, and more than the hand-placed captions leave.
constexpr int kNear = 12;

// Where a caption stands, in the order a caption is looked for.
enum class Side { Before, Above, After };

bool isCheck(const QWidget* w) {
    return qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w);
}

bool isReadout(const QWidget* w) {
    const auto* l = qobject_cast<const QLabel*>(w);
    return l && l->frameShape() != QFrame::NoFrame && l->pixmap().isNull();
}

// A plain label with a text, not yet anyone's caption.
bool isCaption(const QWidget* w) {
    const auto* l = qobject_cast<const QLabel*>(w);
    return l && l->frameShape() == QFrame::NoFrame && l->pixmap().isNull() &&
           !l->text().trimmed().isEmpty() && !l->buddy();
}

bool takesCaption(const QWidget* w) {
    if (!w->accessibleName().isEmpty()) return false;
    // The editor of an editable list is named with its list.
    if (qobject_cast<const QLineEdit*>(w)) return !qobject_cast<const QComboBox*>(w->parentWidget());
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QProgressBar*>(w) || isCheck(w) ||
           isReadout(w);
}

// How far `caption` stands from `control` on `side`, or nothing when it does not stand there.
std::optional<int> distance(const QWidget* caption, const QWidget* control, Side side) {
    const QRect c = caption->geometry();
    const QRect f = control->geometry();
    const bool sameLine = (c.center().y() >= f.top() && c.center().y() <= f.bottom()) ||
                          (f.center().y() >= c.top() && f.center().y() <= c.bottom());
    switch (side) {
        case Side::Before:
            if (sameLine && c.right() < f.left()) return f.left() - c.right() - 1;
            break;
        case Side::Above:
            // A check box's caption is on its line.
            if (!isCheck(control) && c.bottom() < f.top() && c.left() >= f.left() - kNear &&
                c.left() <= f.center().x())
                return f.top() - c.bottom() - 1;
            break;
        case Side::After:
            // Only a check box or option without a text of its own has its caption after it.
            if (isCheck(control) && static_cast<const QAbstractButton*>(control)->text().isEmpty() &&
                sameLine && c.left() > f.right())
                return c.left() - f.right() - 1;
            break;
    }
    return std::nullopt;
}

void nameAfter(QLabel* caption, QWidget* control) {
    caption->setBuddy(control);
    const QString text = caption->text().remove(
        QRegularExpression(QStringLiteral("&(?=\\w)"), QRegularExpression::UseUnicodePropertiesOption));
    // Qt names a button by its own text and a table by nothing, whatever its buddy; an editable list's
    // editor is a box of its own.
    if (isCheck(control) || qobject_cast<QAbstractItemView*>(control)) control->setAccessibleName(text);
    if (auto* list = qobject_cast<QComboBox*>(control); list && list->lineEdit())
        list->lineEdit()->setAccessibleName(text);
}

// The rows of a form pair each field with its label, however far the longest label of the form sets the
// fields apart.
void pairFormRows(QWidget& window) {
    for (QFormLayout* form : window.findChildren<QFormLayout*>()) {
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem* caption = form->itemAt(row, QFormLayout::LabelRole);
            QLayoutItem* field = form->itemAt(row, QFormLayout::FieldRole);
            if (caption && field && isCaption(caption->widget()) && field->widget() &&
                takesCaption(field->widget()))
                nameAfter(static_cast<QLabel*>(caption->widget()), field->widget());
        }
    }
}

// Pairs the children of `parent` with their captions: the nearest caption before a control on its line,
// else the nearest just above it, else (a check box without a text) just after it; each caption names one
// control.
void pairWithCaptions(QWidget& parent) {
    std::vector<QLabel*> captions;
    std::vector<QWidget*> controls;
    for (QWidget* w : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (isCaption(w))
            captions.push_back(static_cast<QLabel*>(w));
        else if (takesCaption(w))
            controls.push_back(w);
    }
    struct Pair {
        Side side;
        int distance;
        QLabel* caption;
        QWidget* control;
    };
    std::vector<Pair> pairs;
    for (QWidget* control : controls)
        for (QLabel* caption : captions)
            for (Side side : {Side::Before, Side::Above, Side::After})
                if (const auto d = distance(caption, control, side); d && *d <= kNear)
                    pairs.push_back({side, *d, caption, control});
    std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
        return std::pair(a.side, a.distance) < std::pair(b.side, b.distance);
    });
    std::vector<const QWidget*> named;
    for (const Pair& p : pairs) {
        const auto used = [&p](const QWidget* w) { return w == p.caption || w == p.control; };
        if (std::any_of(named.begin(), named.end(), used)) continue;
        nameAfter(p.caption, p.control);
        named.push_back(p.caption);
        named.push_back(p.control);
    }
}

// Qt lays a window out when it is first shown: the windows not shown yet are laid out now, outside in.
void layOut(QWidget& window) {
    QList<QWidget*> widgets{&window};
    widgets += window.findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (w->layout()) w->layout()->activate();
        // A splitter places its parts itself, when it is resized.
        if (auto* splitter = qobject_cast<QSplitter*>(w)) splitter->refresh();
    }
}

}  // namespace

void nameControlsForScreenReaders(QWidget& window) {
    // The controls with no caption beside them.
    const std::pair<const QString&, const char*> uncaptioned[] = {
        {ctl::CmbPort, QT_TRANSLATE_NOOP("Texts", "Порт")},
        {ctl::Pic, QT_TRANSLATE_NOOP("Texts", "Индикатор обмена")},
        {ctl::ProgressBar1, QT_TRANSLATE_NOOP("Texts", "Уровень")},
        // The pictures beside the rotation's read-out, each for the rotation it is shown for.
        {ctl::Image6, QT_TRANSLATE_NOOP("Texts", "Вращение")},
        {ctl::Image1, QT_TRANSLATE_NOOP("Texts", "ЛЕВОЕ")},
        {ctl::Image2, QT_TRANSLATE_NOOP("Texts", "ПРАВОЕ")},
        {ctl::Image3, QT_TRANSLATE_NOOP("Texts", "СТОП")},
        {ctl::CmdBoxText, QT_TRANSLATE_NOOP("Texts", "Запрос")},
        {ctl::logTable, QT_TRANSLATE_NOOP("Texts", "Журнал обмена")},
        {ctl::busTable, QT_TRANSLATE_NOOP("Texts", "Обзор шины")},
    };
    for (const auto& [name, text] : uncaptioned)
        if (QWidget* w = window.findChild<QWidget*>(name)) w->setAccessibleName(Texts::tr(text));

    QList<QWidget*> windows{&window};
    for (QWidget* w : window.findChildren<QWidget*>())
        if (w->isWindow()) windows << w;
    for (QWidget* w : windows)
        if (!w->isVisible()) layOut(*w);
    pairFormRows(window);
    QList<QWidget*> parents{&window};
    parents += window.findChildren<QWidget*>();
    for (QWidget* parent : parents) pairWithCaptions(*parent);
}

namespace {
AnnouncementListener& announcementListener() {
    static AnnouncementListener listener;
    return listener;
}
}  // namespace

void announce(QAccessibleEvent& event) {
    if (announcementListener()) announcementListener()(event);
    QAccessible::updateAccessibility(&event);
}

void setAnnouncementListener(AnnouncementListener listener) {
    announcementListener() = std::move(listener);
}

}  // namespace kestrel
