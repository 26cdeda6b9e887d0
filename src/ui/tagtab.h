#pragma once
// Tab "метка": the current tag (the one the last search answer named), its parameters read and
// written through the addressed reader, and its identity commands among the hidden controls.

#include <QObject>

#include "device/values.h"
#include "ui/viewservices.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace kestrel {

class TagTab : public QObject {
    Q_OBJECT
  public:
    TagTab(ViewServices& services, QWidget* page, QWidget* parent = nullptr);
    void buildHidden(QWidget* hidden);

    // The tag mode box: the live data read the rotation state in modes 4 and 5.
    QString tagModeText() const;

    void render(const device::TagAnswer& value);
    void render(const device::TagParameters& value);

    // Button actions.
    void findTag();
    void readParams();
    void writeParams();
    void setTagSerial();
    void setTagId();

  private:
    device::TagWriteTexts frameTexts() const;

    ViewServices& services_;
    // After a parameter read, the next search answer also fills the identifier box.
    bool idFollowsNextAnswer_ = false;
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
