#include "app/inputline.h"

#include "app/celldelegate.h"
#include "app/commandbutton.h"
#include "app/gridview.h"
#include "app/linecompletion.h"
#include "app/shortcuts.h"
#include "app/twips.h"
#include "core/journalcolumns.h"
#include "core/shortdates.h"
#include "editing/gridhistory.h"
#include "editing/journaltextvalidator.h"
#include "model/gridmodel.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <utility>

namespace app {

namespace {

// Whether a key types into the line: a printable character, Enter or Backspace. Tab and Shift+Tab
// move the focus on, and Escape and Ctrl or Alt with a key (Ctrl+C is the character 3) type
// nothing, though each has a character of its own.
bool isTyping(const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
        return true;
    default:
        return !key.text().isEmpty() && key.text().front().isPrint();
    }
}

} // namespace

InputLine::InputLine(QWidget& window, model::GridModel& grid, const GridView& view,
                     editing::GridHistory& history, CellDelegate& edits)
    : QObject(&window), grid_(grid), view_(view), history_(history), edits_(edits),
      line_(new QLineEdit(&window)), copyingControl_(commandButton(window, "CmdEdit")) {
    line_->setObjectName(QStringLiteral("TxtVvod"));
    line_->setGeometry(twips::toPixels(&window, 6840, 840, 3135, 435));
    line_->installEventFilter(this);
    copyingControl_->installEventFilter(this);
    line_->setValidator(new editing::JournalTextValidator(line_));
    // The current cell follows the line as it is typed, deleted or pasted into.
    connect(line_, &QLineEdit::textEdited, this, &InputLine::copyToCell);
    completion_ = new LineCompletion(*line_, [this] {
        return LineCompletion::Target{edits_.valuesFor(view_.currentColumn()), view_.currentRow()};
    });
    // A value chosen from the list goes into the current cell, as typing does; a proposal taken
    // on leaving goes where the entry was typed.
    connect(completion_, &LineCompletion::textChosen, this, &InputLine::copyToCell);
    connect(completion_, &LineCompletion::proposalTaken, this, [this](const QString& value) {
        store(entryCell_.isValid() ? QModelIndex(entryCell_) : view_.currentIndex(), value);
    });
    connect(line_, &QLineEdit::returnPressed, this, &InputLine::finishEntry);
}

void InputLine::copyToCell() {
    const QModelIndex current = view_.currentIndex();
    if (!current.isValid())
        return;
    entryCell_ = current;
    store(current, completion_->typedText());
}

void InputLine::store(const QModelIndex& cell, const QString& text) {
    if (!cell.isValid() || grid_.cell(cell.row(), cell.column()) == text)
        return;
    const auto step = history_.step(QStringLiteral("Ввод"), editing::GridHistory::InputLineEntry);
    grid_.setText(cell.row(), cell.column(), text);
    Q_EMIT stored(cell.column());
}

void InputLine::finishEntry() {
    const QModelIndex cell = std::exchange(entryCell_, {});
    // Only a date the entry's cell still holds as typed.
    if (!cell.isValid() || grid_.findColumn(core::ActivationDateHeader) != cell.column() ||
        grid_.cell(cell.row(), cell.column()) != line_->text())
        return;
    const std::optional<QString> date = core::normalisedDate(line_->text());
    if (!date || *date == line_->text())
        return;
    line_->setText(*date);
    store(cell, *date);
}

bool InputLine::eventFilter(QObject* watched, QEvent* event) {
    // An entry begins when the line gets the focus (not back from its own list).
    if (watched == line_ && event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        entryCell_ = QPersistentModelIndex();
    if (watched == line_ && event->type() == QEvent::ShortcutOverride &&
        leaveToWindowAction(*line_->window(), static_cast<QKeyEvent&>(*event)))
        return true;
    if (watched == line_ && event->type() == QEvent::MouseButtonPress) {
        edits_.drop();
        line_->setFocus(Qt::MouseFocusReason);
    }
    if (watched == line_ && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        finishEntry();
    // A character key in the line or on the copying control copies the line into the current
    // cell before the key takes effect; the line's own change follows through textEdited.
    if (event->type() == QEvent::KeyPress && isTyping(*static_cast<QKeyEvent*>(event)) &&
        (watched == line_ || watched == copyingControl_))
        copyToCell();
    return QObject::eventFilter(watched, event);
}

} // namespace app
