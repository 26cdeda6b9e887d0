#include "ui/busoverviewwindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "bus/sitefile.h"
#include "device/ranges.h"
#include "device/texts.h"
#include "protocol/numinput.h"
#include "protocol/savefile.h"
#include "protocol/translation.h"
#include "session/busoverview.h"
#include "traffic/csv.h"
#include "ui/controlnames.h"
#include "ui/dialogs.h"
#include "ui/sitetagswindow.h"
#include "ui/steadysort.h"

namespace kestrel {

namespace {

constexpr int kRefreshMs = 250;
constexpr int kAgeMs = 1000;
// The tool named in the backups the window writes.
const QString kAppName = QStringLiteral("kestrel-tool");

QString portClosedText() {
    return Texts::tr("Порт закрыт. Опрос шины начнётся, когда порт будет открыт.");
}

}  // namespace

BusOverviewWindow::BusOverviewWindow(DeviceSession& session, Dialogs& dialogs, QWidget* parent,
                                     bus::BusRounds::Options rounds)
    : QWidget(parent, Qt::Window), session_(session), dialogs_(dialogs), options_(rounds) {
    setObjectName(ctl::busOverview);
    setWindowTitle(Texts::tr("Обзор шины"));
    sorted_.setSourceModel(&model_);
    sorted_.setSortRole(BusOverviewModel::SortRole);
    buildControls();
    makeOverview();
    siteTags_ = new SiteTagsWindow(*overview_, dialogs_, this);
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &BusOverviewWindow::refresh);
    ageTimer_.setInterval(kAgeMs);
    connect(&ageTimer_, &QTimer::timeout, this, &BusOverviewWindow::refresh);
    connect(&session_, &DeviceSession::linkChanged, this, &BusOverviewWindow::linkChanged);
    resize(1320, 460);
    showState();
}

BusOverviewWindow::~BusOverviewWindow() = default;

