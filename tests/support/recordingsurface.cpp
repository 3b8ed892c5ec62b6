#include "support/recordingsurface.h"

namespace {

constexpr int A4Width = 11906;
constexpr int A4Height = 16838;
constexpr int LetterWidth = 12240;
constexpr int LetterHeight = 15840;

QString opName(RecordingSurface::Op op) {
    using Op = RecordingSurface::Op;
    switch (op) {
    case Op::Orientation:
        return QStringLiteral("Orientation");
    case Op::PageWidth:
        return QStringLiteral("PageWidth");
    case Op::PageHeight:
        return QStringLiteral("PageHeight");
    case Op::PaperSize:
        return QStringLiteral("PaperSize");
    case Op::FontName:
        return QStringLiteral("FontName");
    case Op::FontSize:
        return QStringLiteral("FontSize");
    case Op::FontBold:
        return QStringLiteral("FontBold");
    case Op::DrawWidth:
        return QStringLiteral("DrawWidth");
    case Op::CurrentX:
        return QStringLiteral("CurrentX");
    case Op::CurrentY:
        return QStringLiteral("CurrentY");
    case Op::Print:
        return QStringLiteral("Print");
    case Op::Line:
        return QStringLiteral("Line");
    case Op::NewPage:
        return QStringLiteral("NewPage");
    case Op::EndDoc:
        return QStringLiteral("EndDoc");
    case Op::AbortDoc:
        return QStringLiteral("AbortDoc");
    }
    return QString();
}

} // namespace

RecordingSurface::RecordingSurface(int paperWidth, int paperHeight)
    : paperWidth_(paperWidth), paperHeight_(paperHeight) {}

void RecordingSurface::record(Op op, const QString& text, double value, int number) {
    Call call{};
    call.op = op;
    call.text = text;
    call.value = value;
    call.number = number;
    calls_.append(std::move(call));
}

void RecordingSurface::setOrientation(printing::PageOrientation orientation) {
    landscape_ = orientation == printing::PageOrientation::Landscape;
    record(Op::Orientation, {}, 0, int(orientation));
}

int RecordingSurface::pageWidth() {
    const int width = landscape_ ? paperHeight_ : paperWidth_;
    record(Op::PageWidth, {}, double(width), 0);
    return width;
}

int RecordingSurface::pageHeight() {
    const int height = landscape_ ? paperWidth_ : paperHeight_;
    record(Op::PageHeight, {}, double(height), 0);
    return height;
}

void RecordingSurface::setPaperSize(printing::PaperSize paper) {
    if (paper == printing::PaperSize::A4) {
        paperWidth_ = A4Width;
        paperHeight_ = A4Height;
    } else if (paper == printing::PaperSize::Letter) {
        paperWidth_ = LetterWidth;
        paperHeight_ = LetterHeight;
    }
    record(Op::PaperSize, {}, 0, int(paper));
}

void RecordingSurface::setFontName(const QString& face) {
    face_ = face;
    record(Op::FontName, face, 0, 0);
}

void RecordingSurface::setFontSize(double points) {
    points_ = points;
    record(Op::FontSize, {}, points, 0);
}

void RecordingSurface::setFontBold(bool bold) {
    bold_ = bold;
    record(Op::FontBold, {}, 0, bold ? 1 : 0);
}

void RecordingSurface::setDrawWidth(int pixels) {
    drawWidth_ = pixels;
    record(Op::DrawWidth, {}, 0, pixels);
}

void RecordingSurface::setCurrentX(float twips) {
    x_ = twips;
    record(Op::CurrentX, {}, double(twips), 0);
}

void RecordingSurface::setCurrentY(float twips) {
    y_ = twips;
    record(Op::CurrentY, {}, double(twips), 0);
}

void RecordingSurface::printItems(const QString& text, bool withNumber, int number) {
    record(Op::Print, text, 0, number);
    calls_.last().withNumber = withNumber;
    texts_.append({page_, x_, y_, text, withNumber, number, face_, points_, bold_});
    // The next line starts at the left edge, one line of the current font further down.
    x_ = 0;
    y_ += float(lineHeight(points_));
}

void RecordingSurface::print(const QString& text) {
    printItems(text, false, 0);
}

void RecordingSurface::print(const QString& text, int number) {
    printItems(text, true, number);
}

void RecordingSurface::line(int x1, int y1, int x2, int y2) {
    record(Op::Line, {}, 0, 0);
    Call& call = calls_.last();
    call.x1 = x1;
    call.y1 = y1;
    call.x2 = x2;
    call.y2 = y2;
    lines_.append({page_, x1, y1, x2, y2, drawWidth_});
}

void RecordingSurface::newPage() {
    ++page_;
    record(Op::NewPage, {}, 0, 0);
}

bool RecordingSurface::endDoc() {
    ended_ = true;
    record(Op::EndDoc, {}, 0, 0);
    return takesDocument_;
}

void RecordingSurface::abortDoc() {
    aborted_ = true;
    record(Op::AbortDoc, {}, 0, 0);
}

double RecordingSurface::textWidth(const QString& text, double points) {
    return double(text.size()) * points * 10;
}

double RecordingSurface::lineHeight(double points) {
    return points * 20;
}

QStringList RecordingSurface::log() const {
    QStringList lines;
    lines.reserve(calls_.size());
    for (const Call& call : calls_) {
        QString line = opName(call.op);
        switch (call.op) {
        case Op::Orientation:
        case Op::PaperSize:
        case Op::FontBold:
        case Op::DrawWidth:
            line += QLatin1Char(' ') + QString::number(call.number);
            break;
        case Op::PageWidth:
        case Op::PageHeight:
        case Op::FontSize:
        case Op::CurrentX:
        case Op::CurrentY:
            line += QLatin1Char(' ') + QString::number(call.value);
            break;
        case Op::FontName:
            line += QStringLiteral(" \"") + call.text + QLatin1Char('"');
            break;
        case Op::Print:
            line += QStringLiteral(" \"") + call.text + QLatin1Char('"');
            if (call.withNumber)
                line += QLatin1Char(' ') + QString::number(call.number);
            break;
        case Op::Line:
            line +=
                QStringLiteral(" %1 %2 %3 %4").arg(call.x1).arg(call.y1).arg(call.x2).arg(call.y2);
            break;
        case Op::NewPage:
        case Op::EndDoc:
        case Op::AbortDoc:
            break;
        }
        lines.append(line);
    }
    return lines;
}
