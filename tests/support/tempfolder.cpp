#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

TempFolder::TempFolder() = default;

void TempFolder::write(const QString& relative, const QByteArray& bytes) const {
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    out.write(bytes);
}

QByteArray TempFolder::read(const QString& relative) const {
    QFile in(file(relative));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

bool TempFolder::exists(const QString& relative) const {
    return QFileInfo::exists(file(relative));
}

QByteArray cp1251(const QString& text) {
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

QString fromCp1251(const QByteArray& bytes) {
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}
