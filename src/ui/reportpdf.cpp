// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/reportpdf.h"

#include "core/numbers.h"
#include "records/textfile.h"
#include "ui/reportchart.h"
#include "version.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QVarLengthArray>

#include <cmath>
#include <map>

namespace abgleich {

namespace {

// The document is laid out in pixels of 96 to the inch, the window's own, so that a chart
// has the size it has on the screen. The PDF stays vector graphics at any resolution.
constexpr int kDpi = 96;
const QSizeF kChartSize(640, 225);
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

// b of an offset point: it has none, before or after.
QString gainText(const ReportPoint& point, double b, const RegionalSettings& rs) {
    return point.offset ? kDash : number(b, rs);
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

QString toleranceText(const ReportPoint& point, const RegionalSettings& rs) {
    return point.tolerance ? QStringLiteral("± ") + number(*point.tolerance, rs)
                           : verdictText(Verdict::NoTolerance);
}

// The tolerance in the table: "keine" where none is set (the note below the table says what
// that means), so that the row keeps to one line.
QString toleranceCell(const ReportPoint& point, const RegionalSettings& rs) {
    return point.tolerance ? toleranceText(point, rs) : QStringLiteral("keine");
}

// A verdict in a table cell: "–" where there is none to give (no values, no tolerance:
// the tolerance column says why).
Cell verdictCell(Verdict verdict) {
    if (verdict == Verdict::NoValues || verdict == Verdict::NoTolerance)
        return {kDash};
    return {verdictText(verdict), true, verdict == Verdict::Fail};
}

// Text measured on the document, kept for both passes: a 256-point report measures tens of
// thousands of cells, most of them twice.
class Measures {
public:
    explicit Measures(QPdfWriter& writer) : writer_(writer) {}

    const QFontMetricsF& metrics(const QFont& font) {
        const auto key = std::pair(font.pointSizeF(), font.bold());
        auto it = metrics_.find(key);
        if (it == metrics_.end())
            it = metrics_.emplace(key, QFontMetricsF(font, &writer_)).first;
        return it->second;
    }
    double advance(const QString& text, const QFont& font) {
        const QString key =
            QString::number(font.pointSizeF()) + (font.bold() ? u'b' : u'n') + u'\x1f' + text;
        auto it = advances_.constFind(key);
        if (it == advances_.cend())
            it = advances_.insert(key, metrics(font).horizontalAdvance(text));
        return *it;
    }
    // The height of a text wrapped at a width.
    double wrappedHeight(const QString& text, const QFont& font, double width) {
        const QString key = QString::number(font.pointSizeF()) + (font.bold() ? u'b' : u'n') +
                            QString::number(width) + u'\x1f' + text;
        auto it = heights_.constFind(key);
        if (it == heights_.cend())
            it = heights_.insert(key,
                                 metrics(font)
                                     .boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text)
                                     .height());
        return *it;
    }

private:
    QPdfWriter& writer_;
    QHash<QString, double> heights_;
    std::map<std::pair<double, bool>, QFontMetricsF> metrics_;
    QHash<QString, double> advances_;
};

// Lays the report out from top to bottom, page by page, with the painter alone. Run once
// without drawing to count the pages, then again to draw them with "Seite x von y".
class Pages {
public:
    Pages(QPdfWriter& writer, Measures& measures, QPainter* painter, QString footer, int total)
        : writer_(writer), measures_(measures), painter_(painter), footer_(std::move(footer)),
          total_(total) {
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
        const QFontMetricsF& m = measures_.metrics(font);
        // One line that fits needs no layout.
        if (!text.contains(u'\n') && measures_.advance(text, font) <= width)
            return m.height();
        return measures_.wrappedHeight(text, font, width);
    }

