#pragma once
// Modal message boxes and the input dialog, behind one small interface so tests can answer them.

#include <QString>

class QWidget;

namespace kestrel {

inline const QString kAppTitle = QStringLiteral("Kestrel Tool");

class Dialogs {
  public:
    enum class Icon { None, Exclamation, Critical };
    virtual ~Dialogs() = default;
    // A message box with an OK button; the application's title unless `title` is given.
    virtual void message(const QString& text, Icon icon = Icon::None, const QString& title = {}) = 0;
    // A question with Yes and No buttons and no icon; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // An input dialog; empty text on Cancel.
    virtual QString input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // A save-file dialog that asks before overwriting; empty on Cancel. `filter` as "CSV (*.csv)".
    virtual QString saveFileName(const QString& title, const QString& suggestedName,
                                 const QString& filter) = 0;
    // An open-file dialog for an existing file; empty on Cancel.
    virtual QString openFileName(const QString& title, const QString& filter) = 0;
};

// The real dialogs: QMessageBox and QInputDialog over `parent`.
class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void message(const QString& text, Icon icon, const QString& title) override;
    bool askYesNo(const QString& text) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString saveFileName(const QString& title, const QString& suggestedName, const QString& filter) override;
    QString openFileName(const QString& title, const QString& filter) override;

  private:
    QWidget* parent_;
};

}  // namespace kestrel
