// The cell edit session on its own: a grid, its view and history in a bare window.
#include "app/celldelegate.h"
#include "app/celleditor.h"
#include "app/gridview.h"
#include "editing/gridhistory.h"
#include "model/registerstate.h"
#include "support/gridtexts.h"

#include <QSignalSpy>
#include <QTest>

class TestCellDelegate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A command run while an edit is open sees the edit stored, as an undo step of its own before
    // the command's, and gets the signal's arguments and gives back its result.
    void aCommandRunsOnTheStoredEdit() {
        QWidget window;
        model::GridModel grid;
        fillGrid(grid, texts({"A", "B"}), {texts({"a1", "b1"}), texts({"a2", "b2"})});
        app::GridView view(&grid, &window);
        editing::GridHistory history(grid, *view.selectionModel());
        const model::RegisterState state(grid, {});
        app::CellDelegate edits(grid, view, history, state);
        window.show();
        QSignalSpy stored(&edits, &app::CellDelegate::stored);
        const auto command = edits.command([&] {
            const auto step = history.step(QStringLiteral("Команда"));
            grid.setText(1, 0, grid.text(0, 1));
            return grid.text(1, 0);
        });
        edits.command([] { return 0; })(); // nothing open: nothing stored, no step
        QCOMPARE(history.stack().count(), 0);

        view.setCurrentIndex(grid.index(0, 1));
        edits.open();
        edits.editor().typeOver(QStringLiteral("новое"));
        QCOMPARE(command(), QStringLiteral("новое"));
        QVERIFY(!edits.editor().isVisible());
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored.at(0).at(0).toInt(), 1);
        QCOMPARE(history.stack().count(), 2);
        QCOMPARE(history.stack().text(0), QStringLiteral("Ввод в ячейку"));
        QVERIFY(history.undo());
        QCOMPARE(grid.text(1, 0), QStringLiteral("a2"));
        QCOMPARE(grid.text(0, 1), QStringLiteral("новое"));

        // An edit that leaves the text as it was stores nothing; one on a cell the current cell
        // has left goes where it was typed.
        const int steps = history.stack().count();
        edits.open();
        view.setCurrentIndex(grid.index(1, 1));
        QCOMPARE(stored.size(), 1);
        QCOMPARE(history.stack().count(), steps);
        edits.open();
        edits.editor().typeOver(QStringLiteral("x"));
        view.setCurrentIndex(grid.index(0, 0));
        QCOMPARE(grid.text(1, 1), QStringLiteral("x"));
        QCOMPARE(grid.text(0, 0), QStringLiteral("a1"));

        // No edit opens on a row the view hides; a dropped edit leaves its cell alone.
        view.setRowHidden(0, true);
        edits.open();
        QVERIFY(!edits.editor().isOpen());
        view.setCurrentIndex(grid.index(1, 0));
        edits.open();
        edits.editor().typeOver(QStringLiteral("y"));
        edits.drop();
        edits.commit();
        QCOMPARE(grid.text(1, 0), QStringLiteral("a2"));
        // A slot with arguments, through a signal: it sees the edit stored too.
        connect(&view, &app::GridView::typed, this, edits.command(this, &TestCellDelegate::keep));
        edits.open();
        edits.editor().typeOver(QStringLiteral("w"));
        grid_ = &grid;
        Q_EMIT view.typed(QStringLiteral("z"));
        QCOMPARE(kept_, QStringLiteral("z w"));
    }

    // A cell read from a spreadsheet's file may hold ";" and line ends, which the input filter
    // refuses: opening its edit and leaving it changes nothing; typing into it is filtered.
    void anEditLeftAsItWasKeepsWhatTheFilterRefuses() {
        QWidget window;
        model::GridModel grid;
        fillGrid(grid, texts({"A"}), {texts({"a;b\nc"})});
        app::GridView view(&grid, &window);
        editing::GridHistory history(grid, *view.selectionModel());
        const model::RegisterState state(grid, {});
        app::CellDelegate edits(grid, view, history, state);
        window.show();
        view.setCurrentIndex(grid.index(0, 0));
        edits.open();
        QCOMPARE(edits.editor().text(), QStringLiteral("a;b\nc"));
        edits.commit();
        QCOMPARE(grid.text(0, 0), QStringLiteral("a;b\nc"));
        QCOMPARE(history.stack().count(), 0);
        edits.open();
        edits.editor().typeOver(QStringLiteral("x;y"));
        edits.commit();
        QCOMPARE(grid.text(0, 0), QStringLiteral("xy"));
    }

private:
    void keep(const QString& text) { kept_ = text + u' ' + grid_->text(1, 0); }
    model::GridModel* grid_ = nullptr;
    QString kept_;
};

QTEST_MAIN(TestCellDelegate)
#include "tst_celldelegate.moc"
