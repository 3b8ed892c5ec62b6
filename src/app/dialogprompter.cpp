#include "app/dialogprompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

QString DialogPrompter::inputBox(const QString& prompt, const QString& title) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(parent_.data(), title, prompt, QLineEdit::Normal,
                                                 QString(), &accepted);
    return accepted ? answer : QString();
}

bool DialogPrompter::question(const QString& text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, parent_.data());
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void DialogPrompter::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent_.data());
    box.exec();
}
