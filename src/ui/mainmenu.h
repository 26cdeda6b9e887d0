#pragma once
// The main window's menu bar: "Файл" (open a log, save the traffic log, exit), "Вид" (the other windows and
// the language), "Связь" (reconnect, serial device servers, the request's echo, the direction line) and
// "Справка". The "Связь" choices go to the session as they are made, and show what the session holds.

#include <QMap>
#include <QObject>
#include <QString>

class QAction;
class QMenuBar;
class QWidget;

namespace kestrel {

class DeviceSession;
class Dialogs;

class MainMenu : public QObject {
    Q_OBJECT
  public:
    // The windows the menu raises, and what "Файл" does besides.
    struct Targets {
        QWidget* trafficLog = nullptr;
        QWidget* trend = nullptr;
        QWidget* servicePanel = nullptr;
        QWidget* busOverview = nullptr;
    };
    MainMenu(QMenuBar* bar, DeviceSession& session, Dialogs& dialogs, Targets targets, QString language);

    // The language to start in next time.
    QString language() const { return language_; }
    void setLanguage(const QString& language) { language_ = language; }

  signals:
    void openLogAsked();
    void saveLogAsked();
    void exitAsked();
    // A serial device server joined the port list.
    void serverAdded(const QString& name);

  private:
    void buildLinkMenu();
    void showLinkSettings();
    void addNetworkPort();
    void showAbout();

    QMenuBar* bar_;
    DeviceSession& session_;
    Dialogs& dialogs_;
    QString startLanguage_;  // the language this run speaks
    QString language_;
    QAction* reconnect_ = nullptr;
    QAction* networkPort_ = nullptr;  // a serial device server added to the port list
    // "Связь": the request's echo (by its key) and the direction line (none, rts, dtr).
    QMap<QString, QAction*> echoActions_;
    QMap<QString, QAction*> directionActions_;
};

}  // namespace kestrel
