#include "ui/trafficlog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QStaticText>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <set>

#include "protocol/savefile.h"
#include "protocol/translation.h"
#include "traffic/csv.h"
#include "ui/controlnames.h"
#include "ui/dialogs.h"

namespace kestrel {

namespace {

// Rows reach the view at most once a second: each batch repaints the visible rows, and the cycle
// brings two rows a second.
constexpr int kBatchMs = 1000;
constexpr int kMeaningColumn = 7;
QString everythingText() {
    return Texts::tr("Все");
}

// Paints a cell as its outcome's colour and one line of text, cut at the cell's edge. A busy log repaints
// its rows every second, and shaping the text of every cell again would cost most of that time, so the
// shaped texts are kept: the request, address and command cells repeat from row to row, and a row seen
// once is seen again on the next repaint, a row higher.
class PlainCellDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, selected ? option.palette.highlight()
                                                : QBrush(index.data(Qt::BackgroundRole).value<QColor>()));
        painter->setPen(selected ? option.palette.highlightedText().color() : QColor(Qt::black));
        const QRect cell = option.rect.adjusted(3, 0, -3, 0);
        const QStaticText& text = shaped(index.data(Qt::DisplayRole).toString(), option.font);
        painter->save();
        painter->setClipRect(cell, Qt::IntersectClip);
        painter->drawStaticText(cell.left(), cell.top() + (cell.height() - option.fontMetrics.height()) / 2,
                                text);
        painter->restore();
    }

  private:
    // The kept texts are bounded by their count and by their characters together: a shaped text holds about
    // 15 bytes a character, and under a line full of garbage every row brings a new reply of 256 bytes (768
    // characters as hex), which a count alone would let grow to tens of megabytes.
    static constexpr int kKeptTexts = 4096;
    static constexpr qsizetype kKeptChars = 64 * 1024;
    const QStaticText& shaped(const QString& text, const QFont& font) const {
        if (font != font_ || texts_.size() >= kKeptTexts || keptChars_ + text.size() > kKeptChars) {
            texts_.clear();
            keptChars_ = 0;
            font_ = font;
        }
        auto it = texts_.find(text);
        if (it == texts_.end()) {
            QStaticText shaped(text);
            shaped.setTextFormat(Qt::PlainText);
            shaped.prepare(QTransform(), font);
            it = texts_.insert(text, shaped);
            keptChars_ += text.size();
        }
        return *it;
    }
    mutable QHash<QString, QStaticText> texts_;
    mutable qsizetype keptChars_ = 0;
    mutable QFont font_;
};

// A scroll bar that repaints only when what it draws changes: the handle's place and size, and whether it
// stands at either end. The log's bar is moved by every batch, but over a long log its handle moves a pixel
// only every few hundred rows; and the style's shaded groove is painted by worker threads, so each repaint
// wakes three threads, which costs more than the rest of the log's work.
class SteadyScrollBar : public QScrollBar {
  public:
    explicit SteadyScrollBar(Qt::Orientation orientation) : QScrollBar(orientation) {}

  protected:
    // A batch changes the range and then the value; what they leave is judged once both are done.
    void sliderChange(SliderChange change) override {
        if (change != SliderRangeChange && change != SliderValueChange)
            return QScrollBar::sliderChange(change);
        if (checkPending_) return;
        checkPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                checkPending_ = false;
                if (!(look() == painted_)) update();
            },
            Qt::QueuedConnection);
    }
    void paintEvent(QPaintEvent* event) override {
        painted_ = look();
        QScrollBar::paintEvent(event);
    }

  private:
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look& o) const {
            return handle == o.handle && atMinimum == o.atMinimum && atMaximum == o.atMaximum;
        }
    };
    Look look() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
    }
    Look painted_;
    bool checkPending_ = false;
};

}  // namespace

