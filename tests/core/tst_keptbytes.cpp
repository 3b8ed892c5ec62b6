// A file's bytes kept packed, read on a thread from a descriptor of their own: they come back
// exactly, or not at all when the file is no longer the version fingerprinted.
#include "core/backgroundbytes.h"
#include "core/fingerprint.h"
#include "core/packedbytes.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Lines as a register's, a seeded mixture of repeated and random bytes.
QByteArray registerLike(qsizetype size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        bytes.append("\xce\xce\xce \"\xd0\xee\xec\xe0\xf8\xea\xe0\";\xdd\xca\xd0-3102\xd4;");
        bytes.append(QByteArray::number(random.bounded(1u << 30)));
        bytes.append(";01.02.2026;01.04.2027;\r\n");
    }
    bytes.truncate(size);
    return bytes;
}

core::FileHandle written(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return core::FileHandle(-1);
    file.close();
    return core::FileHandle(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
}

} // namespace

class TestKeptBytes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every size about the piece's: nothing, less than a piece, a piece exactly, a byte more,
    // several pieces and a few bytes.
    void packsAndUnpacksEverySize() {
        const qsizetype piece = core::FilePieceBytes;
        for (const qsizetype size :
             {qsizetype(0), qsizetype(1), piece - 1, piece, piece + 1, 3 * piece + 17}) {
            const QByteArray bytes = registerLike(size, quint32(size));
            const std::optional<core::PackedBytes> kept = core::PackedBytes::of(bytes);
            QVERIFY(kept);
            const core::PackedBytes& packed = *kept;
            QCOMPARE(packed.size(), size);
            QCOMPARE(packed.unpacked(), std::optional(bytes));
            if (size > 1000)
                QVERIFY2(packed.packedSize() < size * 3 / 4,
                         qPrintable(QString::number(packed.packedSize())));
        }
    }

    // Read in the background from a file of several pieces and from one of a single piece; the
    // descriptor given may be closed at once.
    void readsTheVersionFingerprinted() {
        QTemporaryDir folder;
        for (const qsizetype size :
             {qsizetype(0), qsizetype(1000), core::FilePieceBytes, 2 * core::FilePieceBytes + 5}) {
            const QByteArray bytes = registerLike(size, 7);
            const QString path = folder.filePath(QStringLiteral("thisyear.csv"));
            std::optional<core::BackgroundBytes> kept;
            {
                const core::FileHandle file = written(path, bytes);
                QVERIFY(file.valid());
                kept.emplace(file.fd(), core::fingerprintOf(bytes));
            }
            QVERIFY(kept->pending());
            const std::optional<core::PackedBytes> taken = kept->take();
            QVERIFY(taken);
            QCOMPARE(taken->unpacked(), std::optional(bytes));
        }
    }

    // Bytes at hand (a version found and merged with) are packed on the thread as they are.
    void packsBytesAtHand() {
        const QByteArray bytes = registerLike(3 * core::FilePieceBytes + 1, 11);
        core::BackgroundBytes kept(bytes);
        QVERIFY(kept.pending());
        const std::optional<core::PackedBytes> taken = kept.take();
        QVERIFY(taken);
        QCOMPARE(taken->unpacked(), std::optional(bytes));
    }

    // Replaced while still packing a large register, the bytes kept are the new ones; a moved
    // one is left with nothing, and bytes are taken once.
    void replacedBytesAreTheNewOnes() {
        const QByteArray large = registerLike(48 * core::FilePieceBytes, 3);
        const QByteArray small = registerLike(core::FilePieceBytes + 9, 4);
        core::BackgroundBytes kept(large);
        kept = core::BackgroundBytes(small);
        core::BackgroundBytes moved(std::move(kept));
        QVERIFY(!kept.take());
        QVERIFY(moved.pending());
        const std::optional<core::PackedBytes> taken = moved.take();
        QVERIFY(taken);
        QCOMPARE(taken->unpacked(), std::optional(small));
        QVERIFY(!moved.pending() && !moved.take());
    }

    // Bytes that are not the version fingerprinted (the file changed in place meanwhile) are
    // not kept.
    void dropsAnotherVersion() {
        QTemporaryDir folder;
        for (const qsizetype size : {qsizetype(1000), 2 * core::FilePieceBytes + 5}) {
            const QByteArray bytes = registerLike(size, 9);
            QByteArray other = bytes;
            other[size / 2] = 'x';
            const core::FileHandle file =
                written(folder.filePath(QStringLiteral("thisyear.csv")), other);
            QVERIFY(file.valid());
            core::BackgroundBytes kept(file.fd(), core::fingerprintOf(bytes));
            QVERIFY(!kept.take());
        }
    }
};

QTEST_GUILESS_MAIN(TestKeptBytes)
#include "tst_keptbytes.moc"
