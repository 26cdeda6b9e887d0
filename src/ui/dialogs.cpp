#include "ui/dialogs.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

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
    QFileDialog dialog(parent_, title, suggestedName, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setViewMode(QFileDialog::Detail);
    // Qt's own dialog opens too narrow for its columns (a file's date shows as "8 Dec ...:51"): it gets room
    // for a long name and the size, kind and date beside it, within the screen, and those three columns fit
    // their contents while the name takes the rest. A desktop's own dialog keeps its own size.
    const QScreen* screen = parent_ ? parent_->screen() : QGuiApplication::primaryScreen();
    const QFontMetrics metrics = dialog.fontMetrics();
    QSize size(metrics.averageCharWidth() * 120, metrics.height() * 30);
    if (screen) size = size.boundedTo(screen->availableSize() * 9 / 10);
    dialog.resize(size);
    if (auto* files = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = files->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::openFileName(const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, title, QString(), filter);
}

}  // namespace kestrel
