#pragma once

#include <QString>
#include <QStringView>

// What "Найти" looks for: the cells that contain the text, case aside (Cyrillic and Latin), "ё"
// and "е" alike. Cells are folded into a buffer of the matcher's own, so a search down a whole
// register allocates nothing per cell.
class FindText {
public:
    explicit FindText(const QString& needle = {});

    bool isEmpty() const { return folded_.isEmpty(); }
    const QString& folded() const { return folded_; }
    bool matches(QStringView cell) const;

    // The text folded as the matcher compares it: lower case, "ё" as "е".
    static QString fold(QStringView text);
    static char16_t foldChar(char16_t c);

private:
    QString folded_;
    mutable QString buffer_;
};
