#include "app/dialogprompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

QString DialogPrompter::inputBox(const QString& prompt, const QString& title) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(parent_.data(), title, prompt, QLineEdit::Normal,
                                                 QString(), &accepted);
    return accepted ? answer : QString();
}

void DialogPrompter::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent_.data());
    box.exec();
}
