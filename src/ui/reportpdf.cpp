#include "ui/reportpdf.h"

#include "core/numbers.h"
#include "records/textfile.h"
#include "ui/deviationchart.h"
#include "version.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>

#include <cmath>

namespace abgleich {

namespace {

// The document is laid out in pixels of 96 to the inch, the window's own, so that the chart
// draws into it at the size it has on the screen: a scaled painter would enlarge the point
// labels, whose font is set in points.
// The PDF stays vector graphics at any resolution.
constexpr int kDpi = 96;
const QSize kChartSize(680, 340);
constexpr double kFooterPixels = 28;
const QString kDash = QStringLiteral("–");

QString escaped(const QString& text) {
    return text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
}

QString number(double value, const RegionalSettings& rs) {
    return std::isfinite(value) ? formatFixed3(value, rs) : kDash;
}

QString number(const std::optional<double>& value, const RegionalSettings& rs) {
    return value ? number(*value, rs) : kDash;
}

// A changed coefficient stands out.
QString marked(const QString& text, bool changed) {
    return changed ? QStringLiteral("<b>") + text + QStringLiteral("</b>") : text;
}

// Numbers are right-aligned and never broken over two lines: "-1500,37" above "6" would be
// read as two values.
QString cell(const QString& text, bool right = true) {
    return (right ? QStringLiteral("<td align=\"right\" style=\"white-space: nowrap\">")
                  : QStringLiteral("<td>")) +
           text + QStringLiteral("</td>");
}

// The caption row of a table, each caption with its share of the width in percent.
QString headerCells(const std::vector<std::pair<QString, int>>& captions) {
    QString row = QStringLiteral("<thead><tr>");
    for (const auto& [caption, width] : captions)
        row +=
            QStringLiteral("<th bgcolor=\"#e6e6e6\" width=\"%1%\">%2</th>").arg(width).arg(caption);
    return row + QStringLiteral("</tr></thead>");
}

const QString kTable = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                                      "width=\"100%\" style=\"border-collapse: collapse; "
                                      "border-color: #909090\">");

QString pointTitle(const ReportPoint& point) {
    QString title = QStringLiteral("Messstelle %1: %2").arg(point.number).arg(point.name);
    if (!point.unit.isEmpty())
        title += QStringLiteral(" (%1)").arg(point.unit);
    return title.toHtmlEscaped();
}

QString largestText(const ReportPoint* point, std::optional<double> ReportPoint::*deviation,
                    const RegionalSettings& rs) {
    if (!point)
        return kDash;
    return QStringLiteral("%1 (Messstelle %2 %3)")
        .arg(number(point->*deviation, rs))
        .arg(point->number)
        .arg(point->name.toHtmlEscaped());
}

// The placeholder text that the chart of point section k stands in for.
QString chartPlaceholder(std::size_t k) {
    return QStringLiteral("{{Diagramm %1}}").arg(k);
}

QString reportHtml(const AdjustmentReport& report, std::vector<const ReportPoint*>& charted) {
    const RegionalSettings& rs = report.regional;
    const DeviceFields& device = report.device;
    QString html = QStringLiteral("<html><body>");
    html += QStringLiteral("<p style=\"font-size: 17pt; font-weight: bold\">Abgleichprotokoll</p>");
    if (!report.uploaded)
        html += QStringLiteral(
            "<p style=\"font-size: 12pt; font-weight: bold; color: #b00000\">Nicht übertragen: "
            "Stand der Tabelle. Die Koeffizienten „nachher“ wurden nicht an die SPS "
            "gesendet.</p>");

    QString lastCorrection = device.lastCorrection.dateText(rs);
    if (const QString time = device.lastCorrection.timeText(rs); !time.isEmpty())
        lastCorrection += u' ' + time;
    const auto orDash = [](const QString& text) {
        return text.trimmed().isEmpty() ? kDash : text.toHtmlEscaped();
    };
    const QString rowStart = QStringLiteral("<tr><td width=\"22%\">");
    html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">");
    html += rowStart + QStringLiteral("Geräte-ID</td><td><b>") + orDash(device.geraeteId) +
            QStringLiteral("</b></td></tr>");
    html += rowStart + QStringLiteral("Geräteart</td><td>") + orDash(device.geraetetyp) +
            QStringLiteral("</td></tr>");
    html += rowStart + QStringLiteral("SPS-Version</td><td>") + orDash(device.spsVersion) +
            QStringLiteral("</td></tr>");
    html += rowStart + QStringLiteral("Letzte Korrektur zuvor</td><td>") + orDash(lastCorrection) +
            QStringLiteral("</td></tr>");
    html += rowStart +
            (report.uploaded ? QStringLiteral("Übertragen am</td><td>")
                             : QStringLiteral("Erstellt am</td><td>")) +
            rs.formatDateTime(report.when) +
            (report.uploaded ? QString() : QStringLiteral(" (nicht übertragen)")) +
            QStringLiteral("</td></tr>");
    html += rowStart + QStringLiteral("Messstellen</td><td>") +
            QString::number(report.points.size()) + QStringLiteral("</td></tr>");
    if (report.uploaded)
        html += rowStart + QStringLiteral("Rücklesen der SPS</td><td>") +
                orDash(escaped(report.readBack)) + QStringLiteral("</td></tr>");
    html += rowStart + QStringLiteral("Kommentar</td><td>") +
            (report.comment.trimmed().isEmpty() ? kDash : escaped(report.comment)) +
            QStringLiteral("</td></tr></table>");