QColor outcomeColour(Outcome outcome) {
    switch (outcome) {
        case Outcome::Decoded:
            return QColor(0xDF, 0xF5, 0xDF);
        case Outcome::NoReply:
            return QColor(0xE4, 0xE4, 0xE4);
        case Outcome::WrongCheckByte:
            return QColor(0xF8, 0xCC, 0xCC);
        case Outcome::Unframed:
            return QColor(0xFB, 0xE0, 0xB8);
        case Outcome::TooLong:
            return QColor(0xE6, 0xD6, 0xF4);
        case Outcome::OtherAddress:
            return QColor(0xD4, 0xE4, 0xFA);
        case Outcome::UnknownCode:
            return QColor(0xF4, 0xEE, 0xB8);
        case Outcome::OtherCode:
            return QColor(0xC8, 0xEE, 0xEE);
    }
    return {};
}

TrafficLogModel::TrafficLogModel(int capacity, QObject* parent)
    : QAbstractTableModel(parent), capacity_(std::max(1, capacity)) {}

void TrafficLogModel::append(std::vector<traffic::Record> batch) {
    if (batch.empty()) return;
    // Of a batch larger than the ring only its newest rows are kept.
    if (batch.size() > std::size_t(capacity_)) batch.erase(batch.begin(), batch.end() - capacity_);
    // A full ring drops a hundredth of its rows at a time, oldest first: every removal makes the view
    // walk all its rows, so it happens once in a thousand rows, not on every batch.
    int overflow = int(rows_.size() + batch.size()) - capacity_;
    if (overflow > 0) overflow = std::min(int(rows_.size()), std::max(overflow, capacity_ / 100));
    if (overflow > 0) {
        beginRemoveRows({}, 0, overflow - 1);
        rows_.erase(rows_.begin(), rows_.begin() + overflow);
        endRemoveRows();
    }
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(batch.size()) - 1);
    std::move(batch.begin(), batch.end(), std::back_inserter(rows_));
    endInsertRows();
}

void TrafficLogModel::replaceAll(std::deque<traffic::Record> rows) {
    beginResetModel();
    capacity_ = std::max(capacity_, int(std::min<std::size_t>(rows.size(), INT_MAX)));
    rows_ = std::move(rows);
    endResetModel();
}

void TrafficLogModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int TrafficLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TrafficLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : traffic::kColumnCount;
}

QVariant TrafficLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const traffic::Record& r = record(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return traffic::displayCell(r, index.column());
        case Qt::BackgroundRole:
            return r.event ? QColor(Qt::white) : outcomeColour(r.outcome);
        case Qt::ForegroundRole:
            return QColor(Qt::black);
        default:
            return {};
    }
}

QVariant TrafficLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return traffic::columnTitles().value(section);
    return section + 1;
}

void TrafficFilter::setAddress(std::optional<int> address) {
    address_ = address;
    invalidateRowsFilter();
}

void TrafficFilter::setOutcome(std::optional<Outcome> outcome) {
    outcome_ = outcome;
    invalidateRowsFilter();
}

bool TrafficFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return accepts(static_cast<const TrafficLogModel*>(sourceModel())->record(sourceRow));
}

bool TrafficFilter::accepts(const traffic::Record& r) const {
    // Notes about the link belong to no address and no outcome: they show while the outcome is not filtered.
    if (r.event) return !outcome_;
    return (!address_ || r.address == *address_) && (!outcome_ || r.outcome == *outcome_);
}

TrafficLogWindow::TrafficLogWindow(Dialogs& dialogs, QWidget* parent, int capacity)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), model_(capacity, this), filter_(this) {
    setObjectName(ctl::trafficLog);
    setWindowTitle(Texts::tr("Журнал обмена"));
    batchTimer_.setSingleShot(true);
    batchTimer_.setInterval(kBatchMs);
    connect(&batchTimer_, &QTimer::timeout, this, &TrafficLogWindow::flush);
    buildControls();
    resize(1180, 600);
}

void TrafficLogWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    layout->addLayout(bar);
    auto named = [](auto* w, const QString& name) {
        w->setObjectName(name);
        return w;
    };
    bar->addWidget(new QLabel(Texts::tr("Адрес:")));
    addressFilter_ = named(new QComboBox, ctl::logAddressFilter);
    addressFilter_->addItem(everythingText());
    bar->addWidget(addressFilter_);
    bar->addWidget(new QLabel(Texts::tr("Итог:")));
    outcomeFilter_ = named(new QComboBox, ctl::logOutcomeFilter);
    outcomeFilter_->addItem(everythingText());
    for (Outcome o : traffic::allOutcomes()) outcomeFilter_->addItem(traffic::outcomeText(o), int(o));
    bar->addWidget(outcomeFilter_);
    pause_ = named(new QPushButton(Texts::tr("&Пауза")), ctl::logPause);
    pause_->setCheckable(true);
    auto* clear = clear_ = named(new QPushButton(Texts::tr("О&чистить")), ctl::logClear);
    auto* copy = named(new QPushButton(Texts::tr("&Копировать")), ctl::logCopy);
    auto* save = named(new QPushButton(Texts::tr("&Сохранить CSV…")), ctl::logSave);
    for (QPushButton* b : {pause_, clear, copy, save}) bar->addWidget(b);
    count_ = named(new QLabel, ctl::logCount);
    bar->addWidget(count_, 1);

    table_ = named(new QTableView, ctl::logTable);
    // Unfiltered, the table shows the log itself: a proxy over 100,000 rows would re-map them all on
    // every batch.
    table_->setModel(&model_);
    table_->setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical));
    table_->setItemDelegate(new PlainCellDelegate(table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setWordWrap(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    int widths[] = {90, 50, 170, 150, 240, 40, 100};
    // The outcome column as wide as its longest text in the language shown, an echo taken off included.
    for (Outcome o : traffic::allOutcomes()) {
        traffic::Record r;
        r.outcome = o;
        r.echoRemoved = true;
        const QString text = traffic::displayCell(r, kMeaningColumn - 1);
        widths[kMeaningColumn - 1] =
            std::max(widths[kMeaningColumn - 1], table_->fontMetrics().horizontalAdvance(text) + 12);
    }
    for (int c = 0; c < kMeaningColumn; ++c) table_->setColumnWidth(c, widths[c]);

    auto* statisticsBox = new QWidget;
    auto* statisticsLayout = new QVBoxLayout(statisticsBox);
    statisticsLayout->setContentsMargins(0, 0, 0, 0);
    auto* statisticsBar = new QHBoxLayout;
    statisticsTitle_ = new QLabel(Texts::tr("Статистика связи (с открытия порта или сброса)"));
    statisticsBar->addWidget(statisticsTitle_, 1);
    auto* reset = reset_ = named(new QPushButton(Texts::tr("Сб&росить")), ctl::logResetStatistics);
    statisticsBar->addWidget(reset);
    statisticsLayout->addLayout(statisticsBar);
    statisticsTable_ = named(new QTableView, ctl::logStatistics);
    statisticsTable_->setModel(&statisticsModel_);
    // Columns are fitted when an address comes or goes, not on every count: fitting lays out every cell.
    connect(&statisticsModel_, &QAbstractItemModel::modelReset, statisticsTable_,
            &QTableView::resizeColumnsToContents);
    statisticsTable_->verticalHeader()->hide();
    statisticsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    statisticsTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    statisticsTable_->resizeColumnsToContents();
    statisticsLayout->addWidget(statisticsTable_);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(table_);
    split->addWidget(statisticsBox);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split);

    connect(addressFilter_, &QComboBox::currentIndexChanged, this, &TrafficLogWindow::applyFilter);
    connect(outcomeFilter_, &QComboBox::currentIndexChanged, this, &TrafficLogWindow::applyFilter);
    connect(pause_, &QPushButton::toggled, this, &TrafficLogWindow::setPaused);
    connect(clear, &QPushButton::clicked, this, &TrafficLogWindow::clearRows);
    connect(copy, &QPushButton::clicked, this, &TrafficLogWindow::copySelection);
    connect(save, &QPushButton::clicked, this, &TrafficLogWindow::saveCsv);
    connect(reset, &QPushButton::clicked, this, &TrafficLogWindow::resetStatistics);
    // The engineer scrolls (bar, wheel, keys, a click on a row): at the bottom the view follows new rows.
    // A change of the rows or of the view's height moves a following view to the bottom.
    QScrollBar* scrollBar = table_->verticalScrollBar();
    connect(scrollBar, &QScrollBar::valueChanged, this, &TrafficLogWindow::scrolled);
    connect(scrollBar, &QScrollBar::rangeChanged, this, [this] {
        if (following_) moveView([this] { table_->scrollToBottom(); });
    });
    auto* copyKey = new QShortcut(QKeySequence::Copy, table_);
    copyKey->setContext(Qt::WidgetShortcut);
    connect(copyKey, &QShortcut::activated, this, &TrafficLogWindow::copySelection);
    showCount();
}

void TrafficLogWindow::add(const Transaction& t) {
    add(traffic::recordOf(t));
}

void TrafficLogWindow::add(const traffic::Record& r) {
    statistics_.add(r);
    statisticsChanged_ = true;
    noteAddress(r.address);
    queue(r);
}

void TrafficLogWindow::addEvent(const QString& text) {
    queue(traffic::eventRecord(QDateTime::currentDateTimeUtc(), text));
}

void TrafficLogWindow::queue(const traffic::Record& r) {
    waiting_.push_back(r);
    // While paused the rows wait; beyond the ring's size the oldest of them go, as they would in it.
    if (waiting_.size() > std::size_t(model_.capacity())) waiting_.pop_front();
    if (!batchTimer_.isActive()) batchTimer_.start();
}

void TrafficLogWindow::flush() {
    if (statisticsChanged_) showStatistics();
    if (!paused_ && !waiting_.empty()) {
        std::vector<traffic::Record> batch(std::make_move_iterator(waiting_.begin()),
                                           std::make_move_iterator(waiting_.end()));
        waiting_.clear();
        if (!following_) {
            const bool filtered = table_->model() != &model_;
            unseen_ += filtered ? int(std::count_if(batch.begin(), batch.end(),
                                                    [this](const auto& r) { return filter_.accepts(r); }))
                                : int(std::min(batch.size(), std::size_t(model_.capacity())));
        }
        // Scrolled up, the row at the top stays there, also when the oldest rows go to make room; when
        // that row goes itself, the oldest row left takes its place. A following view needs nothing here:
        // the scroll range's change takes it to the bottom.
        const QPersistentModelIndex top(following_ ? QModelIndex() : table_->indexAt(QPoint(0, 0)));
        const bool hadTop = top.isValid();
        moveView([&] {
            model_.append(std::move(batch));
            if (top.isValid())
                table_->scrollTo(top, QAbstractItemView::PositionAtTop);
            else if (hadTop)
                table_->scrollToTop();
        });
    }
    showCount();
}

template <typename Move>
void TrafficLogWindow::moveView(Move move) {
    const bool nested = std::exchange(movingView_, true);
    move();
    movingView_ = nested;
    if (!nested && !following_) scrolled();
}

void TrafficLogWindow::scrolled() {
    if (movingView_) return;
    const QScrollBar* bar = table_->verticalScrollBar();
    if (bar->value() != bar->maximum()) {
        following_ = false;
        return;
    }
    if (!following_ || unseen_) follow();
}

// Back at the newest row: it follows new rows again, and nothing is unseen.
void TrafficLogWindow::follow() {
    following_ = true;
    unseen_ = 0;
    moveView([this] { table_->scrollToBottom(); });
    showCount();
}

// Opened, the log shows its newest row; shown again after being minimised, it stays where it was.
void TrafficLogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && !openedLog_) follow();
}

