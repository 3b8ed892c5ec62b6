// Random sequences of everything a user can do in the window — the command buttons, clicks on
// cells and on the header row, cell edits, typing and pasting into the input line, keys on the
// grid, the title-bar close and the exit prompt's answers — applied to random journals. After
// every step the grid must still be a journal the program can save and read back.
//
// Every sequence is seeded and replays exactly: a failure names its seed and the steps that led
// to it. EKLZ_SEQUENCES sets how many sequences run (default 1000), EKLZ_SEQUENCE_STEPS their
// length (default 40), EKLZ_SEQUENCE_SEED the first seed (default 1).
#include "app/celleditor.h"
#include "app/gridview.h"
#include "core/journalcharset.h"
#include "core/journalformat.h"
#include "model/gridmodel.h"
#include "support/gridtexts.h"
#include "support/printfixtures.h"
#include "support/randomruns.h"
#include "support/recordingsurface.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <optional>
#include <utility>

namespace {

// A printer that takes every document and keeps nothing.
class NullPrinter : public printing::PrinterProvider {
public:
    int documents = 0;
    std::unique_ptr<printing::PageSurface> open() override {
        ++documents;
        return std::make_unique<RecordingSurface>();
    }
};

// The header row as the journal's format lays it: captions with their trailing blanks.
const QStringList& standardHeader() {
    static const QStringList sections = [] {
        QStringList texts;
        for (const QString& section : core::headerFormat().split(u'|'))
            texts << section.mid(1);
        return texts;
    }();
    return sections;
}

bool isHeaderCaption(const QString& text) {
    const QString trimmed = text.trimmed();
    return !trimmed.isEmpty() &&
           std::any_of(standardHeader().begin(), standardHeader().end(),
                       [&](const QString& s) { return s.trimmed() == trimmed; });
}

// Cell texts of the random journals: names, models and numbers in Cyrillic and Latin, dates that
// read and dates that do not, blanks and empty cells.
const QStringList& cellPool() {
    static const QStringList pool = {
        QStringLiteral("ООО Ромашка"),
        QStringLiteral("ИП Соколов"),
        QStringLiteral("ёлка Ё"),
        QStringLiteral("ЭКР 2102К"),
        QStringLiteral("Mercury-115"),
        QStringLiteral("17"),
        QStringLiteral("0042"),
        QStringLiteral("-5"),
        QStringLiteral("15.03.2009"),
        QStringLiteral("1.2.2010"),
        QStringLiteral("29.02.2008"),
        QStringLiteral("31.12.99"),
        QStringLiteral("32.13.2009"),
        QStringLiteral("29.02.2009"),
        QStringLiteral(" Иванов "),
        QStringLiteral("   "),
        QString(),
        QString(),
        QStringLiteral("№ 5 «А»"),
        QStringLiteral("€ 10"),
    };
    return pool;
}

// What a user types or pastes: letters, digits, dots and blanks that make dates and names, and
// characters no journal file can hold (";", line ends, a tick and a CJK sign).
const QString& typedAlphabet() {
    static const QString alphabet = QStringLiteral("абвЖЁё19.0 2;\n✓中Az");
    return alphabet;
}

class Sequence {
public:
    explicit Sequence(quint32 seed) : random_(seed), seed_(seed) {
        auto clock = std::make_shared<FixedClock>();
        app::WindowServices services;
        services.printer = printer_;
        services.clock = clock;
        harness_ = std::make_unique<WindowHarness>(std::move(services));
        harness_->folder().write(QStringLiteral("thisyear.csv"), randomJournal());
        harness_->folder().write(QStringLiteral("Archive/2025.csv"), randomJournal());
        followColumns();
        // Both files hold the eight journal columns in their places.
        for (int id = 0; id < core::FileColumns; ++id)
            fileIds_[ThisYear] << id;
        fileIds_[QStringLiteral("2025")] = fileIds_[ThisYear];
        step_ = Step{Step::Opened, ThisYear};
        harness_->press("CmdZagruz");
        settleColumns();
    }

    // Runs up to `steps` random steps; stops early when the program ends. Returns the problem
    // found, with the steps taken, or an empty text.
    QString run(int steps) {
        if (QString problem = check(); !problem.isEmpty())
            return report(problem);
        for (int i = 0; i < steps && harness_->endCount() == 0 && window().isVisible(); ++i) {
            const Before before = remember();
            step_ = {};
            log_ << step();
            settleColumns();
            QString problem = check();
            if (problem.isEmpty())
                problem = checkStep(before);
            if (!problem.isEmpty())
                return report(problem);
        }
        if (harness_->endCount() == 0 && window().isVisible())
            if (QString problem = undoAll(); !problem.isEmpty())
                return report(problem);
        return {};
    }

