#include "ui/mainwindow.h"

#include <QCloseEvent>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "device/texts.h"
#include "protocol/translation.h"
#include "session/settings.h"
#include "ui/accessiblenames.h"
#include "ui/addresspanel.h"
#include "ui/bridgetab.h"
#include "ui/busoverviewwindow.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"
#include "ui/devicereadouts.h"
#include "ui/mainmenu.h"
#include "ui/openedlog.h"
#include "ui/portpanel.h"
#include "ui/readertab.h"
#include "ui/servicepanel.h"
#include "ui/splashwindow.h"
#include "ui/statusbar.h"
#include "ui/tagtab.h"
#include "ui/trafficlog.h"
#include "ui/trend.h"
#include "ui/widgets.h"

// The window's own warnings (a settings file that cannot be read or written), on the terminal by default.
Q_LOGGING_CATEGORY(lcWindow, "kestrel.window")

namespace kestrel {

using namespace build;

namespace {

constexpr ControlGroup kOp = ControlGroup::Operation;
// Lamp colours, 0xBBGGRR.
constexpr quint32 kLampYellowAtStart = 0x00FFFF;  // RGB(255,255,0)
constexpr quint32 kLampYellowClosed = 0x10FFFF;   // RGB(255,255,16)
constexpr quint32 kLampWhite = 0xFFFFFF;
constexpr quint32 kLampGrey = 0x808080;
constexpr quint32 kLampRed = 0x0000FF;
constexpr quint32 kLampWaiting = 0x0080FF;  // orange: a lost port is waited for
constexpr int kClientWidth = 892;
constexpr int kClientHeight = 429;

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

MainWindow::MainWindow(std::unique_ptr<DeviceSession> session, PortCatalogue& ports, Dialogs& dialogs,
                       Options options, QWidget* parent)
    : QWidget(parent), ports_(ports), dialogs_(dialogs), options_(options) {
    setObjectName(ctl::frmSerial);
    setWindowTitle(kAppTitle);
    session_ = session.release();
    session_->setParent(this);
    services_.session = session_;
    services_.dialogs = &dialogs_;
    buildControls();
    nameControlsForScreenReaders(*this);
    connectSession();
    startUp();
    restoreSettings();
    if (!options_.awaitedPort.isEmpty()) session_->awaitPort(options_.awaitedPort);
}

// The link's settings are the session's; the window takes back its own tab, language and windows.
void MainWindow::restoreSettings() {
    if (options_.settingsPath.isEmpty()) return;
    // A value that cannot be taken is its default alone; the engineer is told once which ones.
    const LoadedSettings loaded =
        options_.resetSettings ? LoadedSettings{} : loadSettings(options_.settingsPath);
    const RememberedState& s = loaded.state;
    if (!loaded.problem.isEmpty()) {
        qCWarning(lcWindow).noquote() << loaded.problem;
        showLinkEvent(loaded.notice);
    }
    session_->restore(s.link, !options_.portNamed);
    menu_->setLanguage(s.language);
    tabs_->setCurrentIndex(s.tab);
    if (!s.geometry.isEmpty()) restoreGeometry(s.geometry);
    busOverview_->restore(s.bus);
    const std::pair<QWidget*, const RememberedState::View*> views[] = {
        {trafficLog_, &s.log}, {trend_, &s.trend}, {servicePanel_, &s.panel}};
    for (const auto& [view, remembered] : views) {
        if (!remembered->geometry.isEmpty()) view->restoreGeometry(remembered->geometry);
        if (remembered->open) view->show();
    }
    if (s.bus.open) busOverview_->show();
}

void MainWindow::saveSettings() {
    if (options_.settingsPath.isEmpty()) return;
    RememberedState s;
    s.link = session_->linkSettings();
    s.tab = openTab();
    s.language = menu_->language();
    s.geometry = saveGeometry();
    const std::pair<QWidget*, RememberedState::View*> views[] = {
        {trafficLog_, &s.log}, {trend_, &s.trend}, {servicePanel_, &s.panel}};
    for (const auto& [view, remembered] : views) {
        remembered->open = view->isVisible();
        remembered->geometry = view->saveGeometry();
    }
    s.bus = busOverview_->remembered();
    QString problem;
    if (!saveState(options_.settingsPath, s, &problem)) qCWarning(lcWindow).noquote() << problem;
}

MainWindow::~MainWindow() {
    portPanel_->scanTimer().stop();
    // The overview lets go of the session's bus while the session is still there.
    delete busOverview_;
    session_->close();
    if (splash_) delete splash_.data();
}

void MainWindow::buildControls() {
    // The menu bar sits above the window; below it everything keeps its place and size.
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(ctl::menuBar);
    client_ = new QWidget(this);
    QWidget* w = client_;
    portPanel_ = new PortPanel(ports_, dialogs_, w, options_.scanMs);
    addressPanel_ = new AddressPanel(services_, w);
    lamp_ = place<Lamp>(w, ctl::Pic, QRect(210, 102, 32, 32));
    lamp_->setColour(kLampYellowAtStart);
    lamp_->setToolTip(
        Texts::tr("Обмен с устройством:\n"
                  "красный — на последний запрос пришёл ответ (любой, и с ошибкой тоже);\n"
                  "белый и серый по очереди — запросы уходят, ответа нет;\n"
                  "оранжевый — порт потерян, ожидание его возвращения;\n"
                  "жёлтый — порт закрыт."));
    readouts_ = new DeviceReadouts(session_->model(), w);

    QLabel* status = label(w, ctl::MsgCom, QString(), QRect(8, 312, 240, 60), kOp);
    status->setFrameShape(QFrame::Panel);
    status->setFrameShadow(QFrame::Sunken);
    status->setWordWrap(true);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    statusLine_ = std::make_unique<StatusLine>(status);
    services_.status = statusLine_.get();

    tabs_ = place<QTabWidget>(w, ctl::SSTab1, QRect(256, 36, 480, 360));
    auto page = [&](const QString& name, const QString& title) {
        auto* p = new QWidget;
        p->setObjectName(name);
        tabs_->addTab(p, title);
        return p;
    };
    readerTab_ = new ReaderTab(services_, page(ctl::tabReader, Texts::tr("Считыватель")), this);
    tagTab_ = new TagTab(services_, page(ctl::tabTag, Texts::tr("метка")), this);
    bridgeTab_ = new BridgeTab(services_, page(ctl::tabBridge, Texts::tr("мост")), this);

    buildServicePanel();
    trafficLog_ = new TrafficLogWindow(dialogs_, this, options_.logRows);
    trend_ = new TrendWindow(dialogs_, this, options_.trendKeepMs);
    logOpener_ = new LogOpener(dialogs_, this);
    busOverview_ = new BusOverviewWindow(*session_, dialogs_, this);
    // A reader chosen in the overview is addressed here, as if the engineer had picked it from the list.
    connect(busOverview_, &BusOverviewWindow::addressChosen, this, [this](quint8 address) {
        session_->setAddress(address);
        raise();
        activateWindow();
    });
    menu_ = new MainMenu(menuBar_, *session_, dialogs_, {trafficLog_, trend_, servicePanel_, busOverview_},
                         options_.language);
    connect(menu_, &MainMenu::openLogAsked, logOpener_, &LogOpener::askAndOpen);
    connect(menu_, &MainMenu::saveLogAsked, trafficLog_, &TrafficLogWindow::saveCsv);
    connect(menu_, &MainMenu::exitAsked, this, &QWidget::close);
    connect(menu_, &MainMenu::serverAdded, portPanel_, &PortPanel::selectName);
    const int menuHeight = menuBar_->sizeHint().height();
    menuBar_->setGeometry(0, 0, kClientWidth, menuHeight);
    client_->setGeometry(0, menuHeight, kClientWidth, kClientHeight);
    // The status bar below: the window grows by its height, and nothing above it moves.
    statusBar_ = new StatusBar(*session_, kClientWidth, this);
    statusBar_->move(0, menuHeight + kClientHeight);
    setFixedSize(kClientWidth, menuHeight + kClientHeight + StatusBar::kHeight);

    connect(portPanel_->openButton(), &QPushButton::clicked, this, &MainWindow::openPort);
    connect(portPanel_->closeButton(), &QPushButton::clicked, this, &MainWindow::closePort);
    // Another choice of port ends the waiting for a lost one.
    connect(portPanel_, &PortPanel::portChosen, this, [this] {
        session_->forgetPortToSelect();
        if (session_->waitingForPort()) closePort();
    });
    connect(&portPanel_->scanTimer(), &QTimer::timeout, this, &MainWindow::scanPorts);
    connect(tabs_, &QTabWidget::currentChanged, this,
            [this](int index) { session_->setView(static_cast<Tab>(index)); });
}

void MainWindow::buildServicePanel() {
    // Controls the window keeps out of view, in a window of their own: the current read-outs, the
    // calibration and serial-number commands, the trace boxes and the tag's diagnostic read-outs.
    using Column = ServicePanel::Column;
    auto* panel = new ServicePanel(this);
    servicePanel_ = panel;
    panel->setObjectName(ctl::servicePanel);
    panel->setWindowTitle(Texts::tr("Сервисная панель"));
    QWidget* area = panel->area();
    readouts_->buildHidden(*panel);

    QGroupBox* f1 = frame(area, ctl::Frame1, QStringLiteral("Commands and Results"), {});
    auto* trace = new QVBoxLayout(f1);
    trace->addWidget(label(f1, ctl::lblTextReturned, QStringLiteral("Text Returned:"), {}));
    services_.trace = place<TraceBox>(f1, ctl::txtRec, {});
    services_.trace->setMinimumSize(320, 150);
    trace->addWidget(services_.trace);
    panel->add(Column::Trace, f1, true);
    panel->add(Column::Trace, label(area, ctl::lblKolBajt, Texts::tr("Кол. байт"), {}),
               edit(area, ctl::num_bytes, {}, std::nullopt, QStringLiteral("0")));
    services_.requestBox = place<TraceBox>(area, ctl::CmdBoxText, {});
    // Three lines: a request is one.
    services_.requestBox->setFixedHeight(services_.requestBox->fontMetrics().lineSpacing() * 3 +
                                         2 * services_.requestBox->frameWidth() + 8);
    services_.requestBox->setTraceText(QStringLiteral("Text1"));
    panel->add(Column::Trace, services_.requestBox);

    readerTab_->buildHidden(*panel);
    tagTab_->buildHidden(*panel);
    bridgeTab_->buildHidden(*panel);
    panel->add(Column::Commands, button(area, ctl::Command4, QStringLiteral("Command4"), {}));
    panel->fitToContents();
}

void MainWindow::connectSession() {
    DeviceSession* s = session_;
    connect(s, &DeviceSession::requestShown, services_.requestBox, &TraceBox::setTraceText);
    connect(s, &DeviceSession::traceText, services_.trace, &TraceBox::setTraceText);
    connect(s, &DeviceSession::written, this,
            [this] { lamp_->setColour(lamp_->colour() == kLampWhite ? kLampGrey : kLampWhite); });
    connect(s, &DeviceSession::replyHandled, this, [this] { lamp_->setColour(kLampRed); });
    connect(s, &DeviceSession::silence, this, &MainWindow::showSilence);
    connect(s, &DeviceSession::replyArrived, this, &MainWindow::endSilence);
    connect(s, &DeviceSession::linkChanged, this, &MainWindow::linkChanged);
    connect(s, &DeviceSession::linkEvent, this, &MainWindow::showLinkEvent);
    connect(s, &DeviceSession::reopened, this, [this] {
        portPanel_->selectName(session_->portName());
        tabs_->setCurrentIndex(session_->view());
    });
    connect(s, &DeviceSession::linkFailed, this, [this](const QString& reason) {
        dialogs_.message(reason);
        closePort();
    });
    connect(s, &DeviceSession::logFileFailed, this,
            [this](const QString& text) { dialogs_.message(text, Dialogs::Icon::Exclamation); });
    connect(s, &DeviceSession::recorded, this, &MainWindow::record);
    connect(s, &DeviceSession::addressChanged, this, [this] {
        // The main window polls another reader from now on: the former one's trend says so until its values
        // come again (the bus overview's rounds, while they poll, bring them without a pause).
        const std::optional<quint8> now = session_->address();
        const quint8 former = trend_->address();
        const auto& samples = trend_->series().samples();
        const bool shown =
            std::any_of(samples.begin(), samples.end(),
                        [former](const TrendSeries::Sample& x) { return x.address == former; });
        if (session_->link() == DeviceSession::Link::Open && !session_->pollingPaused() && now &&
            *now != former && shown)
            trend_->addGap(QDateTime::currentDateTimeUtc(), former, TrendGap::OtherAddress);
    });
    connect(s, &DeviceSession::answered, this, &MainWindow::render);
    connect(s, &DeviceSession::settingsAnnounced, this,
            [this] { services_.setStatus(text::settingsReceived()); });
    connect(s, &DeviceSession::settingsForPanels, readerTab_, &ReaderTab::showSettings);
    connect(s, &DeviceSession::tagIdForFrame, tagTab_, &TagTab::showIdentifierInFrame);

    const DeviceModel& m = s->model();
    connect(&m, &DeviceModel::currentTagChanged, tagTab_,
            [this, &m] { tagTab_->render(*m.currentTag().value); });
    connect(&m, &DeviceModel::readTagChanged, tagTab_, [this, &m] {
        if (m.readTag().value) return tagTab_->render(*m.readTag().value);
        tagTab_->forgetReadTag();
    });
    connect(&m, &DeviceModel::slaveDataChanged, bridgeTab_,
            [this, &m] { bridgeTab_->render(*m.slaveData().value); });
    connect(&m, &DeviceModel::slaveRs485Changed, bridgeTab_,
            [this, &m] { bridgeTab_->render(*m.slaveRs485().value); });
    connect(&m, &DeviceModel::stalenessChanged, this, &MainWindow::showStaleness);
}

// What the replies showed and is no longer current is greyed, with since when in its tooltip.
void MainWindow::showStaleness() {
    readouts_->showStaleness();
    readerTab_->showStaleness();
    tagTab_->showStaleness();
    bridgeTab_->showStaleness();
}

void MainWindow::startUp() {
    if (options_.showStartupPicture) {
        splash_ = new SplashWindow;
        splash_->show();
    }
    hide();
    scans_ = 0;
    readerTab_->reset();
    addressPanel_->reset();
    readouts_->reset();
    disableOperationControls(*this);
    portPanel_->scanTimer().start();
    portPanel_->reset();
}

void MainWindow::scanPorts() {
    if (scans_ == 1) {
        if (splash_) splash_->hide();
        show();
    }
    ++scans_;
    const QList<PortInfo> listed = portPanel_->scan();
    QString line;
    for (const PortInfo& p : listed) line += p.name + QStringLiteral(", ");
    services_.trace->appendTraceText(line + kLineBreak);
    // The port of the last run, or the one named for this run, is selected once listed; opening it takes
    // a click.
    if (const QString name = session_->portToSelect(listed); !name.isEmpty()) portPanel_->selectName(name);
}

void MainWindow::openPort() {
    QString failure;
    const QString identity = portPanel_->identityOf(portPanel_->currentIndex());
    const bool opened = portPanel_->openSelected(
        [this, &identity](const QString& name) { return session_->open(name, identity); }, &failure);
    if (!opened) {
        if (!failure.isEmpty())
            trafficLog_->addEvent(Texts::tr("Порт %1 не открыт: %2").arg(portPanel_->currentName(), failure));
        return;
    }
    trafficLog_->portOpened();
}

void MainWindow::closePort() {
    session_->close();
}

// The controls follow the link: usable while it is open; after a close or a loss, off as at start, with
// "Закрыть порт" usable while a lost port is waited for (it ends the waiting) and the lost port kept
// selected in the list.
void MainWindow::linkChanged(DeviceSession::Link link) {
    using Link = DeviceSession::Link;
    if (link == Link::Open) {
        enableOperationControls(*this);
    } else {
        shutDownPort();
        trend_->addGap(QDateTime::currentDateTimeUtc(),
                       link == Link::Waiting ? TrendGap::PortLost : TrendGap::PortClosed);
    }
    portPanel_->showLink(link, session_->portName());
    if (link == Link::Waiting) lamp_->setColour(kLampWaiting);
}

void MainWindow::showLinkEvent(const QString& text) {
    services_.setStatus(text);
    trafficLog_->addEvent(text);
}

void MainWindow::shutDownPort() {
    disableOperationControls(*this);
    addressPanel_->reset();
    readouts_->showClosed();
    services_.setStatus(QString());
    lamp_->setColour(kLampYellowClosed);
}

void MainWindow::record(const traffic::Record& r) {
    trafficLog_->add(r);
    if (r.address == traffic::kNoAddress) return;
    if (trend_->addRecord(r)) {
        // The trend shows the addressed device; the bus overview's rounds bring the other readers' values
        // too.
        if (session_->address() == quint8(r.address)) trend_->setAddress(quint8(r.address));
    } else if (session_->view() != TabReader && !session_->pollingPaused()) {
        // Another view is polled by the main window: the trend says why the reader's values stop.
        trend_->addGap(r.time, quint8(r.address),
                       session_->view() == TabTag ? TrendGap::TagView : TrendGap::BridgeView);
    }
}

void MainWindow::showSilence(int tab) {
    if (tab == TabReader)
        services_.status->showSilence(
            Texts::tr("Нет данных со считывателя с номером ") +
            (session_->address() ? QString::number(*session_->address()) : QString()));
    else if (tab == TabTag)
        services_.status->showSilence(Texts::tr("Нет связи с меткой "));
    else if (tab == TabBridge)
        services_.status->showSilence(Texts::tr("Нет связи с удаленным считывателем"));
}

void MainWindow::endSilence() {
    services_.status->endSilence();
}

// The replies the model does not keep: tables, acknowledgements, the bus search's answer.
void MainWindow::render(const device::DeviceValue& value) {
    std::visit(Overloaded{
                   [this](const device::PollAnswer& v) { addressPanel_->render(v); },
                   [this](const device::BoundIdTable& v) { readerTab_->render(v); },
                   [this](const device::ResetDelay& v) { readerTab_->render(v); },
                   [this](const device::ModeSet& v) { readerTab_->render(v); },
                   [this](const device::Acknowledgement& v) { services_.setStatus(v.statusText()); },
                   [](const auto&) {},
               },
               value);
}

int MainWindow::openTab() const {
    return tabs_->currentIndex();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    saveSettings();
    closePort();
    portPanel_->scanTimer().stop();
    if (splash_) splash_->close();
    event->accept();
}

}  // namespace kestrel
