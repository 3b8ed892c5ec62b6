#include "core/accountname.h"

#include <QFile>
#include <cerrno>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace core {

namespace {

std::optional<QString> passwordName(uid_t user) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    while (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (size_t(1) << 20))
        buffer.resize(buffer.size() * 2);
    if (found && found->pw_name && *found->pw_name)
        return QFile::decodeName(found->pw_name);
    return std::nullopt;
}

} // namespace

// The environment is only a fallback: a session started by su or a service may carry another
// user's USER, or none.
QString accountName() {
    if (std::optional<QString> name = passwordName(::getuid()))
        return *name;
    for (const char* variable : {"USER", "USERNAME"})
        if (const QString name = qEnvironmentVariable(variable); !name.isEmpty())
            return name;
    return QString::number(::getuid());
}

QString userName(uid_t user) {
    return passwordName(user).value_or(QString::number(user));
}

} // namespace core
