#include "ui/reportpdf.h"

#include "core/numbers.h"
#include "records/textfile.h"
#include "ui/reportchart.h"
#include "version.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace abgleich {

namespace {

// The document is laid out in pixels of 96 to the inch, the window's own, so that a chart
// has the size it has on the screen. The PDF stays vector graphics at any resolution.
constexpr int kDpi = 96;
const QSizeF kChartSize(680, 340);
constexpr double kFooterPixels = 28;
constexpr double kCellPad = 3;
constexpr double kGap = 8; // below a paragraph
const QString kDash = QStringLiteral("–");
const QColor kRuleColour(0x90, 0x90, 0x90);
const QColor kCaptionBackground(0xe6, 0xe6, 0xe6);
const QColor kNotSentColour(0xb0, 0, 0);

QFont reportFont(double points, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString number(double value, const RegionalSettings& rs) {
    return std::isfinite(value) ? formatFixed3(value, rs) : kDash;
}

QString number(const std::optional<double>& value, const RegionalSettings& rs) {
    return value ? number(*value, rs) : kDash;
}

QString orDash(const QString& text) {
    return text.trimmed().isEmpty() ? kDash : text;
}

// A piece of a line in its own weight.
struct Run {
    QString text;
    bool bold = false;
};

// A table cell: numbers right-aligned, a changed coefficient in bold.
struct Cell {
    QString text;
    bool right = true;
    bool bold = false;
};

struct Column {
    QString caption;
    double share; // of the page's width
};

QString pointTitle(const ReportPoint& point) {
    QString title = QStringLiteral("Messstelle %1: %2").arg(point.number).arg(point.name);
    if (!point.unit.isEmpty())
        title += QStringLiteral(" (%1)").arg(point.unit);
    return title;
}

QString largestText(const ReportPoint* point, std::optional<double> ReportPoint::*deviation,
                    const RegionalSettings& rs) {
    if (!point)
        return kDash;
    return QStringLiteral("%1 (Messstelle %2 %3)")
        .arg(number(point->*deviation, rs))
        .arg(point->number)
        .arg(point->name);
}

// Lays the report out from top to bottom, page by page, with the painter alone. Run once
// without drawing to count the pages, then again to draw them with "Seite x von y".
class Pages {
public:
    Pages(QPdfWriter& writer, QPainter* painter, QString footer, int total)
        : writer_(writer), painter_(painter), footer_(std::move(footer)), total_(total) {
        const QRectF page = writer.pageLayout().paintRectPixels(kDpi);
        width_ = page.width();
        pageHeight_ = page.height();
        bottom_ = pageHeight_ - kFooterPixels;
    }

    double width() const { return width_; }
    int count() const { return page_; }

    // A new page, unless nothing stands on this one yet.
    void newPage() {
        if (y_ <= 0)
            return;
        finishPage();
        if (painter_)
            writer_.newPage();
        ++page_;
        y_ = 0;
    }
    void ensure(double height) {
        if (y_ + height > bottom_)
            newPage();
    }
    void finish() { finishPage(); }

    double textHeight(const QString& text, const QFont& font, double width) const {
        return QFontMetricsF(font, &writer_)
            .boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text)
            .height();
    }

    void paragraph(const QString& text, const QFont& font, const QColor& colour = Qt::black) {
        const double height = textHeight(text, font, width_);
        ensure(height);
        if (painter_) {
            painter_->setFont(font);
            painter_->setPen(colour);
            painter_->drawText(QRectF(0, y_, width_, height), Qt::TextWordWrap, text);
        }
        y_ += height + kGap;
    }

    // Runs on one line, wrapped between runs where the line is full.
    void runs(const std::vector<Run>& line, double points) {
        const QFont plain = reportFont(points);
        const QFont bold = reportFont(points, true);
        const double height = QFontMetricsF(bold, &writer_).height();
        ensure(height);
        double x = 0;
        for (const Run& run : line) {
            const QFont& font = run.bold ? bold : plain;
            const double advance = QFontMetricsF(font, &writer_).horizontalAdvance(run.text);
            if (x > 0 && x + advance > width_) {
                x = 0;
                y_ += height;
                ensure(height);
            }
            if (painter_) {
                painter_->setFont(font);
                painter_->setPen(Qt::black);
                painter_->drawText(QRectF(x, y_, advance + 1, height), Qt::AlignLeft, run.text);
            }
            x += advance;
        }
        y_ += height + kGap;
    }

    // Label and value rows without rules; the value wraps.
    void fields(const std::vector<std::pair<QString, Run>>& rows) {
        const double labelWidth = width_ * 0.22;
        const double valueWidth = width_ - labelWidth;
        for (const auto& [label, value] : rows) {
            const QFont valueFont = reportFont(9, value.bold);
            const double height = textHeight(value.text, valueFont, valueWidth) + 4;
            ensure(height);
            if (painter_) {
                painter_->setPen(Qt::black);
                painter_->setFont(reportFont(9));
                painter_->drawText(QRectF(0, y_ + 2, labelWidth, height), Qt::AlignLeft, label);
                painter_->setFont(valueFont);
                painter_->drawText(QRectF(labelWidth, y_ + 2, valueWidth, height), Qt::TextWordWrap,
                                   value.text);
            }
            y_ += height;
        }
        y_ += kGap;
    }

    // A ruled table whose caption row stands again at the top of every page it goes on to.
    void table(const std::vector<Column>& columns, const std::vector<std::vector<Cell>>& rows) {
        const QFont plain = reportFont(9);
        const QFont bold = reportFont(9, true);
        std::vector<double> widths;
        for (const Column& column : columns)
            widths.push_back(width_ * column.share);
        const auto rowHeight = [&](const auto& texts, const auto& fontOf) {
            double height = 0;
            for (std::size_t c = 0; c < widths.size() && c < std::size_t(texts.size()); ++c)
                height =
                    std::max(height, textHeight(texts[c], fontOf(c), widths[c] - 2 * kCellPad));
            return height + 2 * kCellPad;
        };
        QStringList captions;
        for (const Column& column : columns)
            captions << column.caption;
        const double captionHeight = rowHeight(captions, [&](std::size_t) { return bold; });
        const auto captionRow = [&] {
            drawRow(widths, captionHeight, [&](std::size_t c, const QRectF& r) {
                if (!painter_)
                    return;
                painter_->fillRect(r, kCaptionBackground);
                painter_->setFont(bold);
                painter_->setPen(Qt::black);
                painter_->drawText(r.adjusted(kCellPad, kCellPad, -kCellPad, -kCellPad),
                                   Qt::AlignHCenter | Qt::TextWordWrap, captions[c]);
            });
        };
        ensure(captionHeight +
               rowHeight(QStringList{QStringLiteral("0")}, [&](std::size_t) { return plain; }));
        captionRow();
        for (const std::vector<Cell>& row : rows) {
            QStringList texts;
            for (const Cell& cell : row)
                texts << cell.text;
            const double height =
                rowHeight(texts, [&](std::size_t c) { return row[c].bold ? bold : plain; });
            if (y_ + height > bottom_) {
                newPage();
                captionRow();
            }
            drawRow(widths, height, [&](std::size_t c, const QRectF& r) {
                if (!painter_ || c >= row.size())
                    return;
                painter_->setFont(row[c].bold ? bold : plain);
                painter_->setPen(Qt::black);
                // Numbers stay on one line: "-1500,37" above "6" would read as two values.
                painter_->drawText(r.adjusted(kCellPad, kCellPad, -kCellPad, -kCellPad),
                                   row[c].right ? Qt::AlignRight : Qt::AlignLeft | Qt::TextWordWrap,
                                   row[c].text);
            });
        }
        y_ += kGap;
    }

    void chart(const DeviationChartData& data, const RegionalSettings& rs) {
        ensure(kChartSize.height());
        if (painter_)
            drawDeviationChart(*painter_,
                               QRectF(QPointF((width_ - kChartSize.width()) / 2, y_), kChartSize),
                               data, rs);
        y_ += kChartSize.height() + kGap;
    }

    // The height a table of these rows takes, one line to a row.
    double tableHeight(std::size_t rows) const {
        return (double(rows) + 1) *
                   (QFontMetricsF(reportFont(9), &writer_).height() + 2 * kCellPad) +
               kGap;
    }

private:
    template <typename DrawCell>
    void drawRow(const std::vector<double>& widths, double height, DrawCell&& drawCell) {
        double x = 0;
        for (std::size_t c = 0; c < widths.size(); ++c) {
            const QRectF r(x, y_, widths[c], height);
            drawCell(c, r);
            if (painter_) {
                painter_->setPen(QPen(kRuleColour, 0.7));
                painter_->setBrush(Qt::NoBrush);
                painter_->drawRect(r);
            }
            x += widths[c];
        }
        y_ += height;
    }

    void finishPage() {
        if (!painter_)
            return;
        painter_->setFont(reportFont(8));
        painter_->setPen(Qt::darkGray);
        const QRectF line(0, pageHeight_ - kFooterPixels * 0.7, width_, kFooterPixels * 0.7);
        painter_->drawText(line, Qt::AlignLeft | Qt::AlignBottom, footer_);
        painter_->drawText(line, Qt::AlignRight | Qt::AlignBottom,
                           QStringLiteral("Seite %1 von %2").arg(page_).arg(total_));
    }

    QPdfWriter& writer_;
    QPainter* painter_; // none: only counting
    QString footer_;
    int total_;
    double width_ = 0;
    double pageHeight_ = 0;
    double bottom_ = 0;
    double y_ = 0;
    int page_ = 1;
};

void layOut(Pages& pages, const AdjustmentReport& report) {
    const RegionalSettings& rs = report.regional;
    const DeviceFields& device = report.device;
    pages.paragraph(QStringLiteral("Abgleichprotokoll"), reportFont(17, true));
    if (!report.uploaded)
        pages.paragraph(QStringLiteral("Nicht übertragen: Stand der Tabelle. Die Koeffizienten "
                                       "„nachher“ wurden nicht an die SPS gesendet."),
                        reportFont(12, true), kNotSentColour);

    QString lastCorrection = device.lastCorrection.dateText(rs);
    if (const QString time = device.lastCorrection.timeText(rs); !time.isEmpty())
        lastCorrection += u' ' + time;
    std::vector<std::pair<QString, Run>> fields = {
        {QStringLiteral("Geräte-ID"), {orDash(device.geraeteId), true}},
        {QStringLiteral("Geräteart"), {orDash(device.geraetetyp)}},
        {QStringLiteral("SPS-Version"), {orDash(device.spsVersion)}},
        {QStringLiteral("Letzte Korrektur zuvor"), {orDash(lastCorrection)}},
        {report.uploaded ? QStringLiteral("Übertragen am") : QStringLiteral("Erstellt am"),
         {rs.formatDateTime(report.when) +
          (report.uploaded ? QString() : QStringLiteral(" (nicht übertragen)"))}},
        {QStringLiteral("Messstellen"), {QString::number(report.points.size())}},
    };
    if (report.uploaded)
        fields.push_back({QStringLiteral("Rücklesen der SPS"), {orDash(report.readBack)}});
    fields.push_back({QStringLiteral("Kommentar"), {orDash(report.comment)}});
    pages.fields(fields);

    pages.paragraph(QStringLiteral("Korrektur der SPS: mk = a + b · mw. Abweichung vorher: tm − "
                                   "Ref, wie der Prüfstand mit den Koeffizienten vorher anzeigte. "
                                   "Abweichung nachher: die mit den neuen Koeffizienten "
                                   "verbleibende Abweichung (Spalten diff). Größte Abweichung "
                                   "vorher: %1; nachher: %2.")
                        .arg(largestText(report.largestBefore(), &ReportPoint::largestBefore, rs),
                             largestText(report.largestAfter(), &ReportPoint::largestAfter, rs)),
                    reportFont(9));

    pages.paragraph(QStringLiteral("Koeffizienten je Messstelle"), reportFont(12, true));
    std::vector<std::vector<Cell>> rows;
    for (const ReportPoint& point : report.points)
        rows.push_back({{QString::number(point.number)},
                        {point.name, false},
                        {point.unit, false},
                        {number(point.aBefore, rs)},
                        {number(point.bBefore, rs)},
                        {number(point.aAfter, rs), true, point.aChanged()},
                        {number(point.bAfter, rs), true, point.bChanged()},
                        {QString::number(point.pairs.size())},
                        {number(point.largestBefore, rs)},
                        {number(point.largestAfter, rs)}});
    pages.table({{QStringLiteral("MS"), 0.05},
                 {QStringLiteral("Name"), 0.21},
                 {QStringLiteral("Einheit"), 0.08},
                 {QStringLiteral("a vorher"), 0.09},
                 {QStringLiteral("b vorher"), 0.09},
                 {QStringLiteral("a nachher"), 0.09},
                 {QStringLiteral("b nachher"), 0.09},
                 {QStringLiteral("Paare"), 0.06},
                 {QStringLiteral("größte Abw. vorher"), 0.12},
                 {QStringLiteral("größte Abw. nachher"), 0.12}},
                rows);
    pages.paragraph(QStringLiteral("Fett: Koeffizient gegenüber vorher geändert. Messstellen ohne "
                                   "Wertepaare stehen nur in dieser Tabelle."),
                    reportFont(9));

    int charted = 0;
    const double titleHeight = pages.textHeight(QStringLiteral("M"), reportFont(11, true), 1e6);
    for (const ReportPoint& point : report.points) {
        if (point.pairs.empty())
            continue;
        // Two points to a page, each with its pairs and its chart; a point that does not fit
        // below the one before starts the next page.
        const double height =
            2 * (titleHeight + kGap) + pages.tableHeight(point.pairs.size()) + kChartSize.height();
        if (charted % 2 == 0)
            pages.newPage();
        else
            pages.ensure(height);
        ++charted;
        pages.paragraph(pointTitle(point), reportFont(11, true));
        pages.runs({{QStringLiteral("a: %1 → ").arg(number(point.aBefore, rs))},
                    {number(point.aAfter, rs), point.aChanged()},
                    {QStringLiteral("   b: %1 → ").arg(number(point.bBefore, rs))},
                    {number(point.bAfter, rs), point.bChanged()},
                    {QStringLiteral("   größte Abweichung vorher: %1, nachher: %2")
                         .arg(number(point.largestBefore, rs), number(point.largestAfter, rs))}},
                   9);
        std::vector<std::vector<Cell>> pairs;
        for (std::size_t k = 0; k < point.pairs.size(); ++k) {
            const ReportPair& pair = point.pairs[k];
            pairs.push_back({{QString::number(k + 1)},
                             {number(pair.ref, rs)},
                             {number(pair.tm, rs)},
                             {number(pair.before, rs)},
                             {number(pair.after, rs)}});
        }
        pages.table({{QStringLiteral("Paar"), 0.10},
                     {QStringLiteral("Ref"), 0.18},
                     {QStringLiteral("tm"), 0.18},
                     {QStringLiteral("Abweichung vorher (tm − Ref)"), 0.27},
                     {QStringLiteral("Abweichung nachher"), 0.27}},
                    pairs);
        pages.chart(point.chart, rs);
    }
    pages.finish();
}

} // namespace

QByteArray adjustmentReportPdf(const AdjustmentReport& report) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kDpi);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Abgleichprotokoll ") + report.device.geraeteId);
        writer.setCreator(QStringLiteral("Abgleich ") + QLatin1String(kFileVersion));

        const RegionalSettings& rs = report.regional;
        QString footer = QStringLiteral("Abgleichprotokoll · Gerät ") + report.device.geraeteId +
                         QStringLiteral(" · ") + rs.formatDateTime(report.when);
        if (!report.uploaded)
            footer += QStringLiteral(" · nicht übertragen");

        Pages counting(writer, nullptr, footer, 0);
        layOut(counting, report);
        QPainter painter(&writer);
        Pages drawing(writer, &painter, footer, counting.count());
        layOut(drawing, report);
    }
    return buffer.data();
}

QString writeAdjustmentReport(const AdjustmentReport& report, const QString& configdir) {
    return writeNewFile(adjustmentReportStem(configdir, report.device.geraeteId, report.when),
                        kReportSuffix, adjustmentReportPdf(report));
}

} // namespace abgleich
