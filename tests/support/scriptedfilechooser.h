#pragma once

#include "app/filechooser.h"

#include <QStringList>

// Answers the file dialog from a queue, then with `otherwise` (Cancel unless set), and records
// what it offered.
class ScriptedFileChooser : public app::FileChooser {
public:
    QStringList answers, suggested, filters;
    QString otherwise;

    QString saveFileName(QWidget*, const QString&, const QString& suggestedPath,
                         const QString& offered) override {
        suggested << suggestedPath;
        filters << offered;
        return answers.isEmpty() ? otherwise : answers.takeFirst();
    }
    QString openFileName(QWidget*, const QString&, const QString&,
                         const QString& offered) override {
        filters << offered;
        return answers.isEmpty() ? otherwise : answers.takeFirst();
    }
    QString folderName(QWidget*, const QString&, const QString&) override {
        return answers.isEmpty() ? otherwise : answers.takeFirst();
    }
};
