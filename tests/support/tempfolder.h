#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A throw-away program folder with helpers to put journal files into it and read them back.
class TempFolder {
public:
    TempFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const { return dir_.filePath(relative); }
    void write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;

private:
    QTemporaryDir dir_;
};

// Windows-1251 bytes of a text, for building and checking journal files in tests.
QByteArray cp1251(const QString& text);
QString fromCp1251(const QByteArray& bytes);
