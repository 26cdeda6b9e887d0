#include "ui/devicereadouts.h"

#include <QFormLayout>
#include <QGroupBox>

#include "protocol/hexid.h"
#include "protocol/translation.h"
#include "session/devicemodel.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"
#include "ui/pictures.h"
#include "ui/servicepanel.h"
#include "ui/stalemark.h"
#include "ui/widgets.h"

namespace kestrel {

using namespace build;

namespace {

constexpr ControlGroup kOp = ControlGroup::Operation;
constexpr int kLevelBarRange = 1024;

QString noData() {
    return Texts::tr("нет данных");
}

}  // namespace

DeviceReadouts::DeviceReadouts(const DeviceModel& model, QWidget* w) : QObject(w), model_(model) {
    QGroupBox* frame4 = frame(w, ctl::Frame4, Texts::tr("Установки"), QRect(8, 228, 240, 78));
    label(frame4, ctl::h, Texts::tr("ID метки"), QRect(8, 22, 104, 22));
    tagId_ = readout(frame4, ctl::hi, noData(), QRect(112, 22, 120, 22), kOp);
    label(frame4, ctl::n, Texts::tr("Сетевой адрес"), QRect(8, 48, 104, 22));
    address_ = readout(frame4, ctl::ne, noData(), QRect(112, 48, 120, 22), kOp);
    // Kept in the frame but never shown.
    second_ = readout(frame4, ctl::ko, QStringLiteral("0"), QRect(0, 0, 10, 10), kOp);
    emptyLevel_ = readout(frame4, ctl::lo, noData(), QRect(0, 0, 10, 10), kOp);
    second_->hide();
    emptyLevel_->hide();
    label(frame4, ctl::l, Texts::tr("Пустой"), QRect(0, 0, 10, 10), kOp)->hide();
    label(frame4, ctl::k, QString(), QRect(0, 0, 10, 10), kOp)->hide();

    label(w, ctl::Label5, Texts::tr("Сер. Номер"), QRect(258, 8, 80, 22), kOp);
    serial_ = readout(w, ctl::sn, QStringLiteral("0"), QRect(340, 8, 120, 22), kOp);
    label(w, ctl::ver2, Texts::tr("Версия ПО"), QRect(476, 8, 76, 22), kOp);
    firmware_ = readout(w, ctl::vv, QStringLiteral("--------------------"), QRect(554, 8, 180, 22), kOp);

    rotationCaption_ = label(w, ctl::vra, Texts::tr("Вращение"), QRect(742, 40, 142, 20), kOp);
    rotationCaption_->setAlignment(Qt::AlignCenter);
    rotation_ = readout(w, ctl::vraa, noData(), QRect(742, 62, 142, 22), kOp);
    rotation_->setAlignment(Qt::AlignCenter);
    auto picture = [&](const QString& name, const QPixmap& pm, int x, int y) {
        QLabel* l = place<QLabel>(w, name, QRect(x, y, pm.width(), pm.height()));
        l->setPixmap(pm);
        return l;
    };
    truck_ = picture(ctl::Image6, drawTruck(), 766, 92);
    arrowRight_ = picture(ctl::Image1, drawArrow(true), 783, 200);
    arrowLeft_ = picture(ctl::Image2, drawArrow(false), 783, 200);
    stopSign_ = picture(ctl::Image3, drawStopSign(), 783, 200);

    levelBar_ = place<LevelBar>(w, ctl::ProgressBar1, QRect(8, 402, 876, 20));
    levelBar_->setRange(0, kLevelBarRange);
    levelBar_->setValue(0);
    levelBar_->setTextVisible(false);
    levelBar_->setToolTip(
        Texts::tr("Уровень из текущих параметров считывателя (как «Уровень» на сервисной "
                  "панели), от 0 слева до 1024 справа. Значение 1024 и больше, как и ответ "
                  "без уровня, полосу не меняет."));

    connect(&model_, &DeviceModel::liveChanged, this, &DeviceReadouts::renderLive);
    connect(&model_, &DeviceModel::rotationChanged, this, &DeviceReadouts::renderRotation);
    connect(&model_, &DeviceModel::identityChanged, this, &DeviceReadouts::renderIdentity);
}

void DeviceReadouts::buildHidden(ServicePanel& panel) {
    QGroupBox* f5 = frame(panel.area(), ctl::Frame5, Texts::tr("Текущие параметры"), {}, kOp);
    auto* readings = new QFormLayout(f5);
    auto reading = [&](const QString& captionName, const QString& caption, const QString& name) {
        QLabel* l = readout(f5, name, noData(), {}, kOp);
        // Room for a reading of the widest kind, so that the panel keeps its size as the values change.
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("-00000000 °C")));
        // The read-outs change on every tick; painting their own background spares the group box a repaint.
        l->setAutoFillBackground(true);
        readings->addRow(label(f5, captionName, caption, {}, kOp), l);
        return l;
    };
    level_ = reading(ctl::lblUroven, Texts::tr("Уровень"), ctl::uroven);
    temperature_ = reading(ctl::lblTemp, Texts::tr("Темп-ра"), ctl::temp);
    current_ = reading(ctl::lblTek, Texts::tr("Текущий"), ctl::tek);
    panel.add(ServicePanel::Column::Commands, f5);
}

