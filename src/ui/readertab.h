#pragma once
// Tab "Считыватель": the reader's mode, radio parameters, ID reset delay and bound-ID table, plus the
// calibration and serial-number commands kept among the hidden controls. Renders the replies to them
// and the settings the session's settings refresh hands over.

#include <QObject>
#include <array>

#include "device/readermode.h"
#include "device/values.h"
#include "ui/viewservices.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace kestrel {

class ServicePanel;

class ReaderTab : public QObject {
    Q_OBJECT
  public:
    ReaderTab(ViewServices& services, QWidget* page, QWidget* parent = nullptr);
    // The hidden commands: calibration and the reader's serial number.
    void buildHidden(ServicePanel& panel);
    // Start-up state: the bridge check boxes hidden, mode "Считыватель" selected.
    void reset();

    // The mode byte the option and check boxes stand for.
    quint8 modeByte() const;
    // Shows a mode byte in the option and check boxes.
    void showMode(quint8 mode);
    // Fills the mode and parameter panels with the reader's settings.
    void showSettings(const device::LiveReading::Settings& settings);

    void render(const device::BoundIdTable& value);
    void render(const device::ResetDelay& value);
    void render(const device::ModeSet& value);
    // The mode and radio parameter boxes greyed while the settings they show are stale (DeviceModel).
    void showStaleness();

    // Button actions.
    void setMode();
    void setRadioParams();
    void setResetDelay();
    void writeBoundId();
    void sendPlain(quint8 command);
    void calibrate(bool upper);
    void setReaderSerial();

  private:
    struct ModeOption {
        device::ReaderMode mode;
        QRadioButton* option;
    };
    QRadioButton* optionOf(device::ReaderMode mode) const;
    void optionSelected(QRadioButton* option);

    ViewServices& services_;
    std::array<ModeOption, 5> modes_{};     // in the order the options are shown
    QCheckBox* master_ = nullptr;           // iinv
    QCheckBox* frequencyOutput_ = nullptr;  // usredn
    QLabel* masterCaption_ = nullptr;
    QLabel* frequencyCaption_ = nullptr;
    QLineEdit* network_ = nullptr;
    QLineEdit* channel_ = nullptr;
    QLineEdit* power_ = nullptr;
    QLineEdit* resetDelay_ = nullptr;
    QLineEdit* cell_ = nullptr;
    QLineEdit* cellId_ = nullptr;
    std::array<QLabel*, 10> cells_{};
};

}  // namespace kestrel
