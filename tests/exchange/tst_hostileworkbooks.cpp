#include "exchange/spreadsheetimport.h"
#include "support/importfixture.h"
#include "support/tempfolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QtEndian>
#include <csignal>
#include <optional>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

// Files made to hurt the import: each is imported in a child process whose memory is bounded and
// which is killed after a while, and must be refused with its cause named, the files beside it
// left as they were.

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool AddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool AddressSanitizer = true;
#else
constexpr bool AddressSanitizer = false;
#endif
#else
constexpr bool AddressSanitizer = false;
#endif

constexpr rlim_t ImportAddressSpace = rlim_t(1) << 30;
constexpr int ChildSeconds = 30;

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A zip part as the test builds it: its bytes, optionally followed by many blanks (never held in
// memory at once), deflated or stored, with the size its headers declare.
struct Part {
    QByteArray name;
    QByteArray head;
    qint64 blanks = 0;
    QByteArray tail;
    bool deflated = false;
    std::optional<quint32> declaredSize;
    std::optional<quint32> declaredCompressedSize;
    std::optional<quint32> localSize; // in the local header only
};

void put16(QByteArray& out, quint32 value) {
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

struct Packed {
    QByteArray data;
    quint32 crc = 0;
    quint64 size = 0;
};

Packed pack(const Part& part) {
    Packed packed;
    packed.crc = quint32(crc32(0, nullptr, 0));
    z_stream stream{};
    if (part.deflated)
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(1 << 16, '\0');
    const auto feed = [&](const QByteArray& bytes, bool last) {
        packed.crc = quint32(
            crc32(packed.crc, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size())));
        packed.size += quint64(bytes.size());
        if (!part.deflated) {
            packed.data += bytes;
            return;
        }
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        stream.avail_in = uInt(bytes.size());
        for (int turn = 0; turn < 1 << 20; ++turn) {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = uInt(out.size());
            const int result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            packed.data.append(out.constData(), out.size() - qsizetype(stream.avail_out));
            if (result == Z_STREAM_END || (!last && stream.avail_out != 0))
                break;
        }
    };
    feed(part.head, false);
    const QByteArray blanks(1 << 20, ' ');
    for (qint64 left = part.blanks; left > 0; left -= blanks.size())
        feed(left >= blanks.size() ? blanks : blanks.left(left), false);
    feed(part.tail, true);
    if (part.deflated)
        deflateEnd(&stream);
    return packed;
}

QByteArray zipOfParts(const QList<Part>& parts) {
    QByteArray zip;
    QByteArray directory;
    for (const Part& part : parts) {
        const Packed packed = pack(part);
        const quint32 size = part.declaredSize.value_or(quint32(packed.size));
        const quint32 method = part.deflated ? 8 : 0;
        const quint32 offset = quint32(zip.size());
        for (QByteArray* header : {&zip, &directory}) {
            const bool central = header == &directory;
            put32(*header, central ? 0x02014b50 : 0x04034b50);
            if (central)
                put16(*header, 20);
            put16(*header, 20);
            put16(*header, 0);
            put16(*header, method);
            put32(*header, 0);
            put32(*header, packed.crc);
            put32(*header, part.declaredCompressedSize.value_or(quint32(packed.data.size())));
            put32(*header, central ? size : part.localSize.value_or(size));
            put16(*header, quint32(part.name.size()));
            put16(*header, 0);
            if (central) {
                put16(*header, 0);
                put32(*header, 0);
                put32(*header, 0);
                put32(*header, offset);
            }
            *header += part.name;
        }
        zip += packed.data;
    }
    const quint32 start = quint32(zip.size());
    zip += directory;
    put32(zip, 0x06054b50);
    put32(zip, 0);
    put16(zip, quint32(parts.size()));
    put16(zip, quint32(parts.size()));
    put32(zip, quint32(directory.size()));
    put32(zip, start);
    put16(zip, 0);
    return zip;
}

// The parts of a stored zip as zipOf writes them.
QList<Part> partsOf(const QByteArray& zip) {
    QList<Part> parts;
    qsizetype at = 0;
    for (int i = 0; i < 100 && at + 30 <= zip.size() &&
                    qFromLittleEndian<quint32>(zip.constData() + at) == 0x04034b50;
         ++i) {
        const quint32 size = qFromLittleEndian<quint32>(zip.constData() + at + 18);
        const quint16 nameLength = qFromLittleEndian<quint16>(zip.constData() + at + 26);
        const quint16 extraLength = qFromLittleEndian<quint16>(zip.constData() + at + 28);
        Part part;
        part.name = zip.mid(at + 30, nameLength);
        part.head = zip.mid(at + 30 + nameLength + extraLength, size);
        parts << part;
        at += 30 + nameLength + extraLength + size;
    }
    return parts;
}

// A workbook of one cell whose sheet part is made over by `change`.
QByteArray xlsxWithSheet(const std::function<void(Part&)>& change) {
    QList<Part> parts = partsOf(xlsxOf({{QStringLiteral("Лист1"),
                                         QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1</v></c>"
                                                        "</row>"),
                                         {}}}));
    for (Part& part : parts)
        if (part.name == "xl/worksheets/sheet1.xml")
            change(part);
    return zipOfParts(parts);
}

