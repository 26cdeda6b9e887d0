#pragma once
// "Метки площадки": every tag the site's readers hear, one row each (ID, serial number, the reader that hears
// it best, its reception level, when last heard), built from the tag searches the bus overview adds to its
// rounds while this window is shown. A tag picked here is read by its own ID, given a new serial number, or
// bound into a cell of the bound-ID table of the reader that hears it. The tag tab's "Считать" (the current
// tag) stays as it is: this table is the way to pick one tag out of many.

#include <QAbstractTableModel>
#include <QWidget>
#include <vector>

#include "bus/sitetags.h"

class QLabel;
class QTableView;

namespace kestrel {

class BusOverview;
class Dialogs;

class SiteTagsModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Id, Serial, Reader, Level, LastHeard, ColumnCount };
    using QAbstractTableModel::QAbstractTableModel;
    void setTags(const std::vector<bus::SiteTag>& tags);
    const std::vector<bus::SiteTag>& tags() const { return tags_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<bus::SiteTag> tags_;
};

class SiteTagsWindow : public QWidget {
    Q_OBJECT
  public:
    SiteTagsWindow(BusOverview& overview, Dialogs& dialogs, QWidget* parent);
    SiteTagsModel& model() { return model_; }
    // The table follows the tags found.
    void refresh();
    // The buttons: the selected tag's parameters read; a new serial number; bound at its reader.
    void readTag();
    void setTagSerial();
    void bindTag();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    const bus::SiteTag* selected() const;
    void send(const QByteArray& frame, const QString& done);

    BusOverview& overview_;
    Dialogs& dialogs_;
    SiteTagsModel model_;
    QTableView* table_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace kestrel
