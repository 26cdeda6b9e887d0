#include "ui/mainwindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>

#include "device/commands.h"
#include "device/ranges.h"
#include "device/texts.h"
#include "protocol/hexid.h"
#include "protocol/numinput.h"
#include "protocol/translation.h"
#include "serial/networkport.h"
#include "serial/serialport.h"
#include "ui/accessiblenames.h"
#include "ui/bridgetab.h"
#include "ui/busoverviewwindow.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"
#include "ui/openedlog.h"
#include "ui/pictures.h"
#include "ui/portpanel.h"
#include "ui/readertab.h"
#include "ui/servicepanel.h"
#include "ui/settings.h"
#include "ui/splashwindow.h"
#include "ui/stalemark.h"
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

// The direction line as the settings file and the menu's control names keep it: none, rts, dtr.
QString directionKey(DirectionLine line) {
    return line == DirectionLine::None ? QStringLiteral("none") : directionLineName(line).toLower();
}
// Lamp colours, 0xBBGGRR.
constexpr quint32 kLampYellowAtStart = 0x00FFFF;  // RGB(255,255,0)
constexpr quint32 kLampYellowClosed = 0x10FFFF;   // RGB(255,255,16)
constexpr quint32 kLampWhite = 0xFFFFFF;
constexpr quint32 kLampGrey = 0x808080;
constexpr quint32 kLampRed = 0x0000FF;
constexpr int kLookForLostPortMs = 250;
constexpr quint32 kLampWaiting = 0x0080FF;  // orange: a lost port is waited for
constexpr int kLevelBarRange = 1024;
constexpr int kClientWidth = 892;
constexpr int kClientHeight = 429;

QString noData() {
    return Texts::tr("нет данных");
}
QString noDataClosed() {
    return Texts::tr("Нет данных");
}
QString noDevices() {
    return Texts::tr("Не определены");
}
QString noReaderData() {
    return Texts::tr("Нет данных со считывателя с номером ");
}
QString noTag() {
    return Texts::tr("Нет связи с меткой ");
}
QString noBridge() {
    return Texts::tr("Нет связи с удаленным считывателем");
}

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

MainWindow::MainWindow(SerialPort& port, Dialogs& dialogs, QWidget* parent)
    : MainWindow(port, dialogs, Options{}, parent) {}

