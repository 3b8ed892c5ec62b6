// Feeds arbitrary text to the date reader and the block-date rule: a date read is written back
// as itself; an activation date (a date, or one a spreadsheet saved as yyyy-mm-dd) gets a block
// date that is the first of a month, within the 426 days' month, readable back, never past the
// year 9999.
#include "core/journaldates.h"
#include "promise.h"

#include <QString>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data),
                                           qsizetype(std::min<std::size_t>(size, 64)));
    core::DateBuffer buffer;
    const QStringView block = core::blockDateText(text, buffer);
    if (const std::optional<QDate> read = core::readDate(text)) {
        PROMISE(read->isValid() && read->year() >= 1 && read->year() <= core::MaxYear);
        PROMISE(core::readDate(core::formatDate(*read)) == read);
        PROMISE(core::readActivationDate(text) == read);
    }
    const std::optional<QDate> date = core::readActivationDate(text);
    if (!date) {
        PROMISE(block.isEmpty());
        return 0;
    }
    PROMISE(date->isValid() && date->year() >= 1 && date->year() <= core::MaxYear);

    const QDate rule = core::blockDateFor(*date);
    PROMISE(rule.day() == 1);
    const QDate due = date->addDays(core::BlockPeriodDays);
    PROMISE(rule <= due && due < rule.addMonths(1));
    if (rule.year() > core::MaxYear) {
        PROMISE(block.isEmpty());
        return 0;
    }
    PROMISE(block == core::formatDate(rule));
    PROMISE(core::readDate(block) == rule);
    return 0;
}