QByteArray xlsxWithPart(const QByteArray& name) {
    QList<Part> parts = partsOf(
        xlsxOf({{QStringLiteral("Лист1"), QStringLiteral("<row><c><v>1</v></c></row>"), {}}}));
    parts << Part{name, "x", 0, {}, false, {}, {}, {}};
    return zipOfParts(parts);
}

const QByteArray SheetStart = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                              "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                              "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
const QByteArray SheetEnd = "</sheetData></worksheet>";

QByteArray zipBomb() {
    return xlsxWithSheet([](Part& sheet) {
        sheet = {sheet.name, SheetStart, qint64(64) << 20, SheetEnd, true, {}, {}, {}};
    });
}

QByteArray lyingSizes() {
    return xlsxWithSheet([](Part& sheet) {
        sheet.deflated = true;
        sheet.head = SheetStart + QByteArray(4000, ' ') + SheetEnd;
        sheet.declaredSize = 200;
    });
}

QByteArray shortSizes() {
    return xlsxWithSheet([](Part& sheet) {
        sheet.deflated = true;
        sheet.declaredSize = 100000;
    });
}

QByteArray localSizes() {
    return xlsxWithSheet([](Part& sheet) { sheet.localSize = 4000u << 20; });
}

// A deflated sheet whose checksum in the zip's directory is not that of its bytes.
QByteArray wrongChecksum() {
    QByteArray zip = xlsxWithSheet([](Part& sheet) { sheet.deflated = true; });
    const qsizetype crc = zip.lastIndexOf("xl/worksheets/sheet1.xml") - 46 + 16;
    zip[crc] = char(zip[crc] ^ 0x5A);
    return zip;
}

// A part declared to inflate from 21 MB to 2 GB: no bomb by its ratio, but past any journal.
QByteArray hugePart() {
    return xlsxWithSheet([](Part& sheet) {
        sheet.declaredSize = 2047u << 20;
        sheet.declaredCompressedSize = 21u << 20;
    });
}

QByteArray deepNesting() {
    return xlsxWithSheet([](Part& sheet) {
        sheet.deflated = true;
        sheet.head = SheetStart + QByteArray("<x>").repeated(100000) +
                     QByteArray("</x>").repeated(100000) + SheetEnd;
    });
}

