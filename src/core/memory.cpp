#include "core/memory.h"

#include <QFile>
#include <limits>
#include <unistd.h>

namespace core {

qsizetype availableMemory() {
    // Linux counts the page cache it can drop as available; the free pages alone would not.
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : meminfo.readAll().split('\n')) {
            if (!line.startsWith("MemAvailable:"))
                continue;
            bool ok = false;
            const qsizetype kilobytes = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
            if (ok)
                return kilobytes * 1024;
        }
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return qsizetype(pages) * pageSize;
    return std::numeric_limits<qsizetype>::max();
}

} // namespace core