    qsizetype stepsTaken() const { return log_.size(); }

private:
    struct GridSnapshot {
        QList<QStringList> rows;
    };
    // What a step did beyond editing cells in place.
    struct Step {
        enum Kind { InPlace, HeaderSort, RowRemoved, RowAdded, Opened, Saved, SaveRefused, Undone };
        Kind kind = InPlace;
        QString file; // for Opened and Saved: ThisYear or an archive's name
    };
    // The grid and what may change in a step: the cell an open edit goes to, the current cell
    // the input line writes, the row "Удалить строку" removes.
    struct Before {
        GridSnapshot grid;
        QList<int> ids;
        QList<QPoint> typedCells;
        int selectionEndRow = 0;
        QByteArray thisYear;
    };
    static inline const QString ThisYear = QStringLiteral("thisyear.csv");
    // Columns carry an identity: 0..7 the journal columns of the files the sequence starts from
    // (5 the activation dates, 6 the block dates), FirstAddedId on columns added since.
    static constexpr int BlockDatesId = 6;
    static constexpr int FirstAddedId = 100;

    app::JournalWindow& window() { return harness_->window(); }
    model::GridModel& grid() { return harness_->grid(); }
    int pick(int bound) { return int(random_.bounded(quint32(bound))); }
    bool chance(int percent) { return pick(100) < percent; }

    QByteArray randomJournal() {
        QByteArray bytes;
        const int rows = pick(4) == 0 ? 0 : pick(30);
        for (int r = 0; r < rows; ++r) {
            // Mostly eight fields; now and then fewer or more, or an empty line.
            const int fields = chance(85) ? 8 : pick(11);
            QString line;
            for (int f = 0; f < fields; ++f)
                line += cellPool()[pick(int(cellPool().size()))] + u';';
            bytes += cp1251(line) + "\r\n";
        }
        return bytes;
    }

    QString randomTyping() {
        QString text;
        const int length = pick(8);
        for (int i = 0; i < length; ++i)
            text += typedAlphabet()[pick(int(typedAlphabet().size()))];
        return text;
    }

    QString answerFor(const char* button) {
        if (qstrcmp(button, "CmdSearh") == 0)
            return chance(50) ? randomTyping() : cellPool()[pick(int(cellPool().size()))];
        static const QStringList names = {
            QStringLiteral("2025"), QStringLiteral("арх"), QString(),
            QStringLiteral("../x"), QStringLiteral("a/b"), QStringLiteral("копия 1")};
        return names[pick(int(names.size()))];
    }