void BusOverviewWindow::buildControls() {
    auto named = [](auto* w, const QString& name) {
        w->setObjectName(name);
        return w;
    };
    auto* layout = new QVBoxLayout(this);
    auto* rounds = new QHBoxLayout;
    layout->addLayout(rounds);
    search_ = named(new QPushButton(Texts::tr("&Поиск")), ctl::busSearch);
    search_->setToolTip(Texts::tr("Найти считыватели на шине; найденные добавляются в таблицу."));
    pause_ = named(new QPushButton(Texts::tr("П&ауза")), ctl::busPause);
    pause_->setCheckable(true);
    pause_->setToolTip(Texts::tr("Пока опрос шины стоит, главное окно опрашивает свой адрес."));
    autoSearch_ =
        named(new QCheckBox(Texts::tr("Искать новые считыватели каждые %1 мин").arg(kAutoSearchMinutes)),
              ctl::busAutoSearch);
    rounds->addWidget(search_);
    rounds->addWidget(pause_);
    rounds->addWidget(autoSearch_);
    rounds->addSpacing(16);
    rounds->addWidget(new QLabel(Texts::tr("Настройки — каждый N-й круг, N:")));
    settingsEvery_ = named(new QSpinBox, ctl::busSettingsEvery);
    settingsEvery_->setRange(1, kMaxSettingsEvery);
    settingsEvery_->setValue(options_.settingsEvery);
    rounds->addWidget(settingsEvery_);
    rounds->addStretch(1);

    auto* list = new QHBoxLayout;
    layout->addLayout(list);
    list->addWidget(new QLabel(Texts::tr("Адрес:")));
    addressBox_ = named(new QLineEdit, ctl::busAddress);
    addressBox_->setMaximumWidth(80);
    list->addWidget(addressBox_);
    add_ = named(new QPushButton(Texts::tr("&Добавить")), ctl::busAdd);
    remove_ = named(new QPushButton(Texts::tr("&Удалить из списка")), ctl::busRemove);
    auto* saveCsvButton = named(new QPushButton(Texts::tr("Сохранить как &CSV…")), ctl::busSaveCsv);
    auto* saveSiteButton = named(new QPushButton(Texts::tr("Сохранить п&лощадку…")), ctl::busSaveSite);
    for (QPushButton* b : {add_, remove_}) list->addWidget(b);
    list->addStretch(1);
    auto* planButton = named(new QPushButton(Texts::tr("Пла&н площадки…")), ctl::busPlan);
    planButton->setToolTip(
        Texts::tr("Загрузить план площадки (CSV): столбцы «Имя» и «План» покажут, как каждый "
                  "считыватель стоит к плану."));
    report_ = named(new QPushButton(Texts::tr("О&тчёт…")), ctl::busReport);
    report_->setToolTip(Texts::tr("Сохранить отчёт о вводе в работу по загруженному плану (HTML или CSV)."));
    report_->setEnabled(false);
    applyPlan_ = named(new QPushButton(Texts::tr("При&менить план…")), ctl::busApplyPlan);
    applyPlan_->setToolTip(
        Texts::tr("Записать настройки плана в выбранные считыватели, чей серийный номер "
                  "совпадает с планом, и проверить их."));
    auto* tagsButton = named(new QPushButton(Texts::tr("Метки пло&щадки…")), ctl::busTags);
    tagsButton->setToolTip(
        Texts::tr("Все метки, которые слышат считыватели: пока окно открыто, круги ищут метки."));
    for (QPushButton* b : {saveCsvButton, saveSiteButton, planButton, report_, applyPlan_, tagsButton})
        list->addWidget(b);

    table_ = named(new QTableView, ctl::busTable);
    table_->setModel(&sorted_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(BusOverviewModel::Address, Qt::AscendingOrder);
    steadySort_ = new SteadySort(*table_, sorted_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_->resizeColumnsToContents();
    layout->addWidget(table_, 1);
    status_ = named(new QLabel, ctl::busStatus);
    status_->setToolTip(
        Texts::tr("Расчёт по проводу: время, за которое байты запросов и ответов круга проходят по линии "
                  "на скорости порта, с паузами между запросами. Через псевдотерминал или сеть круг может "
                  "пройти быстрее расчёта."));
    layout->addWidget(status_);

    connect(search_, &QPushButton::clicked, this, &BusOverviewWindow::searchBus);
    connect(pause_, &QPushButton::toggled, this, &BusOverviewWindow::setPaused);
    connect(autoSearch_, &QCheckBox::toggled, this, [this] { overview_->setRoundOptions(roundOptions()); });
    connect(settingsEvery_, &QSpinBox::valueChanged, this,
            [this] { overview_->setRoundOptions(roundOptions()); });
    connect(add_, &QPushButton::clicked, this, &BusOverviewWindow::addTypedAddress);
    connect(addressBox_, &QLineEdit::returnPressed, this, &BusOverviewWindow::addTypedAddress);
    connect(remove_, &QPushButton::clicked, this, &BusOverviewWindow::removeSelected);
    connect(saveCsvButton, &QPushButton::clicked, this, &BusOverviewWindow::saveCsv);
    connect(saveSiteButton, &QPushButton::clicked, this, &BusOverviewWindow::saveSite);
    connect(planButton, &QPushButton::clicked, this, &BusOverviewWindow::loadPlan);
    connect(report_, &QPushButton::clicked, this, &BusOverviewWindow::saveReport);
    connect(applyPlan_, &QPushButton::clicked, this, &BusOverviewWindow::applyPlan);
    connect(tagsButton, &QPushButton::clicked, this, [this] {
        siteTags_->show();
        siteTags_->raise();
    });
    // The row carries its reader's address as a number: that is the address the main window takes. A row is
    // activated by a double click, or by Enter from the keyboard.
    connect(table_, &QTableView::activated, this, [this](const QModelIndex& index) {
        const QVariant address = index.data(BusOverviewModel::AddressRole);
        if (address.isValid()) emit addressChosen(address.value<quint8>());
    });
}

bus::BusRounds::Options BusOverviewWindow::roundOptions() const {
    bus::BusRounds::Options o = options_;
    o.settingsEvery = settingsEvery_->value();
    o.autoSearchMinutes = autoSearch_->isChecked() ? kAutoSearchMinutes : 0;
    return o;
}

void BusOverviewWindow::restore(const RememberedState::Bus& remembered) {
    settingsEvery_->setValue(remembered.settingsEvery);
    autoSearch_->setChecked(remembered.autoSearch);
    if (!remembered.geometry.isEmpty()) restoreGeometry(remembered.geometry);
    overview_->restoreReaders({remembered.readers, remembered.port, remembered.readersByPort});
}

RememberedState::Bus BusOverviewWindow::remembered() const {
    RememberedState::Bus s;
    s.open = isVisible();
    s.geometry = saveGeometry();
    const BusOverview::Readers readers = overview_->readers();
    s.readers = readers.listed;
    s.port = readers.port;
    s.readersByPort = readers.otherBuses;
    s.settingsEvery = settingsEvery_->value();
    s.autoSearch = autoSearch_->isChecked();
    return s;
}

void BusOverviewWindow::makeOverview() {
    // The roster is the one list of readers: those remembered are listed in it, not yet asked.
    overview_ = std::make_unique<BusOverview>(session_, roundOptions());
    BusOverview* overview = overview_.get();
    connect(overview, &BusOverview::rowsChanged, this, &BusOverviewWindow::refreshSoon);
    connect(overview, &BusOverview::readersReplaced, this, [this] {
        fittedRows_ = -1;
        refresh();
    });
    connect(overview, &BusOverview::roundFinished, this, [this](int round, qint64 elapsedMs, qint64 floorMs) {
        roundText_ =
            Texts::tr("Круг %1: %2 мс (расчёт по проводу %3 мс).").arg(round).arg(elapsedMs).arg(floorMs);
        showState();
    });
    connect(overview, &BusOverview::portLost, this, [this](const QString& reason) {
        roundText_ = reason;
        showState();
    });
    connect(overview_.get(), &BusOverview::stateChanged, this, &BusOverviewWindow::showState);
    connect(overview, &BusOverview::planReaderApplied, this, [this](const QString& line) {
        status_->setText(line);
        refresh();
    });
    connect(overview, &BusOverview::planApplied, this, [this](const QStringList& lines) {
        showState();
        dialogs_.message(Texts::tr("План применён:\n") + lines.join(QLatin1Char('\n')), Dialogs::Icon::None,
                         Texts::tr("План площадки"));
    });
}

// The overview decides when it holds the bus; the window says only whether it is wanted (shown and not
// paused). A bus nobody listed yet is searched first (the rounds do that for an empty roster).
void BusOverviewWindow::wantTheBus() {
    overview_->setWanted(isVisible() && !paused_);
    showState();
}

void BusOverviewWindow::linkChanged(DeviceSession::Link) {
    showState();
}

void BusOverviewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    wantTheBus();
    ageTimer_.start();
    refresh();
}

void BusOverviewWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimised (by the window system) the overview goes on; closed or hidden by the program, it lets go.
    if (event->spontaneous()) return;
    ageTimer_.stop();
    // Closing the window ends its hold on the bus, whatever the link does.
    overview_->setWanted(false);
    showState();
}

