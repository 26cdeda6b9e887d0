#pragma once
// Tab "метка": the current tag (the one the last search answer named), the parameters of the tag read
// last (the frame, whose title names that tag: a write goes to it), written through the addressed reader,
// and the tag's identity commands among the hidden controls. Which tag is which is the session's.

#include <QObject>

#include "device/values.h"
#include "ui/viewservices.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace kestrel {

class ServicePanel;

class TagTab : public QObject {
    Q_OBJECT
  public:
    TagTab(ViewServices& services, QWidget* page, QWidget* parent = nullptr);
    void buildHidden(ServicePanel& panel);

    void render(const device::TagAnswer& value);
    void render(const device::TagParameters& value);
    // No tag's parameters are in the frame any more (another device is addressed): the title says so.
    void forgetReadTag();
    // The follow-up of a parameter read: the identifier the next search answer named.
    void showIdentifierInFrame(quint32 identifier);
    // The current tag's read-outs and the read tag's boxes greyed while stale (DeviceModel).
    void showStaleness();

    // Button actions.
    void findTag();
    void readParams();
    void writeParams();
    void setTagSerial();
    void setTagId();

  private:
    device::TagWriteTexts frameTexts() const;

    ViewServices& services_;
    QGroupBox* frame_ = nullptr;   // Frame6
    QLabel* serial_ = nullptr;     // SerNumMetki
    QLabel* currentId_ = nullptr;  // outID
    QLineEdit* idBox_ = nullptr;   // ID_Metki
    QLineEdit* mode_ = nullptr;
    QLineEdit* period_ = nullptr;
    QLineEdit* delay_ = nullptr;
    QLineEdit* power_ = nullptr;
    QLabel* level_ = nullptr;
    QLabel* firmware_ = nullptr;
    QCheckBox* hexIds_ = nullptr;
    // Hidden diagnostic fields.
    QLabel* readSerial_ = nullptr;
    QLabel* replyCode_ = nullptr;
    QLabel* readDelay_ = nullptr;
    QLabel* readMode_ = nullptr;
    QLabel* readPower_ = nullptr;
};

}  // namespace kestrel
