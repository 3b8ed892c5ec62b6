#include "core/journalcharset.h"

#include <QStringDecoder>
#include <array>
#include <cstdint>
#include <cstring>

namespace core {

namespace {

// The characters of the bytes 0x80 .. 0xFF; the bytes below are ASCII. 0x98, which the code page
// leaves unassigned, keeps its own value so that it survives a read and a save.
constexpr std::array<char16_t, 128> UpperHalf{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // C0: А .. я
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, //
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, //
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, //
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, //
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, //
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, //
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, //
};

constexpr auto DecodeTable = [] {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = b < 0x80 ? char16_t(b) : UpperHalf[b - 0x80];
    return table;
}();

// Flat tables over all UTF-16 units keep the whole-register passes (the save check, the writer)
// down to one load per character.
struct EncodeTables {
    std::array<char, 0x10000> byteOf;
    std::array<bool, 0x10000> holdable;
};

const EncodeTables& encodeTables() {
    static const EncodeTables tables = [] {
        EncodeTables built;
        built.byteOf.fill('?');
        built.holdable.fill(false);
        for (int b = 0; b < 256; ++b) {
            built.byteOf[DecodeTable[b]] = char(b);
            built.holdable[DecodeTable[b]] = true;
        }
        // The characters that structure the file, and NUL, which no journal text holds: a file
        // with NUL bytes is damaged, and many programs take a NUL for the end of the text.
        for (char16_t reserved : {u';', u'\r', u'\n', u'\0'})
            built.holdable[reserved] = false;
        return built;
    }();
    return tables;
}

enum class Utf8Check { Ascii, Utf8, Utf8WithCyrillic, Invalid };

// One pass with an early end: a Windows-1251 file with Cyrillic text fails at its first word.
Utf8Check checkUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    bool nonAscii = false;
    bool cyrillic = false;
    while (p < end) {
        // ASCII runs, eight bytes at a time.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, sizeof word);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        nonAscii = true;
        // Lead byte: how many continuation bytes follow and the range of the first of them
        // (narrower after E0, ED, F0 and F4, which rules out overlong forms, surrogates and
        // code points past U+10FFFF).
        int follow = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return Utf8Check::Invalid;
        }
        if (end - p <= follow || p[1] < low || p[1] > high)
            return Utf8Check::Invalid;
        // U+0400 .. U+04FF are the two-byte sequences led by D0 .. D3.
        cyrillic = cyrillic || (lead >= 0xD0 && lead <= 0xD3);
        for (int i = 2; i <= follow; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return Utf8Check::Invalid;
        p += follow + 1;
    }
    if (!nonAscii)
        return Utf8Check::Ascii;
    return cyrillic ? Utf8Check::Utf8WithCyrillic : Utf8Check::Utf8;
}

} // namespace

bool canHold(QChar c) {
    return encodeTables().holdable[c.unicode()];
}

qsizetype indexOfUnwritable(QStringView text) {
    const auto& holdable = encodeTables().holdable;
    const char16_t* chars = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!holdable[chars[i]])
            return i;
    return -1;
}

QString dropUnwritable(QStringView text) {
    QString kept = text.toString();
    kept.removeIf([](QChar c) { return !canHold(c); });
    return kept;
}

QString decodeWindows1251(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    auto* const out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    // Eight bytes at a time: ASCII ones (digits, dates, Latin letters) are widened at once, the
    // rest looked up; the loop's own work is most of the cost of one lookup.
    for (; i + 8 <= size; i += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, in + i, sizeof eight);
        if ((eight & 0x8080808080808080u) == 0) {
            for (int k = 0; k < 8; ++k)
                out[i + k] = char16_t(in[i + k]);
        } else {
            for (int k = 0; k < 8; ++k)
                out[i + k] = DecodeTable[in[i + k]];
        }
    }
    for (; i < size; ++i)
        out[i] = DecodeTable[in[i]];
    return text;
}

char* writeWindows1251(QStringView text, char* out) {
    const auto& byteOf = encodeTables().byteOf;
    const char16_t* chars = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        *out++ = byteOf[chars[i]];
    return out;
}

QByteArray encodeWindows1251(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    writeWindows1251(text, bytes.data());
    return bytes;
}

TextEncoding detectEncoding(QByteArrayView bytes) {
    const Utf8Check check = checkUtf8(bytes);
    if (check == Utf8Check::Utf8WithCyrillic ||
        (check == Utf8Check::Utf8 && bytes.startsWith(Utf8ByteOrderMark)))
        return TextEncoding::Utf8;
    return TextEncoding::Windows1251;
}

QByteArrayView withoutByteOrderMark(QByteArrayView bytes) {
    return bytes.startsWith(Utf8ByteOrderMark) ? bytes.sliced(Utf8ByteOrderMark.size()) : bytes;
}

std::optional<QByteArray> utf16AsUtf8(QByteArrayView bytes) {
    QStringConverter::Encoding encoding;
    if (bytes.startsWith("\xFF\xFE"))
        encoding = QStringConverter::Utf16LE;
    else if (bytes.startsWith("\xFE\xFF"))
        encoding = QStringConverter::Utf16BE;
    else
        return std::nullopt;
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return QString(decoder.decode(bytes.sliced(2))).toUtf8();
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? QString::fromUtf8(bytes) : decodeWindows1251(bytes);
}

qsizetype decodedLength(QByteArrayView bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Windows1251)
        return bytes.size();
    // Every byte but a continuation byte starts a character; four-byte ones take two units.
    qsizetype units = 0;
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        units += ((b & 0xC0) != 0x80 ? 1 : 0) + (b >= 0xF0 ? 1 : 0);
    }
    return units;
}

} // namespace core