void BusOverviewWindow::showState() {
    using Link = DeviceSession::Link;
    const Link link = session_.link();
    const bool open = link == Link::Open;
    // With the port closed nothing here writes to the bus.
    search_->setEnabled(open && !paused_);
    applyPlan_->setEnabled(open && overview_->plan() && !overview_->applyingPlan());
    pause_->setEnabled(open);
    if (link == Link::Closed)
        status_->setText(portClosedText());
    else if (link == Link::Waiting)
        status_->setText(Texts::tr("Порт потерян, ожидание его возвращения."));
    else if (paused_)
        status_->setText(Texts::tr("Опрос шины приостановлен; главное окно опрашивает свой адрес."));
    else
        status_->setText(roundText_);
}

void BusOverviewWindow::refreshSoon() {
    // While the window is shown its rows are copied and painted once a second anyway: at wire speed the
    // rows change many times a second, and painting the whole table for each change would cost more than
    // polling the bus.
    if (!ageTimer_.isActive() && !refreshTimer_.isActive()) refreshTimer_.start();
}

void BusOverviewWindow::refresh() {
    const bool rowsChanged = model_.setRows(overview_->rows(), QDateTime::currentDateTimeUtc());
    model_.setPlanFindings(overview_->planFindings());
    steadySort_->refreshed(rowsChanged);
    fitColumns();
}

