#pragma once
// Tab "Считыватель": the reader's mode, radio parameters, ID reset delay and bound-ID table, plus the
// calibration and serial-number commands kept among the hidden controls. Renders the replies to them
// and the settings part of the current parameters.

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

class ReaderTab : public QObject {
    Q_OBJECT
  public:
    ReaderTab(ViewServices& services, QWidget* page, QWidget* parent = nullptr);
    // The hidden commands: calibration and the reader's serial number.
    void buildHidden(QWidget* hidden);
    // Start-up state: the bridge check boxes hidden and cleared, mode "Считыватель" selected.
    void reset();

    // The mode byte the option and check boxes stand for.
    quint8 modeByte() const;
    // Shows a mode byte in the option and check boxes, and ends a settings refresh.
    void showMode(quint8 mode);
    // The next current-parameters replies reload the mode and parameter panels.
    void requestSettingsRefresh() { refresh_ = SettingsRefresh::Asked; }

    void render(const device::LiveReading& value);
    void render(const device::BoundIdTable& value);
    void render(const device::ResetDelay& value);
    void render(const device::ModeSet& value);

    // Button actions.
    void setMode();
    void setRadioParams();
    void setResetDelay();
    void writeBoundId();
    void sendPlain(quint8 command);
    void calibrate(bool upper);
    void setReaderSerial();

  private:
    // A settings refresh takes two long current-parameters replies: the first is announced, the second
    // fills the panels; after that the panels are the user's to edit.
    enum class SettingsRefresh { Idle, Asked, CopyNext };
    struct ModeOption {
        device::ReaderMode mode;
        QRadioButton* option;
    };
    QRadioButton* optionOf(device::ReaderMode mode) const;
    void optionSelected(QRadioButton* option);

    ViewServices& services_;
    SettingsRefresh refresh_ = SettingsRefresh::Asked;
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