void DeviceReadouts::reset() {
    for (QWidget* c : std::initializer_list<QWidget*>{arrowRight_, arrowLeft_, stopSign_, truck_,
                                                      rotationCaption_, rotation_})
        c->hide();
}

void DeviceReadouts::showClosed() {
    serial_->setText(QStringLiteral("0"));
    firmware_->setText(QStringLiteral("--------"));
    for (QLabel* l : {current_, temperature_, level_, emptyLevel_, tagId_, address_})
        l->setText(Texts::tr("Нет данных"));
    levelBar_->setValue(0);
}

// What the replies showed and is no longer current is greyed, with since when in its tooltip.
void DeviceReadouts::showStaleness() {
    kestrel::showStaleness({serial_, firmware_}, model_.staleness(Reading::Identity));
    kestrel::showStaleness(
        {address_, tagId_, levelBar_, level_, temperature_, current_, emptyLevel_, second_, rotation_},
        model_.staleness(Reading::Live));
}

void DeviceReadouts::renderLive() {
    const device::LiveReading& v = *model_.live().value;
    if (v.current) current_->setText(QString::number(*v.current));
    if (v.stateByte) temperature_->setText(QString::number(*v.temperature()) + QStringLiteral(" °C"));
    if (v.address) address_->setText(QString::number(*v.address));
    if (v.level) {
        if (*v.level < kLevelBarRange) levelBar_->showLevel(*v.level);
        level_->setText(QString::number(*v.level));
    }
    if (v.emptyLevel) emptyLevel_->setText(QString::number(*v.emptyLevel));
    if (v.tagId) tagId_->setText(formatHexId(*v.tagId));
    if (v.second) second_->setText(QString::number(*v.second));
}

void DeviceReadouts::renderRotation() {
    const std::optional<Rotation> rotation = model_.rotation();
    if (!rotation) {
        rotationCaption_->hide();
        rotation_->hide();
        return;
    }
    rotationCaption_->show();
    rotation_->show();
    for (QLabel* l : {arrowRight_, arrowLeft_, stopSign_, truck_}) l->hide();
    QLabel* arrow = nullptr;
    switch (*rotation) {
        case Rotation::Stop:
            rotation_->setText(Texts::tr("СТОП"));
            arrow = stopSign_;
            break;
        case Rotation::Left:
            rotation_->setText(Texts::tr("ЛЕВОЕ"));
            arrow = arrowRight_;
            break;
        case Rotation::Right:
            rotation_->setText(Texts::tr("ПРАВОЕ"));
            arrow = arrowLeft_;
            break;
        case Rotation::Unknown:
            return;
    }
    arrow->show();
    truck_->show();
}

void DeviceReadouts::renderIdentity() {
    const device::Identification& v = *model_.identity().value;
    if (!v.serial) {
        serial_->setText(QStringLiteral("????????"));
        return;
    }
    serial_->setText(QString::number(*v.serial));
    if (!v.deviceType) return;
    firmware_->setText(v.firmwareText());
}

}  // namespace kestrel
