// Feeds arbitrary text to the filter of the input line and the cell editor: what it lets through
// a journal file can always hold, text the file holds passes untouched, and filtering twice
// changes nothing more.
#include "core/journalcharset.h"
#include "editing/journaltextvalidator.h"
#include "promise.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // UTF-16 units as they come, unpaired surrogates included, as a paste may hold them.
    const QString text(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    const QString kept = editing::JournalTextValidator::writablePart(text);
    PROMISE(core::indexOfUnwritable(kept) < 0);
    PROMISE(kept.size() <= text.size());
    if (core::indexOfUnwritable(text) < 0)
        PROMISE(kept == text);
    PROMISE(editing::JournalTextValidator::writablePart(kept) == kept);
    return 0;
}
