#include "ui/steadysort.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSortFilterProxyModel>
#include <QTableView>

namespace kestrel {

SteadySort::SteadySort(QTableView& table, QSortFilterProxyModel& sorted)
    : QObject(&table), table_(table), sorted_(sorted), viewport_(table.viewport()) {
    sorted_.setDynamicSortFilter(false);
    viewport_->installEventFilter(this);
}

bool SteadySort::held() const {
    const QItemSelectionModel* selection = table_.selectionModel();
    return pointerOver_ || (selection && selection->hasSelection());
}

void SteadySort::refreshed(bool rowsChanged) {
    if (rowsChanged || !held()) sortNow();
}

void SteadySort::sortNow() {
    const QHeaderView* header = table_.horizontalHeader();
    sorted_.sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

bool SteadySort::eventFilter(QObject* watched, QEvent* event) {
    // Compared with the viewport kept: the table is not asked, since it may be being destroyed.
    if (watched == viewport_) {
        if (event->type() == QEvent::Enter) pointerOver_ = true;
        if (event->type() == QEvent::Leave) pointerOver_ = false;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kestrel
