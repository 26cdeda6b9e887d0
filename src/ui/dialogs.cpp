#include "ui/dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "protocol/translation.h"

namespace kestrel {

void QtDialogs::message(const QString& text, Icon icon, const QString& title) {
    QMessageBox box(parent_);
    box.setWindowTitle(title.isEmpty() ? kAppTitle : title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(icon == Icon::Exclamation ? QMessageBox::Warning
                : icon == Icon::Critical  ? QMessageBox::Critical
                                          : QMessageBox::NoIcon);
    box.exec();
}

bool QtDialogs::askYesNo(const QString& text) {
    QMessageBox box(parent_);
    box.setWindowTitle(kAppTitle);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(Texts::tr("&Да"));
    box.button(QMessageBox::No)->setText(Texts::tr("&Нет"));
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(Texts::tr("Отмена"));
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString QtDialogs::saveFileName(const QString& title, const QString& suggestedName, const QString& filter) {
    return QFileDialog::getSaveFileName(parent_, title, suggestedName, filter);
}

}  // namespace kestrel