    QString pressButton() {
        static const char* const buttons[] = {
            "CmdDelC",   "CmdAddC",   "CmdDelS", "CmdAddS", "CmdSortC", "CmdSearh", "CmdZArch",
            "CmdZagruz", "CmdSaveAs", "CmdSave", "CmdEdit", "CmdPrint", "CmdProd"};
        const char* button = buttons[pick(int(std::size(buttons)))];
        const QString answer = answerFor(button);
        const bool yes = chance(50); // to every question the press asks
        ScriptedPrompter& prompter = harness_->prompter();
        prompter.answers = {answer};
        prompter.questionAnswers = {yes, yes};
        // Unsaved changes before an opening: dropped, or the opening cancelled.
        prompter.keepAnswers = {yes ? core::Prompter::KeepChanges::Discard
                                    : core::Prompter::KeepChanges::Cancel};
        const qsizetype messagesBefore = prompter.messages.size();
        const qsizetype questionsBefore = prompter.questions.size();
        const qsizetype keepQuestionsBefore = prompter.keepQuestions.size();
        // With an archive on screen a save asks where: the archive, thisyear.csv, or nowhere.
        const std::optional<int> where = yes ? std::optional<int>(pick(2)) : std::nullopt;
        prompter.choiceAnswers = {where};
        const qsizetype choicesBefore = prompter.choiceQuestions.size();
        const int rowsBefore = grid().rowCount();
        harness_->press(button);
        prompter.answers.clear();
        prompter.questionAnswers.clear();
        prompter.keepAnswers.clear();
        prompter.choiceAnswers.clear();
        const bool chose = prompter.choiceQuestions.size() > choicesBefore;
        const bool told = prompter.messages.size() > messagesBefore;
        const bool refused = !yes && prompter.questions.size() > questionsBefore;
        const bool kept = !yes && prompter.keepQuestions.size() > keepQuestionsBefore;
        const QString name = answer.toUpper();
        if (kept) {
            // The opening was cancelled: nothing may change.
        } else if (qstrcmp(button, "CmdZagruz") == 0)
            step_ = {Step::Opened, ThisYear};
        else if (qstrcmp(button, "CmdZArch") == 0 && !answer.isEmpty() &&
                 !(told && prompter.messages.last().startsWith(QStringLiteral("Недопустимое"))))
            step_ = {Step::Opened, told ? QString() : name}; // not found: the emptied grid
        else if (qstrcmp(button, "CmdSave") == 0 && chose && where != 1)
            step_ = {told || refused || !where ? Step::SaveRefused : Step::Saved, shownArchive_};
        else if (qstrcmp(button, "CmdSave") == 0)
            step_ = {told || refused ? Step::SaveRefused : Step::Saved, ThisYear};
        else if (qstrcmp(button, "CmdSaveAs") == 0 && !told && !refused && !answer.isEmpty())
            step_ = {Step::Saved, name};
        else if (grid().rowCount() < rowsBefore)
            step_ = {Step::RowRemoved, {}};
        else if (grid().rowCount() > rowsBefore)
            step_ = {Step::RowAdded, {}};
        return QStringLiteral("press %1 (answer \"%2\", %3)")
            .arg(QLatin1String(button), answer, yes ? QStringLiteral("yes") : QStringLiteral("no"));
    }

    QString clickCell() {
        // Row -1: a caption.
        const int row = chance(15) ? -1 : pick(grid().rowCount() + 1) - 1;
        const int col = pick(grid().columnCount());
        QString stored;
        if (row < 0) {
            // A click on a caption sorts; an open edit is stored first so that the sort
            // can be checked on its own.
            if (harness_->cellEditor().isOpen()) {
                QTest::keyClick(&harness_->cellEditor(), Qt::Key_Return);
                stored = QStringLiteral("Enter in the cell editor, then ");
            }
            // Leaving the input line takes its pending proposal into its cell: that too.
            if (harness_->inputLine().hasFocus()) {
                harness_->gridView().setFocus(Qt::OtherFocusReason);
                stored += QStringLiteral("the grid focused, then ");
            }
            step_ = {Step::HeaderSort, {}};
            sortBase_ = snapshot();
        }
        if (row < 0)
            harness_->clickCaption(col);
        else
            harness_->clickCell(row, col);
        return stored + QStringLiteral("click cell %1,%2").arg(row).arg(col);
    }

    QString dragSelection() {
        if (grid().rowCount() < 1)
            return clickCell();
        const int fromRow = pick(grid().rowCount()), toRow = pick(grid().rowCount());
        const int fromCol = pick(grid().columnCount()), toCol = pick(grid().columnCount());
        app::GridView& view = harness_->gridView();
        const QPoint from = harness_->cellCentre(fromRow, fromCol);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from);
        const QPoint to = harness_->cellCentre(toRow, toCol);
        QTest::mouseMove(view.viewport(), to);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
        return QStringLiteral("drag %1,%2 to %3,%4")
            .arg(fromRow)
            .arg(fromCol)
            .arg(toRow)
            .arg(toCol);
    }

    QString editCell() {
        app::CellEditor& editor = harness_->cellEditor();
        if (!editor.isOpen())
            return clickCell();
        const QString text = randomTyping();
        if (chance(30))
            editor.selectAll();
        typeText(&editor, text);
        const int ending = pick(3);
        if (ending == 0)
            QTest::keyClick(&editor, Qt::Key_Return);
        else if (ending == 1)
            QTest::keyClick(&editor, Qt::Key_Escape);
        static const char* const endings[] = {"Enter", "Escape", "left open"};
        return QStringLiteral("type \"%1\" into the cell editor, %2")
            .arg(text, QLatin1String(endings[ending]));
    }

