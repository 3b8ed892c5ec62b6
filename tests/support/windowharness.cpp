#include "support/windowharness.h"

#include "app/celleditor.h"
#include "app/gridview.h"
#include "model/gridmodel.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

WindowHarness::WindowHarness(app::WindowServices extra, const QString& programFolder)
    : programFolder_(programFolder.isEmpty() ? folder_.path() : programFolder) {
    extra.journalFolder = programFolder_;
    extra.prompter = prompter_;
    extra.endProgram = [ends = ends_] { ++*ends; };
    window_ = std::make_unique<app::JournalWindow>(std::move(extra));
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get()))
        qWarning("the main window did not become active");
}

app::GridView& WindowHarness::gridView() {
    return control<app::GridView>("MSFGAZ");
}

model::GridModel& WindowHarness::grid() {
    return *qobject_cast<model::GridModel*>(gridView().model());
}

app::CellEditor& WindowHarness::cellEditor() {
    return control<app::CellEditor>("txtDataEntry");
}

QLineEdit& WindowHarness::inputLine() {
    return control<QLineEdit>("TxtVvod");
}

QDialog& WindowHarness::exitPrompt() {
    return control<QDialog>("Dialog");
}

QLabel& WindowHarness::blockSummary() {
    return control<QLabel>("LblBlocked");
}

void WindowHarness::press(const char* buttonName) {
    QTest::mouseClick(&control<QPushButton>(buttonName), Qt::LeftButton);
}

void WindowHarness::answerExit(const char* buttonName) {
    QTest::mouseClick(exitPrompt().findChild<QPushButton*>(QLatin1String(buttonName)),
                      Qt::LeftButton);
}

QPoint WindowHarness::cellCentre(int row, int col) {
    app::GridView& view = gridView();
    view.scrollTo(grid().index(row, col));
    return view.visualRect(grid().index(row, col)).center();
}

void WindowHarness::clickCell(int row, int col) {
    QTest::mouseClick(gridView().viewport(), Qt::LeftButton, {}, cellCentre(row, col));
}

void WindowHarness::clickCaption(int col) {
    QHeaderView* header = gridView().horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      {header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                       header->height() / 2});
}

void WindowHarness::setCurrentCell(int row, int col) {
    gridView().selectionModel()->setCurrentIndex(grid().index(row, col),
                                                 QItemSelectionModel::ClearAndSelect);
}

void WindowHarness::selectCells(int row, int col, int toRow, int toCol) {
    setCurrentCell(row, col);
    gridView().selectTo(toRow, toCol);
}

QPoint WindowHarness::currentCell() {
    return {gridView().currentRow(), gridView().currentColumn()};
}

void WindowHarness::editCell(int row, int col, const QString& text) {
    clickCell(row, col);
    cellEditor().selectAll();
    typeText(&cellEditor(), text);
}

void typeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

QByteArray journalBytes(const QList<QStringList>& rows) {
    QByteArray bytes;
    for (const QStringList& row : rows)
        bytes += cp1251(row.join(u';') + u';') + "\r\n";
    return bytes;
}
