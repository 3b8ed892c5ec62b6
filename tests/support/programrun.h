#pragma once

#include <QString>
#include <QStringList>

// The program run as a script runs it: in `folder`, without a display (a window would need the
// xcb platform and fail), waited for at most a minute.
struct ProgramRun {
    int exitCode = -1; // -1 when it crashed or did not end in time
    QString errors;    // its standard error
};

ProgramRun runWithoutDisplay(const QString& program, const QStringList& arguments,
                             const QString& folder);
