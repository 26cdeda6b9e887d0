#pragma once
// The bus overview "Обзор шины": every reader of the bus side by side, polled in rounds at wire speed while
// the window is open (the main window's polling pauses meanwhile). A window of its own, non-modal, opened
// from "Вид" (Ctrl+B). It holds the bus only while it is shown, the port is open and it is not paused:
// closing it, or its pause, hands the bus back to the main window. What it polls and how it judges the
// replies live below the window (BusOverview, BusRounds, BusRoster); the window renders the roster's rows
// and passes the engineer's intent down.

#include <QSortFilterProxyModel>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "bus/rounds.h"
#include "session/devicesession.h"
#include "session/settings.h"
#include "ui/busoverviewmodel.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

namespace kestrel {

class BusOverview;
class SteadySort;
class Dialogs;
class SiteTagsWindow;

class BusOverviewWindow : public QWidget {
    Q_OBJECT
  public:
    // The automatic bus search, when it is on, runs this often.
    static constexpr int kAutoSearchMinutes = 5;

    BusOverviewWindow(DeviceSession& session, Dialogs& dialogs, QWidget* parent,
                      bus::BusRounds::Options rounds = {});
    ~BusOverviewWindow() override;

    // What was remembered from the last run: the readers to list, the options, where the window stood.
    void restore(const RememberedState::Bus& remembered);
    RememberedState::Bus remembered() const;

    BusOverviewModel& model() { return model_; }
    // The overview's hold on the bus: made when the window is first shown with the port open.
    BusOverview* overview() const { return overview_.get(); }

    // Actions of the buttons.
    void searchBus();
    void setPaused(bool paused);
    // Adds the address typed in the box; a text that is no address is refused with the window's own text.
    void addTypedAddress();
    void removeSelected();
    void saveCsv();
    void saveSite();
    // "План площадки…": a site's plan read, its readers listed and each row judged against it.
    void loadPlan();
    // "Отчёт…": the commissioning report of the plan loaded, as HTML or CSV.
    void saveReport();
    // "Применить план…": the plan written into the selected readers, after the engineer confirmed the
    // readers and the fields.
    void applyPlan();
    // "Метки площадки…": every tag the site hears.
    SiteTagsWindow& siteTags() { return *siteTags_; }
    // Copies the roster's rows into the table now (the window does so a few times a second).
    void refresh();

  signals:
    // The engineer asked for this reader in the main window (a double click on its row).
    void addressChosen(quint8 address);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void buildControls();
    void linkChanged(DeviceSession::Link link);
    // Starts the rounds when the window is shown, the port open and the engineer has not paused them;
    // otherwise lets go of the bus.
    void wantTheBus();
    void makeOverview();
    void showState();
    void refreshSoon();
    void fitColumns();
    bus::BusRounds::Options roundOptions() const;

    DeviceSession& session_;
    Dialogs& dialogs_;
    bus::BusRounds::Options options_;
    std::unique_ptr<BusOverview> overview_;
    BusOverviewModel model_;
    QSortFilterProxyModel sorted_;
    bool paused_ = false;  // by the engineer
    QString roundText_;    // the last round's time
    int fittedRows_ = -1;  // the number of readers the columns were last fitted to
    QTimer refreshTimer_;  // the table follows the roster a few times a second
    QTimer ageTimer_;      // and the ages once a second

    QTableView* table_ = nullptr;
    SteadySort* steadySort_ = nullptr;  // the rows hold still under the pointer and a selection
    QPushButton* report_ = nullptr;
    QPushButton* applyPlan_ = nullptr;
    SiteTagsWindow* siteTags_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* pause_ = nullptr;
    QCheckBox* autoSearch_ = nullptr;
    QSpinBox* settingsEvery_ = nullptr;
    QLineEdit* addressBox_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace kestrel
