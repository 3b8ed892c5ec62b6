// Feeds arbitrary text to the filter of the input line and the cell editor: what it lets through
// a journal file can always hold, text the file holds passes untouched, and filtering twice
// changes nothing more.
#include "core/journalcharset.h"
#include "editing/journaltextvalidator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void broken(const char* promise, int line) {
    std::fprintf(stderr, "inputfilter_fuzzer.cpp:%d: broken: %s\n", line, promise);
    std::abort();
}

#define PROMISE(condition) ((condition) ? void() : broken(#condition, __LINE__))

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // UTF-16 units as they come, unpaired surrogates included, as a paste may hold them.
    const QString text(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    const QString kept = editing::JournalTextValidator::writablePart(text);
    PROMISE(journal::indexOfUnwritable(kept) < 0);
    PROMISE(kept.size() <= text.size());
    if (journal::indexOfUnwritable(text) < 0)
        PROMISE(kept == text);
    PROMISE(editing::JournalTextValidator::writablePart(kept) == kept);
    return 0;
}
