#include "app/cli/ReportOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>

namespace lis {

namespace {

constexpr std::array<const char *, 13> headers { "Position", "Name", "Size", "Type", "Width",
    "Height", "Rank", "Sharpness", "Noise", "Exposure", "Contrast", "Compression", "Path" };
constexpr int firstQualityColumn = 7;
constexpr int qualityColumnCount = 5;

bool anyQuality(const std::vector<ReportLine> &lines)
{
    return std::any_of(lines.begin(), lines.end(),
        [](const ReportLine &line) { return line.quality.has_value(); });
}

QStringList cells(const ReportLine &line, bool withQuality)
{
    QStringList out { QString::number(line.position), line.name, line.size, line.type, line.width,
        line.height, line.rank };
    if (withQuality) {
        if (line.quality) {
            const QualityParts &q = *line.quality;
            for (int v : { q.sharpness, q.noise, q.exposure, q.contrast, q.compression })
                out.append(QString::number(v));
        } else {
            for (int i = 0; i < qualityColumnCount; ++i)
                out.append(QString());
        }
    }
    out.append(line.path);
    return out;
}

QStringList headerCells(bool withQuality)
{
    QStringList out;
    for (int i = 0; i < int(headers.size()); ++i) {
        const bool quality = i >= firstQualityColumn && i < firstQualityColumn + qualityColumnCount;
        if (!quality || withQuality)
            out.append(QString::fromLatin1(headers[size_t(i)]));
    }
    return out;
}

// Line breaks and tabs in a name would break the table's lines; show them escaped there. CSV
// and JSON carry them verbatim.
QString tableSafe(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\r', QStringLiteral("\\r"));
    text.replace(u'\t', QStringLiteral("\\t"));
    return text;
}

QString formatTable(const std::vector<ReportLine> &lines, bool withQuality)
{
    std::vector<QStringList> rows { headerCells(withQuality) };
    for (const ReportLine &line : lines) {
        QStringList row = cells(line, withQuality);
        for (QString &cell : row)
            cell = tableSafe(cell);
        rows.push_back(row);
    }
    const qsizetype columns = rows.front().size();
    std::vector<qsizetype> widths(size_t(columns), 0);
    for (const QStringList &row : rows) {
        for (qsizetype c = 0; c < columns; ++c)
            widths[size_t(c)] = std::max(widths[size_t(c)], row[c].size());
    }
    QString out;
    for (const QStringList &row : rows) {
        QString text;
        for (qsizetype c = 0; c < columns; ++c) {
            const bool last = c == columns - 1;
            const bool numeric = c == 0 || (c >= 4 && c < columns - 1);
            if (last)
                text += row[c];
            else if (numeric)
                text += row[c].rightJustified(widths[size_t(c)]) + QStringLiteral("  ");
            else
                text += row[c].leftJustified(widths[size_t(c)]) + QStringLiteral("  ");
        }
        out += text + u'\n';
    }
    return out;
}

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n')
        && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString formatCsv(const std::vector<ReportLine> &lines, bool withQuality)
{
    QString out = headerCells(withQuality).join(u',') + QStringLiteral("\r\n");
    for (const ReportLine &line : lines) {
        QStringList row = cells(line, withQuality);
        for (QString &cell : row)
            cell = csvField(cell);
        out += row.join(u',') + QStringLiteral("\r\n");
    }
    return out;
}

QString formatJson(const std::vector<ReportLine> &lines)
{
    QJsonArray array;
    for (const ReportLine &line : lines) {
        QJsonObject object {
            { QStringLiteral("position"), line.position },
            { QStringLiteral("name"), line.name },
            { QStringLiteral("size"), line.size },
            { QStringLiteral("type"), line.type },
            { QStringLiteral("width"), line.width.isEmpty() ? QJsonValue() : line.width.toInt() },
            { QStringLiteral("height"),
                line.height.isEmpty() ? QJsonValue() : line.height.toInt() },
            { QStringLiteral("rank"), line.rank },
            { QStringLiteral("path"), line.path },
        };
        if (line.quality) {
            object.insert(QStringLiteral("sharpness"), line.quality->sharpness);
            object.insert(QStringLiteral("noise"), line.quality->noise);
            object.insert(QStringLiteral("exposure"), line.quality->exposure);
            object.insert(QStringLiteral("contrast"), line.quality->contrast);
            object.insert(QStringLiteral("compression"), line.quality->compression);
        }
        array.append(object);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

} // namespace

QString formatReport(const std::vector<ReportLine> &lines, OutputFormat format)
{
    if (lines.empty() && format != OutputFormat::Json)
        return {};
    const bool withQuality = anyQuality(lines);
    switch (format) {
    case OutputFormat::Table:
        return formatTable(lines, withQuality);
    case OutputFormat::Csv:
        return formatCsv(lines, withQuality);
    case OutputFormat::Json:
        return formatJson(lines);
    }
    return {};
}

} // namespace lis
