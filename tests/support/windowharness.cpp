#include "support/windowharness.h"

#include "app/gridmodel.h"
#include "app/gridview.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

WindowHarness::WindowHarness(WindowServices extra) {
    extra.programFolder = folder_.path();
    extra.prompter = prompter_;
    auto ends = ends_;
    extra.endProgram = [ends] { ++*ends; };
    window_ = std::make_unique<FrmEKLZ>(std::move(extra));
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get()))
        qWarning("the main window was not exposed");
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get()))
        qWarning("the main window did not become active");
}

void WindowHarness::press(const char* buttonName) {
    QPushButton* button = window_->button(QString::fromLatin1(buttonName));
    if (!button)
        qFatal("no button %s", buttonName);
    QTest::mouseClick(button, Qt::LeftButton);
}

QPoint WindowHarness::cellCentre(int row, int col) {
    GridView& view = window_->gridView();
    if (row == 0) {
        QHeaderView* header = view.horizontalHeader();
        return {header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                header->height() / 2};
    }
    view.scrollTo(grid().index(row - 1, col));
    return view.visualRect(grid().index(row - 1, col)).center();
}

void WindowHarness::clickCell(int row, int col) {
    GridView& view = window_->gridView();
    const QPoint at = cellCentre(row, col);
    QWidget* target = row == 0 ? view.horizontalHeader()->viewport() : view.viewport();
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
}

void typeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}
