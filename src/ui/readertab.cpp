#include "ui/readertab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "device/commands.h"
#include "device/ranges.h"
#include "device/texts.h"
#include "protocol/hexid.h"
#include "protocol/translation.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"
#include "ui/servicepanel.h"
#include "ui/stalemark.h"

namespace kestrel {

using namespace build;

namespace {
constexpr ControlGroup kOp = ControlGroup::Operation;
}  // namespace

ReaderTab::ReaderTab(ViewServices& services, QWidget* p, QWidget* parent)
    : QObject(parent), services_(services) {
    using device::ReaderMode;
    QGroupBox* box = frame(p, ctl::modes, Texts::tr("Режимы считывателя"), QRect(6, 6, 226, 202), kOp);
    auto option = [box](const QString& name, const QString& text, const QRect& at) {
        auto* r = place<QRadioButton>(box, name, at, kOp);
        r->setText(text);
        return r;
    };
    modes_ = {{{ReaderMode::Reader, option(ctl::R_a, Texts::tr("Считыватель"), QRect(10, 22, 206, 22))},
               {ReaderMode::Indicator,
                option(ctl::R_f, Texts::tr("Считыватель-индикатор"), QRect(10, 44, 206, 22))},
               {ReaderMode::PoweredTag,
                option(ctl::R_p485, Texts::tr("Метка  с питанием"), QRect(10, 66, 206, 22))},
               {ReaderMode::Bridge, option(ctl::R485, Texts::tr("Мост"), QRect(10, 88, 206, 22))},
               {ReaderMode::Repeater,
                place<QRadioButton>(box, ctl::R_p, QRect(10, 110, 22, 22), ControlGroup::Repeater)}}};
    QLabel* repeater =
        label(box, ctl::Label2, Texts::tr("Повторитель"), QRect(32, 110, 180, 22), ControlGroup::Repeater);
    // Always greyed: the window shows the mode when a reader reports it, but does not write it.
    const QString whyGreyed = Texts::tr(
        "Режим «Повторитель» здесь не выбирается: отметка показывает, что "
        "считыватель сообщил этот режим. Записать его можно командой "
        "kestrel-cli set-mode repeater.");
    modes_.back().option->setToolTip(whyGreyed);
    repeater->setToolTip(whyGreyed);
    auto* group = new QButtonGroup(box);
    for (const ModeOption& m : modes_) {
        group->addButton(m.option);
        connect(m.option, &QRadioButton::toggled, this, [this, r = m.option](bool on) {
            if (on) optionSelected(r);
        });
    }
    frequencyOutput_ = place<QCheckBox>(box, ctl::usredn, QRect(26, 134, 22, 22), kOp);
    frequencyCaption_ = label(box, ctl::usred, Texts::tr("Частотный выход"), QRect(48, 134, 170, 22), kOp);
    master_ = place<QCheckBox>(box, ctl::iinv, QRect(26, 156, 22, 22), kOp);
    masterCaption_ = label(box, ctl::invers, Texts::tr("Мастер"), QRect(48, 156, 60, 22), kOp);
    connect(button(box, ctl::Set_mode, Texts::tr("&Установить"), QRect(116, 170, 100, 26), kOp),
            &QPushButton::clicked, this, &ReaderTab::setMode);

    QGroupBox* f7 = frame(p, ctl::Frame7, Texts::tr("Параметры"), QRect(6, 212, 226, 116), kOp);
    label(f7, ctl::lblNumNet, Texts::tr("Номер сети"), QRect(8, 16, 110, 22), kOp);
    network_ = edit(f7, ctl::num_net, QRect(120, 16, 96, 22), kOp);
    label(f7, ctl::lblNKan, Texts::tr("Номер Канала"), QRect(8, 40, 110, 22), kOp);
    channel_ = edit(f7, ctl::n_kan, QRect(120, 40, 96, 22), kOp);
    label(f7, ctl::lblPpow, Texts::tr("Мощность"), QRect(8, 64, 110, 22), kOp);
    power_ = edit(f7, ctl::ppow, QRect(120, 64, 96, 22), kOp);
    connect(button(f7, ctl::param, Texts::tr("Установить"), QRect(116, 89, 100, 24), kOp),
            &QPushButton::clicked, this, &ReaderTab::setRadioParams);

    QGroupBox* f8 = frame(p, ctl::Frame8, Texts::tr("Доп. параметры"), QRect(238, 6, 230, 86), kOp);
    label(f8, ctl::lblZad2, Texts::tr("Задержка обнуления ID"), QRect(6, 22, 162, 22), kOp);
    resetDelay_ = edit(f8, ctl::Zad2, QRect(168, 22, 54, 22), kOp);
    resetDelay_->setToolTip(
        QStringLiteral("%1...%2").arg(device::range::kResetDelay.min).arg(device::range::kResetDelay.max));
    connect(button(f8, ctl::Command2, Texts::tr("Установить"), QRect(8, 52, 104, 26), kOp),
            &QPushButton::clicked, this, &ReaderTab::setResetDelay);
    connect(button(f8, ctl::RD_DP, Texts::tr("Считать"), QRect(116, 52, 104, 26), kOp), &QPushButton::clicked,
            this, [this] { sendPlain(cmd::kReadResetDelay); });

    QGroupBox* f9 = frame(p, ctl::Frame9, Texts::tr("Привязанные ID"), QRect(238, 96, 230, 232), kOp);
    for (int i = 0; i < 10; ++i) {
        const int x = 8 + (i / 5) * 110;
        const int y = 22 + (i % 5) * 22;
        label(f9, ctl::boundIdCaption(i), QString::number(i + 1), QRect(x, y, 22, 20), kOp)
            ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cells_[i] = readout(f9, ctl::boundIdCell(i), QStringLiteral("0"), QRect(x + 26, y, 80, 20), kOp);
    }
    label(f9, ctl::lblPlm, Texts::tr("N яч."), QRect(8, 136, 60, 20), kOp);
    cell_ = edit(f9, ctl::plm, QRect(8, 156, 60, 22), kOp);
    label(f9, ctl::lblIddm, Texts::tr("ID метки"), QRect(76, 136, 144, 20), kOp);
    cellId_ = edit(f9, ctl::iddm, QRect(76, 156, 144, 22), kOp);
    connect(button(f9, ctl::Command3, Texts::tr("установить"), QRect(6, 192, 80, 26), kOp),
            &QPushButton::clicked, this, &ReaderTab::writeBoundId);
    connect(button(f9, ctl::ids_r, Texts::tr("считать"), QRect(88, 192, 64, 26), kOp), &QPushButton::clicked,
            this, [this] { sendPlain(cmd::kReadBoundIds); });
    connect(button(f9, ctl::ids_clr, Texts::tr("очистить"), QRect(154, 192, 70, 26), kOp),
            &QPushButton::clicked, this, [this] { sendPlain(cmd::kClearBoundIds); });
}

void ReaderTab::buildHidden(ServicePanel& panel) {
    QWidget* area = panel.area();
    QGroupBox* f3 = frame(area, ctl::Frame3, Texts::tr("Команды"), {}, kOp);
    auto* calibration = new QVBoxLayout(f3);
    QPushButton* upper = button(f3, ctl::hig, Texts::tr("Установить Полны&й"), {}, kOp);
    QPushButton* lower = button(f3, ctl::low, Texts::tr("Уст&ановить  Пустой"), {}, kOp);
    calibration->addWidget(upper);
    calibration->addWidget(lower);
    connect(upper, &QPushButton::clicked, this, [this] { calibrate(true); });
    connect(lower, &QPushButton::clicked, this, [this] { calibrate(false); });
    panel.add(ServicePanel::Column::Commands, f3);
    QPushButton* serial = button(area, ctl::Command1, Texts::tr("Уст. сер ном считывателя"), {}, kOp);
    connect(serial, &QPushButton::clicked, this, &ReaderTab::setReaderSerial);
    panel.add(ServicePanel::Column::Commands, serial);
}

void ReaderTab::reset() {
    for (QWidget* c :
         std::initializer_list<QWidget*>{master_, masterCaption_, frequencyOutput_, frequencyCaption_})
        c->hide();
    modes_[0].option->setChecked(true);
}

quint8 ReaderTab::modeByte() const {
    device::ReaderMode mode = device::ReaderMode::Bridge;
    for (const ModeOption& m : modes_) {
        if (m.option->isChecked()) {
            mode = m.mode;
            break;
        }
    }
    return device::modeByte(mode, master_->checkState() != Qt::Unchecked,
                            frequencyOutput_->checkState() != Qt::Unchecked);
}

void ReaderTab::showMode(quint8 mode) {
    master_->setChecked(mode & device::kModeMaster);
    if (const auto m = device::modeOf(mode)) {
        QRadioButton* option = optionOf(*m);
        option->setChecked(true);
        optionSelected(option);  // as a click would, also when it was already selected
    }
    frequencyOutput_->setChecked(mode & device::kModeFrequencyOutput);
}

QRadioButton* ReaderTab::optionOf(device::ReaderMode mode) const {
    for (const ModeOption& m : modes_)
        if (m.mode == mode) return m.option;
    return nullptr;
}

void ReaderTab::optionSelected(QRadioButton* option) {
    // The master and frequency-output boxes belong to the bridge mode only.
    const bool bridge = option == optionOf(device::ReaderMode::Bridge);
    for (QWidget* c :
         std::initializer_list<QWidget*>{master_, masterCaption_, frequencyOutput_, frequencyCaption_})
        c->setVisible(bridge);
    if (!bridge) {
        master_->setChecked(false);
        frequencyOutput_->setChecked(false);
    }
}

void ReaderTab::showSettings(const device::LiveReading::Settings& s) {
    if (s.mode) showMode(*s.mode);
    if (s.network) network_->setText(QString::number(*s.network));
    if (s.channel) channel_->setText(QString::number(*s.channel));
    if (s.power) power_->setText(QString::number(*s.power));
}

void ReaderTab::render(const device::BoundIdTable& value) {
    // A short table fills the cells it carries and leaves the others as they were.
    for (std::size_t i = 0; i < value.cells.size() && i < cells_.size(); ++i)
        cells_[i]->setText(formatHexId(value.cells[i]));
}

void ReaderTab::render(const device::ResetDelay& value) {
    services_.setStatus(text::resetDelayReceived());
    if (value.delay) resetDelay_->setText(QString::number(*value.delay));
}

void ReaderTab::render(const device::ModeSet& value) {
    services_.setStatus(text::modeSet());
    if (value.mode) showMode(*value.mode);
}

void ReaderTab::showStaleness() {
    // The settings a refresh put into the panels; the repeater option is always greyed.
    kestrel::showStaleness({modes_[0].option, modes_[1].option, modes_[2].option, modes_[3].option,
                            frequencyOutput_, master_, network_, channel_, power_},
                           services_.session->model().staleness(Reading::Settings));
}

void ReaderTab::setMode() {
    if (!services_.session->writeMode(modeByte())) return;  // no address: silently nothing
    services_.traceBytes(services_.session->pendingRequest());
}

void ReaderTab::setRadioParams() {
    services_.session->dropPending();
    const auto r = device::setRadioParamsRequest(services_.address(),
                                                 {network_->text(), channel_->text(), power_->text()});
    if (!r.ok()) return services_.tellRefusal(r);
    services_.session->send(r.frame);
    services_.showRequestHex(r.frame);
}

void ReaderTab::setResetDelay() {
    services_.session->dropPending();
    const auto r = device::setResetDelayRequest(services_.address(), resetDelay_->text());
    if (!r.ok()) return services_.tellRefusal(r);
    services_.session->send(r.frame);
    services_.showRequestHex(r.frame);
}

void ReaderTab::writeBoundId() {
    const auto r = device::writeBoundIdRequest(services_.address(), cell_->text(), cellId_->text());
    if (!r.ok()) return services_.tellRefusal(r);
    services_.traceBytes(r.frame.mid(4, 4));  // the identifier's four bytes
    services_.session->send(r.frame);
}

void ReaderTab::sendPlain(quint8 command) {
    const auto r = device::plainRequest(services_.address(), command);
    if (!r.ok()) return services_.tellRefusal(r);
    services_.session->send(r.frame);
}

void ReaderTab::calibrate(bool upper) {
    const auto address = services_.address();
    if (!address) return;  // no listed address: the click is ignored, no question is asked
    if (services_.dialogs->askYesNo(upper ? text::calibrateUpperQuestion() : text::calibrateLowerQuestion()))
        services_.session->send(device::calibrateRequest(*address, upper));
}

void ReaderTab::setReaderSerial() {
    services_.session->dropPending();  // even when the dialog is cancelled
    const QString answer = services_.dialogs->input(Texts::tr("Введите серийный номер"),
                                                    Texts::tr("Ввод серийного номера"), QStringLiteral("0"));
    if (answer.isEmpty()) return;
    const auto r = device::setSerialRequest(services_.address(), answer);
    services_.tellRefusal(r);
    if (r.refused == device::Request::Refused::Value) return;
    services_.session->send(r.frame);
    services_.traceBytes(r.frame);  // an empty dump when the address was refused
}

}  // namespace kestrel
