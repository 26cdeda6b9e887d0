#include "ui/portpanel.h"

#include <QAbstractItemView>
#include <QComboBox>

#include "serial/serialport.h"
#include "ui/controlbuilder.h"
#include "ui/controlnames.h"
#include "ui/dialogs.h"

namespace kestrel {

using namespace build;

namespace {
const QString kNoPorts = QStringLiteral("----");
}

PortPanel::PortPanel(SerialPort& port, Dialogs& dialogs, QWidget* w, int scanMs)
    : QObject(w), port_(port), dialogs_(dialogs) {
    list_ = place<QComboBox>(w, ctl::CmbPort, 8, 8, 240, 24, ControlGroup::PortList);
    QGroupBox* box = frame(w, ctl::Frame2, QStringLiteral("Связь"), 8, 36, 240, 62, ControlGroup::Port);
    open_ = button(box, ctl::BTNOpenCom, QStringLiteral("Открыть порт"), 8, 24, 108, 28, ControlGroup::Port);
    close_ = button(box, ctl::BTNCloseCom, QStringLiteral("Закрыть порт"), 124, 24, 108, 28,
                    ControlGroup::Operation);
    scan_.setObjectName(ctl::Timer1);
    scan_.setInterval(scanMs);
}

void PortPanel::reset() {
    list_->addItem(kNoPorts);
    list_->setCurrentIndex(0);
}

QStringList PortPanel::scan() {
    port_.close();
    port_.flush();
    const QStringList ports = port_.availablePorts();
    refreshList(ports);
    return ports;
}

void PortPanel::refreshList(const QStringList& ports) {
    // Never rebuilt under the user's hand; and a list that did not change keeps its selection as is.
    if (list_->view() && list_->view()->isVisible()) return;
    const QStringList shown = ports.isEmpty() ? QStringList{kNoPorts} : ports;
    QStringList current;
    for (int i = 0; i < list_->count(); ++i) current << list_->itemText(i);
    if (current == shown && list_->currentIndex() >= 0) return;
    int index = ports.isEmpty() ? 0 : list_->currentIndex();
    list_->clear();
    list_->addItems(shown);
    index = std::clamp(index, 0, static_cast<int>(list_->count()) - 1);
    list_->setCurrentIndex(index);
}

bool PortPanel::openSelected() {
    scan_.stop();
    const QString name = list_->currentText();
    if (name.isEmpty() || name.startsWith(QLatin1Char('-'))) {
        dialogs_.message(QStringLiteral("Нет доступных портов"));
        scan_.start();
        return false;
    }
    const OpenResult r = port_.open(name);
    if (r.ok) return true;
    // The list keeps being refreshed after a failed open, so an adapter plugged in now can be chosen.
    scan_.start();
    if (r.failure == OpenFailure::Settings) {
        dialogs_.message(QStringLiteral("Unable to set Comm DCB 19200,n,8,1 Error: %1").arg(r.code));
    } else {
        QString text =
            QStringLiteral("Com Port ") + name + QStringLiteral(" недоступен. Установите нужный порт.");
        if (!r.cause.isEmpty()) text += QStringLiteral("\n") + r.cause;
        dialogs_.message(text, Dialogs::Icon::Exclamation);
    }
    dialogs_.message(name + QStringLiteral(" Not available!"));
    return false;
}

}  // namespace kestrel
