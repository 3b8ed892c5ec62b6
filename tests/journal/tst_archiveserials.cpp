#include "journal/archiveserials.h"
#include "model/serialrepeats.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

using journal::ArchivePlace;
using journal::ArchiveSerials;

namespace {

constexpr int Factory = model::FactoryNumber;
constexpr int Registration = model::RegistrationNumber;

quint64 number(const char* text) {
    return model::serialFingerprint(QString::fromUtf8(text));
}

// A journal file of rows given as "serial|registration" (the other cells left empty).
QByteArray journalBytes(const QStringList& rows) {
    QByteArray bytes;
    for (const QString& row : rows)
        bytes += cp1251(QStringLiteral("Владелец;ЭКР;1;%1;%2;;;Механик;\r\n")
                            .arg(row.section(u'|', 0, 0), row.section(u'|', 1, 1)));
    return bytes;
}

} // namespace

class TestArchiveSerials : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The numbers of each archive by position, blanks around them aside, letter case kept, in
    // name order; what is no archive (another extension, a link, a folder) is not looked at.
    void knowsTheArchivesNumbers() {
        const TempFolder folder;
        folder.write(QStringLiteral("Archive/2010.csv"),
                     journalBytes({QStringLiteral("A1|R1"), QStringLiteral(" Б-2 |"),
                                   QStringLiteral("|R1")}));
        folder.write(QStringLiteral("Archive/2009.csv"), journalBytes({QStringLiteral("Б-2|")}));
        folder.write(QStringLiteral("Archive/notes.txt"), journalBytes({QStringLiteral("N|N")}));
        folder.write(QStringLiteral("thisyear.csv"), journalBytes({QStringLiteral("T|T")}));
        folder.write(QStringLiteral("outside.csv"), journalBytes({QStringLiteral("L|L")}));
        QVERIFY(QFile::link(folder.file(QStringLiteral("outside.csv")),
                            folder.file(QStringLiteral("Archive/link.csv"))));
        ArchiveSerials archives(folder.path());
        QVERIFY(archives.refresh());
        QCOMPARE(
            archives.places(Factory, number("Б-2")),
            (std::vector<ArchivePlace>{{QStringLiteral("2009"), 1}, {QStringLiteral("2010"), 2}}));
        QCOMPARE(
            archives.places(Registration, number("R1")),
            (std::vector<ArchivePlace>{{QStringLiteral("2010"), 1}, {QStringLiteral("2010"), 3}}));
        QVERIFY(archives.holds(Factory, number("A1")));
        QVERIFY(!archives.holds(Factory, number("a1")));
        QVERIFY(!archives.holds(Registration, number("A1")));
        for (const char* elsewhere : {"N", "T", "L"})
            QVERIFY2(!archives.holds(Factory, number(elsewhere)), elsewhere);
        // The archive on screen is left out, and so are those written from it.
        QVERIFY(archives.refresh({QStringLiteral("2009")}));
        QCOMPARE(archives.places(Factory, number("Б-2")),
                 (std::vector<ArchivePlace>{{QStringLiteral("2010"), 2}}));
        QVERIFY(archives.refresh({QStringLiteral("2009"), QStringLiteral("2010")}));
        QVERIFY(archives.places(Factory, number("Б-2")).empty());
        QVERIFY(!archives.holds(Factory, number("A1")));
    }

    // A refresh reads only what changed since it last looked; a file that went is forgotten.
    void readsOnlyTheArchivesThatChanged() {
        const TempFolder folder;
        folder.write(QStringLiteral("Archive/2009.csv"), journalBytes({QStringLiteral("A|")}));
        folder.write(QStringLiteral("Archive/2010.csv"), journalBytes({QStringLiteral("B|")}));
        ArchiveSerials archives(folder.path());
        QVERIFY(archives.refresh());
        QCOMPARE(archives.reads(), 2);
        QVERIFY(!archives.refresh());
        QCOMPARE(archives.reads(), 2);
        // Longer, so that its size tells even within one tick of the file system's clock.
        folder.write(QStringLiteral("Archive/2010.csv"),
                     journalBytes({QStringLiteral("C|"), QStringLiteral("D|")}));
        QVERIFY(archives.refresh());
        QCOMPARE(archives.reads(), 3);
        QVERIFY(!archives.holds(Factory, number("B")));
        QVERIFY(archives.holds(Factory, number("D")));
        QVERIFY(QFile::remove(folder.file(QStringLiteral("Archive/2009.csv"))));
        QVERIFY(archives.refresh());
        QVERIFY(!archives.holds(Factory, number("A")));
        QVERIFY(QDir(folder.file(QStringLiteral("Archive"))).removeRecursively());
        QVERIFY(archives.refresh());
        QVERIFY(!archives.holds(Factory, number("D")));
    }

    // The grid's rows first (a repeat), then the archives' (a note: units are carried over a
    // year end); five named, the rest counted.
    void tellsWhereANumberAlreadyIs() {
        const ArchivePlace archived{QStringLiteral("2009"), 37};
        const ArchivePlace older{QStringLiteral("2008"), 5};
        QCOMPARE(journal::alreadyThereText({214}, {archived}),
                 QStringLiteral("Уже есть: строка 214; также в архиве 2009, строка 37"));
        QCOMPARE(journal::alreadyThereText({}, {archived, older}),
                 QStringLiteral("также в архиве 2009, строка 37; в архиве 2008, строка 5"));
        QCOMPARE(journal::alreadyThereText({1, 2, 3, 4, 5}, {}),
                 QStringLiteral("Уже есть: строка 1; строка 2; строка 3; строка 4; строка 5"));
        QCOMPARE(journal::alreadyThereText({1, 2, 3, 4}, {archived, archived, archived}),
                 QStringLiteral("Уже есть: строка 1; строка 2; строка 3; строка 4; также в "
                                "архиве 2009, строка 37 и ещё 2"));
        QCOMPARE(journal::alreadyThereText({1, 2, 3, 4, 5}, {archived}),
                 QStringLiteral("Уже есть: строка 1; строка 2; строка 3; строка 4; строка 5 "
                                "и ещё 1"));
        QCOMPARE(journal::alreadyThereText({}, {}), QString());
    }
};

QTEST_GUILESS_MAIN(TestArchiveSerials)
#include "tst_archiveserials.moc"