MainWindow::MainWindow(SerialPort& port, Dialogs& dialogs, Options options, QWidget* parent)
    : QWidget(parent), port_(port), dialogs_(dialogs), options_(options) {
    setObjectName(ctl::frmSerial);
    setWindowTitle(kAppTitle);
    DeviceSession::Options session;
    session.timing = options_.timing;
    session.logFile = options_.logFile;
    session.reconnect = options_.reconnect;
    session.lookForLostPortMs = std::min(kLookForLostPortMs, options_.scanMs);
    session_ = new DeviceSession(port_, session, this);
    services_.session = session_;
    services_.dialogs = &dialogs_;
    buildControls();
    nameControlsForScreenReaders(*this);
    connectSession();
    startUp();
    restoreSettings();
    awaitedPort_ = options_.awaitedPort;
    if (!awaitedPort_.isEmpty())
        showLinkEvent(Texts::tr("Порт %1 не найден; он будет выбран, когда появится.").arg(awaitedPort_));
}

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
    reconnect_->setChecked(s.reconnect);
    QStringList servers = s.servers;
    for (const QString& name : port_.networkPorts())
        if (!servers.contains(name)) servers.append(name);
    port_.setNetworkPorts(servers);
    if (QAction* a = echoActions_.value(s.echo)) a->trigger();
    if (QAction* a = directionActions_.value(s.direction)) a->trigger();
    language_ = s.language;
    tabs_->setCurrentIndex(s.tab);
    if (const NumberResult n =
            parseWholeNumber(s.address, device::range::kDeviceAddress.min, device::range::kDeviceAddress.max);
        n.ok())
        selectAddress(static_cast<quint8>(n.value));
    lastRunPort_ = s.portIdentity;
    if (!options_.portNamed) rememberedPort_ = s.portIdentity;
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
    s.portIdentity = session_->portIdentity().isEmpty() ? lastRunPort_ : session_->portIdentity();
    // A closed port's address list is back to "0": the address of the last port open is the one to keep.
    const auto address = session_->address();
    const QString addressed = address ? QString::number(*address) : QString();
    s.address =
        session_->link() == DeviceSession::Link::Open || lastAddress_.isEmpty() ? addressed : lastAddress_;
    s.tab = openTab();
    s.reconnect = reconnect_->isChecked();
    s.servers = port_.networkPorts();
    s.echo = echoModeKey(session_->echoMode());
    s.direction = directionKey(session_->directionLine());
    s.language = language_;
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
    portPanel_ = new PortPanel(port_, dialogs_, w, options_.scanMs);

    label(w, ctl::Label4, Texts::tr("Сетевой Адрес"), QRect(8, 106, 104, 24));
    addressList_ = place<QComboBox>(w, ctl::CmbNet, QRect(112, 106, 80, 24), kOp);
    addressList_->setEditable(true);
    addressList_->setInsertPolicy(QComboBox::NoInsert);
    addressList_->setCompleter(nullptr);
    lamp_ = place<Lamp>(w, ctl::Pic, QRect(210, 102, 32, 32));
    lamp_->setColour(kLampYellowAtStart);
    lamp_->setToolTip(
        Texts::tr("Обмен с устройством:\n"
                  "красный — на последний запрос пришёл ответ (любой, и с ошибкой тоже);\n"
                  "белый и серый по очереди — запросы уходят, ответа нет;\n"
                  "оранжевый — порт потерян, ожидание его возвращения;\n"
                  "жёлтый — порт закрыт."));

    auto* net = button(w, ctl::net, Texts::tr("Изменить &сетевой адрес"), QRect(8, 138, 240, 28), kOp);
    auto* search = button(w, ctl::Opros, Texts::tr("&Поиск считывателя"), QRect(8, 170, 240, 28), kOp);
    label(w, ctl::Label3, Texts::tr("Устройства в сети:"), QRect(8, 202, 120, 22));
    devicesFound_ = readout(w, ctl::netdev, noDevices(), QRect(128, 202, 120, 22), kOp);

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

    QLabel* status = label(w, ctl::MsgCom, QString(), QRect(8, 312, 240, 60), kOp);
    status->setFrameShape(QFrame::Panel);
    status->setFrameShadow(QFrame::Sunken);
    status->setWordWrap(true);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    services_.status = status;

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

    levelBar_ = place<LevelBar>(w, ctl::ProgressBar1, QRect(8, 402, 876, 20));
    levelBar_->setRange(0, kLevelBarRange);
    levelBar_->setValue(0);
    levelBar_->setTextVisible(false);
    levelBar_->setToolTip(
        Texts::tr("Уровень из текущих параметров считывателя (как «Уровень» на сервисной "
                  "панели), от 0 слева до 1024 справа. Значение 1024 и больше, как и ответ "
                  "без уровня, полосу не меняет."));

    buildServicePanel();
    trafficLog_ = new TrafficLogWindow(dialogs_, this, options_.logRows);
    trend_ = new TrendWindow(dialogs_, this, options_.trendKeepMs);
    logOpener_ = new LogOpener(dialogs_, this);
    busOverview_ = new BusOverviewWindow(*session_, dialogs_, this);
    // A reader chosen in the overview is addressed here, as if the engineer had picked it from the list.
    connect(busOverview_, &BusOverviewWindow::addressChosen, this, [this](quint8 address) {
        selectAddress(address);
        raise();
        activateWindow();
    });
    buildMenu();
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
        rememberedPort_.clear();
        awaitedPort_.clear();
        if (session_->waitingForPort()) closePort();
    });
    connect(&portPanel_->scanTimer(), &QTimer::timeout, this, &MainWindow::scanPorts);
    connect(net, &QPushButton::clicked, this, &MainWindow::changeNetAddress);
    connect(search, &QPushButton::clicked, this, &MainWindow::searchBus);
    // The selected item is the addressed device: each item carries its address as a number.
    connect(addressList_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QVariant address = index >= 0 ? addressList_->itemData(index) : QVariant();
        session_->setAddress(address.isValid() ? std::optional<quint8>(address.value<quint8>())
                                               : std::nullopt);
    });
    connect(tabs_, &QTabWidget::currentChanged, this,
            [this](int index) { session_->setView(static_cast<Tab>(index)); });
    // Typing over the address asks the selected device for its identification again.
    connect(addressList_->lineEdit(), &QLineEdit::textEdited, session_, &DeviceSession::identifyAgain);
    connect(addressList_->lineEdit(), &QLineEdit::returnPressed, this, &MainWindow::addressEntered);
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
    QGroupBox* f5 = frame(area, ctl::Frame5, Texts::tr("Текущие параметры"), {}, kOp);
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
    panel->add(Column::Commands, f5);

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

