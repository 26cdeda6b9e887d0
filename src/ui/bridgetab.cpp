#include "ui/bridgetab.h"

#include <QCheckBox>
#include <QLocale>

#include "device/commands.h"
#include "device/texts.h"
#include "protocol/translation.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"
#include "ui/servicepanel.h"
#include "ui/stalemark.h"

namespace kestrel {

using namespace build;

namespace {
constexpr ControlGroup kOp = ControlGroup::Operation;
}

BridgeTab::BridgeTab(ViewServices& services, QWidget* p, QWidget* parent)
    : QObject(parent), services_(services) {
    int y = 20;
    auto row = [&](const QString& name, const QString& caption, const QString& initial) {
        label(p, ctl::caption(name), caption, QRect(20, y, 150, 24), kOp);
        QLabel* l = readout(p, name, initial, QRect(176, y, 180, 24), kOp);
        y += 34;
        return l;
    };
    serial_ = row(ctl::sn_sl, Texts::tr("S/N ведомого"), QStringLiteral("-"));
    temperature_ = row(ctl::Temp_sl, Texts::tr("Температура"), Texts::tr("нет"));
    frequency_ = row(ctl::fr_sl, Texts::tr("Частота"), Texts::tr("нет"));
    level_ = row(ctl::ur_sl, Texts::tr("уровень приема"), QStringLiteral("-160"));
    rs485_ = row(ctl::RR_SL_data, Texts::tr("Данные RS485"), Texts::tr("нет"));
    label(p, ctl::lblCheck_sl, Texts::tr("Контакт"), QRect(20, y, 150, 24), kOp);
    contact_ = place<QCheckBox>(p, ctl::Check_sl, QRect(176, y, 180, 24), kOp);
    contact_->setText(QStringLiteral("Check1"));
    // A read-out of the slave's contact: the user cannot change it.
    contact_->setAttribute(Qt::WA_TransparentForMouseEvents);
    contact_->setFocusPolicy(Qt::NoFocus);
}

void BridgeTab::buildHidden(ServicePanel& panel) {
    // The two requests belong to no control group: the port's state never switches them.
    auto add = [&](const QString& name, const QString& text, quint8 command) {
        QPushButton* b = button(panel.area(), name, text, {});
        connect(b, &QPushButton::clicked, this, [this, command] { request(command); });
        panel.add(ServicePanel::Column::Commands, b);
    };
    add(ctl::zapr_data_sl, Texts::tr("запрос Е8"), cmd::kBridgeData);
    add(ctl::sl_zapros, Texts::tr("Запрос 06"), cmd::kBridgeRs485);
}

void BridgeTab::showStaleness() {
    const DeviceModel& m = services_.session->model();
    kestrel::showStaleness({serial_, temperature_, frequency_, level_, contact_},
                           m.staleness(Reading::SlaveData));
    kestrel::showStaleness({rs485_}, m.staleness(Reading::SlaveRs485));
}

void BridgeTab::request(quint8 command) {
    services_.session->dropPending();
    const auto r = device::plainRequest(services_.address(), command);
    services_.tellRefusal(r);
    services_.session->send(r.frame);
}

void BridgeTab::render(const device::SlaveData& value) {
    services_.setStatus(text::bridgeData());
    if (value.serial) serial_->setText(QString::number(*value.serial));
    if (value.temperature)
        temperature_->setText(device::sixteenthsText(*value.temperature, QLocale::system().decimalPoint()));
    if (value.frequency) frequency_->setText(QString::number(*value.frequency));
    if (value.contact) contact_->setChecked(*value.contact == device::kSlaveContactClosed);
    if (value.level) level_->setText(QString::number(*value.level));
}

void BridgeTab::render(const device::SlaveRs485& value) {
    services_.setStatus(text::bridgeData());
    if (value.value) rs485_->setText(QString::number(*value.value));
}

}  // namespace kestrel
