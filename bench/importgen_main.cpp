#include "importregisters.h"
#include "journalgenerator.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

// Writes a made-up register of ROWS rows, the same for the same SEED, to FILE as .xlsx or .ods
// (by the name's ending), for comparing the import with LibreOffice by hand.
int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool rowsOk = false;
    bool seedOk = false;
    const int rows = arguments.value(1).toInt(&rowsOk);
    const quint64 seed = arguments.value(2).toULongLong(&seedOk);
    const QString path = arguments.value(3);
    const bool xlsx = path.endsWith(QStringLiteral(".xlsx"));
    if (arguments.size() != 4 || !rowsOk || !seedOk || rows < 0 ||
        (!xlsx && !path.endsWith(QStringLiteral(".ods")))) {
        std::fprintf(stderr, "usage: eklz-import-gen ROWS SEED FILE.xlsx|FILE.ods\n");
        return 2;
    }
    const QList<QString> cells = bench::JournalGenerator(seed).rows(rows);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(xlsx ? bench::xlsxRegister(cells) : bench::odsRegister(cells)) < 0) {
        std::fprintf(stderr, "eklz-import-gen: cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