// blanks: how many stand between the XML declaration and the document type, in a deflated part.
QByteArray billionLaughs(qint64 blanks = 0) {
    QByteArray entities = "<!ENTITY lol \"lol\">";
    QByteArray previous = "lol";
    for (int i = 1; i <= 9; ++i) {
        const QByteArray name = "lol" + QByteArray::number(i);
        entities +=
            "<!ENTITY " + name + " \"" + QByteArray("&" + previous + ";").repeated(10) + "\">";
        previous = name;
    }
    return xlsxWithSheet([&](Part& sheet) {
        sheet.head = "<?xml version=\"1.0\"?>";
        sheet.blanks = blanks;
        sheet.deflated = blanks > 0;
        sheet.tail = "<!DOCTYPE worksheet [" + entities +
                     "]><worksheet "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                     "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&lol9;</t></is>"
                     "</c></row></sheetData></worksheet>";
    });
}

// What the further sheets of manySheets() link to.
enum class SheetLinks { Missing, FirstPart, OwnParts };

// A workbook of one sheet that names `count` sheets more, each with a relationship of its own: to
// a part the zip lacks, to the first sheet's part (of 1,000 cells), or to a part of its own.
QByteArray manySheets(int count, SheetLinks linked) {
    const QString cell = QStringLiteral("<c><v>1</v></c>");
    QList<Part> parts = partsOf(xlsxOf(
        {{QStringLiteral("Лист1"), QStringLiteral("<row>%1</row>").arg(cell.repeated(1000)), {}}}));
    QByteArray sheets;
    QByteArray links;
    for (int i = 2; i <= count + 1; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray target = linked == SheetLinks::Missing ? QByteArray("t" + n)
                                  : linked == SheetLinks::FirstPart
                                      ? "worksheets/sheet1.xml"
                                      : QByteArray("worksheets/s" + n + ".xml");
        sheets += "<sheet name=\"s" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        links += "<Relationship Id=\"rId" + n + "\" Type=\"x\" Target=\"" + target + "\"/>";
        if (linked == SheetLinks::OwnParts)
            parts << Part{"xl/worksheets/s" + n + ".xml", "<worksheet/>", 0, {}, false, {}, {}, {}};
    }
    for (Part& part : parts) {
        if (part.name == "xl/workbook.xml")
            part.head.replace("</sheets>", QByteArray(sheets + "</sheets>"));
        else if (part.name == "xl/_rels/workbook.xml.rels")
            part.head.replace("</Relationships>", QByteArray(links + "</Relationships>"));
        part.deflated = linked != SheetLinks::OwnParts;
    }
    return zipOfParts(parts);
}

QByteArray cellFarOut() {
    return xlsxOf({{QStringLiteral("Лист1"),
                    QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                                   "<row r=\"1048576\"><c r=\"XFD1048576\"><v>2</v></c></row>"),
                    {}}});
}

QByteArray odsRepeatBomb() {
    return odsOf(QStringLiteral(
        "<table:table table:name=\"Лист1\"><table:table-row "
        "table:number-rows-repeated=\"1048576\"><table:table-cell "
        "table:number-columns-repeated=\"16384\" office:value-type=\"string\"><text:p>x</text:p>"
        "</table:table-cell></table:table-row></table:table>"));
}

// What the import of the file at `path`, run in a child process, said; none when the child did
// not finish in time. The child's peak memory and time are logged.
std::optional<QString> importInChild(const QString& path) {
    int channel[2];
    if (pipe(channel) != 0)
        return std::nullopt;
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (!AddressSanitizer) {
            const rlimit limit{ImportAddressSpace, ImportAddressSpace};
            setrlimit(RLIMIT_AS, &limit);
        }
        const exchange::ImportOutcome outcome = exchange::importFile(path);
        const QByteArray said =
            outcome.ok() ? QByteArrayLiteral("imported") : outcome.refusal->toUtf8();
        qsizetype written = 0;
        for (int turn = 0; turn < 1000 && written < said.size(); ++turn) {
            const ssize_t n =
                write(channel[1], said.constData() + written, std::size_t(said.size() - written));
            if (n <= 0)
                break;
            written += n;
        }
        _exit(0);
    }
    close(channel[1]);
    QByteArray said;
    const QDeadlineTimer deadline(ChildSeconds * 1000);
    bool ended = false;
    for (int turn = 0; turn < 100000 && !ended && !deadline.hasExpired(); ++turn) {
        pollfd wanted{channel[0], POLLIN, 0};
        if (poll(&wanted, 1, int(std::min<qint64>(deadline.remainingTime(), 1000))) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n <= 0)
            ended = true;
        else
            said.append(buffer, n);
    }
    close(channel[0]);
    if (!ended)
        kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    qInfo("%s: %lld ms, peak %ld MB", qPrintable(QFileInfo(path).fileName()), clock.elapsed(),
          usage.ru_maxrss / 1024);
    if (!ended || !WIFEXITED(status))
        return std::nullopt;
    return QString::fromUtf8(said);
}

