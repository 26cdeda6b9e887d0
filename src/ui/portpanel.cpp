#include "ui/portpanel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "protocol/translation.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"
#include "ui/dialogs.h"

namespace kestrel {

using namespace build;

namespace {
const QString kNoPorts = QStringLiteral("----");
constexpr int kIdentityRole = Qt::UserRole;
constexpr int kDetailsRole = Qt::UserRole + 1;
const QString kColumnGap = QStringLiteral("    ");

// The drop-down shows what the system knows of each port in a second, dimmer column after the names.
// The closed combo box paints only its current text, so it keeps showing just the name.
class PortItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const QString details = index.data(kDetailsRole).toString();
        if (details.isEmpty()) return;
        const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
        const int x = text.left() + nameColumnWidth(opt.fontMetrics, index.model());
        const QRect rect(x, text.top(), text.right() - x + 1, text.height());
        if (rect.width() <= 0) return;
        const bool selected = opt.state & QStyle::State_Selected;
        QColor colour = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        colour.setAlphaF(0.6f);
        painter->save();
        painter->setPen(colour);
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter,
                          opt.fontMetrics.elidedText(details, Qt::ElideRight, rect.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QString details = index.data(kDetailsRole).toString();
        if (details.isEmpty()) return size;
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const int extra = nameColumnWidth(opt.fontMetrics, index.model()) -
                          opt.fontMetrics.horizontalAdvance(opt.text) +
                          opt.fontMetrics.horizontalAdvance(details);
        size.setWidth(size.width() + std::max(extra, 0));
        return size;
    }

  private:
    // Where the details start: after the longest name and a gap, so they line up as a column.
    static int nameColumnWidth(const QFontMetrics& metrics, const QAbstractItemModel* model) {
        int widest = 0;
        for (int row = 0; model && row < model->rowCount(); ++row)
            widest = std::max(widest, metrics.horizontalAdvance(model->index(row, 0).data().toString()));
        return widest + metrics.horizontalAdvance(kColumnGap);
    }
};
}  // namespace

PortPanel::PortPanel(PortCatalogue& ports, Dialogs& dialogs, QWidget* w, int scanMs)
    : QObject(w), ports_(ports), dialogs_(dialogs) {
    list_ = place<QComboBox>(w, ctl::CmbPort, QRect(8, 8, 240, 24), ControlGroup::PortList);
    QGroupBox* box = frame(w, ctl::Frame2, Texts::tr("Связь"), QRect(8, 36, 240, 62), ControlGroup::Port);
    open_ =
        button(box, ctl::BTNOpenCom, Texts::tr("Открыть порт"), QRect(8, 24, 108, 28), ControlGroup::Port);
    close_ = button(box, ctl::BTNCloseCom, Texts::tr("Закрыть порт"), QRect(124, 24, 108, 28),
                    ControlGroup::Operation);
    list_->setItemDelegate(new PortItemDelegate(list_));
    connect(list_, &QComboBox::activated, this, &PortPanel::portChosen);
    scan_.setObjectName(ctl::Timer1);
    scan_.setInterval(scanMs);
}

void PortPanel::reset() {
    listed_.reset();
    list_->addItem(kNoPorts);
    list_->setCurrentIndex(0);
}

QList<PortInfo> PortPanel::scan() {
    const QList<PortInfo> ports = ports_.portInfos();
    refreshList(ports);
    return ports;
}

