#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QCompleter;
class QKeyEvent;
class QLineEdit;
class QStringListModel;

namespace model {
class CompletionValues;
} // namespace model

namespace app {

// Completion for a line typed into a column of the grid. As the user types, the most frequent
// value of the column beginning with the text (case and "ё"/"е" aside) is proposed inline: the
// rest of it follows the cursor, selected. Typing on replaces it (and a new proposal follows),
// Backspace and Delete drop it; Enter, Tab and leaving the line take it, as the column spells
// the value. Alt+Down lists the matching values, most frequent first, in a QCompleter popup.
//
// Qt's inline completion matches by its own prefix compare and, over an unsorted model, looks
// at every value for each key; here the column's CompletionValues answer, and the completer shows
// the list it gives.
class LineCompletion : public QObject {
    Q_OBJECT
public:
    // What the line is typed into: the values of its column (none where nothing is completed)
    // and the row, whose own cell is not counted.
    struct Target {
        const model::CompletionValues* values = nullptr;
        int row = -1;
    };
    LineCompletion(QLineEdit& line, std::function<Target()> target);

    // The text as typed, without a proposal pending after it.
    QString typedText() const;
    // Takes a pending proposal: the line holds the value as the column spells it.
    void accept();
    // Forgets a pending proposal, leaving the text as it is.
    void reset() { proposal_.clear(); }

Q_SIGNALS:
    // The completion set the line's text, which Qt does not report as edited: a value chosen
    // from the list, or a pending proposal taken (by Enter, Tab or the line left).
    void textChosen(const QString& text);
    void proposalTaken(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool hasProposal() const;
    // Alt+Down: the list of matches; false when there are none.
    bool showList();
    void propose(const QString& text);
    void choose(const QString& value);
    bool listKey(const QKeyEvent& key);

    QLineEdit& line_;
    std::function<Target()> target_;
    QStringListModel* list_;
    QCompleter* completer_;
    bool deleting_ = false;
    QString typed_;    // the text the proposal was made for
    QString shown_;    // that text with the rest of the proposal
    QString proposal_; // the value proposed, as the column has it; empty when none
};

} // namespace app