void TrafficLogWindow::portOpened() {
    resetStatistics();
}

void TrafficLogWindow::showOpenedLog(const QString& path, std::deque<traffic::Record> rows) {
    setWindowTitle(Texts::tr("Журнал обмена: %1").arg(path));
    for (QWidget* w :
         {static_cast<QWidget*>(pause_), static_cast<QWidget*>(clear_), static_cast<QWidget*>(reset_)})
        w->hide();
    statisticsTitle_->setText(Texts::tr("Статистика связи (весь журнал)"));
    statistics_.reset();
    std::set<int> addresses;
    for (const traffic::Record& r : rows) {
        statistics_.add(r);
        addresses.insert(r.address);
    }
    for (int address : addresses) noteAddress(address);
    waiting_.clear();
    openedLog_ = true;
    following_ = false;
    moveView([&] {
        model_.replaceAll(std::move(rows));
        table_->scrollToTop();
    });
    showStatistics();
    showCount();
}

void TrafficLogWindow::setPaused(bool paused) {
    paused_ = paused;
    if (pause_->isChecked() != paused) pause_->setChecked(paused);
    if (!paused) flush();
    showCount();
}

void TrafficLogWindow::clearRows() {
    moveView([this] { model_.clear(); });
    waiting_.clear();
    follow();
}

