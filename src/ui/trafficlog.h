#pragma once
// The traffic log "Журнал обмена": every exchange of the cycle as a row (time, address, command, request
// and reply bytes, reply time, outcome, meaning), filters, pause, copy and CSV, and the link statistics
// per address. A window of its own, non-modal.

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <optional>
#include <vector>

#include "traffic/record.h"
#include "traffic/statistics.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableView;

namespace kestrel {

class Dialogs;

// The rows of the log: a ring that drops its oldest rows beyond its capacity. Rows come in batches.
class TrafficLogModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kDefaultCapacity = 100000;
    explicit TrafficLogModel(int capacity = kDefaultCapacity, QObject* parent = nullptr);
    int capacity() const { return capacity_; }

    void append(std::vector<traffic::Record> batch);
    // All rows at once, the ring as large as they need: a recorded log opened whole.
    void replaceAll(std::deque<traffic::Record> rows);
    void clear();
    const traffic::Record& record(int row) const { return rows_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::deque<traffic::Record> rows_;
    int capacity_;
};

// Shows the rows of one address and/or one outcome.
class TrafficFilter : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setAddress(std::optional<int> address);
    void setOutcome(std::optional<Outcome> outcome);
    bool accepts(const traffic::Record& r) const;

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

  private:
    std::optional<int> address_;
    std::optional<Outcome> outcome_;
};

class TrafficLogWindow : public QWidget {
    Q_OBJECT
  public:
    TrafficLogWindow(Dialogs& dialogs, QWidget* parent, int capacity = TrafficLogModel::kDefaultCapacity);

    // One exchange of the cycle; shown with the next batch, at most ten times a second.
    void add(const Transaction& t);
    void add(const traffic::Record& r);
    // A note about the link (the port lost, open again) as a row of its own.
    void addEvent(const QString& text);
    // The port was opened: the statistics start again.
    void portOpened();
    // Shows the rows of a recorded log, read-only: its statistics are the whole file's, and there is no
    // pause, clearing or reset; the view starts at the first row.
    void showOpenedLog(const QString& path, std::deque<traffic::Record> rows);
    // Adds the rows waiting for the next batch at once (tests, and the batch timer).
    void flush();

    TrafficLogModel& model() { return model_; }
    // Shows only the rows of one address and/or one outcome (none: all), as the two filter lists do.
    void showOnly(std::optional<int> address, std::optional<Outcome> outcome);
    int shownRowCount() const;
    // Rows shown since the engineer scrolled up; none while the view follows the newest rows.
    int unseenRows() const { return unseen_; }
    const traffic::LinkStatistics& statistics() const { return statistics_; }

    // Actions of the buttons.
    void setPaused(bool paused);
    void clearRows();
    void copySelection();
    // The selected rows as copied: the shown cells, tab-separated, a line each.
    QString selectedText() const;
    void saveCsv();
    void resetStatistics();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void buildControls();
    // Moves the view as the log does, not as the engineer does: what `move` does is not taken for
    // scrolling; then the view follows new rows again if it stands at the bottom.
    template <typename Move>
    void moveView(Move move);
    void scrolled();
    void follow();
    void showStatistics();
    void showCount();
    void applyFilter();
    // A row for the next batch (held while paused).
    void queue(const traffic::Record& r);
    void noteAddress(int address);
    // The log's row shown in row `shownRow` of the table.
    int sourceRow(int shownRow) const;

    Dialogs& dialogs_;
    TrafficLogModel model_;
    TrafficFilter filter_;
    traffic::LinkStatistics statistics_;
    std::deque<traffic::Record> waiting_;  // rows for the next batch (and all rows while paused)
    QTimer batchTimer_;
    bool paused_ = false;
    bool statisticsChanged_ = false;
    bool following_ = true;    // the newest rows stay in view
    bool openedLog_ = false;   // a recorded log's rows, read-only
    int unseen_ = 0;           // rows shown since the view stopped following
    bool movingView_ = false;  // the log itself is moving the view

    QTableView* table_ = nullptr;
    QComboBox* addressFilter_ = nullptr;
    QComboBox* outcomeFilter_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* reset_ = nullptr;
    QLabel* statisticsTitle_ = nullptr;
    QLabel* count_ = nullptr;
    QTableView* statisticsTable_ = nullptr;
    traffic::LinkStatisticsModel statisticsModel_;
};

// The background colour of an outcome's rows.
QColor outcomeColour(Outcome outcome);

}  // namespace kestrel
