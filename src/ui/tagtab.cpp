#include "ui/tagtab.h"

#include <QCheckBox>

#include "device/commands.h"
#include "device/texts.h"
#include "protocol/hexid.h"
#include "protocol/numinput.h"
#include "protocol/translation.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"
#include "ui/servicepanel.h"
#include "ui/stalemark.h"

namespace kestrel {

using namespace build;

namespace {
constexpr ControlGroup kOp = ControlGroup::Operation;
QString promptTagSerial() {
    return Texts::tr("Введите серийный номер метки");
}
QString titleTagSerial() {
    return Texts::tr("Ввод серийного номера метки");
}
QString promptTagIdent() {
    return Texts::tr("Введите ID номер метки");
}
QString titleTagIdent() {
    return Texts::tr("Ввод ID номера метки");
}
}  // namespace

TagTab::TagTab(ViewServices& services, QWidget* p, QWidget* parent) : QObject(parent), services_(services) {
    QGroupBox* f6 = frame(p, ctl::Frame6, Texts::tr("Параметры метки"), QRect(6, 6, 330, 322), kOp);
    frame_ = f6;
    int y = 22;
    auto row = [&](const QString& name, const QString& caption, const char* initial,
                   const char* tip) -> QWidget* {
        label(f6, ctl::caption(name), caption, QRect(10, y, 130, 22), kOp);
        QWidget* w = nullptr;
        if (tip) {
            QLineEdit* e = edit(f6, name, QRect(144, y, 170, 22), kOp, QString::fromUtf8(initial));
            e->setToolTip(QString::fromUtf8(tip));
            w = e;
        } else {
            w = readout(f6, name, QString::fromUtf8(initial), QRect(144, y, 170, 22), kOp);
        }
        y += 28;
        return w;
    };
    serial_ = static_cast<QLabel*>(row(ctl::SerNumMetki, Texts::tr("Сер. Ном."), "0", nullptr));
    currentId_ = static_cast<QLabel*>(row(ctl::outID, Texts::tr("Текущий ID"), "0", nullptr));
    idBox_ = static_cast<QLineEdit*>(row(ctl::ID_Metki, Texts::tr("ID Метки"), "", "0...FFFFFF"));
    mode_ = static_cast<QLineEdit*>(row(ctl::ModeMetki, Texts::tr("Режим"), "", "1...3"));
    // The tag mode, typed or read, tells the session what the reader's state byte means.
    connect(mode_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty()) return services_.session->setTagMode(std::nullopt);
        const NumberResult n = parseWholeNumber(text, 0, 255);
        services_.session->setTagMode(n.ok() ? n.value : -1);
    });
    period_ = static_cast<QLineEdit*>(row(ctl::sleep_time, Texts::tr("Период"), "", "0...65535"));
    delay_ = static_cast<QLineEdit*>(row(ctl::IntervalMetki, Texts::tr("Задержка"), "", "0...65535"));
    power_ = static_cast<QLineEdit*>(row(ctl::PowerMetki, Texts::tr("Мощность"), "", "-40..8"));
    level_ = static_cast<QLabel*>(row(ctl::UrPr, Texts::tr("Уровень приема"), "0", nullptr));
    firmware_ = static_cast<QLabel*>(row(ctl::outVer, Texts::tr("Версия ПО"), "---------", nullptr));
    connect(button(f6, ctl::ReadParamMetki, Texts::tr("Считать"), QRect(10, y + 4, 146, 28), kOp),
            &QPushButton::clicked, this, &TagTab::readParams);
    connect(button(f6, ctl::SetModesMetki, Texts::tr("Установить"), QRect(168, y + 4, 146, 28), kOp),
            &QPushButton::clicked, this, &TagTab::writeParams);
    hexIds_ = place<QCheckBox>(p, ctl::Hex_id, QRect(348, 78, 120, 22), kOp);
    hexIds_->setText(Texts::tr("HEX вид."));
    hexIds_->setChecked(true);
}

void TagTab::buildHidden(ServicePanel& panel) {
    QWidget* area = panel.area();
    auto command = [&](const QString& name, const QString& text, void (TagTab::*action)()) {
        QPushButton* b = button(area, name, text, {}, kOp);
        connect(b, &QPushButton::clicked, this, action);
        panel.add(ServicePanel::Column::Commands, b);
    };
    command(ctl::Set_ident, Texts::tr("Установка идентификационного Номера"), &TagTab::setTagId);
    command(ctl::InstSN, Texts::tr("Уст. сер. Но&мера Метки"), &TagTab::setTagSerial);
    command(ctl::Find_metki, Texts::tr("Поиск метки"), &TagTab::findTag);
    auto diagnostic = [&](const QString& name, const QString& caption) {
        QLabel* l = readout(area, name, QStringLiteral("0"), {});
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
        panel.add(ServicePanel::Column::Diagnostics, label(area, ctl::diagnosticCaption(name), caption, {}),
                  l);
        return l;
    };
    readSerial_ = diagnostic(ctl::outSN, Texts::tr("Серийный Номер"));
    diagnostic(ctl::OutKolBytes, Texts::tr("Кол.Байт"));
    replyCode_ = diagnostic(ctl::textOutCmd, QStringLiteral("Cmd"));
    readDelay_ = diagnostic(ctl::outTime, Texts::tr("Интервал"));
    readMode_ = diagnostic(ctl::outMode, Texts::tr("Режим"));
    readPower_ = diagnostic(ctl::outPower, Texts::tr("Мощность"));
}

