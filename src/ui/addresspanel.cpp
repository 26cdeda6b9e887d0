#include "ui/addresspanel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include "device/commands.h"
#include "device/ranges.h"
#include "device/texts.h"
#include "protocol/numinput.h"
#include "protocol/translation.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"

namespace kestrel {

using namespace build;

namespace {
constexpr ControlGroup kOp = ControlGroup::Operation;
QString noDevices() {
    return Texts::tr("Не определены");
}
}  // namespace

AddressPanel::AddressPanel(ViewServices& services, QWidget* w) : QObject(w), services_(services) {
    label(w, ctl::Label4, Texts::tr("Сетевой Адрес"), QRect(8, 106, 104, 24));
    list_ = place<QComboBox>(w, ctl::CmbNet, QRect(112, 106, 80, 24), kOp);
    list_->setEditable(true);
    list_->setInsertPolicy(QComboBox::NoInsert);
    list_->setCompleter(nullptr);
    auto* net = button(w, ctl::net, Texts::tr("Изменить &сетевой адрес"), QRect(8, 138, 240, 28), kOp);
    auto* search = button(w, ctl::Opros, Texts::tr("&Поиск считывателя"), QRect(8, 170, 240, 28), kOp);
    label(w, ctl::Label3, Texts::tr("Устройства в сети:"), QRect(8, 202, 120, 22));
    devicesFound_ = readout(w, ctl::netdev, noDevices(), QRect(128, 202, 120, 22), kOp);

    DeviceSession* session = services_.session;
    connect(net, &QPushButton::clicked, this, &AddressPanel::changeNetAddress);
    connect(search, &QPushButton::clicked, this, &AddressPanel::searchBus);
    // The selected item is the addressed device: each item carries its address as a number.
    connect(list_, &QComboBox::currentIndexChanged, this, [this, session](int index) {
        const QVariant address = index >= 0 ? list_->itemData(index) : QVariant();
        session->setAddress(address.isValid() ? std::optional<quint8>(address.value<quint8>())
                                              : std::nullopt);
    });
    connect(session, &DeviceSession::addressChanged, this, &AddressPanel::showAddress);
    // Typing over the address asks the selected device for its identification again.
    connect(list_->lineEdit(), &QLineEdit::textEdited, session, &DeviceSession::identifyAgain);
    connect(list_->lineEdit(), &QLineEdit::returnPressed, this, &AddressPanel::addressEntered);
}

void AddressPanel::reset() {
    const QSignalBlocker quiet(list_);
    list_->clear();
    addAddress(0);
    list_->setCurrentIndex(0);
    devicesFound_->setText(noDevices());
    showAddress();
}

// The list follows the session's address quietly: an address not listed yet is added.
void AddressPanel::showAddress() {
    const QSignalBlocker quiet(list_);
    const std::optional<quint8> address = services_.session->address();
    if (!address) return list_->setCurrentIndex(-1);
    const QString text = QString::number(*address);
    if (list_->findText(text) < 0) addAddress(*address);
    if (list_->currentIndex() < 0 || list_->currentText() != text)
        list_->setCurrentIndex(list_->findText(text));
}

void AddressPanel::addAddress(quint8 address) {
    list_->addItem(QString::number(address), QVariant::fromValue(address));
}

void AddressPanel::addressEntered() {
    // A typed address (one a device can have) becomes the addressed device, as if chosen from the list.
    const NumberResult n = parseWholeNumber(list_->currentText(), device::range::kDeviceAddress.min,
                                            device::range::kDeviceAddress.max);
    if (!n.ok()) {
        if (list_->currentIndex() >= 0) list_->setEditText(list_->itemText(list_->currentIndex()));
        return;
    }
    services_.session->setAddress(static_cast<quint8>(n.value));
    list_->setEditText(QString::number(n.value));
}

void AddressPanel::changeNetAddress() {
    const int index = list_->currentIndex();
    const QString current = index >= 0 ? list_->itemText(index) : QString();
    const QString answer = services_.dialogs->input(Texts::tr("Введите новый сетевой номер"),
                                                    Texts::tr("Ввод сетевого номера"), current);
    if (answer.isEmpty()) return;
    const auto r = device::setNetAddressRequest(services_.address(), answer);
    if (!r.ok()) return services_.tellRefusal(r);
    services_.session->sendAlso(r.frame);
    services_.traceBytes(services_.session->pendingRequest());
}

void AddressPanel::searchBus() {
    services_.session->searchBus();
    services_.traceBytes(services_.session->pendingRequest());
}

void AddressPanel::render(const device::PollAnswer& v) {
    // The list is filled quietly and the first device addressed once: a search answered by the device
    // already addressed leaves its address, and the marks on its values, as they were.
    QString caption;
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const char b : v.addresses) {
            addAddress(static_cast<quint8>(b));
            caption += QString::number(static_cast<quint8>(b)) + QLatin1Char(' ');
        }
        list_->setCurrentIndex(0);
    }
    services_.session->setAddress(
        v.addresses.isEmpty() ? std::nullopt : std::optional<quint8>(static_cast<quint8>(v.addresses[0])));
    devicesFound_->setText(caption);
    services_.trace->setTraceText(hexDump(v.addresses, QLatin1Char(' ')));
    services_.setStatus(text::networkPolled());
}

}  // namespace kestrel
