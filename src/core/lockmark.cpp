#include "core/lockmark.h"

#include <QCoreApplication>
#include <QList>
#include <QSysInfo>
#include <cctype>
#include <cerrno>
#include <csignal>

namespace core {

namespace {

// '%', ',' and control characters as %XX, so that a field keeps to its place on the one line.
QByteArray escaped(const QString& text) {
    QByteArray out;
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '%' || byte == ',' || byte < 0x20 || byte == 0x7f)
            out += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

// The reverse; a '%' not followed by two hex digits (a mark of an older copy) stays as it is.
QString unescaped(const QByteArray& field) {
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size() && isHex(field[i + 1]) && isHex(field[i + 2])) {
            out += char(field.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return QString::fromUtf8(out);
}

LockMark holderOf(QString user, QString host, qint64 pid, QDateTime since, QByteArray token = {}) {
    LockMark mark;
    mark.holder.user = std::move(user);
    mark.holder.host = std::move(host);
    mark.holder.pid = pid;
    mark.holder.since = std::move(since);
    mark.token = std::move(token);
    return mark;
}

} // namespace

// "user,host,pid,time,token" (a user of an older copy may hold commas: the fields are counted
// from the end), or the office suite's "name,user,host,date,profile;".
std::optional<LockMark> parseLockMark(const QByteArray& bytes, const QDateTime& modified) {
    const qsizetype end = bytes.indexOf('\n');
    QByteArray line = end < 0 ? bytes : bytes.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    const QList<QByteArray> fields = line.split(',');
    const qsizetype n = fields.size();
    if (n < 5)
        return std::nullopt;
    if (line.endsWith(';')) {
        QDateTime since = QDateTime::fromString(QString::fromUtf8(fields[n - 2]),
                                                QStringLiteral("dd.MM.yyyy HH:mm"));
        LockMark mark =
            holderOf(QString::fromUtf8(fields[0].isEmpty() ? fields[1] : fields[0]),
                     QString::fromUtf8(fields[2]), 0, since.isValid() ? since : modified);
        mark.foreign = true;
        return mark;
    }
    bool ok = false;
    const qint64 pid = fields[n - 3].toLongLong(&ok);
    if (!ok || pid <= 0 || fields[n - 1].isEmpty())
        return std::nullopt;
    QStringList user;
    for (qsizetype i = 0; i < n - 4; ++i)
        user.append(unescaped(fields[i]));
    const QDateTime since = QDateTime::fromString(QString::fromUtf8(fields[n - 2]), Qt::ISODate);
    return holderOf(user.join(u','), unescaped(fields[n - 4]), pid,
                    since.isValid() ? since : modified, fields[n - 1]);
}

QByteArray lockMarkLine(const QString& user, const QByteArray& token) {
    return escaped(user) + ',' + escaped(QSysInfo::machineHostName()) + ',' +
           QByteArray::number(QCoreApplication::applicationPid()) + ',' +
           QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + ',' + token + '\n';
}

bool isStale(const LockMark& mark) {
    if (mark.foreign || mark.holder.host != QSysInfo::machineHostName() || mark.holder.pid <= 0)
        return false;
    return ::kill(pid_t(mark.holder.pid), 0) != 0 && errno == ESRCH;
}

} // namespace core