device::TagWriteTexts TagTab::frameTexts() const {
    return {services_.address(), services_.session->tagWriteSerial(),
            idBox_->text(),      hexIds_->isChecked(),
            delay_->text(),      mode_->text(),
            power_->text(),      period_->text()};
}

void TagTab::render(const device::TagAnswer& value) {
    services_.setStatus(text::tagPing());
    if (value.serial) serial_->setText(QString::number(*value.serial));
    replyCode_->setText(hexByte(cmd::kTagQuery));
    if (value.identifier) {
        const QString id = formatHexId(*value.identifier);
        currentId_->setText(id);
    }
    if (value.level) level_->setText(QString::number(*value.level));
}

void TagTab::forgetReadTag() {
    frame_->setTitle(Texts::tr("Параметры метки"));
}

void TagTab::showIdentifierInFrame(quint32 identifier) {
    idBox_->setText(formatHexId(identifier));
}

void TagTab::render(const device::TagParameters& value) {
    services_.setStatus(text::tagDataRead());
    if (value.serial) {
        readSerial_->setText(QString::number(*value.serial));
        frame_->setTitle(Texts::tr("Параметры метки, сер. № %1").arg(*value.serial));
    }
    replyCode_->setText(hexByte(cmd::kTagRead));
    if (value.identifier) {
        const QString id = formatHexId(*value.identifier);
        currentId_->setText(id);
        idBox_->setText(hexIds_->isChecked() ? id : QString::number(*value.identifier));
    }
    if (value.delay) {
        readDelay_->setText(QString::number(*value.delay));
        delay_->setText(QString::number(*value.delay));
    }
    if (value.mode) {
        readMode_->setText(QString::number(*value.mode));
        mode_->setText(QString::number(*value.mode));
    }
    if (value.power) {
        readPower_->setText(QString::number(*value.power));
        power_->setText(QString::number(static_cast<qint8>(*value.power)));
    }
    if (value.firmware) firmware_->setText(device::tagFirmwareText(*value.firmware));
    if (value.period) period_->setText(QString::number(*value.period));
    if (value.level) level_->setText(QString::number(*value.level));
}

void TagTab::showStaleness() {
    const DeviceModel& m = services_.session->model();
    // The identifier and the reception level follow the search as well as a read: the current tag's.
    kestrel::showStaleness({serial_, currentId_, level_}, m.staleness(Reading::CurrentTag));
    kestrel::showStaleness(
        {idBox_, mode_, period_, delay_, power_, firmware_, readSerial_, readDelay_, readMode_, readPower_},
        m.staleness(Reading::ReadTag));
}

void TagTab::findTag() {
    // Without a usable address the request cannot be built: nothing is left pending.
    const auto address = services_.address();
    services_.session->send(address ? device::tagRequest(*address, cmd::kAnyTag, cmd::kTagQuery)
                                    : QByteArray());
    services_.requestBox->setTraceText(requestBoxText(services_.session->pendingRequest()));
}

void TagTab::readParams() {
    const auto r = services_.session->readTagParameters();
    if (r.refused == device::Request::Refused::Identifier) return services_.tellRefusal(r);
    services_.requestBox->setTraceText(requestBoxText(r.frame));
}

void TagTab::writeParams() {
    services_.session->dropPending();
    const auto r = device::tagWriteRequest(frameTexts());
    if (!r.ok()) return services_.tellRefusal(r);
    services_.session->send(r.frame);
    services_.showRequestHex(r.frame);
}

void TagTab::setTagSerial() {
    services_.session->dropPending();
    const QString answer = services_.dialogs->input(promptTagSerial(), titleTagSerial(), QStringLiteral("0"));
    if (answer.isEmpty()) return;
    const auto r = services_.session->setTagSerialRequest(answer);
    services_.tellRefusal(r);
    if (r.refused == device::Request::Refused::Value) return;
    services_.session->send(r.frame);
    services_.traceBytes(r.frame);  // an empty dump on a refusal of the address or the identifier
}

void TagTab::setTagId() {
    // The new identification number goes to the current tag (found by its serial number) with the
    // parameter write; delay, mode, power and period are the frame's values.
    services_.session->dropPending();
    const QString answer = services_.dialogs->input(promptTagIdent(), titleTagIdent(), QStringLiteral("0"));
    if (answer.isEmpty()) return;
    const auto r = device::tagSetIdRequest(frameTexts(), answer);
    services_.tellRefusal(r);
    if (!r.ok() && r.refused != device::Request::Refused::Address) return;
    services_.session->send(r.frame);
    services_.traceBytes(r.frame);  // an empty dump when the address was refused
}

}  // namespace kestrel