    html += QStringLiteral("<p>Korrektur der SPS: mk = a + b · mw. Abweichung vorher: tm − Ref, "
                           "wie der Prüfstand mit den Koeffizienten vorher anzeigte. Abweichung "
                           "nachher: die mit den neuen Koeffizienten verbleibende Abweichung "
                           "(Spalten diff). Größte Abweichung vorher: %1; nachher: %2.</p>")
                .arg(largestText(report.largestBefore(), &ReportPoint::largestBefore, rs),
                     largestText(report.largestAfter(), &ReportPoint::largestAfter, rs));

    html += QStringLiteral("<p style=\"font-size: 12pt; font-weight: bold\">Koeffizienten je "
                           "Messstelle</p>");
    html += kTable + headerCells({{QStringLiteral("MS"), 5},
                                  {QStringLiteral("Name"), 21},
                                  {QStringLiteral("Einheit"), 8},
                                  {QStringLiteral("a vorher"), 9},
                                  {QStringLiteral("b vorher"), 9},
                                  {QStringLiteral("a nachher"), 9},
                                  {QStringLiteral("b nachher"), 9},
                                  {QStringLiteral("Paare"), 6},
                                  {QStringLiteral("größte Abw. vorher"), 12},
                                  {QStringLiteral("größte Abw. nachher"), 12}});
    for (const ReportPoint& point : report.points) {
        html += QStringLiteral("<tr>") + cell(QString::number(point.number)) +
                cell(point.name.toHtmlEscaped(), false) + cell(point.unit.toHtmlEscaped(), false) +
                cell(number(point.aBefore, rs)) + cell(number(point.bBefore, rs)) +
                cell(marked(number(point.aAfter, rs), point.aChanged())) +
                cell(marked(number(point.bAfter, rs), point.bChanged())) +
                cell(QString::number(point.pairs.size())) + cell(number(point.largestBefore, rs)) +
                cell(number(point.largestAfter, rs)) + QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table><p>Fett: Koeffizient gegenüber vorher geändert. Messstellen "
                           "ohne Wertepaare stehen nur in dieser Tabelle.</p>");

    for (const ReportPoint& point : report.points) {
        if (point.pairs.empty())
            continue;
        // Two points to a page, each with its pairs and its chart.
        const bool newPage = charted.size() % 2 == 0;
        html += QStringLiteral("<p style=\"font-size: 11pt; font-weight: bold%1\">%2</p>")
                    .arg(newPage ? QStringLiteral("; page-break-before: always") : QString(),
                         pointTitle(point));
        html +=
            QStringLiteral("<p>a: %1 → %2 &nbsp;&nbsp; b: %3 → %4 &nbsp;&nbsp; größte "
                           "Abweichung vorher: %5, nachher: %6</p>")
                .arg(number(point.aBefore, rs), marked(number(point.aAfter, rs), point.aChanged()),
                     number(point.bBefore, rs), marked(number(point.bAfter, rs), point.bChanged()),
                     number(point.largestBefore, rs), number(point.largestAfter, rs));
        html += kTable + headerCells({{QStringLiteral("Paar"), 10},
                                      {QStringLiteral("Ref"), 18},
                                      {QStringLiteral("tm"), 18},
                                      {QStringLiteral("Abweichung vorher (tm − Ref)"), 27},
                                      {QStringLiteral("Abweichung nachher"), 27}});
        for (std::size_t k = 0; k < point.pairs.size(); ++k) {
            const ReportPair& pair = point.pairs[k];
            html += QStringLiteral("<tr>") + cell(QString::number(k + 1)) +
                    cell(number(pair.ref, rs)) + cell(number(pair.tm, rs)) +
                    cell(number(pair.before, rs)) + cell(number(pair.after, rs)) +
                    QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table><p align=\"center\">") + chartPlaceholder(charted.size()) +
                QStringLiteral("</p>");
        charted.push_back(&point);
    }
    return html + QStringLiteral("</body></html>");
}