void MainWindow::buildMenu() {
    auto add = [this](QMenu* menu, const QString& name, const QString& text, const QKeySequence& keys,
                      auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        a->setShortcut(keys);
        // The keys work from the log, trend and panel windows too.
        a->setShortcutContext(Qt::ApplicationShortcut);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto raise = [](QWidget* w) {
        // The whole window on the screen, whatever its scale.
        if (!w->isVisible()) w->resize(sizeWithinScreen(w, w->size()));
        w->show();
        w->raise();
        w->activateWindow();
    };
    // "Файл" first, as on every desktop: a recorded log opened, the traffic log saved as CSV (the log's own
    // save), and the exit,
    // which closes the window as its close button does (the settings saved, the port closed).
    QMenu* file = menuBar_->addMenu(Texts::tr("&Файл"));
    file->setObjectName(ctl::menuFile);
    add(file, ctl::actionOpenLog, Texts::tr("&Открыть журнал…"), QKeySequence(Qt::CTRL | Qt::Key_O),
        [this] { logOpener_->askAndOpen(); });
    add(file, ctl::actionSaveLog, Texts::tr("&Сохранить журнал обмена…"), QKeySequence(),
        [this] { trafficLog_->saveCsv(); });
    file->addSeparator();
    add(file, ctl::actionExit, Texts::tr("&Выход"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
    QMenu* view = menuBar_->addMenu(Texts::tr("&Вид"));
    view->setObjectName(ctl::menuView);
    add(view, ctl::actionTrafficLog, Texts::tr("&Журнал обмена"), QKeySequence(Qt::CTRL | Qt::Key_L),
        [this, raise] { raise(trafficLog_); });
    add(view, ctl::actionTrend, Texts::tr("&График"), QKeySequence(Qt::CTRL | Qt::Key_G),
        [this, raise] { raise(trend_); });
    add(view, ctl::actionServicePanel, Texts::tr("&Сервисная панель"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this, raise] { raise(servicePanel_); });
    add(view, ctl::actionBusOverview, Texts::tr("&Обзор шины"), QKeySequence(Qt::CTRL | Qt::Key_B),
        [this, raise] { raise(busOverview_); });
    // The language: remembered, and in effect from the next start (the texts are set as the window is built).
    QMenu* languages = view->addMenu(Texts::tr("&Язык"));
    languages->setObjectName(ctl::menuLanguage);
    auto* languageGroup = new QActionGroup(languages);
    const std::pair<const char*, QString> choices[] = {{"ru", QStringLiteral("Русский")},
                                                       {"en", QStringLiteral("English")}};
    for (const auto& [code, name] : choices) {
        QAction* a = languages->addAction(name);
        a->setObjectName(ctl::actionLanguage + QString::fromLatin1(code));
        a->setCheckable(true);
        a->setChecked(options_.language == QLatin1String(code));
        languageGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, language = QString::fromLatin1(code)] {
            if (language == language_) return;
            language_ = language;
            if (language != options_.language)
                dialogs_.message(Texts::tr("Язык будет изменён при следующем запуске программы."),
                                 Dialogs::Icon::None, Texts::tr("Язык"));
        });
    }
    QMenu* link = menuBar_->addMenu(Texts::tr("Свя&зь"));
    link->setObjectName(ctl::menuLink);
    reconnect_ = link->addAction(Texts::tr("Переподключаться &автоматически"));
    reconnect_->setObjectName(ctl::actionReconnect);
    reconnect_->setCheckable(true);
    reconnect_->setChecked(options_.reconnect);
    connect(reconnect_, &QAction::toggled, session_, &DeviceSession::setReconnect);
    networkPort_ =
        add(link, ctl::actionNetworkPort, Texts::tr("&Сервер портов TCP…"), {}, [this] { addNetworkPort(); });
    // The choices go to the session as they are made; the session keeps them, and the settings file
    // takes them from there.
    QMenu* echo = link->addMenu(Texts::tr("&Эхо запроса"));
    echo->setObjectName(ctl::menuEcho);
    auto* echoGroup = new QActionGroup(echo);
    const std::pair<EchoMode, QString> echoChoices[] = {
        {EchoMode::Auto, Texts::tr("&Авто: убирать точную копию запроса")},
        {EchoMode::On, Texts::tr("&Всегда убирать")},
        {EchoMode::Off, Texts::tr("&Не убирать")}};
    for (const auto& [mode, text] : echoChoices) {
        QAction* a = echo->addAction(text);
        a->setObjectName(ctl::actionEcho + echoModeKey(mode));
        a->setCheckable(true);
        a->setChecked(mode == session_->echoMode());
        echoGroup->addAction(a);
        echoActions_[echoModeKey(mode)] = a;
        connect(a, &QAction::triggered, session_, [this, mode = mode] { session_->setEchoMode(mode); });
    }
    QMenu* direction = link->addMenu(Texts::tr("&Управление направлением передачи"));
    direction->setObjectName(ctl::menuDirection);
    auto* directionGroup = new QActionGroup(direction);
    const std::pair<DirectionLine, QString> directionChoices[] = {
        {DirectionLine::None, Texts::tr("&Нет (адаптер сам)")},
        {DirectionLine::Rts, Texts::tr("&RTS на время передачи")},
        {DirectionLine::Dtr, Texts::tr("&DTR на время передачи")}};
    for (const auto& [line, text] : directionChoices) {
        QAction* a = direction->addAction(text);
        const QString key = directionKey(line);
        a->setObjectName(ctl::actionDirection + key);
        a->setCheckable(true);
        a->setChecked(line == session_->directionLine());
        directionGroup->addAction(a);
        directionActions_[key] = a;
        connect(a, &QAction::triggered, session_, [this, line = line] { session_->setDirectionLine(line); });
    }
    QMenu* help = menuBar_->addMenu(Texts::tr("Сп&равка"));
    help->setObjectName(ctl::menuHelp);
    add(help, ctl::actionAbout, Texts::tr("&О программе"), QKeySequence(Qt::Key_F1), [this] { showAbout(); });
}

void MainWindow::showAbout() {
    dialogs_.message(Texts::tr("%1 %2\n"
                               "Сервисная программа для считывателей, радиометок и мостов на шине RS-485.\n\n"
                               "Qt %3\n"
                               "Лицензия: MIT")
                         .arg(kAppTitle, QStringLiteral(KESTREL_VERSION), QString::fromLatin1(qVersion())),
                     Dialogs::Icon::None, Texts::tr("О программе"));
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
        selectAddress(session_->address());
        tabs_->setCurrentIndex(session_->view());
    });
    connect(s, &DeviceSession::linkFailed, this, [this](const QString& reason) {
        dialogs_.message(reason);
        closePort();
    });
    connect(s, &DeviceSession::logFileFailed, this,
            [this](const QString& text) { dialogs_.message(text, Dialogs::Icon::Exclamation); });
    connect(s, &DeviceSession::recorded, this, &MainWindow::record);
    connect(s, &DeviceSession::answered, this, qOverload<const device::DeviceValue&>(&MainWindow::render));
    connect(s, &DeviceSession::settingsAnnounced, this,
            [this] { services_.setStatus(text::settingsReceived()); });
    connect(s, &DeviceSession::settingsForPanels, readerTab_, &ReaderTab::showSettings);
    connect(s, &DeviceSession::tagIdForFrame, tagTab_, &TagTab::showIdentifierInFrame);

    const DeviceModel& m = s->model();
    connect(&m, &DeviceModel::liveChanged, this, &MainWindow::renderLive);
    connect(&m, &DeviceModel::rotationChanged, this, &MainWindow::renderRotation);
    connect(&m, &DeviceModel::identityChanged, this, &MainWindow::renderIdentity);
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

