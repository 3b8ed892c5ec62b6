#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace core {

// The eight journal columns, by position in the file and in a freshly opened grid.

enum Column {
    Owner = 0,              // Владелец
    RegisterModel = 1,      // Модель  ККМ
    RegisterNumber = 2,     // №  ККМ
    SerialNumber = 3,       // Зав. № ЭКЛЗ
    RegistrationNumber = 4, // Рег. № ЭКЛЗ
    ActivationDate = 5,     // Дата актив.
    BlockDate = 6,          // Дата блок.
    Mechanic = 7,           // Механик
};

// Columns written to a file: 0 .. 7, whatever the grid holds.
constexpr int FileColumns = 8;

// Header captions by which the block-date pass finds its two columns wherever they stand.
constexpr QStringView ActivationDateHeader = u"Дата актив.";
constexpr QStringView BlockDateHeader = u"Дата блок.";
// The columns whose earlier values are proposed as they are typed.
constexpr QStringView OwnerHeader = u"Владелец";
constexpr QStringView RegisterModelHeader = u"Модель  ККМ";
constexpr QStringView MechanicHeader = u"Механик";

// The grid format of the journal header: captions, centring and column widths.
inline QString headerFormat() {
    return QStringLiteral("^Владелец           |^Модель  ККМ  |^№  ККМ     |^Зав. № ЭКЛЗ    "
                          "|^Рег. № ЭКЛЗ  |^Дата актив. |^Дата блок. |^Механик           ");
}

// One section of a grid format: a caption (its trailing blanks widen the column), centred when
// the section begins with "^".
struct FormatSection {
    QString caption;
    bool centred = false;
};

// A grid format's sections, split at "|".
inline std::vector<FormatSection> parseFormat(const QString& format) {
    std::vector<FormatSection> sections;
    for (const QString& section : format.split(u'|')) {
        const bool centred = section.startsWith(u'^');
        sections.push_back({centred ? section.sliced(1) : section, centred});
    }
    return sections;
}

// The journal header's sections, parsed once.
inline const std::vector<FormatSection>& headerSections() {
    static const std::vector<FormatSection> sections = parseFormat(headerFormat());
    return sections;
}

} // namespace core
