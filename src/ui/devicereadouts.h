#pragma once
// The addressed device's read-outs in the main window: its serial number and firmware, the live reading
// (the tag's identifier, the address, the level bar, and on the service panel the level, temperature and
// current), and the drum's rotation with its pictures. They render the session's device model, greyed
// while what they show is no longer current.

#include <QObject>

class QLabel;
class QWidget;

namespace kestrel {

class DeviceModel;
class LevelBar;
class ServicePanel;

class DeviceReadouts : public QObject {
    Q_OBJECT
  public:
    DeviceReadouts(const DeviceModel& model, QWidget* window);
    // The current read-outs, on the service panel.
    void buildHidden(ServicePanel& panel);
    // As at start: the rotation and its pictures hidden.
    void reset();
    // As after a close: every read-out says there is no data.
    void showClosed();
    void showStaleness();

  private:
    void renderLive();
    void renderIdentity();
    void renderRotation();

    const DeviceModel& model_;
    LevelBar* levelBar_ = nullptr;
    QLabel* serial_ = nullptr;           // sn
    QLabel* firmware_ = nullptr;         // vv
    QLabel* rotationCaption_ = nullptr;  // vra
    QLabel* rotation_ = nullptr;         // vraa
    QLabel* truck_ = nullptr;
    QLabel* arrowRight_ = nullptr;
    QLabel* arrowLeft_ = nullptr;
    QLabel* stopSign_ = nullptr;
    // The live read-outs: ne, hi, lo, ko, tek, temp, uroven.
    QLabel* address_ = nullptr;
    QLabel* tagId_ = nullptr;
    QLabel* emptyLevel_ = nullptr;
    QLabel* second_ = nullptr;
    QLabel* current_ = nullptr;
    QLabel* temperature_ = nullptr;
    QLabel* level_ = nullptr;
};

}  // namespace kestrel
