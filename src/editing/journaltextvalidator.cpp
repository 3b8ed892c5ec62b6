#include "editing/journaltextvalidator.h"

#include "core/journalcharset.h"

#include <algorithm>

namespace editing {

// Each letter with the marks that follow it is kept as typed when the file can hold it, else
// joined into one character when the file holds that (a pasted "и" + breve is "й"), else stripped
// of what the file cannot hold: "e" + acute, whose joined "é" Windows-1251 lacks, keeps its "e".
QString JournalTextValidator::writablePart(const QString& text) {
    if (core::indexOfUnwritable(text) < 0)
        return text;
    QString kept;
    kept.reserve(text.size());
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start + 1;
        while (end < text.size() && text[end].isMark())
            ++end;
        const QStringView cluster = QStringView(text).sliced(start, end - start);
        if (core::indexOfUnwritable(cluster) < 0) {
            kept += cluster;
        } else {
            const QString joined = cluster.toString().normalized(QString::NormalizationForm_C);
            kept += core::indexOfUnwritable(joined) < 0 ? joined : core::dropUnwritable(cluster);
        }
        start = end;
    }
    return kept;
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

} // namespace editing