void TrafficLogWindow::copySelection() {
    const QString text = selectedText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

QString TrafficLogWindow::selectedText() const {
    QModelIndexList rows = table_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QString text;
    for (const QModelIndex& index : rows)
        text += traffic::displayCells(model_.record(sourceRow(index.row()))).join(QLatin1Char('\t')) +
                QLatin1Char('\n');
    return text;
}

void TrafficLogWindow::saveCsv() {
    const QString path = dialogs_.saveFileName(
        Texts::tr("Сохранить журнал"), QStringLiteral("kestrel-log.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    // The rows shown (the filters apply), written whole or not at all.
    QByteArray text = csv::line(traffic::csvHeader());
    for (int row = 0; row < shownRowCount(); ++row)
        text += csv::line(traffic::csvCells(model_.record(sourceRow(row))));
    if (QString why; !saveWholeFile(path, text, &why))
        dialogs_.message(Texts::tr("Не удалось сохранить файл %1: %2").arg(path, why),
                         Dialogs::Icon::Exclamation);
}

void TrafficLogWindow::resetStatistics() {
    statistics_.reset();
    statisticsChanged_ = true;
    showStatistics();
}

void TrafficLogWindow::showStatistics() {
    statisticsChanged_ = false;
    statisticsModel_.show(statistics_);
}

void TrafficLogWindow::showCount() {
    QString text = Texts::tr("Строк: %1").arg(model_.rowCount());
    if (paused_) text += Texts::tr(", пауза: ждут %1").arg(waiting_.size());
    if (unseen_ > 0) text += Texts::tr(", +%1 новых").arg(unseen_);
    count_->setText(text);
}

void TrafficLogWindow::applyFilter() {
    const QVariant address = addressFilter_->currentData();
    const QVariant outcome = outcomeFilter_->currentData();
    const bool filtered = address.isValid() || outcome.isValid();
    filter_.setAddress(address.isValid() ? std::optional<int>(address.toInt()) : std::nullopt);
    filter_.setOutcome(outcome.isValid() ? std::optional<Outcome>(Outcome(outcome.toInt())) : std::nullopt);
    QAbstractItemModel* shown = filtered ? static_cast<QAbstractItemModel*>(&filter_) : &model_;
    // The header keeps its columns' widths while the model it shows keeps its columns. A proxy without a
    // source has none, so the table turns to the log itself before the proxy lets go of it.
    // Other rows are shown from the top, or from the newest when the view was following.
    moveView([&] {
        if (filtered) filter_.setSourceModel(&model_);
        if (table_->model() != shown) {
            QItemSelectionModel* replaced = table_->selectionModel();
            table_->setModel(shown);
            delete replaced;  // a view does not delete the selection model it replaces
        }
        if (!filtered) filter_.setSourceModel(nullptr);
        if (following_) table_->scrollToBottom();
    });
    unseen_ = 0;
    showCount();
}

void TrafficLogWindow::showOnly(std::optional<int> address, std::optional<Outcome> outcome) {
    if (address) noteAddress(*address);
    addressFilter_->setCurrentIndex(address ? addressFilter_->findData(*address) : 0);
    outcomeFilter_->setCurrentIndex(outcome ? outcomeFilter_->findData(int(*outcome)) : 0);
    applyFilter();
}

int TrafficLogWindow::shownRowCount() const {
    return table_->model()->rowCount();
}

int TrafficLogWindow::sourceRow(int shownRow) const {
    if (table_->model() == &model_) return shownRow;
    return filter_.mapToSource(filter_.index(shownRow, 0)).row();
}

void TrafficLogWindow::noteAddress(int address) {
    if (address == traffic::kNoAddress || addressFilter_->findData(address) >= 0) return;
    // Addresses in ascending order after "Все".
    int at = 1;
    while (at < addressFilter_->count() && addressFilter_->itemData(at).toInt() < address) ++at;
    addressFilter_->insertItem(at, QString::number(address), address);
}

}  // namespace kestrel
