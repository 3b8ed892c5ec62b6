#include "journalgenerator.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

// Writes a made-up journal of ROWS rows, the same for the same SEED, to FILE.
int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool rowsOk = false;
    bool seedOk = false;
    const int rows = arguments.value(1).toInt(&rowsOk);
    const quint64 seed = arguments.value(2).toULongLong(&seedOk);
    if (arguments.size() != 4 || !rowsOk || !seedOk || rows < 0) {
        std::fprintf(stderr, "usage: eklz-journal-gen ROWS SEED FILE\n");
        return 2;
    }
    if (!bench::writeGeneratedJournal(arguments[3], rows, seed)) {
        std::fprintf(stderr, "eklz-journal-gen: cannot write %s\n", qPrintable(arguments[3]));
        return 1;
    }
    return 0;
}