// What the replies showed and is no longer current is greyed, with since when in its tooltip: the
// identity and the live reading here, the rest in the tab views.
void MainWindow::showStaleness() {
    const DeviceModel& m = session_->model();
    kestrel::showStaleness({serial_, firmware_}, m.staleness(Reading::Identity));
    kestrel::showStaleness(
        {address_, tagId_, levelBar_, level_, temperature_, current_, emptyLevel_, second_, rotation_},
        m.staleness(Reading::Live));
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
    addAddress(0);
    addressList_->setCurrentIndex(0);
    for (QWidget* c : std::initializer_list<QWidget*>{arrowRight_, arrowLeft_, stopSign_, truck_,
                                                      rotationCaption_, rotation_})
        c->hide();
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
    QString line;
    for (const QString& p : portPanel_->scan()) line += p + QStringLiteral(", ");
    services_.trace->appendTraceText(line + kLineBreak);
    if (session_->waitingForPort()) session_->lookForLostPort();
    // The port of the last run is selected when it is listed; opening it takes a click.
    if (!rememberedPort_.isEmpty() && session_->link() == DeviceSession::Link::Closed) {
        const int index = portPanel_->indexOfIdentity(rememberedPort_);
        if (index >= 0) {
            portPanel_->select(index);
            rememberedPort_.clear();
        }
    }
    if (!awaitedPort_.isEmpty() && session_->link() == DeviceSession::Link::Closed) {
        const int index = portPanel_->indexOfName(awaitedPort_);
        if (index >= 0) {
            portPanel_->select(index);
            showLinkEvent(Texts::tr("Порт %1 появился и выбран.").arg(awaitedPort_));
            awaitedPort_.clear();
        }
    }
}

