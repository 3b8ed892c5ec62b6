#pragma once

#include <QString>

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

} // namespace core
