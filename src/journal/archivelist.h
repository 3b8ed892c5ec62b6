#pragma once

#include <QStringList>

namespace journal {

// The archives of a program folder that "Загрузить архив" can open, newest first: the names
// (without ".csv") of the regular files Archive/<name>.csv, reached through core::FolderTree,
// so that links, FIFOs, devices and folders are passed over, and only names a typed answer
// would give (upper case, an acceptable archive name). Files modified at the same moment come
// in name order. No Archive folder, or one that cannot be read, lists none.
QStringList listArchives(const QString& programFolder);

} // namespace journal
