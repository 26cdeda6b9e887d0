#include "ui/sitetagswindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include "device/ranges.h"
#include "device/requests.h"
#include "protocol/hexid.h"
#include "protocol/translation.h"
#include "session/busoverview.h"
#include "ui/controlnames.h"
#include "ui/dialogs.h"

namespace kestrel {

void SiteTagsModel::setTags(const std::vector<bus::SiteTag>& tags) {
    if (tags.size() != tags_.size()) {
        beginResetModel();
        tags_ = tags;
        endResetModel();
        return;
    }
    tags_ = tags;
    if (!tags_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int SiteTagsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(tags_.size());
}

int SiteTagsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SiteTagsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole) return {};
    const bus::SiteTag& t = tags_[std::size_t(index.row())];
    switch (index.column()) {
        case Id:
            return formatHexId(t.identifier);
        case Serial:
            return t.serial ? QString::number(*t.serial) : QString();
        case Reader:
            return QString::number(t.reader);
        case Level:
            return t.level ? QString::number(*t.level) : QString();
        case LastHeard:
            return t.lastHeard.toString(QStringLiteral("HH:mm:ss"));
    }
    return {};
}

QVariant SiteTagsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QStringList headers = {Texts::tr("ID метки"), Texts::tr("Сер. Номер"), Texts::tr("Считыватель"),
                                 Texts::tr("Уровень"), Texts::tr("Слышна")};
    return headers.value(section);
}

SiteTagsWindow::SiteTagsWindow(BusOverview& overview, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), overview_(overview), dialogs_(dialogs) {
    setObjectName(ctl::siteTags);
    setWindowTitle(Texts::tr("Метки площадки"));
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    const auto button = [&](const QString& name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text);
        b->setObjectName(name);
        b->setToolTip(tip);
        buttons->addWidget(b);
        return b;
    };
    auto* read =
        button(ctl::tagsRead, Texts::tr("&Считать"), Texts::tr("Параметры выбранной метки по её ID."));
    auto* serial = button(ctl::tagsSerial, Texts::tr("Сер&ийный номер…"),
                          Texts::tr("Записать выбранной метке новый серийный номер."));
    auto* bind = button(ctl::tagsBind, Texts::tr("&Привязать…"),
                        Texts::tr("Записать ID выбранной метки в ячейку таблицы ID считывателя, который её "
                                  "слышит лучше."));
    buttons->addStretch(1);
    table_ = new QTableView;
    table_->setObjectName(ctl::tagsTable);
    table_->setModel(&model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);
    status_ = new QLabel;
    status_->setObjectName(ctl::tagsStatus);
    status_->setWordWrap(true);
    layout->addWidget(status_);
    connect(read, &QPushButton::clicked, this, &SiteTagsWindow::readTag);
    connect(serial, &QPushButton::clicked, this, &SiteTagsWindow::setTagSerial);
    connect(bind, &QPushButton::clicked, this, &SiteTagsWindow::bindTag);
    connect(&overview_, &BusOverview::tagsChanged, this, &SiteTagsWindow::refresh);
    resize(640, 360);
}

void SiteTagsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    overview_.setSearchTags(true);
    refresh();
}

void SiteTagsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) overview_.setSearchTags(false);
}

void SiteTagsWindow::refresh() {
    model_.setTags(overview_.siteTags().tags());
}

const bus::SiteTag* SiteTagsWindow::selected() const {
    const QModelIndexList rows =
        table_->selectionModel() ? table_->selectionModel()->selectedRows() : QModelIndexList{};
    if (rows.isEmpty()) return nullptr;
    return &model_.tags()[std::size_t(rows.first().row())];
}

// Sends `frame` between the rounds; the status line says what came of it.
void SiteTagsWindow::send(const QByteArray& frame, const QString& done) {
    const QPointer<SiteTagsWindow> alive(this);
    const bool sent = overview_.ask(frame, [alive, done](const Transaction& t, const QString& failure) {
        if (!alive) return;
        if (!failure.isEmpty()) return alive->status_->setText(failure);
        if (t.outcome != Outcome::Decoded || !t.value)
            return alive->status_->setText(Texts::tr("Нет ответа: %1").arg(done));
        alive->status_->setText(done + QStringLiteral(": ") + device::describe(*t.value));
    });
    status_->setText(sent ? Texts::tr("Запрос отправлен…") : Texts::tr("Порт закрыт: запрос не отправлен."));
}

void SiteTagsWindow::readTag() {
    const bus::SiteTag* t = selected();
    if (!t) return dialogs_.message(Texts::tr("Выберите метку в таблице."));
    const device::Request r = device::tagReadRequest(t->reader, formatHexId(t->identifier));
    send(r.frame, Texts::tr("метка %1").arg(formatHexId(t->identifier)));
}

void SiteTagsWindow::setTagSerial() {
    const bus::SiteTag* t = selected();
    if (!t) return dialogs_.message(Texts::tr("Выберите метку в таблице."));
    const QString id = formatHexId(t->identifier);
    const QString serial = dialogs_.input(
        Texts::tr("Новый серийный номер метки %1 (%2):").arg(id, device::rangeText(device::range::kSerial)),
        Texts::tr("Метки площадки"), t->serial ? QString::number(*t->serial) : QString());
    if (serial.isEmpty()) return;
    const device::Request r = device::tagSetSerialRequest(t->reader, id, serial);
    if (!r.ok()) return dialogs_.message(r.refusal);
    send(r.frame, Texts::tr("метка %1: серийный номер %2").arg(id, serial));
}

void SiteTagsWindow::bindTag() {
    const bus::SiteTag* t = selected();
    if (!t) return dialogs_.message(Texts::tr("Выберите метку в таблице."));
    const QString id = formatHexId(t->identifier);
    const QString cell = dialogs_.input(Texts::tr("Ячейка таблицы ID считывателя %1 для метки %2 (%3):")
                                            .arg(t->reader)
                                            .arg(id, device::rangeText(device::range::kBoundIdCell)),
                                        Texts::tr("Метки площадки"), QStringLiteral("1"));
    if (cell.isEmpty()) return;
    const device::Request r = device::writeBoundIdRequest(t->reader, cell, id);
    if (!r.ok()) return dialogs_.message(r.refusal);
    send(r.frame, Texts::tr("считыватель %1, ячейка %2: метка %3").arg(t->reader).arg(cell, id));
}

}  // namespace kestrel