// Draws the deviation charts into the document, as vector graphics, with the window's
// chart widget.
class ChartObject : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    static constexpr int kType = QTextFormat::UserObject + 1;
    static constexpr int kIndex = QTextFormat::UserProperty + 1;

    ChartObject(const RegionalSettings& rs, std::vector<const ReportPoint*> points)
        : view_(rs), points_(std::move(points)) {
        // Shown as the window's chart is, but never on the screen.
        view_.setAttribute(Qt::WA_DontShowOnScreen);
        view_.resize(kChartSize);
        view_.show();
    }

    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat&) override {
        return QSizeF(kChartSize);
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                    const QTextFormat& format) override {
        const std::size_t index = std::size_t(format.intProperty(kIndex));
        if (index >= points_.size())
            return;
        view_.render(points_[index]->chart);
        // The chart and its legend lay themselves out before they are drawn, as they would
        // before the window paints them. Only layout requests are delivered here.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        // The chart's scene, as the view shows it, drawn straight into the page.
        view_.scene()->render(painter, rect, QRectF(QPointF(0, 0), QSizeF(kChartSize)));
    }

private:
    DeviationChart view_;
    std::vector<const ReportPoint*> points_;
};

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
        const QRectF page = writer.pageLayout().paintRectPixels(kDpi);
        const double footer = kFooterPixels;

        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        document.setDefaultFont(QFont(QStringLiteral("Arial"), 9));
        document.setDocumentMargin(0);
        document.setPageSize(QSizeF(page.width(), page.height() - footer));

        std::vector<const ReportPoint*> charted;
        document.setHtml(reportHtml(report, charted));
        ChartObject charts(report.regional, charted);
        document.documentLayout()->registerHandler(ChartObject::kType, &charts);
        // The placeholders stand in order: each search goes on from the last one found, so
        // the document is searched once, not once per chart; and it is laid out once, after
        // the last chart went in, not after each.
        QTextCursor from(&document);
        QTextCursor edit(&document);
        edit.beginEditBlock();
        for (std::size_t k = 0; k < charted.size(); ++k) {
            QTextCursor at = document.find(chartPlaceholder(k), from);
            if (at.isNull())
                continue;
            from = at;
            QTextCharFormat format;
            format.setObjectType(ChartObject::kType);
            format.setProperty(ChartObject::kIndex, int(k));
            at.insertText(QString(QChar::ObjectReplacementCharacter), format);
        }
        edit.endEditBlock();

        const RegionalSettings& rs = report.regional;
        QString footerText = QStringLiteral("Abgleichprotokoll · Gerät ") +
                             report.device.geraeteId + QStringLiteral(" · ") +
                             rs.formatDateTime(report.when);
        if (!report.uploaded)
            footerText += QStringLiteral(" · nicht übertragen");

        QPainter painter(&writer);
        const int pages = document.pageCount();
        const double height = document.pageSize().height();
        for (int p = 0; p < pages; ++p) {
            if (p > 0)
                writer.newPage();
            painter.save();
            painter.translate(0, -p * height);
            document.drawContents(&painter, QRectF(0, p * height, page.width(), height));
            painter.restore();
            painter.setFont(QFont(QStringLiteral("Arial"), 8));
            painter.setPen(Qt::darkGray);
            const QRectF line(0, page.height() - footer * 0.7, page.width(), footer * 0.7);
            painter.drawText(line, Qt::AlignLeft | Qt::AlignBottom, footerText);
            painter.drawText(line, Qt::AlignRight | Qt::AlignBottom,
                             QStringLiteral("Seite %1 von %2").arg(p + 1).arg(pages));
        }
    }
    return buffer.data();
}

QString writeAdjustmentReport(const AdjustmentReport& report, const QString& configdir) {
    return writeNewFile(adjustmentReportStem(configdir, report.device.geraeteId, report.when),
                        kReportSuffix, adjustmentReportPdf(report));
}

} // namespace abgleich

#include "reportpdf.moc"
