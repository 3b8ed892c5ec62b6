#pragma once

#include "core/journaltext.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringDecoder>
#include <cstring>
#include <optional>
#include <utility>

namespace core {

// Turns the bytes, piece by piece, into the text the lines are read from: a file that starts
// with a UTF-16 byte-order mark as UTF-8, the mark left out; NUL bytes left out; and, when asked,
// a UTF-8 byte-order mark at the start of the text. Other bytes go through as they are, uncopied.
// Where no one needs the text of a UTF-16 file, only its NUL characters are counted.
class TextPieces {
public:
    TextPieces(bool dropByteOrderMark, bool utf16Text, const PieceTake& take)
        : dropByteOrderMark_(dropByteOrderMark), utf16Text_(utf16Text), take_(take) {}

    bool utf16() const { return utf16_.has_value(); }
    qsizetype nulBytes() const { return nulBytes_; }

    bool add(QByteArrayView bytes) {
        if (decided_)
            return utf16_ ? utf16Units(bytes, false) : text(bytes);
        // The mark, and for UTF-16 the first character after it, which Qt leaves out when it is
        // a second mark, are looked at once, in the first four bytes.
        if (head_.isEmpty() && bytes.size() >= 4)
            return decide(bytes);
        head_ += bytes.toByteArray();
        if (head_.size() < 4)
            return true;
        const QByteArray head = std::exchange(head_, {});
        return decide(head);
    }

    bool finish() {
        if (!decided_) {
            const QByteArray head = std::exchange(head_, {});
            if (!decide(head))
                return false;
        }
        if (utf16_ && !utf16Units({}, true))
            return false;
        if (!checked_) {
            // Fewer than three bytes of text: no mark.
            checked_ = true;
            const QByteArray start = std::exchange(start_, {});
            if (!start.isEmpty())
                return take_(start);
        }
        return true;
    }

private:
    bool decide(QByteArrayView bytes) {
        decided_ = true;
        if (bytes.startsWith("\xFF\xFE"))
            utf16_.emplace(false);
        else if (bytes.startsWith("\xFE\xFF"))
            utf16_.emplace(true);
        return utf16_ ? utf16Units(bytes.sliced(2), false) : text(bytes);
    }

    // UTF-16 units, decoded as the whole would be: the last unit of a piece, and a high surrogate
    // before it, wait for the next one, so that a pair is never parted and an odd last byte is
    // decoded after a unit, as Qt needs to make it U+FFFD; only the file's first character is a
    // candidate for a second mark.
    bool utf16Units(QByteArrayView bytes, bool last) {
        QByteArray joined;
        if (!pending_.isEmpty()) {
            joined = pending_ + bytes.toByteArray();
            pending_.clear();
            bytes = joined;
        }
        qsizetype cut = bytes.size();
        if (!last) {
            cut = std::max<qsizetype>((cut & ~qsizetype(1)) - 2, 0);
            if (cut >= 2) {
                const auto high = static_cast<unsigned char>(bytes[*utf16_ ? cut - 2 : cut - 1]);
                if (high >= 0xD8 && high <= 0xDB)
                    cut -= 2;
            }
            pending_ = bytes.sliced(cut).toByteArray();
            if (cut == 0)
                return true;
        }
        if (!utf16Text_) {
            for (qsizetype i = 0; i + 1 < cut; i += 2)
                nulBytes_ += bytes[i] == 0 && bytes[i + 1] == 0 ? 1 : 0;
            return true;
        }
        QStringConverter::Flags flags = QStringConverter::Flag::Stateless;
        if (std::exchange(firstUnits_, false) == false)
            flags |= QStringConverter::Flag::ConvertInitialBom;
        QStringDecoder decoder(*utf16_ ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                               flags);
        const QByteArray utf8 = QString(decoder.decode(bytes.first(cut))).toUtf8();
        return text(utf8);
    }

    bool text(QByteArrayView bytes) {
        if (!bytes.isEmpty() && std::memchr(bytes.data(), 0, std::size_t(bytes.size()))) {
            withoutNuls_ = bytes.toByteArray();
            withoutNuls_.removeIf([](char byte) { return byte == '\0'; });
            nulBytes_ += bytes.size() - withoutNuls_.size();
            bytes = withoutNuls_;
        }
        if (checked_)
            return bytes.isEmpty() || take_(bytes);
        // The UTF-8 byte-order mark, once three bytes of text have come.
        if (start_.isEmpty() && bytes.size() >= 3)
            return startText(bytes);
        start_ += bytes.toByteArray();
        if (start_.size() < 3)
            return true;
        const QByteArray start = std::exchange(start_, {});
        return startText(start);
    }

    bool startText(QByteArrayView bytes) {
        checked_ = true;
        if (dropByteOrderMark_ && !utf16_)
            bytes = withoutByteOrderMark(bytes);
        return bytes.isEmpty() || take_(bytes);
    }

    const bool dropByteOrderMark_;
    const bool utf16Text_;
    const PieceTake& take_;
    bool decided_ = false;
    QByteArray head_;
    std::optional<bool> utf16_; // big-endian
    QByteArray pending_;
    bool firstUnits_ = true;
    bool checked_ = false;
    QByteArray start_;
    QByteArray withoutNuls_;
    qsizetype nulBytes_ = 0;
};

} // namespace core
