#include "journal/archiveserials.h"

#include "core/journalcolumns.h"
#include "core/journalpaths.h"
#include "journal/journalsearch.h"

#include <QStringList>
#include <algorithm>

namespace journal {

constexpr int NamedPlaces = 5;

QString alreadyThereText(const std::vector<int>& rows, const std::vector<ArchivePlace>& places) {
    QStringList named;
    for (std::size_t i = 0; i < rows.size() && named.size() < NamedPlaces; ++i)
        named << QStringLiteral("строка %1").arg(rows[i]);
    const qsizetype ownRows = named.size();
    for (std::size_t i = 0; i < places.size() && named.size() < NamedPlaces; ++i)
        named << QStringLiteral("в архиве %1, строка %2").arg(places[i].journal).arg(places[i].row);
    if (named.isEmpty())
        return {};
    if (ownRows < named.size())
        named[ownRows].prepend(QStringLiteral("также "));
    QString text = named.join(QStringLiteral("; "));
    if (ownRows > 0)
        text.prepend(QStringLiteral("Уже есть: "));
    if (const std::size_t more = rows.size() + places.size() - std::size_t(named.size()))
        text += QStringLiteral(" и ещё %1").arg(more);
    return text;
}

ArchiveSerials::ArchiveSerials(QString programFolder) : tree_(std::move(programFolder)) {}

bool ArchiveSerials::refresh(const QStringList& skipped) {
    bool changed = skipped != skipped_;
    skipped_ = skipped;
    std::vector<File> files;
    for (JournalFile& archive : archiveFiles(tree_.root())) {
        File file{std::move(archive.journal), std::move(archive.path), archive.identity, {}};
        const auto known = std::find_if(files_.begin(), files_.end(),
                                        [&](const File& old) { return old.path == file.path; });
        if (known != files_.end() && known->identity == file.identity) {
            file.marks = std::move(known->marks);
        } else {
            read(file);
            changed = true;
        }
        files.push_back(std::move(file));
    }
    changed = changed || files.size() != files_.size();
    files_ = std::move(files);
    if (changed)
        merge();
    return changed;
}

void ArchiveSerials::read(File& file) {
    ++reads_;
    // A file left out holds nothing; it is read again once it changes. The reader gives every row
    // eight cells at least.
    const std::optional<QList<QStringList>> rows = journalRows(tree_, file.path);
    constexpr std::array<int, model::SerialKinds> columns{core::SerialNumber,
                                                          core::RegistrationNumber};
    for (int r = 0; rows && r < rows->size(); ++r)
        for (std::size_t kind = 0; kind < columns.size(); ++kind)
            if (const quint64 fingerprint = model::serialFingerprint((*rows)[r][columns[kind]]))
                file.marks[kind].push_back({fingerprint, r + 1});
    for (std::vector<Mark>& marks : file.marks)
        std::sort(marks.begin(), marks.end());
}

void ArchiveSerials::merge() {
    for (int kind = 0; kind < model::SerialKinds; ++kind) {
        std::vector<quint64>& known = known_[std::size_t(kind)];
        known.clear();
        for (const File& file : files_)
            if (!skipped_.contains(file.journal))
                for (const Mark& mark : file.marks[std::size_t(kind)])
                    known.push_back(mark.fingerprint);
        std::sort(known.begin(), known.end());
        known.erase(std::unique(known.begin(), known.end()), known.end());
    }
}

bool ArchiveSerials::holds(int kind, quint64 fingerprint) const {
    if (kind < 0 || kind >= model::SerialKinds)
        return false;
    const std::vector<quint64>& numbers = known_[std::size_t(kind)];
    return std::binary_search(numbers.begin(), numbers.end(), fingerprint);
}

std::vector<ArchivePlace> ArchiveSerials::places(int kind, quint64 fingerprint) const {
    std::vector<ArchivePlace> places;
    if (kind < 0 || kind >= model::SerialKinds || fingerprint == 0)
        return places;
    for (const File& file : files_) {
        if (skipped_.contains(file.journal))
            continue;
        const std::vector<Mark>& marks = file.marks[std::size_t(kind)];
        for (auto it = std::lower_bound(marks.begin(), marks.end(), Mark{fingerprint, 0});
             it != marks.end() && it->fingerprint == fingerprint; ++it)
            places.push_back({file.journal, it->row});
    }
    return places;
}

} // namespace journal
