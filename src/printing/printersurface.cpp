#include "printing/printersurface.h"

#include "printing/fonts.h"

#include <QFile>
#include <QPrinter>
#include <cmath>

namespace printing {

namespace {

// One dot a twip: rules fall on whole dots and texts need no finer placing.
constexpr int DeviceResolution = 1440;
// The printer pixels pen widths are counted in.
constexpr double PenPixelsPerInch = 600;
constexpr double TwipsPerMillimetre = 1440 / 25.4;

} // namespace

PrinterSurface::PrinterSurface(QPrinter& printer) : target_(&printer) {}

PrinterSurface::PrinterSurface(std::unique_ptr<QPrinter> printer, Delivery deliver)
    : printer_(std::move(printer)), target_(printer_.get()), deliver_(std::move(deliver)) {
    // No ".pdf" ending: a native printer then keeps its own engine and only writes the file.
    workFile_ = workDir_.filePath(QStringLiteral("document"));
}

PrinterSurface::~PrinterSurface() {
    abortDoc();
}

bool PrinterSurface::startDocument() {
    if (deliver_ && !workDir_.isValid())
        return false;
    ownLayout_ = target_->pageLayout();

    target_->setResolution(DeviceResolution);
    target_->setPageSize(QPageSize(QPageSize::A4));
    target_->setPageOrientation(QPageLayout::Landscape);
    if (deliver_)
        target_->setOutputFileName(workFile_);
    if (!painter_.begin(target_))
        return false;
    const int dpi = target_->logicalDpiX();
    deviceUnitsPerTwip_ = (dpi > 0 ? dpi : DeviceResolution) / 1440.0;
    return true;
}

// The printer's own paper until setPaperSize(), in the orientation the document has now.
QSizeF PrinterSurface::pageTwips() const {
    QPageLayout layout = paperSet_ ? target_->pageLayout() : ownLayout_;
    layout.setOrientation(target_->pageLayout().orientation());
    return layout.paintRect(QPageLayout::Millimeter).size() * TwipsPerMillimetre;
}

void PrinterSurface::setOrientation(PageOrientation orientation) {
    const QPageLayout::Orientation wanted =
        orientation == PageOrientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    // The document was started landscape; any other choice applies from the next page on.
    if (target_->pageLayout().orientation() != wanted)
        target_->setPageOrientation(wanted);
}

int PrinterSurface::pageWidth() {
    return int(std::lround(pageTwips().width()));
}

int PrinterSurface::pageHeight() {
    return int(std::lround(pageTwips().height()));
}

void PrinterSurface::setPaperSize(PaperSize paper) {
    paperSet_ = true;
    const QPageSize size(paper == PaperSize::Letter ? QPageSize::Letter : QPageSize::A4);
    if (!target_->pageLayout().pageSize().isEquivalentTo(size))
        target_->setPageSize(size);
}

// The printout asks for one face, again on every page: it is looked for once.
void PrinterSurface::setFontName(const QString& face) {
    if (!face_.isNull() && face == face_)
        return;
    face_ = face;
    const QString family =
        cyrillicFont({face, QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")},
                     QFont::Serif, points_, bold_)
            .family();
    if (family_ == family)
        return;
    family_ = family;
    fonts_.clear();
}

const PrinterSurface::SizedFont& PrinterSurface::fontAt(double points) {
    for (const SizedFont& known : fonts_)
        if (known.bold == bold_ && known.points == points)
            return known;
    QFont font(family_);
    font.setStyleHint(QFont::Serif);
    font.setBold(bold_);
    font.setPointSizeF(points);
    // Unkerned, as journals have always been printed: kerning would move texts that fit their
    // cells just so to a smaller size, and others the other way.
    font.setKerning(false);
    return fonts_.emplace_back(SizedFont{bold_, points, font, QFontMetricsF(font, target_)});
}

void PrinterSurface::print(const QString& text) {
    const SizedFont& sized = fontAt(points_);
    if (!text.isEmpty() && painter_.isActive()) {
        painter_.setFont(sized.font);
        painter_.drawText(QPointF(toDevice(x_), toDevice(y_) + sized.metrics.ascent()), text);
    }
    // Like a printer's Print, end the line: back to the left edge, one line further down.
    x_ = 0;
    y_ += float(sized.metrics.lineSpacing() / deviceUnitsPerTwip_);
}

void PrinterSurface::print(const QString& text, int number) {
    const QString digits = QString::number(number);
    print(text + (number < 0 ? digits : QLatin1Char(' ') + digits) + QLatin1Char(' '));
}

void PrinterSurface::line(int x1, int y1, int x2, int y2) {
    if (painter_.isActive())
        rules_[drawWidth_].append(QLineF(toDevice(x1), toDevice(y1), toDevice(x2), toDevice(y2)));
}

void PrinterSurface::drawRules() {
    for (auto rules = rules_.cbegin(); rules != rules_.cend(); ++rules) {
        painter_.setPen(QPen(Qt::black, rules.key() * toDevice(1440) / PenPixelsPerInch,
                             Qt::SolidLine, Qt::SquareCap));
        painter_.drawLines(*rules);
    }
    rules_.clear();
}

void PrinterSurface::newPage() {
    if (painter_.isActive()) {
        drawRules();
        target_->newPage();
    }
    x_ = 0;
    y_ = 0;
}

bool PrinterSurface::endDoc() {
    if (!painter_.isActive())
        return false;
    drawRules();
    const bool rendered = painter_.end();
    if (!deliver_)
        return rendered;
    const bool delivered = rendered && deliver_(workFile_);
    QFile::remove(workFile_);
    return delivered;
}

void PrinterSurface::abortDoc() {
    rules_.clear();
    if (!painter_.isActive())
        return;
    if (!deliver_)
        target_->abort();
    painter_.end();
    if (deliver_)
        QFile::remove(workFile_);
}

double PrinterSurface::textWidth(const QString& text, double points) {
    return fontAt(points).metrics.horizontalAdvance(text) / deviceUnitsPerTwip_;
}

double PrinterSurface::lineHeight(double points) {
    return fontAt(points).metrics.lineSpacing() / deviceUnitsPerTwip_;
}

} // namespace printing