    QString useInputLine() {
        QLineEdit& line = harness_->inputLine();
        QTest::mouseClick(&line, Qt::LeftButton);
        const QString text = randomTyping();
        if (chance(25)) {
            QApplication::clipboard()->setText(text);
            QTest::keyClick(&line, Qt::Key_V, Qt::ControlModifier);
            return QStringLiteral("paste \"%1\" into the input line").arg(text);
        }
        if (chance(20))
            QTest::keyClick(&line, Qt::Key_Backspace);
        typeText(&line, text);
        return QStringLiteral("type \"%1\" into the input line").arg(text);
    }

    QString gridKey() {
        static const Qt::Key keys[] = {Qt::Key_Up,    Qt::Key_Down,     Qt::Key_Left,
                                       Qt::Key_Right, Qt::Key_PageDown, Qt::Key_PageUp,
                                       Qt::Key_F2,    Qt::Key_Return};
        const Qt::Key key = keys[pick(int(std::size(keys)))];
        QTest::keyClick(&harness_->gridView(), key);
        return QStringLiteral("key %1 on the grid").arg(int(key), 0, 16);
    }

    QString answerExitPrompt() {
        QDialog& prompt = harness_->exitPrompt();
        if (!prompt.isVisible()) {
            harness_->press("CmdProd");
            return QStringLiteral("press CmdProd");
        }
        static const char* const answers[] = {"OKButton", "CancelButton", "CmdCancel"};
        const char* answer = answers[pick(int(std::size(answers)))];
        QTest::mouseClick(prompt.findChild<QPushButton*>(QLatin1String(answer)), Qt::LeftButton);
        return QStringLiteral("exit prompt: %1").arg(QLatin1String(answer));
    }

    QString step() {
        const int kind = pick(100);
        if (kind < 25)
            return pressButton();
        if (kind < 45)
            return clickCell();
        if (kind < 50)
            return dragSelection();
        if (kind < 70)
            return editCell();
        if (kind < 82)
            return useInputLine();
        if (kind < 94)
            return gridKey();
        if (kind < 96)
            return answerExitPrompt();
        if (kind < 98)
            return undoOrRedo();
        window().close();
        return QStringLiteral("title-bar close");
    }

    QString undoOrRedo() {
        step_ = {Step::Undone, {}};
        const bool undo = chance(60);
        QTest::keyClick(&harness_->gridView(), undo ? Qt::Key_Z : Qt::Key_Y, Qt::ControlModifier);
        return undo ? QStringLiteral("Ctrl+Z on the grid") : QStringLiteral("Ctrl+Y on the grid");
    }

    // Undoing everything since the last opening gives back the grid as it opened, cell for cell.
    QString undoAll() {
        for (qsizetype i = 0; i < 2 * log_.size() + 2; ++i)
            QTest::keyClick(&harness_->gridView(), Qt::Key_Z, Qt::ControlModifier);
        const GridSnapshot now = snapshot();
        if (now.rows != opened_.rows)
            return QStringLiteral("undoing everything gave %1 x %2 cells, not the %3 x %4 opened%5")
                .arg(now.rows.size())
                .arg(now.rows.value(0).size())
                .arg(opened_.rows.size())
                .arg(opened_.rows.value(0).size())
                .arg(now.rows.size() == opened_.rows.size() ? QStringLiteral(" (texts differ)")
                                                            : QString());
        return {};
    }

    // Row 0 holds the captions, row r + 1 the grid's row r.
    GridSnapshot snapshot() {
        GridSnapshot shot;
        shot.rows << grid().captions();
        shot.rows += grid().dataRows();
        return shot;
    }
    // The current cell as the snapshot places it.
    QPoint currentCell() {
        const QPoint current = harness_->currentCell();
        return {current.x() + 1, current.y()};
    }

    // What must hold after any step.
    QString check() {
        model::GridModel& g = grid();
        if (const QString fault = gridShapeFault(g); !fault.isEmpty())
            return fault;
        for (int r = 0; r < g.rowCount(); ++r) {
            for (int c = 0; c < g.columnCount(); ++c) {
                const QString text = g.text(r, c);
                if (core::indexOfUnwritable(text) >= 0)
                    return QString::asprintf("cell %d,%d holds \"%s\", which a file cannot hold", r,
                                             c, qUtf8Printable(text));
                // Typing cannot make a caption, so a caption in a row is a header that moved.
                if (isHeaderCaption(text))
                    return QString::asprintf("a caption in data row %d", r);
            }
        }
        return checkRoundTrip();
    }

