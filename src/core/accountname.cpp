#include "core/accountname.h"

#include <QFile>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#endif

namespace core {

#ifdef Q_OS_UNIX
namespace {

// The password database's name of the user; empty when it has none.
QString passwordName(uid_t user) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    while (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (size_t(1) << 20))
        buffer.resize(buffer.size() * 2);
    return found && found->pw_name ? QFile::decodeName(found->pw_name) : QString();
}

} // namespace

QString accountNameOf(uid_t user) {
    const QString name = passwordName(user);
    return name.isEmpty() ? QString::number(user) : name;
}
#endif

// The environment is only a fallback: a session started by su or a service may carry another
// user's USER, or none.
QString accountName() {
#ifdef Q_OS_UNIX
    if (const QString name = passwordName(::getuid()); !name.isEmpty())
        return name;
#endif
    for (const char* variable : {"USER", "USERNAME"})
        if (const QString name = qEnvironmentVariable(variable); !name.isEmpty())
            return name;
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return QStringLiteral("?");
#endif
}

} // namespace core
