#pragma once

#include <QString>
#include <QStringView>
#include <bitset>
#include <memory>

namespace core {

// What "Найти" looks for: the cells that contain the text, case aside (Cyrillic and Latin), "ё"
// and "е" alike. A cell is scanned as it stands for the characters that fold into the text's
// first one, and folded only from there on, so a search of a whole register allocates nothing
// and folds next to nothing.
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
    // Which characters fold into the text's first character.
    std::shared_ptr<const std::bitset<0x10000>> starts_;
};

} // namespace core
