#pragma once

#include <QValidator>

namespace editing {

// For the line edits that put text into journal cells: characters a journal file cannot hold
// (journal::canHold) are left out, whether typed, pasted or set, and the cursor keeps its place
// in the text that remains. A letter pasted as a base letter with a combining mark (as some
// programs write "й") is first joined into the one character the file can hold.
class JournalTextValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;

    // The text as the validator leaves it.
    static QString writablePart(const QString& text);
};

} // namespace editing
