#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace core {

// One place where the journal on screen and the file another copy saved disagree, as the user is
// asked about it: the row by its owner and serial, and the two texts.
struct MergeConflict {
    enum Kind {
        ChangedBoth,   // the cell was changed on both sides, to different texts
        DeletedInFile, // the row was deleted in the file and changed here
        DeletedHere,   // the row was deleted here and changed in the file
    };
    Kind kind = ChangedBoth;
    QString owner;
    QString serial;
    QString column; // the column's label; for a deleted row, empty
    QString mine;   // "у вас"
    QString theirs; // "в файле"
};

// The modal input box and the message box, kept behind an interface so that tests can answer
// the program's questions from a script.
class Prompter {
public:
    virtual ~Prompter() = default;
    // The text typed, or an empty text when the user cancels. The title repeats the prompt.
    virtual QString inputBox(const QString& prompt, const QString& title) = 0;
    // A name typed or chosen from `offered` (an editable list), `proposed` written in at first:
    // the text, or an empty text when the user cancels. Unless a prompter shows a list of its
    // own, it is asked as an input box.
    virtual QString chooseName(const QString& prompt, const QString& title,
                               const QStringList& offered, const QString& proposed) {
        Q_UNUSED(offered);
        Q_UNUSED(proposed);
        return inputBox(prompt, title);
    }
    // A message with a single OK button and the application's default title.
    virtual void message(const QString& text) = 0;
    // A question answered "Да" or "Нет", "Нет" the default; true for "Да".
    virtual bool question(const QString& text) = 0;
    // A question answered "Да" or "Отмена", "Отмена" the default (and Escape); true for "Да".
    // Unless a prompter shows one of its own, it is asked as a question.
    virtual bool yesOrCancel(const QString& text) { return question(text); }

    // A question with several answers (`choices`, the buttons' captions, `preferred` the default)
    // and "Отмена" (also Escape): the index of the answer, none for "Отмена". Unless a prompter
    // shows one of its own, it is asked as a question whose "Да" is the preferred answer.
    virtual std::optional<int> choose(const QString& text, const QStringList& choices,
                                      int preferred) {
        Q_UNUSED(choices);
        return question(text) ? std::optional<int>(preferred) : std::nullopt;
    }

    // Whether to keep unsaved changes before they would be dropped: "Да" saves them, "Нет"
    // drops them, "Отмена" (the default, and Escape) leaves everything as it is.
    enum class KeepChanges { Save, Discard, Cancel };
    virtual KeepChanges askToKeepChanges(const QString& text) = 0;

    // The conflicts of merging the journal on screen with the file another user saved (named by
    // `fileName`), asked all at once: for each, true to take the file's side ("Взять из файла"),
    // false to keep the user's ("Оставить мои"); none after "Отмена", when nothing may change.
    // Unless a prompter shows a dialog of its own, it answers "Отмена".
    virtual std::optional<std::vector<bool>>
    settleConflicts(const QString& fileName, const std::vector<MergeConflict>& conflicts) {
        (void)fileName;
        (void)conflicts;
        return std::nullopt;
    }
};

} // namespace core