QMap<QString, QByteArray> contents(const QString& folder) {
    QMap<QString, QByteArray> files;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        QFile file(entry.filePath());
        files[entry.fileName()] =
            entry.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    return files;
}

} // namespace

class HostileWorkbooksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refused_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("zip bomb of blanks")
            << "bomb.xlsx" << zipBomb()
            << QStringList{u("zip-бомбу"), u("xl/worksheets/sheet1.xml"), u("в 64 МБ")};
        QTest::newRow(".ods repeat bomb")
            << "repeat.ods" << odsRepeatBomb()
            << QStringList{u("17 179 869 184 заполненных ячеек"), u("20 970 880")};
        QTest::newRow("cell far out")
            << "far.xlsx" << cellFarOut()
            << QStringList{u("до ячейки XFD1048576"), u("17 179 869 184 ячеек")};
        QTest::newRow("deep nesting") << "deep.xlsx" << deepNesting()
                                      << QStringList{u("sheet1.xml"), u("глубже 256 уровней")};
        QTest::newRow("sizes that lie")
            << "lying.xlsx" << lyingSizes()
            << QStringList{u("часть xl/worksheets/sheet1.xml длиннее, чем указано в архиве")};
        QTest::newRow("sizes that overstate")
            << "overstating.xlsx" << shortSizes()
            << QStringList{u("часть xl/worksheets/sheet1.xml короче, чем указано в архиве")};
        QTest::newRow("local header that lies")
            << "local.xlsx" << localSizes()
            << QStringList{
                   u("часть xl/worksheets/sheet1.xml указана в архиве с разными размерами")};
        QTest::newRow("checksum that lies")
            << "checksum.xlsx" << wrongChecksum()
            << QStringList{u("часть xl/worksheets/sheet1.xml не такая, как указано в архиве")};
        QTest::newRow("part past a journal")
            << "huge.xlsx" << hugePart()
            << QStringList{u("разжимается в 2 047 МБ"), u("327 670 строк")};
        QTest::newRow("entry up a folder")
            << "up.xlsx" << xlsxWithPart("../x") << QStringList{u("недопустимым именем «../x»")};
        QTest::newRow("entry named twice")
            << "twice.xlsx" << xlsxWithPart("xl/worksheets/sheet1.xml")
            << QStringList{u("часть xl/worksheets/sheet1.xml записана в архиве дважды")};
        QTest::newRow("absolute entry")
            << "absolute.xlsx" << xlsxWithPart("/x") << QStringList{u("недопустимым именем «/x»")};
        QTest::newRow("entry up a folder, with backslashes")
            << "back.xlsx" << xlsxWithPart("xl\\..\\..\\x")
            << QStringList{u("недопустимым именем «xl\\..\\..\\x»")};
        QTest::newRow("entry on a drive")
            << "drive.xlsx" << xlsxWithPart("C:x") << QStringList{u("недопустимым именем «C:x»")};
        QTest::newRow("billion laughs")
            << "laughs.xlsx" << billionLaughs() << QStringList{u("sheet1.xml"), u("<!DOCTYPE>")};
        QTest::newRow("billion laughs after blanks")
            << "laughs.xlsx" << billionLaughs(100000)
            << QStringList{u("sheet1.xml"), u("<!DOCTYPE>")};
        QTest::newRow("zero bytes") << "empty.xlsx" << QByteArray() << QStringList{u("Файл пуст")};
        const QByteArray whole = xlsxOf({{QStringLiteral("Лист1"), QString(), {}}});
        QTest::newRow("zip cut short") << "short.xlsx" << whole.left(whole.size() / 2)
                                       << QStringList{u("Файл повреждён или записан не до конца")};
    }

    void refused() {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, words);
        TempFolder folder;
        const QByteArray journal = cp1251(u("ООО Тест;;0000000001;;;;;;\r\n"));
        folder.write(QStringLiteral("Журнал.txt"), journal);
        QDir(folder.path()).mkdir(QStringLiteral("in"));
        folder.write(QStringLiteral("in/") + file, bytes);
        const QMap<QString, QByteArray> before = contents(folder.path());
        const std::optional<QString> said =
            importInChild(folder.file(QStringLiteral("in/") + file));
        QVERIFY2(said, "the import did not end in time");
        for (const QString& word : words)
            QVERIFY2(said->contains(word), qPrintable(*said));
        QCOMPARE(contents(folder.path()), before);
        QCOMPARE(folder.read(QStringLiteral("in/") + file), bytes);
    }

    // A workbook naming many sheets is read in time, whatever they link to.
    void manySheetsInTime_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("parts it lacks") << manySheets(200000, SheetLinks::Missing);
        QTest::newRow("one part for all") << manySheets(100000, SheetLinks::FirstPart);
        QTest::newRow("a part each") << manySheets(30000, SheetLinks::OwnParts);
    }
    void manySheetsInTime() {
        QFETCH(QByteArray, bytes);
        TempFolder folder;
        folder.write(QStringLiteral("many.xlsx"), bytes);
        const std::optional<QString> said = importInChild(folder.file(QStringLiteral("many.xlsx")));
        QVERIFY2(said, "the import did not end in time");
        QCOMPARE(*said, QStringLiteral("imported"));
    }

    // What a spreadsheet writes passes the checks: deflated parts, Calc's empty rows repeated to
    // the sheet's end, a repeat of filled rows within the bounds.
    void soundFilesPass() {
        QList<Part> parts = partsOf(xlsxOf({{QStringLiteral("Лист1"),
                                             QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>7</v></c>"
                                                            "</row>"),
                                             {}}}));
        for (Part& part : parts)
            part.deflated = true;
        exchange::ImportOutcome outcome = exchange::importSpreadsheet(zipOfParts(parts));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(outcome.journal.rows[0][0], QStringLiteral("7"));

        outcome = exchange::importSpreadsheet(odsOf(QStringLiteral(
            "<table:table table:name=\"Лист1\"><table:table-row table:number-rows-repeated=\"3\">"
            "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"string\">"
            "<text:p>x</text:p></table:table-cell><table:table-cell "
            "table:number-columns-repeated=\"16382\"/></table:table-row><table:table-row "
            "table:number-rows-repeated=\"1048573\"><table:table-cell "
            "table:number-columns-repeated=\"16384\"/></table:table-row></table:table>")));
        QVERIFY2(outcome.ok(), qPrintable(outcome.refusal.value_or(QString())));
        QCOMPARE(int(outcome.journal.rows.size()), 3);
        QCOMPARE(outcome.journal.rows[2][1], QStringLiteral("x"));

        // Dots in a part's name that make no step up a folder are no reason to refuse it.
        for (const char* name : {"xl/a..b", "xl/.../x", "..x"})
            QVERIFY2(exchange::importSpreadsheet(xlsxWithPart(name)).ok(), name);
    }
};

QTEST_GUILESS_MAIN(HostileWorkbooksTest)
#include "tst_hostileworkbooks.moc"
