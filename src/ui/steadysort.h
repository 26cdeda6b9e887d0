#pragma once
// Sorting a live table the way spreadsheets do: the rows keep their places while the engineer points at
// the table or has rows selected, so that a click or a double-click lands on the row aimed at, and they
// are put in order again (by the column and direction the header shows) once the pointer has left and
// nothing is selected, when the set of rows changes, and whenever a header is clicked.

#include <QObject>

class QSortFilterProxyModel;
class QTableView;

namespace kestrel {

class SteadySort : public QObject {
    Q_OBJECT
  public:
    // `table` shows `sorted`; the proxy's own sorting on each change is turned off.
    SteadySort(QTableView& table, QSortFilterProxyModel& sorted);
    // The source's rows were refreshed; `rowsChanged`: another set of rows than before.
    void refreshed(bool rowsChanged);
    // The order is held now: the pointer is over the rows, or a row is selected.
    bool held() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void sortNow();

    QTableView& table_;
    QSortFilterProxyModel& sorted_;
    QObject* const viewport_;  // the rows' area, whose pointer events tell where the pointer is
    bool pointerOver_ = false;
};

}  // namespace kestrel
