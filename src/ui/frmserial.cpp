#include "ui/frmserial.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "protocol/numinput.h"
#include "protocol/trace.h"
#include "serial/serialport.h"
#include "ui/controlgroups.h"
#include "ui/form2.h"
#include "ui/pictures.h"
#include "ui/widgets.h"

namespace kestrel {

// Feature factory: each reader and tag feature registers itself here (see features.cpp).
std::vector<std::unique_ptr<QObject>> createFeatureObjects(FeatureContext& ctx);

namespace {

constexpr int kTagPort = 2;
constexpr int kTagPortList = 7;
constexpr int kTagOperation = 9;
constexpr int kTagRepeater = 220;
constexpr quint32 kLampYellowAtStart = 0x00FFFF;  // RGB(255,255,0)
constexpr quint32 kLampYellowClosed = 0x10FFFF;   // RGB(255,255,16)

const QString kNoData = QStringLiteral("нет данных");
const QString kNoDataClosed = QStringLiteral("Нет данных");

template <typename T>
T* place(QWidget* parent, const QString& name, int x, int y, int w, int h, std::optional<int> tag = std::nullopt) {
    T* control = new T(parent);
    control->setObjectName(name);
    control->setGeometry(x, y, w, h);
    if (tag) setTag(control, *tag);
    return control;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h,
              std::optional<int> tag = std::nullopt) {
    QLabel* l = place<QLabel>(parent, name, x, y, w, h, tag);
    l->setText(text);
    return l;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h,
                    std::optional<int> tag = std::nullopt) {
    QPushButton* b = place<QPushButton>(parent, name, x, y, w, h, tag);
    b->setText(text);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* edit(QWidget* parent, const QString& name, int x, int y, int w, int h,
                std::optional<int> tag = std::nullopt, const QString& text = {}) {
    QLineEdit* e = place<QLineEdit>(parent, name, x, y, w, h, tag);
    e->setText(text);
    return e;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& title, int x, int y, int w, int h,
                 std::optional<int> tag = std::nullopt) {
    QGroupBox* g = place<QGroupBox>(parent, name, x, y, w, h, tag);
    g->setTitle(title);
    return g;
}

// A read-out: a sunken label.
QLabel* readout(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h,
                std::optional<int> tag = std::nullopt) {
    QLabel* l = label(parent, name, text, x, y, w, h, tag);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

}  // namespace

frmSerial::frmSerial(SerialPort& port, Dialogs& dialogs, QWidget* parent)
    : frmSerial(port, dialogs, Options{}, parent) {}

frmSerial::frmSerial(SerialPort& port, Dialogs& dialogs, Options options, QWidget* parent)
    : QWidget(parent), port_(port), dialogs_(dialogs), options_(options) {
    setObjectName(QStringLiteral("frmSerial"));
    setWindowTitle(kAppTitle);
    cycle_ = std::make_unique<ExchangeCycle>(port_, *this, options_.timing, this);
    buildControls();
    createFeatures();
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(options_.timer1Ms);
    connect(&timer1_, &QTimer::timeout, this, &frmSerial::Timer1_Timer);
    Form_Load();
}

Form2* frmSerial::startupPicture() const { return form2_.data(); }

frmSerial::~frmSerial() {
    timer1_.stop();
    cycle_->stop();
    port_.close();
    if (form2_) delete form2_.data();
}

void frmSerial::buildControls() {
    setFixedSize(892, 429);
    QWidget* w = this;

    CmbPort = place<QComboBox>(w, QStringLiteral("CmbPort"), 8, 8, 240, 24, kTagPortList);

    QGroupBox* frame2 = frame(w, QStringLiteral("Frame2"), QStringLiteral("Связь"), 8, 36, 240, 62, kTagPort);
    BTNOpenCom = button(frame2, QStringLiteral("BTNOpenCom"), QStringLiteral("Открыть порт"), 8, 24, 108, 28, kTagPort);
    BTNCloseCom = button(frame2, QStringLiteral("BTNCloseCom"), QStringLiteral("Закрыть порт"), 124, 24, 108, 28,
                         kTagOperation);

    label(w, QStringLiteral("Label4"), QStringLiteral("Сетевой Адрес"), 8, 106, 104, 24);
    CmbNet = place<QComboBox>(w, QStringLiteral("CmbNet"), 112, 106, 80, 24, kTagOperation);
    CmbNet->setEditable(true);
    CmbNet->setInsertPolicy(QComboBox::NoInsert);
    CmbNet->setCompleter(nullptr);
    Pic = place<Lamp>(w, QStringLiteral("Pic"), 210, 102, 32, 32);
    Pic->setColour(kLampYellowAtStart);

    button(w, QStringLiteral("net"), QStringLiteral("Изменить &сетевой адрес"), 8, 138, 240, 28, kTagOperation);
    button(w, QStringLiteral("Opros"), QStringLiteral("&Поиск считывателя"), 8, 170, 240, 28, kTagOperation);
    label(w, QStringLiteral("Label3"), QStringLiteral("Устройства в сети:"), 8, 202, 120, 22);
    readout(w, QStringLiteral("netdev"), QStringLiteral("Не определены"), 128, 202, 120, 22, kTagOperation);

    QGroupBox* frame4 = frame(w, QStringLiteral("Frame4"), QStringLiteral("Установки"), 8, 228, 240, 78);
    label(frame4, QStringLiteral("h"), QStringLiteral("ID метки"), 8, 22, 104, 22);
    readout(frame4, QStringLiteral("hi"), kNoData, 112, 22, 120, 22, kTagOperation);
    label(frame4, QStringLiteral("n"), QStringLiteral("Сетевой адрес"), 8, 48, 104, 22);
    readout(frame4, QStringLiteral("ne"), kNoData, 112, 48, 120, 22, kTagOperation);
    // Kept in the frame but never shown.
    readout(frame4, QStringLiteral("ko"), QStringLiteral("0"), 0, 0, 10, 10, kTagOperation)->hide();
    readout(frame4, QStringLiteral("lo"), kNoData, 0, 0, 10, 10, kTagOperation)->hide();
    label(frame4, QStringLiteral("l"), QStringLiteral("Пустой"), 0, 0, 10, 10, kTagOperation)->hide();
    label(frame4, QStringLiteral("k"), QString(), 0, 0, 10, 10, kTagOperation)->hide();

    MsgCom = label(w, QStringLiteral("MsgCom"), QString(), 8, 312, 240, 60, kTagOperation);
    MsgCom->setFrameShape(QFrame::Panel);
    MsgCom->setFrameShadow(QFrame::Sunken);
    MsgCom->setWordWrap(true);
    MsgCom->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    label(w, QStringLiteral("Label5"), QStringLiteral("Сер. Номер"), 258, 8, 80, 22, kTagOperation);
    readout(w, QStringLiteral("sn"), QStringLiteral("0"), 340, 8, 120, 22, kTagOperation);
    label(w, QStringLiteral("ver2"), QStringLiteral("Версия ПО"), 476, 8, 76, 22, kTagOperation);
    readout(w, QStringLiteral("vv"), QStringLiteral("--------------------"), 554, 8, 180, 22, kTagOperation);

    label(w, QStringLiteral("vra"), QStringLiteral("Вращение"), 742, 40, 142, 20, kTagOperation)
        ->setAlignment(Qt::AlignCenter);
    readout(w, QStringLiteral("vraa"), kNoData, 742, 62, 142, 22, kTagOperation)->setAlignment(Qt::AlignCenter);
    auto picture = [&](const QString& name, const QPixmap& pm, int x, int y) {
        QLabel* l = place<QLabel>(w, name, x, y, pm.width(), pm.height());
        l->setPixmap(pm);
        return l;
    };
    picture(QStringLiteral("Image6"), drawTruck(), 766, 92);
    picture(QStringLiteral("Image1"), drawArrow(true), 783, 200);
    picture(QStringLiteral("Image2"), drawArrow(false), 783, 200);
    picture(QStringLiteral("Image3"), drawStopSign(), 783, 200);

    SSTab1 = place<QTabWidget>(w, QStringLiteral("SSTab1"), 256, 36, 480, 360);
    auto page = [&](const QString& name, const QString& title) {
        QWidget* p = new QWidget;
        p->setObjectName(name);
        SSTab1->addTab(p, title);
        return p;
    };
    buildReaderTab(page(QStringLiteral("tabReader"), QStringLiteral("Считыватель")));
    buildTagTab(page(QStringLiteral("tabTag"), QStringLiteral("метка")));
    buildBridgeTab(page(QStringLiteral("tabBridge"), QStringLiteral("мост")));

    ProgressBar1 = place<QProgressBar>(w, QStringLiteral("ProgressBar1"), 8, 402, 876, 20);
    ProgressBar1->setRange(0, 1024);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    buildHiddenControls();
}

void frmSerial::buildReaderTab(QWidget* p) {
    const int t = kTagOperation;
    QGroupBox* modes = frame(p, QStringLiteral("modes"), QStringLiteral("Режимы считывателя"), 6, 6, 226, 202, t);
    R_a = place<QRadioButton>(modes, QStringLiteral("R_a"), 10, 22, 206, 22, t);
    R_a->setText(QStringLiteral("Считыватель"));
    R_f = place<QRadioButton>(modes, QStringLiteral("R_f"), 10, 44, 206, 22, t);
    R_f->setText(QStringLiteral("Считыватель-индикатор"));
    R_p485 = place<QRadioButton>(modes, QStringLiteral("R_p485"), 10, 66, 206, 22, t);
    R_p485->setText(QStringLiteral("Метка  с питанием"));
    R485 = place<QRadioButton>(modes, QStringLiteral("R485"), 10, 88, 206, 22, t);
    R485->setText(QStringLiteral("Мост"));
    R_p = place<QRadioButton>(modes, QStringLiteral("R_p"), 10, 110, 22, 22, kTagRepeater);
    label(modes, QStringLiteral("Label2"), QStringLiteral("Повторитель"), 32, 110, 180, 22, kTagRepeater);
    auto* group = new QButtonGroup(modes);
    for (QRadioButton* r : {R_a, R_f, R_p485, R485, R_p}) {
        group->addButton(r);
        connect(r, &QRadioButton::toggled, this, [this, r](bool on) {
            if (on) optionSelected(r);
        });
    }
    usredn = place<QCheckBox>(modes, QStringLiteral("usredn"), 26, 134, 22, 22, t);
    usred = label(modes, QStringLiteral("usred"), QStringLiteral("Частотный выход"), 48, 134, 170, 22, t);
    iinv = place<QCheckBox>(modes, QStringLiteral("iinv"), 26, 156, 22, 22, t);
    invers = label(modes, QStringLiteral("invers"), QStringLiteral("Мастер"), 48, 156, 60, 22, t);
    button(modes, QStringLiteral("Set_mode"), QStringLiteral("&Установить"), 116, 170, 100, 26, t);

    QGroupBox* f7 = frame(p, QStringLiteral("Frame7"), QStringLiteral("Параметры"), 6, 212, 226, 116, t);
    label(f7, QStringLiteral("lblNumNet"), QStringLiteral("Номер сети"), 8, 16, 110, 22, t);
    edit(f7, QStringLiteral("num_net"), 120, 16, 96, 22, t);
    label(f7, QStringLiteral("lblNKan"), QStringLiteral("Номер Канала"), 8, 40, 110, 22, t);
    edit(f7, QStringLiteral("n_kan"), 120, 40, 96, 22, t);
    label(f7, QStringLiteral("lblPpow"), QStringLiteral("Мощность"), 8, 64, 110, 22, t);
    edit(f7, QStringLiteral("ppow"), 120, 64, 96, 22, t);
    button(f7, QStringLiteral("param"), QStringLiteral("Установить"), 116, 89, 100, 24, t);

    QGroupBox* f8 = frame(p, QStringLiteral("Frame8"), QStringLiteral("Доп. параметры"), 238, 6, 230, 86, t);
    label(f8, QStringLiteral("lblZad2"), QStringLiteral("Задержка обнуления ID"), 6, 22, 162, 22, t);
    edit(f8, QStringLiteral("Zad2"), 168, 22, 54, 22, t)->setToolTip(QStringLiteral("0...6000"));
    button(f8, QStringLiteral("Command2"), QStringLiteral("Установить"), 8, 52, 104, 26, t);
    button(f8, QStringLiteral("RD_DP"), QStringLiteral("Считать"), 116, 52, 104, 26, t);

    QGroupBox* f9 = frame(p, QStringLiteral("Frame9"), QStringLiteral("Привязанные ID"), 238, 96, 230, 232, t);
    for (int i = 0; i < 10; ++i) {
        const int col = i / 5;
        const int row = i % 5;
        const int x = 8 + col * 110;
        const int y = 22 + row * 22;
        label(f9, QStringLiteral("lblCell%1").arg(i + 1), QString::number(i + 1), x, y, 22, 20, t)
            ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        readout(f9, QStringLiteral("m1(%1)").arg(i), QStringLiteral("0"), x + 26, y, 80, 20, t);
    }
    label(f9, QStringLiteral("lblPlm"), QStringLiteral("N яч."), 8, 136, 60, 20, t);
    edit(f9, QStringLiteral("plm"), 8, 156, 60, 22, t);
    label(f9, QStringLiteral("lblIddm"), QStringLiteral("ID метки"), 76, 136, 144, 20, t);
    edit(f9, QStringLiteral("iddm"), 76, 156, 144, 22, t);
    button(f9, QStringLiteral("Command3"), QStringLiteral("установить"), 6, 192, 80, 26, t);
    button(f9, QStringLiteral("ids_r"), QStringLiteral("считать"), 88, 192, 64, 26, t);
    button(f9, QStringLiteral("ids_clr"), QStringLiteral("очистить"), 154, 192, 70, 26, t);
}

void frmSerial::buildTagTab(QWidget* p) {
    const int t = kTagOperation;
    QGroupBox* f6 = frame(p, QStringLiteral("Frame6"), QStringLiteral("Параметры метки"), 6, 6, 330, 322, t);
    struct Row {
        const char* caption;
        const char* name;
        bool isEdit;
        const char* initial;
        const char* tip;
    } rows[] = {
        {"Сер. Ном.", "SerNumMetki", false, "0", nullptr},
        {"Текущий ID", "outID", false, "0", nullptr},
        {"ID Метки", "ID_Metki", true, "", "0...FFFFFF"},
        {"Режим", "ModeMetki", true, "", "1...3"},
        {"Период", "sleep_time", true, "", "0...65535"},
        {"Задержка", "IntervalMetki", true, "", "0...65535"},
        {"Мощность", "PowerMetki", true, "", "-40..8"},
        {"Уровень приема", "UrPr", false, "0", nullptr},
        {"Версия ПО", "outVer", false, "---------", nullptr},
    };
    int y = 22;
    for (const Row& r : rows) {
        const QString name = QString::fromUtf8(r.name);
        label(f6, QStringLiteral("lbl") + name, QString::fromUtf8(r.caption), 10, y, 130, 22, t);
        if (r.isEdit) {
            QLineEdit* e = edit(f6, name, 144, y, 170, 22, t, QString::fromUtf8(r.initial));
            e->setToolTip(QString::fromUtf8(r.tip));
        } else {
            readout(f6, name, QString::fromUtf8(r.initial), 144, y, 170, 22, t);
        }
        y += 28;
    }
    button(f6, QStringLiteral("ReadParamMetki"), QStringLiteral("Считать"), 10, y + 4, 146, 28, t);
    button(f6, QStringLiteral("SetModesMetki"), QStringLiteral("Установить"), 168, y + 4, 146, 28, t);
    QCheckBox* hex = place<QCheckBox>(p, QStringLiteral("Hex_id"), 348, 78, 120, 22, t);
    hex->setText(QStringLiteral("HEX вид."));
    hex->setChecked(true);
}

void frmSerial::buildBridgeTab(QWidget* p) {
    const int t = kTagOperation;
    struct Row {
        const char* caption;
        const char* name;
        const char* initial;
    } rows[] = {
        {"S/N ведомого", "sn_sl", "-"},        {"Температура", "Temp_sl", "нет"}, {"Частота", "fr_sl", "нет"},
        {"уровень приема", "ur_sl", "-160"}, {"Данные RS485", "RR_SL_data", "нет"},
    };
    int y = 20;
    for (const Row& r : rows) {
        const QString name = QString::fromUtf8(r.name);
        label(p, QStringLiteral("lbl") + name, QString::fromUtf8(r.caption), 20, y, 150, 24, t);
        readout(p, name, QString::fromUtf8(r.initial), 176, y, 180, 24, t);
        y += 34;
    }
    label(p, QStringLiteral("lblCheck_sl"), QStringLiteral("Контакт"), 20, y, 150, 24, t);
    QCheckBox* contact = place<QCheckBox>(p, QStringLiteral("Check_sl"), 176, y, 180, 24, t);
    contact->setText(QStringLiteral("Check1"));
    // A read-out of the slave's contact: the user cannot change it.
    contact->setAttribute(Qt::WA_TransparentForMouseEvents);
    contact->setFocusPolicy(Qt::NoFocus);
}

void frmSerial::buildHiddenControls() {
    // Controls that exist and are written, but are never shown.
    QWidget* hidden = place<QWidget>(this, QStringLiteral("hiddenControls"), 0, 0, 892, 429);
    hidden->hide();
    const int t = kTagOperation;

    QGroupBox* f5 = frame(hidden, QStringLiteral("Frame5"), QStringLiteral("Текущие параметры"), 0, 0, 240, 100, t);
    label(f5, QStringLiteral("lblUroven"), QStringLiteral("Уровень"), 8, 20, 80, 20, t);
    readout(f5, QStringLiteral("uroven"), kNoData, 90, 20, 140, 20, t);
    label(f5, QStringLiteral("lblTemp"), QStringLiteral("Темп-ра"), 8, 44, 80, 20, t);
    readout(f5, QStringLiteral("temp"), kNoData, 90, 44, 140, 20, t);
    label(f5, QStringLiteral("lblTek"), QStringLiteral("Текущий"), 8, 68, 80, 20, t);
    readout(f5, QStringLiteral("tek"), kNoData, 90, 68, 140, 20, t);

    QGroupBox* f3 = frame(hidden, QStringLiteral("Frame3"), QStringLiteral("Команды"), 0, 110, 240, 90, t);
    button(f3, QStringLiteral("hig"), QStringLiteral("Установить Полны&й"), 8, 20, 220, 26, t);
    button(f3, QStringLiteral("low"), QStringLiteral("Уст&ановить  Пустой"), 8, 52, 220, 26, t);

    QGroupBox* f1 = frame(hidden, QStringLiteral("Frame1"), QStringLiteral("Commands and Results"), 250, 0, 400, 200);
    label(f1, QStringLiteral("lblTextReturned"), QStringLiteral("Text Returned:"), 8, 20, 200, 20);
    txtRec = place<TraceBox>(f1, QStringLiteral("txtRec"), 8, 42, 384, 150);

    button(hidden, QStringLiteral("Set_ident"), QStringLiteral("Установка идентификационного Номера"), 0, 210, 260, 26, t);
    button(hidden, QStringLiteral("InstSN"), QStringLiteral("Уст. сер. Но&мера Метки"), 0, 240, 200, 26, t);
    button(hidden, QStringLiteral("Command1"), QStringLiteral("Уст. сер ном считывателя"), 0, 270, 200, 26, t);
    button(hidden, QStringLiteral("Command4"), QStringLiteral("Command4"), 0, 300, 100, 26);
    button(hidden, QStringLiteral("Find_metki"), QStringLiteral("Поиск метки"), 0, 330, 120, 26, t);
    button(hidden, QStringLiteral("zapr_data_sl"), QStringLiteral("запрос Е8"), 0, 360, 120, 26);
    button(hidden, QStringLiteral("sl_zapros"), QStringLiteral("Запрос 06"), 130, 360, 120, 26);
    edit(hidden, QStringLiteral("num_bytes"), 260, 210, 60, 22, std::nullopt, QStringLiteral("0"));
    CmdBoxText = place<TraceBox>(hidden, QStringLiteral("CmdBoxText"), 260, 240, 380, 60);
    CmdBoxText->setTraceText(QStringLiteral("Text1"));

    struct Diag {
        const char* name;
        const char* caption;
    } diags[] = {{"outSN", "Серийный Номер"}, {"OutKolBytes", "Кол.Байт"}, {"textOutCmd", "Cmd"},
                 {"outTime", "Интервал"},     {"outMode", "Режим"},       {"outPower", "Мощность"}};
    int y = 10;
    for (const Diag& d : diags) {
        label(hidden, QStringLiteral("lbl_") + QString::fromUtf8(d.name), QString::fromUtf8(d.caption), 660, y, 100, 20);
        readout(hidden, QString::fromUtf8(d.name), QStringLiteral("0"), 760, y, 100, 20);
        y += 24;
    }
    label(hidden, QStringLiteral("lblKolBajt"), QStringLiteral("Кол. байт"), 660, 160, 100, 20);
}

void frmSerial::createFeatures() {
    ctx_ = std::make_unique<FeatureContext>(*cycle_, dialogs_, *this);
    ctx_->Out_modes = [this](quint8 nn) { Out_modes(nn); };
    ctx_->applyDeviceType = [this](int type) { applyDeviceType(*this, type); };
    features_ = createFeatureObjects(*ctx_);
    connect(BTNOpenCom, &QPushButton::clicked, this, &frmSerial::BTNOpenCom_Click);
    connect(BTNCloseCom, &QPushButton::clicked, this, &frmSerial::BTNCloseCom_Click);
    connect(CmbNet->lineEdit(), &QLineEdit::textEdited, this, &frmSerial::CmbNet_Change);
    connect(CmbNet->lineEdit(), &QLineEdit::returnPressed, this, &frmSerial::CmbNet_Enter);
}

void frmSerial::Form_Load() {
    if (options_.showStartupPicture) {
        form2_ = new Form2;
        form2_->show();
    }
    hide();
    startupTicks_ = 0;
    for (QWidget* c : std::initializer_list<QWidget*>{iinv, invers, usredn, usred}) c->hide();
    iinv->setChecked(false);
    usredn->setChecked(false);
    R_a->setChecked(true);
    CmbNet->addItem(QStringLiteral("0"));
    CmbNet->setCurrentIndex(0);
    for (const char* name : {"Image1", "Image2", "Image3", "Image6", "vra", "vraa"}) {
        findChild<QWidget*>(QString::fromLatin1(name))->hide();
    }
    CloseAllTags(*this);
    timer1_.start();
    CmbPort->addItem(QStringLiteral("----"));
    CmbPort->setCurrentIndex(0);
}

void frmSerial::Timer1_Timer() {
    if (startupTicks_ == 1) {
        if (form2_) form2_->hide();
        show();
    }
    startupTicks_ += 1;
    port_.close();
    port_.flush();
    const QStringList ports = port_.availablePorts();
    QString line;
    for (const QString& p : ports) line += p + QStringLiteral(", ");
    txtRec->appendTraceText(line + kLineBreak);
    refreshPortList(ports);
}

void frmSerial::refreshPortList(const QStringList& ports) {
    // Never rebuilt under the user's hand; and a list that did not change keeps its selection as is.
    if (CmbPort->view() && CmbPort->view()->isVisible()) return;
    const QStringList shown = ports.isEmpty() ? QStringList{QStringLiteral("----")} : ports;
    QStringList current;
    for (int i = 0; i < CmbPort->count(); ++i) current << CmbPort->itemText(i);
    if (current == shown && CmbPort->currentIndex() >= 0) return;
    if (ports.isEmpty()) {
        CmbPort->clear();
        CmbPort->addItem(QStringLiteral("----"));
        CmbPort->setCurrentIndex(0);
        return;
    }
    int index = CmbPort->currentIndex();
    CmbPort->clear();
    CmbPort->addItems(ports);
    if (index > CmbPort->count() - 1) index = CmbPort->count() - 1;
    if (index < 0) index = 0;
    CmbPort->setCurrentIndex(index);
}

void frmSerial::BTNOpenCom_Click() {
    timer1_.stop();
    const QString name = CmbPort->currentText();
    if (name.isEmpty() || name.startsWith(QLatin1Char('-'))) {
        dialogs_.message(QStringLiteral("Нет доступных портов"));
        return;
    }
    const OpenResult r = port_.open(name);
    if (r.ok) {
        SwitchTags(*this);
        cycle_->start();
        BTNOpenCom->setEnabled(false);
        return;
    }
    if (r.failure == OpenFailure::Settings) {
        dialogs_.message(QStringLiteral("Unable to set Comm DCB 19200,n,8,1 Error: %1").arg(r.code));
    } else {
        QString text = QStringLiteral("Com Port ") + name + QStringLiteral(" недоступен. Установите нужный порт.");
        if (!r.cause.isEmpty()) text += QStringLiteral("\n") + r.cause;
        dialogs_.message(text, Dialogs::Icon::Exclamation);
    }
    dialogs_.message(name + QStringLiteral(" Not available!"));
}

void frmSerial::BTNCloseCom_Click() {
    cycle_->stop();
    port_.close();
    CloseAllTags(*this);
    BTNOpenCom->setEnabled(true);
    CmbNet->clear();
    CmbNet->addItem(QStringLiteral("0"));
    CmbNet->setCurrentIndex(0);
    findChild<QLabel*>(QStringLiteral("sn"))->setText(QStringLiteral("0"));
    findChild<QLabel*>(QStringLiteral("vv"))->setText(QStringLiteral("--------"));
    for (const char* name : {"tek", "temp", "uroven", "lo", "hi", "ne"}) {
        findChild<QLabel*>(QString::fromLatin1(name))->setText(kNoDataClosed);
    }
    ProgressBar1->setValue(0);
    MsgCom->setText(QString());
    findChild<QLabel*>(QStringLiteral("netdev"))->setText(QStringLiteral("Не определены"));
    Pic->setColour(kLampYellowClosed);
    timer1_.start();
    port_.close();
    port_.flush();
}

void frmSerial::CmbNet_Change() { cycle_->state().wrs = cycle_->Zapros_ser_num(); }

void frmSerial::CmbNet_Enter() {
    // A typed address (0..255) becomes the addressed device, as if chosen from the list.
    const NumberResult n = parseWholeNumber(CmbNet->currentText(), 0, 255);
    if (!n.ok()) {
        if (CmbNet->currentIndex() >= 0) CmbNet->setEditText(CmbNet->itemText(CmbNet->currentIndex()));
        return;
    }
    const QString text = QString::number(n.value);
    int index = CmbNet->findText(text);
    if (index < 0) {
        CmbNet->addItem(text);
        index = CmbNet->count() - 1;
    }
    CmbNet->setCurrentIndex(index);
    CmbNet->setEditText(text);
}

void frmSerial::optionSelected(QRadioButton* option) {
    const bool bridge = option == R485;
    for (QWidget* c : std::initializer_list<QWidget*>{iinv, invers, usredn, usred}) c->setVisible(bridge);
    if (!bridge) {
        iinv->setChecked(false);
        usredn->setChecked(false);
    }
}

void frmSerial::Out_modes(quint8 nn) {
    iinv->setChecked(nn & 0x80);
    QRadioButton* option = nullptr;
    switch (nn & 0x1F) {
        case 0: option = R485; break;
        case 1: option = R_f; break;
        case 2: option = R_a; break;
        case 6: option = R_p; break;
        case 16: option = R_p485; break;
        default: break;
    }
    if (option) {
        option->setChecked(true);
        optionSelected(option);  // as a click would, also when it was already selected
    }
    usredn->setChecked(nn & 0x40);
    cycle_->state().mode_yes = 0;
}

std::optional<QString> frmSerial::selectedAddressText() const {
    // The selected list item; text being typed over it takes effect when it is entered.
    const int index = CmbNet->currentIndex();
    if (index < 0) return std::nullopt;
    return CmbNet->itemText(index);
}

int frmSerial::openTab() const { return SSTab1->currentIndex(); }
QString frmSerial::statusText() const { return MsgCom->text(); }
void frmSerial::setStatusText(const QString& text) { MsgCom->setText(text); }
quint32 frmSerial::lampColour() const { return Pic->colour(); }
void frmSerial::setLampColour(quint32 bgr) { Pic->setColour(bgr); }
void frmSerial::setCmdBoxText(const QString& text) { CmdBoxText->setTraceText(text); }
void frmSerial::setTxtRec(const QString& text) { txtRec->setTraceText(text); }
void frmSerial::showWriteFailure(const QString& message) { dialogs_.message(message); }
void frmSerial::runCloseAction() { BTNCloseCom_Click(); }

void frmSerial::closeEvent(QCloseEvent* event) {
    BTNCloseCom_Click();
    timer1_.stop();
    port_.close();
    if (form2_) form2_->close();
    event->accept();
}

}  // namespace kestrel