    // The grid written as a file and read back gives columns 0..7 of every data row.
    QString checkRoundTrip() {
        const core::ReadResult back = core::readJournal(core::writeJournal(grid().dataRows()));
        if (!back.ok() || back.rows.size() != grid().rowCount())
            return QStringLiteral("written and read back, %1 rows of %2 came back")
                .arg(back.rows.size())
                .arg(grid().rowCount());
        for (int r = 0; r < grid().rowCount(); ++r)
            for (int c = 0; c < core::FileColumns; ++c) {
                const QString expected = c < grid().columnCount() ? grid().text(r, c) : QString();
                if (back.rows[r][c] != expected)
                    return QStringLiteral("cell %1,%2 read back as \"%3\" instead of \"%4\"")
                        .arg(r)
                        .arg(c)
                        .arg(back.rows[r][c], expected);
            }
        return {};
    }

    // Keeps the columns' identities in step with the grid's column inserts, removals and moves.
    void followColumns() {
        model::GridModel& g = grid();
        QObject::connect(&g, &model::GridModel::columnsInserted, &g,
                         [this](const QModelIndex&, int first, int last) {
                             for (int c = first; c <= last; ++c)
                                 ids_.insert(c, nextId_++);
                         });
        QObject::connect(&g, &model::GridModel::columnsRemoved, &g,
                         [this](const QModelIndex&, int first, int last) {
                             ids_.remove(first, last - first + 1);
                         });
        QObject::connect(&g, &model::GridModel::columnsMoved, &g,
                         [this](const QModelIndex&, int from, int, const QModelIndex&, int to) {
                             ids_.move(from, to > from ? to - 1 : to);
                         });
    }

    // An opened file's columns are the ones it was written from; a save records them.
    void settleColumns() {
        const int cols = grid().columnCount();
        if (step_.kind == Step::Opened || (step_.kind == Step::Saved && step_.file == ThisYear))
            shownArchive_ = step_.file == ThisYear ? QString() : step_.file;
        if (step_.kind == Step::Opened) {
            opened_ = snapshot();
            ids_ = fileIds_.value(step_.file);
            ids_.resize(std::min<qsizetype>(ids_.size(), cols));
        }
        while (ids_.size() < cols)
            ids_ << nextId_++;
        if (step_.kind == Step::Saved) {
            QList<int> written = ids_.mid(0, core::FileColumns);
            while (written.size() < core::FileColumns)
                written << nextId_++;
            fileIds_[step_.file] = written;
        }
    }

    Before remember() {
        Before before{snapshot(), ids_, {}, harness_->gridView().selectionEnd().y() + 1, {}};
        app::CellEditor& editor = harness_->cellEditor();
        if (editor.isOpen())
            before.typedCells << QPoint(editor.cell().row() + 1, editor.cell().column());
        before.typedCells << currentCell();
        before.thisYear = harness_->folder().read(ThisYear);
        return before;
    }

    // The row's texts by column identity: the block dates and added columns left out (the
    // block-date pass may fill those), so are the typed cells.
    QMap<int, QString> keptTexts(const GridSnapshot& shot, const QList<int>& ids, int row,
                                 const QList<QPoint>& typed) const {
        QMap<int, QString> texts;
        for (qsizetype c = 0; c < ids.size() && c < shot.rows[row].size(); ++c)
            if (ids[c] != BlockDatesId && !typed.contains(QPoint(row, int(c))))
                texts[ids[c]] = shot.rows[row][c];
        return texts;
    }

