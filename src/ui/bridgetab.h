#pragma once
// Tab "мост": the remote slave of a bridge reader (its data and its RS485 value).

#include <QObject>

#include "device/values.h"
#include "ui/viewservices.h"

class QCheckBox;
class QLabel;
class QWidget;

namespace kestrel {

class ServicePanel;

class BridgeTab : public QObject {
    Q_OBJECT
  public:
    BridgeTab(ViewServices& services, QWidget* page, QWidget* parent = nullptr);
    // The two request buttons, kept among the hidden controls.
    void buildHidden(ServicePanel& panel);

    void render(const device::SlaveData& value);
    void render(const device::SlaveRs485& value);
    // The slave's read-outs greyed while stale (DeviceModel).
    void showStaleness();
    // Replaces the pending request with a bare request of `command` for the selected address.
    void request(quint8 command);

  private:
    ViewServices& services_;
    QLabel* serial_ = nullptr;
    QLabel* temperature_ = nullptr;
    QLabel* frequency_ = nullptr;
    QLabel* level_ = nullptr;
    QLabel* rs485_ = nullptr;
    QCheckBox* contact_ = nullptr;
};

}  // namespace kestrel