void BusOverviewWindow::fitColumns() {
    // The columns take the width of what they show once the readers have said who they are, and again when
    // the set of readers changes; the engineer's own widths stand until then.
    const auto& rows = model_.rows();
    const bool identified =
        std::any_of(rows.begin(), rows.end(), [](const bus::ReaderRow& r) { return r.identity; });
    if (fittedRows_ == int(rows.size()) || !identified) return;
    fittedRows_ = int(rows.size());
    table_->resizeColumnsToContents();
}

void BusOverviewWindow::searchBus() {
    overview_->searchNow();
}

void BusOverviewWindow::setPaused(bool paused) {
    paused_ = paused;
    if (pause_->isChecked() != paused) pause_->setChecked(paused);
    pause_->setText(paused ? Texts::tr("Пр&одолжить") : Texts::tr("П&ауза"));
    wantTheBus();
}

void BusOverviewWindow::addTypedAddress() {
    const QString typed = addressBox_->text().trimmed();
    if (typed.isEmpty()) return;
    // The addresses a reader can be given, refused with the main window's text for them.
    const NumberResult n =
        parseWholeNumber(typed, device::range::kNetAddress.min, device::range::kNetAddress.max);
    if (!n.ok()) return dialogs_.message(text::addressRange());
    const auto address = quint8(n.value);
    overview_->addReader(address);
    addressBox_->clear();
    refresh();
}

void BusOverviewWindow::removeSelected() {
    const QModelIndexList selected = table_->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    const auto address = selected.first().data(BusOverviewModel::AddressRole).value<quint8>();
    overview_->removeReader(address);
    refresh();
}

