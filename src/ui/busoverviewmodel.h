#pragma once
// The rows of the bus overview "Обзор шины": one row per reader of the bus roster, with what it said last
// (identity, live values, settings), how it answers and its state. The model keeps a copy of the roster's
// rows, taken when the window refreshes it, so the view never reads the roster while the rounds change it.
// A reader that has gone silent keeps its last values, shown aged (greyed, with their age).

#include <QAbstractTableModel>
#include <QColor>
#include <QDateTime>
#include <QSortFilterProxyModel>
#include <map>
#include <vector>

#include "bus/plan.h"
#include "bus/roster.h"

namespace kestrel {

class BusOverviewModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column {
        Address,
        DeviceType,
        Serial,
        Firmware,
        Mode,
        Network,
        Channel,
        Power,
        Level,
        Temperature,
        Current,
        SuccessRate,
        SinceReply,
        State,
        Name,  // the plan's name of the reader
        Plan,  // how the reader stands to the plan
        ColumnCount
    };
    // The value a column sorts by: a number for numeric columns, the text otherwise; an absent value is
    // no value, which sorts after every value.
    static constexpr int SortRole = Qt::UserRole;
    // The reader's address, as a number, whatever the column.
    static constexpr int AddressRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    // Takes the roster's rows as they are at `now` (which also ages the values): the same readers in the
    // same order change their cells; another set of readers resets the table, and true says so.
    bool setRows(const std::vector<bus::ReaderRow>& rows, const QDateTime& now);
    const std::vector<bus::ReaderRow>& rows() const { return rows_; }
    // Each reader against the site's plan, by address (none: no plan loaded, the columns stay empty).
    void setPlanFindings(const std::vector<bus::PlanFinding>& findings);
    // The address of row `row`.
    quint8 address(int row) const { return rows_[std::size_t(row)].address; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The text of a cell as shown (and as written to CSV).
    QString text(const bus::ReaderRow& row, int column) const;
    // The columns' captions, in order.
    static QStringList headers();

  private:
    QVariant sortKey(const bus::ReaderRow& row, int column) const;
    QString tooltip(const bus::ReaderRow& row, int column) const;
    // The live values (and settings) were read before the reader fell silent.
    bool aged(const bus::ReaderRow& row, int column) const;

    const bus::PlanFinding* findingOf(quint8 address) const;

    std::vector<bus::ReaderRow> rows_;
    QDateTime now_;
    std::map<quint8, bus::PlanFinding> findings_;  // by address
};

// The background of a row by how its reader answers.
QColor readerStateColour(bus::ReaderState state);
// "отвечает", "нет ответа", ...
QString readerStateText(bus::ReaderState state);
// "как в плане", "нет ответа", ...
QString planStateText(bus::PlanState state);

}  // namespace kestrel
