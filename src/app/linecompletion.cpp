#include "app/linecompletion.h"

#include "model/completionvalues.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>
#include <algorithm>
#include <utility>

namespace app {

namespace {

constexpr int ListLimit = 200;

bool isDeletion(const QKeyEvent& key) {
    return key.key() == Qt::Key_Backspace || key.key() == Qt::Key_Delete ||
           key.matches(QKeySequence::Cut) || key.matches(QKeySequence::DeleteStartOfWord) ||
           key.matches(QKeySequence::DeleteEndOfWord) || key.matches(QKeySequence::DeleteEndOfLine);
}

} // namespace

LineCompletion::LineCompletion(QLineEdit& line, std::function<Target()> target)
    : QObject(&line), line_(line), target_(std::move(target)), list_(new QStringListModel(this)),
      completer_(new QCompleter(list_, this)) {
    completer_->setWidget(&line_);
    completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setMaxVisibleItems(12);
    completer_->popup()->setObjectName(QStringLiteral("LstCompletion"));
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            &LineCompletion::choose);
    connect(&line_, &QLineEdit::textEdited, this, &LineCompletion::propose);
    line_.installEventFilter(this);
    // Before the completer's own filter, which hands the keys to the line first: there Enter
    // would store the cell and Escape drop the edit.
    completer_->popup()->installEventFilter(this);
}

bool LineCompletion::hasProposal() const {
    return !proposal_.isEmpty() && line_.text() == shown_;
}

QString LineCompletion::typedText() const {
    return hasProposal() && line_.selectionStart() == typed_.size() ? typed_ : line_.text();
}

void LineCompletion::accept() {
    if (!hasProposal())
        return;
    // Taken even when the line shows it already (typed in its own case): the cell still holds
    // what was typed.
    const QString value = std::exchange(proposal_, {});
    line_.setText(value);
    Q_EMIT proposalTaken(value);
}

void LineCompletion::propose(const QString& text) {
    proposal_.clear();
    if (deleting_ || line_.cursorPosition() != text.size() || line_.hasSelectedText())
        return;
    const Target target = target_();
    if (!target.values)
        return;
    const std::optional<QString> value = target.values->proposal(text, target.row);
    if (!value)
        return;
    // The match keys fold one character for one: the typed text, blanks before it aside, is as
    // long as the part of the value it matched.
    const qsizetype blanks =
        std::ranges::find_if_not(text, [](QChar c) { return c.isSpace(); }) - text.begin();
    const QString rest = value->sliced(std::min(value->size(), text.size() - blanks));
    typed_ = text;
    shown_ = text + rest;
    proposal_ = *value;
    if (rest.isEmpty())
        return;
    line_.setText(shown_);
    line_.setCursorPosition(int(shown_.size()));
    line_.cursorBackward(true, int(rest.size()));
}

bool LineCompletion::showList() {
    const Target target = target_();
    if (!target.values)
        return false;
    const QStringList values = target.values->matches(typedText(), target.row, ListLimit);
    if (values.isEmpty())
        return false;
    list_->setStringList(values);
    completer_->setCompletionPrefix(QString());
    completer_->complete();
    completer_->popup()->setCurrentIndex(completer_->completionModel()->index(0, 0));
    return true;
}

void LineCompletion::choose(const QString& value) {
    proposal_.clear();
    line_.setText(value);
    Q_EMIT textChosen(value);
}

// In the list, Enter and Tab choose the value and Escape closes it; the edit stays open.
bool LineCompletion::listKey(const QKeyEvent& key) {
    QAbstractItemView* list = completer_->popup();
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const QModelIndex current = list->currentIndex();
        list->hide();
        if (current.isValid())
            choose(current.data().toString());
        return true;
    }
    case Qt::Key_Escape:
        list->hide();
        return true;
    default:
        return false;
    }
}

bool LineCompletion::eventFilter(QObject* watched, QEvent* event) {
    if (watched == completer_->popup())
        return (event->type() == QEvent::KeyPress &&
                listKey(static_cast<const QKeyEvent&>(*event))) ||
               QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        deleting_ = isDeletion(key);
        if (key.key() == Qt::Key_Down && key.modifiers() == Qt::AltModifier && showList())
            return true;
        if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Tab ||
            key.key() == Qt::Key_Backtab)
            accept();
        break;
    }
    case QEvent::KeyRelease:
        deleting_ = false;
        break;
    case QEvent::FocusOut:
        // The list's popup takes the focus for a while; the line is not left for it.
        if (static_cast<const QFocusEvent&>(*event).reason() != Qt::PopupFocusReason)
            accept();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace app
