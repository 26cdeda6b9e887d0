#pragma once
// The main window: builds every control under its own name, owns the port-scan timer and the
// exchange cycle, wires the features, and runs start-up, port opening and closing, and shutdown.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "protocol/exchange.h"
#include "ui/dialogs.h"
#include "ui/feature.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QTabWidget;
class QGroupBox;

namespace kestrel {

class SerialPort;
class TraceBox;
class Lamp;
class Form2;

class frmSerial : public QWidget, public ExchangeHost {
    Q_OBJECT
public:
    struct Options {
        bool showStartupPicture = true;            // Form2 stands alone until the second Timer1 tick
        int timer1Ms = 1000;                       // the port scan
        ExchangeCycle::Timing timing{};            // TMRComm and its read window
    };

    frmSerial(SerialPort& port, Dialogs& dialogs, QWidget* parent = nullptr);
    frmSerial(SerialPort& port, Dialogs& dialogs, Options options, QWidget* parent = nullptr);
    ~frmSerial() override;

    ExchangeCycle& cycle() { return *cycle_; }
    FeatureContext& context() { return *ctx_; }
    QTimer& timer1() { return timer1_; }
    Form2* startupPicture() const;

    // Window actions, by their event names.
    void Timer1_Timer();
    void BTNOpenCom_Click();
    void BTNCloseCom_Click();
    void CmbNet_Change();
    void Out_modes(quint8 nn);

    // ExchangeHost
    std::optional<QString> selectedAddressText() const override;
    int openTab() const override;
    QString statusText() const override;
    void setStatusText(const QString& text) override;
    quint32 lampColour() const override;
    void setLampColour(quint32 bgr) override;
    void setCmdBoxText(const QString& text) override;
    void setTxtRec(const QString& text) override;
    void showWriteFailure(const QString& message) override;
    void runCloseAction() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildReaderTab(QWidget* page);
    void buildTagTab(QWidget* page);
    void buildBridgeTab(QWidget* page);
    void buildHiddenControls();
    void createFeatures();
    void Form_Load();
    void refreshPortList(const QStringList& ports);
    void optionSelected(QRadioButton* option);
    void CmbNet_Enter();

    SerialPort& port_;
    Dialogs& dialogs_;
    Options options_;
    std::unique_ptr<ExchangeCycle> cycle_;
    std::unique_ptr<FeatureContext> ctx_;
    std::vector<std::unique_ptr<QObject>> features_;
    QTimer timer1_;
    double startupTicks_ = 0;  // Timer1 ticks since start-up
    QPointer<Form2> form2_;

    // Controls the window itself drives.
    QComboBox* CmbPort = nullptr;
    QComboBox* CmbNet = nullptr;
    QPushButton* BTNOpenCom = nullptr;
    QPushButton* BTNCloseCom = nullptr;
    QLabel* MsgCom = nullptr;
    Lamp* Pic = nullptr;
    QTabWidget* SSTab1 = nullptr;
    TraceBox* txtRec = nullptr;
    TraceBox* CmdBoxText = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QRadioButton* R_a = nullptr;
    QRadioButton* R_f = nullptr;
    QRadioButton* R_p485 = nullptr;
    QRadioButton* R485 = nullptr;
    QRadioButton* R_p = nullptr;
    QCheckBox* usredn = nullptr;
    QCheckBox* iinv = nullptr;
    QLabel* usred = nullptr;
    QLabel* invers = nullptr;
};

}  // namespace kestrel
