#include "editing/journaltextvalidator.h"

#include "core/journalcharset.h"

#include <algorithm>

namespace editing {

QString JournalTextValidator::writablePart(const QString& text) {
    if (journal::indexOfUnwritable(text) < 0)
        return text;
    return journal::dropUnwritable(text.normalized(QString::NormalizationForm_C));
}

QValidator::State JournalTextValidator::validate(QString& input, int& pos) const {
    QString writable = writablePart(input);
    if (writable != input) {
        const qsizetype before = writablePart(input.left(pos)).size();
        pos = int(std::min(before, writable.size()));
        input = std::move(writable);
    }
    return Acceptable;
}

void JournalTextValidator::fixup(QString& input) const {
    input = writablePart(input);
}

} // namespace editing