void BusOverviewWindow::saveCsv() {
    const QString path = dialogs_.saveFileName(
        Texts::tr("Сохранить обзор шины"), QStringLiteral("kestrel-bus.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    // What the table shows, in its order: the header, then a line per reader.
    refresh();
    QByteArray text = csv::line(BusOverviewModel::headers());
    for (int row = 0; row < sorted_.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < BusOverviewModel::ColumnCount; ++column)
            cells << sorted_.index(row, column).data().toString();
        text += csv::line(cells);
    }
    if (QString why; !saveWholeFile(path, text, &why))
        dialogs_.message(Texts::tr("Не удалось сохранить файл %1: %2").arg(path, why),
                         Dialogs::Icon::Exclamation);
}

void BusOverviewWindow::saveSite() {
    const auto& rows = overview_->rows();
    if (std::none_of(rows.begin(), rows.end(),
                     [](const bus::ReaderRow& r) { return r.identity.has_value(); }))
        return dialogs_.message(Texts::tr("Считыватели ещё не опрошены: сохранять нечего."));
    // Every reader whose values are complete, as the client's backup writes it; a reader whose settings
    // are not read yet is named, and the file never holds a partial backup of it.
    const bus::SiteSnapshot site = overview_->site(kAppName, QDateTime::currentDateTime());
    if (!site.incomplete.isEmpty()) {
        QStringList incomplete;
        for (quint8 a : site.incomplete) incomplete << QString::number(a);
        const QString which = Texts::tr("Настройки считывателей %1 ещё не прочитаны.")
                                  .arg(incomplete.join(QStringLiteral(", ")));
        if (site.document.value(QLatin1String("readers")).toArray().isEmpty())
            return dialogs_.message(which + QLatin1Char(' ') + Texts::tr("Площадка не сохранена."));
        if (!dialogs_.askYesNo(which + QLatin1Char(' ') + Texts::tr("Сохранить площадку без них?"))) return;
    }
    const QString path =
        dialogs_.saveFileName(Texts::tr("Сохранить площадку"), QStringLiteral("kestrel-site.json"),
                              QStringLiteral("JSON (*.json)"));
    if (path.isEmpty()) return;
    const QByteArray text = QJsonDocument(site.document).toJson(QJsonDocument::Indented);
    if (QString why; !saveWholeFile(path, text, &why))
        dialogs_.message(Texts::tr("Не удалось сохранить файл %1: %2").arg(path, why),
                         Dialogs::Icon::Exclamation);
}

void BusOverviewWindow::loadPlan() {
    const QString path = dialogs_.openFileName(Texts::tr("План площадки"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    const bus::Plan plan = bus::readPlanFile(path);
    if (!plan.ok()) return dialogs_.message(plan.refusal, Dialogs::Icon::Exclamation);
    overview_->setPlan(plan, path);
    report_->setEnabled(true);
    showState();
    fittedRows_ = -1;
    refresh();
}

void BusOverviewWindow::saveReport() {
    if (!overview_->plan()) return;
    const QString path =
        dialogs_.saveFileName(Texts::tr("Сохранить отчёт"), QStringLiteral("kestrel-report.html"),
                              QStringLiteral("HTML (*.html);;CSV (*.csv)"));
    if (path.isEmpty()) return;
    const std::optional<bus::ReportFormat> format = bus::reportFormatOf(path);
    if (!format) return dialogs_.message(Texts::tr("Отчёт сохраняется в файл .html или .csv."));
    const bus::PlanReport report =
        overview_->planReport(QStringLiteral("%1 %2").arg(kAppTitle, QStringLiteral(KESTREL_VERSION)),
                              QDateTime::currentDateTime());
    if (QString why; !saveWholeFile(path, bus::planReportText(report, *format), &why))
        dialogs_.message(Texts::tr("Не удалось сохранить файл %1: %2").arg(path, why),
                         Dialogs::Icon::Exclamation);
}

void BusOverviewWindow::applyPlan() {
    if (!overview_->plan()) return;
    QList<quint8> addresses;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        addresses << index.data(BusOverviewModel::AddressRole).value<quint8>();
    std::sort(addresses.begin(), addresses.end());
    if (addresses.isEmpty())
        return dialogs_.message(Texts::tr("Выберите в таблице считыватели, к которым применить план."));
    // The engineer sees which readers get which fields, and which are left alone and why.
    QStringList writes, left;
    QList<quint8> writable;
    for (const bus::PlanFinding& f : overview_->planFindings()) {
        if (!addresses.contains(f.address)) continue;
        const QString who = bus::planReaderName(f.address, f.name);
        if (f.state == bus::PlanState::Differs || f.state == bus::PlanState::Ok) {
            QStringList fields;
            for (const bus::PlanDifference& d : f.differences)
                fields << d.field + QStringLiteral(" ") + d.planned;
            writable << f.address;
            writes << who + QStringLiteral(": ") +
                          (fields.isEmpty() ? Texts::tr("как в плане, будет только проверен")
                                            : fields.join(QStringLiteral(", ")));
        } else {
            left << who + QStringLiteral(": ") + planStateText(f.state);
        }
    }
    if (writes.isEmpty())
        return dialogs_.message(
            Texts::tr("Среди выбранных нет считывателей, к которым можно применить план:\n") +
            left.join(QLatin1Char('\n')));
    QString question = Texts::tr("Записать по плану:\n") + writes.join(QLatin1Char('\n'));
    if (!left.isEmpty()) question += Texts::tr("\nНе записываются:\n") + left.join(QLatin1Char('\n'));
    if (!dialogs_.askYesNo(question + Texts::tr("\nПрименить?"))) return;
    if (!overview_->applyPlan(writable))
        return dialogs_.message(Texts::tr("План не применён: порт закрыт или план уже применяется."));
    status_->setText(Texts::tr("План применяется…"));
    showState();
}

}  // namespace kestrel