void MainWindow::openPort() {
    rememberedPort_.clear();
    awaitedPort_.clear();
    // While a lost port is waited for, the session tries that port only, never the one the list shows.
    if (session_->waitingForPort()) return session_->lookForLostPort();
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
    const Link before = std::exchange(shownLink_, link);
    networkPort_->setEnabled(link == Link::Closed);
    if (before == Link::Open && link != Link::Open && session_->address())
        lastAddress_ = QString::number(*session_->address());
    if (link == Link::Open) {
        portPanel_->scanTimer().stop();
        portPanel_->holdName({});
        if (before != Link::Open) toggleOperationControls(*this);
        portPanel_->openButton()->setEnabled(false);
        portPanel_->closeButton()->setEnabled(true);
        return;
    }
    shutDownPort();
    trend_->addGap(QDateTime::currentDateTimeUtc(),
                   link == Link::Waiting ? TrendGap::PortLost : TrendGap::PortClosed);
    if (link == Link::Waiting) {
        portPanel_->holdName(session_->portName());
        portPanel_->refresh();
        portPanel_->openButton()->setEnabled(false);
        portPanel_->closeButton()->setEnabled(true);
        lamp_->setColour(kLampWaiting);
    } else {
        portPanel_->holdName({});
    }
}

// A serial device server typed by the engineer joins the port list (and is remembered) and is selected.
void MainWindow::addNetworkPort() {
    const QString name = dialogs_
                             .input(Texts::tr("Адрес сервера последовательных портов (режим TCP-сервера):"),
                                    Texts::tr("Сервер портов TCP"), QStringLiteral("tcp://"))
                             .trimmed();
    if (name.isEmpty() || name == QLatin1String("tcp://")) return;
    QString refusal;
    if (!parseNetworkPortName(name, &refusal)) return dialogs_.message(refusal, Dialogs::Icon::Exclamation);
    QStringList servers = port_.networkPorts();
    servers.removeAll(name);
    servers.append(name);
    port_.setNetworkPorts(servers);
    portPanel_->selectName(name);
}

void MainWindow::showLinkEvent(const QString& text) {
    services_.setStatus(text);
    trafficLog_->addEvent(text);
}

