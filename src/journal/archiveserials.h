#pragma once

#include "core/foldertree.h"
#include "model/serialrepeats.h"

#include <QString>
#include <array>
#include <vector>

namespace journal {

// A unit's number in an archive: which archive (its name, as the user names it) and which row.
struct ArchivePlace {
    QString journal;
    int row = 0;
    friend bool operator==(const ArchivePlace&, const ArchivePlace&) = default;
};

// What a number's tooltip says of where else it stands: "Уже есть: строка 214" for the other rows
// of the grid holding it (a repeat), then "также в архиве 2024, строка 11" for the archives' rows
// (units are carried over a year end: a note, no repeat), at most five places named and
// "и ещё K" for the rest. Empty when it stands nowhere else.
QString alreadyThereText(const std::vector<int>& rows, const std::vector<ArchivePlace>& places);

// The numbers of the archives' "Зав. № ЭКЛЗ" and "Рег. № ЭКЛЗ" columns (files have no header:
// the columns stand by position), kept warm: the archives are the ones "Найти во всех журналах"
// looks through, read as it reads them, and a refresh reads again only the files whose identity
// (size, modification time, inode) changed since it last read them. Numbers are kept as their
// fingerprints (model::serialFingerprint), a few bytes a row.
class ArchiveSerials {
public:
    explicit ArchiveSerials(QString programFolder);

    // Looks at every archive once (a stat each) and reads those that changed or came; those that
    // went are dropped. `skipped` (archives' names) are left out of what is known: the journal
    // on screen and the copies written from it. True when what is known changed.
    bool refresh(const QStringList& skipped = {});

    // Whether an archive (but the skipped ones) holds that number in that column.
    bool holds(int kind, quint64 fingerprint) const;
    // Where: the archives in name order, each with its rows in ascending order.
    std::vector<ArchivePlace> places(int kind, quint64 fingerprint) const;
    // How many times files were read since the start, for those who watch the cost.
    int reads() const { return reads_; }

private:
    struct Mark {
        quint64 fingerprint = 0;
        int row = 0;
        auto operator<=>(const Mark&) const = default;
    };
    struct File {
        QString journal;
        QString path;
        core::FileIdentity identity;
        std::array<std::vector<Mark>, model::SerialKinds> marks; // sorted
    };

    void read(File& file);
    void merge();

    core::FolderTree tree_;   // the program's folder
    std::vector<File> files_; // in name order
    QStringList skipped_;
    // Every fingerprint the files but the skipped ones hold, sorted, once each.
    std::array<std::vector<quint64>, model::SerialKinds> known_;
    int reads_ = 0;
};

} // namespace journal
