#pragma once
// The port panel: the port list, kept current by the once-a-second scan while no port is open, and the
// "Открыть порт" / "Закрыть порт" buttons with the messages of a failed open.

#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

#include "serial/linkvalues.h"
#include "serial/portcatalogue.h"
#include "session/devicesession.h"

class QComboBox;
class QPushButton;
class QWidget;

namespace kestrel {

class Dialogs;

class PortPanel : public QObject {
    Q_OBJECT
  public:
    PortPanel(PortCatalogue& ports, Dialogs& dialogs, QWidget* window, int scanMs);

    QTimer& scanTimer() { return scan_; }
    // The panel as the link stands: open, the scan stops and only "Закрыть порт" is usable; closed, the list
    // is scanned and "Открыть порт" is usable; while the port `lost` is waited for, the list is scanned, it
    // stays listed and selected, and "Закрыть порт" (which ends the waiting) is usable.
    void showLink(DeviceSession::Link link, const QString& lost = {});
    QPushButton* openButton() const { return open_; }
    QPushButton* closeButton() const { return close_; }
    // Start-up: the list shows "----" until the first scan.
    void reset();
    // One scan: the system's ports are listed; returns them.
    QList<PortInfo> scan();
    // The selected entry of the list, and its name ("----" when there are no ports).
    int currentIndex() const;
    QString currentName() const;
    // Selects the entry at `index`, as the user choosing it.
    void select(int index);
    // Selects the entry named `name` (the list refreshed first when it is not listed yet).
    void selectName(const QString& name);
    // A port that stays listed and selected while it is gone (a lost port waited for); empty: none.
    void holdName(const QString& name);
    // The list made current with the system's ports, without touching the port.
    void refresh();
    // The identity of the adapter listed at `index` (empty for none), and the entry listing the adapter
    // with `identity` (-1 when it is not listed).
    QString identityOf(int index) const;
    // The first entry known by `identity` whose name is not one of `except`; -1 when there is none.
    int indexOfIdentity(const QString& identity, const QStringList& except = {}) const;
    int indexOfName(const QString& name) const;
    // The names of the entries known by `identity`.
    QStringList namesOfIdentity(const QString& identity) const;
    // Opens the selected port with `open`; false, with the user told why, when it cannot be opened (and
    // the cause in `failure`: what the system said, for the traffic log). The scan stops while the port is
    // open, and goes on after a failed open.
    bool openSelected(const std::function<OpenResult(const QString&)>& open, QString* failure = nullptr);

  signals:
    // The engineer picked a port from the list.
    void portChosen();

  private:
    void refreshList(const QList<PortInfo>& ports);

    PortCatalogue& ports_;
    Dialogs& dialogs_;
    QTimer scan_;
    QComboBox* list_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* close_ = nullptr;
    std::optional<QList<PortInfo>> listed_;  // what the list was last filled from
    QString held_;                           // listed and selected even when the system does not list it
};

}  // namespace kestrel
