#pragma once
// The address panel: the addressed device's address list (`CmbNet`), "Изменить сетевой адрес", "Поиск
// считывателя" and the devices the last search found. The list shows the session's address: choosing or
// typing one addresses that device, and whatever moves the address (a search's answer, a close, a port
// back again) moves the list with it, never the other way round.

#include <QObject>
#include <optional>

#include "device/values.h"
#include "ui/viewservices.h"

class QComboBox;
class QLabel;
class QWidget;

namespace kestrel {

class AddressPanel : public QObject {
    Q_OBJECT
  public:
    AddressPanel(ViewServices& services, QWidget* window);

    QComboBox* list() const { return list_; }
    // The list as after a start or a close: "0" alone, selected, and no devices found.
    void reset();
    // A search's answer: every byte the address of one device, in the order they answered, duplicates
    // kept. The list shows them and the first is addressed.
    void render(const device::PollAnswer& answer);

  private:
    void showAddress();
    void addAddress(quint8 address);
    void addressEntered();
    void changeNetAddress();
    void searchBus();

    ViewServices& services_;
    QComboBox* list_ = nullptr;       // CmbNet
    QLabel* devicesFound_ = nullptr;  // netdev
};

}  // namespace kestrel
