// Feeds arbitrary text to the date reader and the block-date rule: a date read is written back
// as itself, and its block date is the first of a month, within the 426 days' month, readable
// back, never past the year 9999.
#include "core/journaldates.h"
#include "promise.h"

#include <QString>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data),
                                           qsizetype(std::min<std::size_t>(size, 64)));
    journal::DateBuffer buffer;
    const QStringView block = journal::blockDateText(text, buffer);
    const std::optional<QDate> date = journal::readDate(text);
    if (!date) {
        PROMISE(block.isEmpty());
        return 0;
    }
    PROMISE(date->isValid() && date->year() >= 1 && date->year() <= journal::MaxYear);
    PROMISE(journal::readDate(journal::formatDate(*date)) == date);

    const QDate rule = journal::blockDateFor(*date);
    PROMISE(rule.day() == 1);
    const QDate due = date->addDays(journal::BlockPeriodDays);
    PROMISE(rule <= due && due < rule.addMonths(1));
    if (rule.year() > journal::MaxYear) {
        PROMISE(block.isEmpty());
        return 0;
    }
    PROMISE(block == journal::formatDate(rule));
    PROMISE(journal::readDate(block) == rule);
    return 0;
}
