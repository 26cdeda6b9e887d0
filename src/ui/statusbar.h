#pragma once
// The status bar below the window: the port and the state of the link, the addressed device, the age of
// its last good reply, its share of good replies since the port was opened, and the outcome of the last
// write. Everything comes from the device session (its link, polling, address, reply times, link statistics
// and last write, and the model's identity), never from a widget. It is refreshed once a tick and when the
// link, the polling or the address changes, not on every signal.
//
// A screen reader meets each field as a label named by its title and its value ("Порт: COM3, 19200 8N1,
// открыт"), with the whole value (also where the field shows it cut) in its Text interface; a change is
// told as QLabel tells one, the name changed, and as the text changed.

#include <QWidget>

class QLabel;

namespace kestrel {

class DeviceSession;

class StatusBar : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kLineHeight = 24;
    static constexpr int kHeight = 2 * kLineHeight;
    // The bar as wide as `width`; its fields are placed by hand, as the window's other controls are.
    StatusBar(DeviceSession& session, int width, QWidget* parent = nullptr);
    // Shows what the session says now.
    void refresh();

  private:
    struct Place {
        int x, line, width;
    };
    QLabel* field(const QString& name, const QString& title, Place at);
    // `hint`, when given, explains the text in its tooltip (after the whole text, where the field cuts it).
    void showText(QLabel* field, const QString& text, const QString& hint = {});

    DeviceSession& session_;
    QLabel* port_ = nullptr;
    QLabel* device_ = nullptr;
    QLabel* reply_ = nullptr;
    QLabel* success_ = nullptr;
    QLabel* write_ = nullptr;
};

}  // namespace kestrel