void MainWindow::shutDownPort() {
    disableOperationControls(*this);
    portPanel_->openButton()->setEnabled(true);
    addressList_->clear();
    addAddress(0);
    addressList_->setCurrentIndex(0);
    serial_->setText(QStringLiteral("0"));
    firmware_->setText(QStringLiteral("--------"));
    for (QLabel* l : {current_, temperature_, level_, emptyLevel_, tagId_, address_})
        l->setText(noDataClosed());
    levelBar_->setValue(0);
    services_.setStatus(QString());
    devicesFound_->setText(noDevices());
    lamp_->setColour(kLampYellowClosed);
    portPanel_->scanTimer().start();
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

void MainWindow::selectAddress(std::optional<quint8> address) {
    if (!address) return addressList_->setCurrentIndex(-1);
    const QString text = QString::number(*address);
    if (addressList_->findText(text) < 0) addAddress(*address);
    addressList_->setCurrentIndex(addressList_->findText(text));
}

void MainWindow::addAddress(quint8 address) {
    addressList_->addItem(QString::number(address), QVariant::fromValue(address));
}

void MainWindow::addressEntered() {
    // A typed address (one a device can have) becomes the addressed device, as if chosen from the list.
    const NumberResult n = parseWholeNumber(addressList_->currentText(), device::range::kDeviceAddress.min,
                                            device::range::kDeviceAddress.max);
    if (!n.ok()) {
        if (addressList_->currentIndex() >= 0)
            addressList_->setEditText(addressList_->itemText(addressList_->currentIndex()));
        return;
    }
    const QString text = QString::number(n.value);
    int index = addressList_->findText(text);
    if (index < 0) {
        addAddress(static_cast<quint8>(n.value));
        index = addressList_->count() - 1;
    }
    addressList_->setCurrentIndex(index);
    addressList_->setEditText(text);
}

void MainWindow::changeNetAddress() {
    const int index = addressList_->currentIndex();
    const QString current = index >= 0 ? addressList_->itemText(index) : QString();
    const QString answer =
        dialogs_.input(Texts::tr("Введите новый сетевой номер"), Texts::tr("Ввод сетевого номера"), current);
    if (answer.isEmpty()) return;
    const auto r = device::setNetAddressRequest(services_.address(), answer);
    if (!r.ok()) return services_.tellRefusal(r);
    services_.session->sendAlso(r.frame);
    services_.traceBytes(services_.session->pendingRequest());
}

void MainWindow::searchBus() {
    session_->searchBus();
    services_.traceBytes(session_->pendingRequest());
}

void MainWindow::showSilence(int tab) {
    if (!silenceShown_) {
        statusBeforeSilence_ = services_.status->text();
        silenceShown_ = true;
    }
    if (tab == TabReader)
        services_.setStatus(noReaderData() +
                            (session_->address() ? QString::number(*session_->address()) : QString()));
    else if (tab == TabTag)
        services_.setStatus(noTag());
    else if (tab == TabBridge)
        services_.setStatus(noBridge());
}

void MainWindow::endSilence() {
    if (!silenceShown_) return;
    services_.setStatus(statusBeforeSilence_);
    silenceShown_ = false;
}

// The replies the model does not keep: tables, acknowledgements, the bus search's answer.
void MainWindow::render(const device::DeviceValue& value) {
    std::visit(Overloaded{
                   [this](const device::PollAnswer& v) { render(v); },
                   [this](const device::BoundIdTable& v) { readerTab_->render(v); },
                   [this](const device::ResetDelay& v) { readerTab_->render(v); },
                   [this](const device::ModeSet& v) { readerTab_->render(v); },
                   [this](const device::Acknowledgement& v) { services_.setStatus(v.statusText()); },
                   [](const auto&) {},
               },
               value);
}

void MainWindow::renderLive() {
    const device::LiveReading& v = *session_->model().live().value;
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

void MainWindow::renderRotation() {
    const std::optional<Rotation> rotation = session_->model().rotation();
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

void MainWindow::renderIdentity() {
    const device::Identification& v = *session_->model().identity().value;
    if (!v.serial) {
        serial_->setText(QStringLiteral("????????"));
        return;
    }
    serial_->setText(QString::number(*v.serial));
    if (!v.deviceType) return;
    firmware_->setText(v.firmwareText());
}

void MainWindow::render(const device::PollAnswer& v) {
    // Every byte is the address of one device, in the order they answered; duplicates are kept. The list
    // is filled quietly and the first device addressed once: a search answered by the device already
    // addressed leaves its address, and the marks on its values, as they were.
    QString caption;
    {
        const QSignalBlocker quiet(addressList_);
        addressList_->clear();
        for (const char b : v.addresses) {
            addAddress(static_cast<quint8>(b));
            caption += QString::number(static_cast<quint8>(b)) + QLatin1Char(' ');
        }
        addressList_->setCurrentIndex(0);
    }
    session_->setAddress(v.addresses.isEmpty() ? std::nullopt
                                               : std::optional<quint8>(static_cast<quint8>(v.addresses[0])));
    devicesFound_->setText(caption);
    services_.trace->setTraceText(hexDump(v.addresses, QLatin1Char(' ')));
    services_.setStatus(text::networkPolled());
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
