#include "core/journalio.h"

#include "core/fingerprint.h"
#include "core/systemerror.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace core {

namespace {

constexpr qint64 StaleAfterSeconds = 60;
constexpr qint64 AbandonedAfterSeconds = 3600;

// The process id in the name of a temporary this program made for `base`
// (".BASE.eklz-PID-RANDOM.tmp", temporaryName), or none for any other name. Matched by hand: a
// regular expression would map the whole PCRE library into every save.
std::optional<qint64> temporaryOf(QByteArrayView name, QByteArrayView base) {
    const auto digitsIn = [](QByteArrayView text, auto isDigit) {
        return !text.isEmpty() && std::all_of(text.begin(), text.end(), isDigit);
    };
    const QByteArrayView prefix = ".eklz-";
    const QByteArrayView suffix = ".tmp";
    if (!name.startsWith('.') || !name.sliced(1).startsWith(base) || !name.endsWith(suffix))
        return std::nullopt;
    QByteArrayView rest = name.sliced(1 + base.size());
    if (!rest.startsWith(prefix) || rest.size() < prefix.size() + suffix.size())
        return std::nullopt;
    rest = rest.sliced(prefix.size(), rest.size() - prefix.size() - suffix.size());
    const qsizetype dash = rest.indexOf('-');
    if (dash < 0)
        return std::nullopt;
    const QByteArrayView pid = rest.first(dash);
    const QByteArrayView random = rest.sliced(dash + 1);
    if (pid.size() > 10 || random.size() > 8 ||
        !digitsIn(pid, [](char c) { return c >= '0' && c <= '9'; }) ||
        !digitsIn(random, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
        return std::nullopt;
    return pid.toLongLong();
}

bool processEnded(qint64 pid) {
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

QString readFailureCause(int error) {
    if (error == ENOENT)
        return QStringLiteral("Файл не найден.");
    if (error == EACCES || error == EPERM)
        return QStringLiteral("Нет прав на чтение файла.");
    return systemErrorText(error);
}

QByteArray temporaryName(const QByteArray& base) {
    return '.' + base + ".eklz-" + QByteArray::number(QCoreApplication::applicationPid()) + '-' +
           QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
}

NewFile::NewFile(int folder, const QByteArray& base, mode_t mode, gid_t group)
    : folder_(folder), temporary_(temporaryName(base)),
      file_(createNewAt(folder, temporary_, 0600)) {
    error_ = file_.ok() ? 0 : file_.error;
    if (file_.ok())
        setModeAndGroup(fd(), mode, group);
}

NewFile::~NewFile() {
    if (file_.ok() && !placed_)
        ::unlinkat(folder_, temporary_.constData(), 0);
}

bool NewFile::write(QByteArrayView bytes) {
    if (error_ == 0)
        error_ = writeAll(fd(), bytes);
    return error_ == 0;
}

bool NewFile::copyFrom(int source) {
    if (error_ == 0 && ::lseek(source, 0, SEEK_SET) != 0)
        error_ = errno;
    QByteArray piece(FilePieceBytes, Qt::Uninitialized);
    while (error_ == 0) {
        const ssize_t read = ::read(source, piece.data(), size_t(piece.size()));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            error_ = errno;
        else if (read == 0)
            break;
        else
            write(QByteArrayView(piece.constData(), read));
    }
    return error_ == 0;
}

bool NewFile::flushed() {
    // Some file systems (a few network shares) cannot sync; that is no failure of the write.
    if (error_ == 0 && ::fsync(fd()) != 0 && errno != EINVAL && errno != ENOTSUP)
        error_ = errno;
    return error_ == 0;
}

bool NewFile::commit(const QByteArray& name) {
    if (flushed() && ::renameat(folder_, temporary_.constData(), folder_, name.constData()) != 0)
        error_ = errno;
    placed_ = error_ == 0;
    return placed_;
}

bool NewFile::commitUnlessTaken(const QByteArray& name) {
    if (!flushed())
        return false;
    const int error = placeUnlessTaken(folder_, temporary_, name);
    if (error != EEXIST)
        error_ = error;
    placed_ = error == 0;
    return placed_;
}

void removeStaleTemporaries(int folder, const QByteArray& base, const QDateTime& now) {
    const qint64 nowSeconds = now.toSecsSinceEpoch();
    for (const FolderEntry& entry : folderEntries(folder)) {
        const std::optional<qint64> pid = temporaryOf(entry.name, base);
        const qint64 age = nowSeconds - qint64(entry.info.st_mtim.tv_sec);
        if (pid && (age > AbandonedAfterSeconds || (age > StaleAfterSeconds && processEnded(*pid))))
            ::unlinkat(folder, entry.name.constData(), 0);
    }
}

} // namespace core
