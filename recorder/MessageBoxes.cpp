#include "MessageBoxes.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

QString DisplayText(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

void TMessageBoxes::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QApplication::applicationDisplayName(), DisplayText(text));
}

void TMessageBoxes::ShowWarning(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QApplication::applicationDisplayName(), DisplayText(text));
}

void TMessageBoxes::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), DisplayText(text));
}

bool TMessageBoxes::AskYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QApplication::applicationDisplayName(), DisplayText(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool TMessageBoxes::AskOkCancel(QWidget* parent, const QString& caption, const QString& text) {
    return QMessageBox::warning(parent, caption, DisplayText(text), QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}

QString TMessageBoxes::ChooseFolder(QWidget* parent, const QString& instruction, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, instruction, start, QFileDialog::ShowDirsOnly);
}