void PortPanel::refreshList(const QList<PortInfo>& ports) {
    // Never rebuilt under the user's hand; and a list that did not change keeps its selection as is.
    if (list_->view() && list_->view()->isVisible()) return;
    // Nothing came, went or changed: the list stays as it is, which costs nothing on an idle second.
    if (listed_ == ports && list_->currentIndex() >= 0) return;
    listed_ = ports;
    QStringList shown;
    for (const PortInfo& p : ports) shown << p.name;
    if (!held_.isEmpty() && !shown.contains(held_)) shown << held_;
    if (shown.isEmpty()) shown << kNoPorts;
    QStringList current;
    for (int i = 0; i < list_->count(); ++i) current << list_->itemText(i);
    const bool rebuild = current != shown || list_->currentIndex() < 0;
    int index = ports.isEmpty() ? 0 : list_->currentIndex();
    if (rebuild) {
        list_->clear();
        list_->addItems(shown);
    }
    // What is known of each port is set even when the names stayed: another adapter may have taken a name.
    for (int i = 0; i < ports.size(); ++i) {
        const QString details = ports[i].details();
        list_->setItemData(i, ports[i].identity(), kIdentityRole);
        list_->setItemData(i, details, kDetailsRole);
        list_->setItemData(i, details.isEmpty() ? QVariant() : QVariant(details), Qt::ToolTipRole);
    }
    if (QAbstractItemView* view = list_->view()) {
        const int scrollBar = view->verticalScrollBar() ? view->verticalScrollBar()->sizeHint().width() : 0;
        view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() + scrollBar);
    }
    if (!held_.isEmpty()) return list_->setCurrentIndex(list_->findText(held_));
    if (!rebuild) return;
    index = std::clamp(index, 0, static_cast<int>(list_->count()) - 1);
    list_->setCurrentIndex(index);
}

void PortPanel::showLink(DeviceSession::Link link, const QString& lost) {
    using Link = DeviceSession::Link;
    holdName(link == Link::Waiting ? lost : QString());
    if (link == Link::Open)
        scan_.stop();
    else
        scan_.start();
    if (link == Link::Waiting) refresh();
    open_->setEnabled(link == Link::Closed);
    close_->setEnabled(link != Link::Closed);
}

void PortPanel::refresh() {
    refreshList(ports_.portInfos());
}

void PortPanel::selectName(const QString& name) {
    if (list_->findText(name) < 0) refresh();
    const int index = list_->findText(name);
    if (index >= 0) list_->setCurrentIndex(index);
}

void PortPanel::holdName(const QString& name) {
    if (held_ == name) return;
    held_ = name;
    listed_.reset();  // the next refresh lists it, or drops it
}

int PortPanel::currentIndex() const {
    return list_->currentIndex();
}

QString PortPanel::currentName() const {
    return list_->currentText();
}

void PortPanel::select(int index) {
    list_->setCurrentIndex(index);
}

QString PortPanel::identityOf(int index) const {
    return list_->itemData(index, kIdentityRole).toString();
}

int PortPanel::indexOfIdentity(const QString& identity, const QStringList& except) const {
    for (int i = 0; !identity.isEmpty() && i < list_->count(); ++i)
        if (identityOf(i) == identity && !except.contains(list_->itemText(i))) return i;
    return -1;
}

int PortPanel::indexOfName(const QString& name) const {
    return list_->findText(name);
}

QStringList PortPanel::namesOfIdentity(const QString& identity) const {
    QStringList names;
    for (int i = 0; i < list_->count(); ++i)
        if (identityOf(i) == identity) names << list_->itemText(i);
    return names;
}

bool PortPanel::openSelected(const std::function<OpenResult(const QString&)>& open, QString* failure) {
    scan_.stop();
    const QString name = list_->currentText();
    if (name.isEmpty() || name.startsWith(QLatin1Char('-'))) {
        dialogs_.message(Texts::tr("Нет доступных портов"));
        scan_.start();
        return false;
    }
    const OpenResult r = open(name);
    if (r.ok) return true;
    // The list keeps being refreshed after a failed open, so an adapter plugged in now can be chosen.
    scan_.start();
    QString text;
    if (r.failure == OpenFailure::Settings) {
        text = QStringLiteral("Unable to set Comm DCB 19200,n,8,1 Error: %1").arg(r.code);
        dialogs_.message(text);
    } else {
        text = QStringLiteral("Com Port ") + name + Texts::tr(" недоступен. Установите нужный порт.");
        if (!r.cause.isEmpty()) text += QStringLiteral("\n") + r.cause;
        dialogs_.message(text, Dialogs::Icon::Exclamation);
    }
    if (failure) *failure = r.cause.isEmpty() ? text : r.cause;
    dialogs_.message(name + QStringLiteral(" Not available!"));
    return false;
}

}  // namespace kestrel
