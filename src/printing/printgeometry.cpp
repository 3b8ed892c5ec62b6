#include "printing/printgeometry.h"

#include "core/rounding.h"

#include <array>

namespace printing {

namespace {

int nearest(double value) {
    return int(core::roundHalfEven(value));
}

} // namespace

PageUnits pageUnits(int pageWidth, int pageHeight) {
    return {nearest(pageWidth * 0.01), nearest(pageHeight * 0.02)};
}

int nextColumnRule(int rule, int column, int cols) {
    static constexpr std::array<int, 7> Weights{94, 94, 64, 84, 74, 64, 64};
    if (column < 0 || column >= int(Weights.size()) || cols < 2)
        return rule;
    const double weight = Weights[std::size_t(column)];
    const double share = weight / (cols - 1);
    const double correction = weight / ((cols - 1) * 4);
    return nearest((rule + share) - correction);
}

std::vector<int> columnRules(int cols) {
    std::vector<int> rules;
    rules.reserve(std::size_t(cols) + 1);
    int rule = FirstRule;
    for (int column = 0; column <= cols; ++column) {
        rules.push_back(rule);
        rule = nextColumnRule(rule, column, cols);
    }
    return rules;
}

std::vector<int> textLimits(const std::vector<int>& rules) {
    const std::size_t columns = rules.empty() ? 0 : rules.size() - 1;
    std::vector<int> limits(columns, RuleAcrossEnd);
    // The rules never go left, so the first rule right of column i is the first one after it
    // that differs; walking from the right keeps it at hand.
    bool found = false;
    int nearestRight = RuleAcrossEnd;
    for (std::size_t i = columns; i-- > 0;) {
        if (rules[i + 1] > rules[i]) {
            nearestRight = rules[i + 1];
            found = true;
        }
        limits[i] = found ? nearestRight : RuleAcrossEnd;
    }
    return limits;
}

int pageCount(int dataRows) {
    if (dataRows <= FirstPageRows)
        return 1;
    return 1 + (dataRows - FirstPageRows + LaterPageRows - 1) / LaterPageRows;
}

QString titleText(const QString& date, const QString& time, const QString& listName) {
    return QStringLiteral(" ЖУРНАЛ ЭКЛЗ ") + QStringLiteral(" от  ") + date + QLatin1Char(' ') +
           time + (listName.isEmpty() ? QString() : QStringLiteral(" — ") + listName);
}

QString pageLabelText() {
    return QStringLiteral("стр. ");
}

} // namespace printing