    // No step changes a cell it should not: only the typed cell, the block dates and cells of
    // added columns that were empty change, wherever the columns have been moved.
    QString checkCellsKept(const Before& before) {
        const GridSnapshot after = snapshot();
        QList<QPoint> typed = before.typedCells;
        typed << currentCell();
        const auto allowed = [&](int id, const QString& was) {
            return id == BlockDatesId || (id >= FirstAddedId && was.isEmpty());
        };
        if (step_.kind == Step::HeaderSort) {
            // Compared with the grid just before the click, the open edit stored.
            const GridSnapshot base = *std::exchange(sortBase_, std::nullopt);
            QList<QMap<int, QString>> rowsBefore, rowsAfter;
            for (qsizetype r = 1; r < base.rows.size(); ++r)
                rowsBefore << keptTexts(base, before.ids, int(r), {});
            for (qsizetype r = 1; r < after.rows.size(); ++r)
                rowsAfter << keptTexts(after, ids_, int(r), {});
            for (auto* rows : {&rowsBefore, &rowsAfter})
                for (QMap<int, QString>& row : *rows)
                    for (auto it = row.begin(); it != row.end();)
                        it = it.key() >= FirstAddedId ? row.erase(it) : std::next(it);
            std::sort(rowsBefore.begin(), rowsBefore.end(),
                      [](const auto& a, const auto& b) { return a.values() < b.values(); });
            std::sort(rowsAfter.begin(), rowsAfter.end(),
                      [](const auto& a, const auto& b) { return a.values() < b.values(); });
            if (rowsBefore != rowsAfter)
                return QStringLiteral("a sort lost or changed rows");
            for (qsizetype c = 0; c < ids_.size(); ++c) {
                const int wasAt = int(before.ids.indexOf(ids_[c]));
                const QString was = base.rows[0].value(wasAt);
                if (after.rows[0][c] != was && !(was.trimmed().isEmpty() && c < core::FileColumns &&
                                                 after.rows[0][c] == standardHeader()[c]))
                    return QStringLiteral("a sort changed the caption of column %1").arg(c);
            }
            return {};
        }
        if (step_.kind == Step::Opened || step_.kind == Step::Undone)
            return {};
        // Rows stay in place, but for the one removed or added.
        for (int r = 0; r < after.rows.size(); ++r) {
            int from = r;
            if (step_.kind == Step::RowRemoved && r >= before.selectionEndRow)
                from = r + 1;
            if (step_.kind == Step::RowAdded && r >= before.grid.rows.size())
                continue;
            for (qsizetype c = 0; c < ids_.size(); ++c) {
                const int id = ids_[c];
                const qsizetype was = before.ids.indexOf(id);
                const QString old = was >= 0 ? before.grid.rows[from].value(was) : QString();
                const QString now = after.rows[r][c];
                if (now == old || allowed(id, old) || typed.contains(QPoint(r, int(c))) ||
                    typed.contains(QPoint(from, int(was))))
                    continue;
                return QStringLiteral("cell %1,%2 (column %3) changed from \"%4\" to \"%5\"")
                    .arg(r)
                    .arg(c)
                    .arg(id)
                    .arg(old, now);
            }
        }
        return {};
    }

    // What must hold after particular steps.
    QString checkStep(const Before& before) {
        if (QString problem = checkCellsKept(before); !problem.isEmpty())
            return problem;
        const QByteArray thisYear = harness_->folder().read(ThisYear);
        if (step_.kind == Step::Saved && step_.file == ThisYear &&
            thisYear != core::writeJournal(grid().dataRows()))
            return QStringLiteral("the saved journal differs from the grid");
        if (step_.kind == Step::SaveRefused && thisYear != before.thisYear)
            return QStringLiteral("a refused save changed thisyear.csv");
        return {};
    }

    QString report(const QString& problem) const {
        return QStringLiteral("seed %1, after %2 steps: %3\nsteps:\n  %4")
            .arg(seed_)
            .arg(log_.size())
            .arg(problem, log_.join(QStringLiteral("\n  ")));
    }

    QRandomGenerator random_;
    quint32 seed_;
    std::shared_ptr<NullPrinter> printer_ = std::make_shared<NullPrinter>();
    std::unique_ptr<WindowHarness> harness_;
    QStringList log_;
    Step step_;
    std::optional<GridSnapshot> sortBase_;
    QString shownArchive_; // the archive on screen, by name; empty for none
    GridSnapshot opened_;
    QList<int> ids_;
    QHash<QString, QList<int>> fileIds_;
    int nextId_ = FirstAddedId;
};

} // namespace

class TestCommandSequences : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void randomSequencesKeepTheJournalWhole() {
        const int sequences = environmentNumber("EKLZ_SEQUENCES", 1000);
        const quint32 firstSeed = quint32(environmentNumber("EKLZ_SEQUENCE_SEED", 1));
        const int steps = environmentNumber("EKLZ_SEQUENCE_STEPS", 40);
        qsizetype stepsTaken = 0;
        for (int i = 0; i < sequences; ++i) {
            Sequence sequence(firstSeed + quint32(i));
            const QString problem = sequence.run(steps);
            if (!problem.isEmpty())
                QFAIL(qPrintable(problem));
            stepsTaken += sequence.stepsTaken();
        }
        qInfo("%d sequences of up to %d steps from seed %u: %lld steps", sequences, steps,
              firstSeed, qlonglong(stepsTaken));
    }
};

QTEST_MAIN(TestCommandSequences)
#include "tst_commandsequences.moc"