    // A text in a cell: one line that fits is placed directly, the rest laid out.
    void cellText(const QRectF& room, int alignment, const QString& text, const QFont& font) {
        const QFontMetricsF& m = measures_.metrics(font);
        const double advance = measures_.advance(text, font);
        if (text.contains(u'\n') || advance > room.width()) {
            painter_->drawText(room, alignment, text);
            return;
        }
        double x = room.left();
        if (alignment & Qt::AlignRight)
            x = room.right() - advance;
        else if (alignment & Qt::AlignHCenter)
            x = room.left() + (room.width() - advance) / 2;
        painter_->drawText(QPointF(x, room.top() + m.ascent()), text);
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
            const double advance = measures_.advance(run.text, font);
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
        // The labels' column as wide as its widest label, at least a fifth of the page.
        double labelWidth = width_ * 0.2;
        const QFontMetricsF labels(reportFont(9), &writer_);
        for (const auto& row : rows)
            labelWidth = std::max(labelWidth, labels.horizontalAdvance(row.first) + 12);
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
                cellText(r.adjusted(kCellPad, kCellPad, -kCellPad, -kCellPad),
                         Qt::AlignHCenter | Qt::TextWordWrap, captions[c], bold);
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
                const QFont& font = row[c].bold ? bold : plain;
                painter_->setFont(font);
                painter_->setPen(Qt::black);
                // Numbers stay on one line: "-1500,37" above "6" would read as two values.
                cellText(r.adjusted(kCellPad, kCellPad, -kCellPad, -kCellPad),
                         row[c].right ? Qt::AlignRight : Qt::AlignLeft | Qt::TextWordWrap,
                         row[c].text, font);
            });
        }
        y_ += kGap;
    }

    void chart(const DeviationChartData& data, const std::optional<double>& tolerance,
               const RegionalSettings& rs) {
        ensure(kChartSize.height());
        if (painter_)
            drawDeviationChart(*painter_,
                               QRectF(QPointF((width_ - kChartSize.width()) / 2, y_), kChartSize),
                               data, rs, tolerance);
        y_ += kChartSize.height() + kGap;
    }

    // Lines to sign on, side by side, each with its label below.
    void signatures(const QStringList& labels) {
        const QFont font = reportFont(9);
        const double line = QFontMetricsF(font, &writer_).height();
        const double height = 4 * line;
        ensure(height + kGap);
        const double columnWidth = width_ / double(labels.size());
        for (int i = 0; painter_ && i < labels.size(); ++i) {
            const double x = i * columnWidth;
            const double rule = y_ + 2.5 * line;
            painter_->setPen(QPen(Qt::black, 0.7));
            painter_->drawLine(QPointF(x, rule), QPointF(x + columnWidth - 32, rule));
            painter_->setFont(font);
            painter_->drawText(QRectF(x, rule + 2, columnWidth - 32, line), Qt::AlignLeft,
                               labels[i]);
        }
        y_ += height + kGap;
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
        // The rules in one go: the row's top and bottom and the columns' borders.
        QVarLengthArray<QLineF, 16> rules;
        for (std::size_t c = 0; c < widths.size(); ++c) {
            const QRectF r(x, y_, widths[c], height);
            drawCell(c, r);
            rules.append(QLineF(r.topLeft(), r.bottomLeft()));
            x += widths[c];
        }
        if (painter_) {
            rules.append(QLineF(x, y_, x, y_ + height));
            rules.append(QLineF(0, y_, x, y_));
            rules.append(QLineF(0, y_ + height, x, y_ + height));
            painter_->setPen(QPen(kRuleColour, 0.7));
            painter_->drawLines(rules.data(), int(rules.size()));
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
    Measures& measures_;
    QPainter* painter_; // none: only counting
    QString footer_;
    int total_;
    double width_ = 0;
    double pageHeight_ = 0;
    double bottom_ = 0;
    double y_ = 0;
    int page_ = 1;
};

QString reportTitle(const AdjustmentReport& report) {
    return report.kind == ReportKind::Check ? QStringLiteral("Nachmessung")
                                            : QStringLiteral("Abgleichprotokoll");
}

QString numberText(const AdjustmentReport& report) {
    return report.number.isEmpty() ? QStringLiteral("ohne Nummer (Datenbank nicht verfügbar)")
                                   : report.number;
}

QString standardText(const AdjustmentReport& report) {
    if (!report.standard)
        return QStringLiteral("kein Prüfmittel angegeben");
    const ReferenceStandard& s = *report.standard;
    QString text = s.id;
    if (!s.description.trimmed().isEmpty())
        text += QStringLiteral(" – ") + s.description;
    text += QStringLiteral(", Kalibrierschein ") + orDash(s.certificate);
    text +=
        QStringLiteral(", kalibriert bis ") +
        (s.validUntil.isValid() ? report.regional.formatDate(s.validUntil.startOfDay()) : kDash);
    if (report.standardExpired())
        text += report.uploaded() ? QStringLiteral(" – am Tag des Protokolls abgelaufen; der "
                                                   "Bearbeiter hat trotzdem fortgesetzt")
                                  : QStringLiteral(" – am Tag des Protokolls abgelaufen");
    return text;
}

void layOut(Pages& pages, const AdjustmentReport& report) {
    const RegionalSettings& rs = report.regional;
    const DeviceFields& device = report.device;
    const bool check = report.kind == ReportKind::Check;
    pages.paragraph(reportTitle(report) + QStringLiteral(" Nr. ") + numberText(report),
                    reportFont(17, true));
    if (check)
        pages.paragraph(QStringLiteral("Nachmessung nach der Übertragung vom %1 "
                                       "(Abgleichprotokoll Nr. %2): die Wertepaare wurden mit den "
                                       "übertragenen Koeffizienten gemessen.")
                            .arg(rs.formatDateTime(report.uploadedAt), orDash(report.uploadNumber)),
                        reportFont(11, true));
    else if (report.kind == ReportKind::Table && !report.uploadNumber.isEmpty())
        pages.paragraph(QStringLiteral("Abschrift: Stand der Übertragung vom %1 "
                                       "(Abgleichprotokoll Nr. %2). Die Koeffizienten „nachher“ "
                                       "wurden an die SPS gesendet.")
                            .arg(rs.formatDateTime(report.uploadedAt), report.uploadNumber),
                        reportFont(11, true));
    else if (report.kind == ReportKind::Table)
        pages.paragraph(QStringLiteral("Nicht übertragen: Stand der Tabelle. Die Koeffizienten "
                                       "„nachher“ wurden nicht an die SPS gesendet."),
                        reportFont(12, true), kNotSentColour);

    QString lastCorrection = device.lastCorrection.dateText(rs);
    if (const QString time = device.lastCorrection.timeText(rs); !time.isEmpty())
        lastCorrection += u' ' + time;
    std::vector<std::pair<QString, Run>> fields = {
        {QStringLiteral("Protokoll-Nr."), {numberText(report), true}},
        {QStringLiteral("Geräte-ID"), {orDash(device.geraeteId), true}},
        {QStringLiteral("Geräteart"), {orDash(device.geraetetyp)}},
        {QStringLiteral("SPS-Version"), {orDash(device.spsVersion)}},
        {QStringLiteral("Letzte Korrektur zuvor"), {orDash(lastCorrection)}},
        {report.uploaded() ? QStringLiteral("Übertragen am") : QStringLiteral("Erstellt am"),
         {rs.formatDateTime(report.when)}},
        {QStringLiteral("Prüfstand"), {orDash(report.benchName)}},
        {QStringLiteral("Bearbeiter"), {orDash(report.operatorName)}},
        {QStringLiteral("Prüfmittel"), {standardText(report), report.standardExpired()}},
        {QStringLiteral("Programm"), {QStringLiteral("Abgleich ") + QLatin1String(kFileVersion)}},
        {QStringLiteral("Messstellen"), {QString::number(report.points.size())}},
    };
    // An upload's report, or its copy.
    if (report.uploaded() || (report.kind == ReportKind::Table && !report.uploadNumber.isEmpty())) {
        fields.push_back({QStringLiteral("Rücklesen der SPS"), {orDash(report.readBack)}});
        fields.push_back(
            {QStringLiteral("SHA-256 des gesendeten Datensatzes"), {orDash(report.recordSha256)}});
    }
    fields.push_back({QStringLiteral("Kommentar"), {orDash(report.comment)}});
    pages.fields(fields);

    // The verdicts, then how they were reached.
    pages.paragraph(QStringLiteral("Ergebnis"), reportFont(12, true));
    std::vector<std::pair<QString, Run>> verdicts;
    if (!check)
        verdicts.push_back({QStringLiteral("Wie vorgefunden"),
                            {verdictText(report.asFound()), report.asFound() == Verdict::Fail}});
    const Verdict left = check ? report.asFound() : report.asLeft();
    verdicts.push_back({check ? QStringLiteral("Wie hinterlassen (gemessen)")
                              : QStringLiteral("Wie hinterlassen (berechnet)"),
                        {verdictText(left), left == Verdict::Fail}});
    pages.fields(verdicts);
    QString explanation =
        check ? QStringLiteral("Abweichung gemessen: tm − Ref, wie der Prüfstand mit den "
                               "übertragenen Koeffizienten anzeigte. Größte Abweichung: %1.")
                    .arg(largestText(report.largestBefore(), &ReportPoint::largestBefore, rs))
              : QStringLiteral("Korrektur der SPS: mk = a + b · mw. Wie vorgefunden: die "
                               "Abweichungen tm − Ref, wie der Prüfstand mit den Koeffizienten "
                               "vorher anzeigte. Wie hinterlassen (berechnet): die Abweichungen, "
                               "die die Koeffizienten „nachher“ so, wie sie gesendet werden, "
                               "rechnerisch lassen – eine Vorhersage, keine Messung. Größte "
                               "Abweichung vorher: %1; nachher: %2.")
                    .arg(largestText(report.largestBefore(), &ReportPoint::largestBefore, rs),
                         largestText(report.largestAfter(), &ReportPoint::largestAfter, rs));
    pages.paragraph(explanation + u' ' + kDecisionRule, reportFont(9));

    pages.paragraph(QStringLiteral("Koeffizienten je Messstelle"), reportFont(12, true));
    std::vector<std::vector<Cell>> rows;
    for (const ReportPoint& point : report.points) {
        std::vector<Cell> row = {
            {QString::number(point.number)}, {point.name, false}, {point.unit, false}};
        if (check) {
            row.insert(row.end(), {{number(point.aAfter, rs)},
                                   {gainText(point, point.bAfter, rs)},
                                   {toleranceCell(point, rs), point.tolerance.has_value()},
                                   {QString::number(point.pairs.size())},
                                   {number(point.largestBefore, rs)},
                                   verdictCell(point.asFound())});
        } else {
            row.insert(row.end(), {{number(point.aBefore, rs)},
                                   {point.offset ? kDash : number(point.bBefore, rs)},
                                   {number(point.aAfter, rs), true, point.aChanged()},
                                   {gainText(point, point.bAfter, rs), true,
                                    !point.offset && point.bChanged()},
                                   {toleranceCell(point, rs), point.tolerance.has_value()},
                                   {number(point.largestBefore, rs)},
                                   verdictCell(point.asFound()),
                                   {number(point.largestAfter, rs)},
                                   verdictCell(point.asLeft())});
        }
        rows.push_back(std::move(row));
    }
    if (check)
        pages.table({{QStringLiteral("MS"), 0.05},
                     {QStringLiteral("Name"), 0.25},
                     {QStringLiteral("Einheit"), 0.08},
                     {QStringLiteral("a in Kraft"), 0.10},
                     {QStringLiteral("b in Kraft"), 0.10},
                     {QStringLiteral("Toleranz"), 0.12},
                     {QStringLiteral("Paare"), 0.07},
                     {QStringLiteral("größte Abw. gemessen"), 0.13},
                     {QStringLiteral("Urteil"), 0.10}},
                    rows);
    else
        pages.table({{QStringLiteral("MS"), 0.04},
                     {QStringLiteral("Name"), 0.14},
                     {QStringLiteral("Einheit"), 0.07},
                     {QStringLiteral("a vorher"), 0.08},
                     {QStringLiteral("b vorher"), 0.08},
                     {QStringLiteral("a nachher"), 0.08},
                     {QStringLiteral("b nachher"), 0.08},
                     {QStringLiteral("Toleranz"), 0.10},
                     {QStringLiteral("größte Abw. vorher"), 0.09},
                     {QStringLiteral("vorge- funden"), 0.07},
                     {QStringLiteral("größte Abw. nachher"), 0.09},
                     {QStringLiteral("hinter- lassen"), 0.08}},
                    rows);
    const QString noTolerance =
        QStringLiteral(" Toleranz „keine“: keine Toleranz festgelegt; die Messstelle wird nicht "
                       "bewertet und nie als i. O. gezählt.");
    pages.paragraph((check ? QStringLiteral("Messstellen ohne neue Wertepaare stehen nur in dieser "
                                            "Tabelle.")
                           : QStringLiteral("Fett: Koeffizient gegenüber vorher geändert; "
                                            "Urteil n. i. O. Messstellen ohne Wertepaare stehen "
                                            "nur in dieser Tabelle; „–“ bei b: Offset-Messstelle "
                                            "ohne Verstärkung.")) +
                        noTolerance,
                    reportFont(9));

    const double titleHeight = pages.textHeight(QStringLiteral("M"), reportFont(11, true), 1e6);
    for (const ReportPoint& point : report.points) {
        if (point.pairs.empty())
            continue;
        // Each point follows the one before, on the next page only where it does not fit
        // below it: a page holds as many as fit.
        const double height =
            2 * (titleHeight + kGap) + pages.tableHeight(point.pairs.size()) + kChartSize.height();
        pages.ensure(height);
        pages.paragraph(pointTitle(point), reportFont(11, true));
        std::vector<Run> line;
        if (check) {
            line = {{QStringLiteral("a: %1   b: %2   Toleranz: %3   größte Abweichung gemessen: %4 "
                                    "→ ")
                         .arg(number(point.aAfter, rs), gainText(point, point.bAfter, rs),
                              toleranceText(point, rs), number(point.largestBefore, rs))},
                    {verdictText(point.asFound()), point.asFound() == Verdict::Fail}};
        } else {
            line = {{QStringLiteral("a: %1 → ").arg(number(point.aBefore, rs))},
                    {number(point.aAfter, rs), point.aChanged()}};
            if (!point.offset)
                line.insert(line.end(),
                            {{QStringLiteral("   b: %1 → ").arg(number(point.bBefore, rs))},
                             {number(point.bAfter, rs), point.bChanged()}});
            line.insert(line.end(),
                        {{QStringLiteral("   Toleranz: %1   vorher: %2 ")
                              .arg(toleranceText(point, rs), number(point.largestBefore, rs))},
                         {verdictText(point.asFound()), point.asFound() == Verdict::Fail},
                         {QStringLiteral("   nachher (berechnet): %1 ")
                              .arg(number(point.largestAfter, rs))},
                         {verdictText(point.asLeft()), point.asLeft() == Verdict::Fail}});
        }
        pages.runs(line, 9);
        std::vector<std::vector<Cell>> pairs;
        for (const ReportPair& pair : point.pairs) {
            std::vector<Cell> row = {{QString::number(pair.number)},
                                     {number(pair.ref, rs)},
                                     {number(pair.tm, rs)},
                                     {number(pair.before, rs)}};
            if (!check)
                row.push_back({number(pair.after, rs)});
            pairs.push_back(std::move(row));
        }
        if (check)
            pages.table({{QStringLiteral("Paar"), 0.10},
                         {QStringLiteral("Ref"), 0.25},
                         {QStringLiteral("tm"), 0.25},
                         {QStringLiteral("Abweichung gemessen (tm − Ref)"), 0.40}},
                        pairs);
        else
            pages.table({{QStringLiteral("Paar"), 0.10},
                         {QStringLiteral("Ref"), 0.18},
                         {QStringLiteral("tm"), 0.18},
                         {QStringLiteral("Abweichung vorher (tm − Ref)"), 0.27},
                         {QStringLiteral("Abweichung nachher (berechnet)"), 0.27}},
                        pairs);
        pages.chart(point.chart, point.tolerance, rs);
    }

    // Signatures and the end of the report.
    pages.signatures(
        {QStringLiteral("Datum, Unterschrift Bearbeiter (%1)").arg(orDash(report.operatorName)),
         QStringLiteral("Datum, Unterschrift Prüfer")});
    pages.paragraph(QStringLiteral("Ende des %1s Nr. %2")
                        .arg(check ? QStringLiteral("Nachmessungsprotokoll")
                                   : QStringLiteral("Abgleichprotokoll"),
                             numberText(report)),
                    reportFont(9, true));
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
        writer.setTitle(reportTitle(report) + QStringLiteral(" ") + numberText(report) +
                        QStringLiteral(" ") + report.device.geraeteId);
        writer.setCreator(QStringLiteral("Abgleich ") + QLatin1String(kFileVersion));

        const RegionalSettings& rs = report.regional;
        QString footer = reportTitle(report) + QStringLiteral(" Nr. ") + numberText(report) +
                         QStringLiteral(" · Gerät ") + report.device.geraeteId +
                         QStringLiteral(" · ") + rs.formatDateTime(report.when);
        if (report.kind == ReportKind::Table && report.uploadNumber.isEmpty())
            footer += QStringLiteral(" · nicht übertragen");

        Measures measures(writer);
        Pages counting(writer, measures, nullptr, footer, 0);
        layOut(counting, report);
        QPainter painter(&writer);
        Pages drawing(writer, measures, &painter, footer, counting.count());
        layOut(drawing, report);
    }

    return buffer.data();
}

QString writeAdjustmentReport(const AdjustmentReport& report, const QString& configdir) {
    return writeNewFile(adjustmentReportStem(configdir, report.device.geraeteId, report.when),
                        kReportSuffix, adjustmentReportPdf(report));
}

} // namespace abgleich
