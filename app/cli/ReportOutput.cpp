#include "app/cli/ReportOutput.h"

#include "core/FileNames.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lis {

namespace {

// The library's rank for a score of 100 %, less the 1 every judged image starts from.
constexpr double rankPerPercent = 2.0e7;

constexpr std::array<const char *, 15> machineColumns { "Position", "Path", "Name", "Type",
    "SizeBytes", "Width", "Height", "Rank", "Score", "Sharpness", "Noise", "Exposure", "Contrast",
    "Compression", "Problem" };

QString number(const std::optional<qint64> &value)
{
    return value ? QString::number(*value) : QString();
}

QString scoreText(const std::optional<double> &score)
{
    // C numbers, whatever the locale: QString::number never uses the locale.
    return score ? QString::number(*score, 'f', 1) : QString();
}

// The cells of one line for the machine formats, in the order of machineColumns; every cell is
// text here, empty for "not known", and each format writes them its own way.
std::array<QString, machineColumns.size()> machineCells(const ReportLine &line)
{
    std::array<QString, machineColumns.size()> cells;
    cells[0] = QString::number(line.position);
    cells[1] = line.path;
    cells[2] = line.name;
    cells[3] = line.type;
    cells[4] = number(line.sizeBytes);
    cells[5] = line.width ? QString::number(*line.width) : QString();
    cells[6] = line.height ? QString::number(*line.height) : QString();
    cells[7] = QString::number(line.rank);
    cells[8] = scoreText(line.score);
    if (line.quality) {
        const QualityParts &q = *line.quality;
        cells[9] = QString::number(q.sharpness);
        cells[10] = QString::number(q.noise);
        cells[11] = QString::number(q.exposure);
        cells[12] = QString::number(q.contrast);
        cells[13] = QString::number(q.compression);
    }
    cells[14] = line.problem;
    return cells;
}

// Which machine cells are numbers (written bare in JSON) rather than text.
constexpr std::array<bool, machineColumns.size()> numeric { true, false, false, false, true, true,
    true, true, true, true, true, true, true, true, false };

QString tsvField(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\t', QStringLiteral("\\t"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\r', QStringLiteral("\\r"));
    return text;
}

QByteArray formatDelimited(const std::vector<ReportLine> &lines, OutputFormat format)
{
    const bool csv = format == OutputFormat::Csv;
    const QString separator = csv ? QStringLiteral(",") : QStringLiteral("\t");
    const QString end = csv ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList header;
    for (const char *column : machineColumns)
        header.append(QString::fromLatin1(column));
    QString out = header.join(separator) + end;
    for (const ReportLine &line : lines) {
        QStringList row;
        for (const QString &cell : machineCells(line))
            row.append(csv ? csvField(cell) : tsvField(cell));
        out += row.join(separator) + end;
    }
    return pathToBytes(out);
}

QString jsonObject(const ReportLine &line)
{
    const auto cells = machineCells(line);
    QStringList members;
    for (size_t i = 0; i < cells.size(); ++i) {
        QString value;
        if (numeric[i])
            value = cells[i].isEmpty() ? QStringLiteral("null") : cells[i];
        else
            value = jsonString(cells[i]);
        members.append(jsonString(QString::fromLatin1(machineColumns[i])) + u':' + value);
    }
    return u'{' + members.join(u',') + u'}';
}

QByteArray formatJson(const std::vector<ReportLine> &lines, bool oneLineEach)
{
    QString out;
    if (oneLineEach) {
        for (const ReportLine &line : lines)
            out += jsonObject(line) + u'\n';
        return out.toUtf8();
    }
    out = QStringLiteral("[");
    for (size_t i = 0; i < lines.size(); ++i)
        out += (i == 0 ? QStringLiteral("\n  ") : QStringLiteral(",\n  ")) + jsonObject(lines[i]);
    out += lines.empty() ? QStringLiteral("]\n") : QStringLiteral("\n]\n");
    return out.toUtf8();
}

// Line breaks and tabs in a name would break the table's lines; shown escaped there.
QString tableSafe(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\r', QStringLiteral("\\r"));
    text.replace(u'\t', QStringLiteral("\\t"));
    return displayPath(text);
}

// For people: the report's own cells, the score instead of the raw rank, the path last.
QByteArray formatTable(const std::vector<ReportLine> &lines)
{
    if (lines.empty())
        return {};
    const bool withQuality = std::any_of(lines.begin(), lines.end(),
        [](const ReportLine &line) { return line.quality.has_value(); });
    QStringList header { QStringLiteral("Position"), QStringLiteral("Name"), QStringLiteral("Size"),
        QStringLiteral("Type"), QStringLiteral("Width"), QStringLiteral("Height"),
        QStringLiteral("Score") };
    if (withQuality)
        header << QStringLiteral("Sharpness") << QStringLiteral("Noise")
               << QStringLiteral("Exposure") << QStringLiteral("Contrast")
               << QStringLiteral("Compression");
    header << QStringLiteral("Path");
    std::vector<QStringList> rows { header };
    for (const ReportLine &line : lines) {
        QStringList row { QString::number(line.position), tableSafe(line.name), line.size,
            tableSafe(line.type), line.width ? QString::number(*line.width) : QString(),
            line.height ? QString::number(*line.height) : QString(), scoreText(line.score) };
        if (withQuality) {
            const QualityParts q = line.quality.value_or(QualityParts {});
            for (const int part : { q.sharpness, q.noise, q.exposure, q.contrast, q.compression })
                row << (line.quality ? QString::number(part) : QString());
        }
        row << tableSafe(line.path);
        rows.push_back(row);
    }
    const qsizetype columns = header.size();
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
            const bool numericColumn = c == 0 || (c >= 4 && !last);
            if (last)
                text += row[c];
            else if (numericColumn)
                text += row[c].rightJustified(widths[size_t(c)]) + QStringLiteral("  ");
            else
                text += row[c].leftJustified(widths[size_t(c)]) + QStringLiteral("  ");
        }
        out += text + u'\n';
    }
    return out.toUtf8();
}

} // namespace

std::optional<double> scoreOfRank(qint64 rank)
{
    if (rank <= 0)
        return std::nullopt;
    return std::clamp(double(rank - 1) / rankPerPercent, 0.0, 100.0);
}

QString csvField(const QString &text)
{
    QString cell = text;
    static const QString formulaStarts = QStringLiteral("=+-@\t\r'");
    if (!cell.isEmpty() && formulaStarts.contains(cell.front()))
        cell.prepend(u'\'');
    if (!cell.contains(u',') && !cell.contains(u'"') && !cell.contains(u'\n')
        && !cell.contains(u'\r'))
        return cell;
    cell.replace(u'"', QStringLiteral("\"\""));
    return u'"' + cell + u'"';
}

QString jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'"':
            out += QStringLiteral("\\\"");
            continue;
        case u'\\':
            out += QStringLiteral("\\\\");
            continue;
        case u'\n':
            out += QStringLiteral("\\n");
            continue;
        case u'\r':
            out += QStringLiteral("\\r");
            continue;
        case u'\t':
            out += QStringLiteral("\\t");
            continue;
        default:
            break;
        }
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size()
            && QChar::isLowSurrogate(text[i + 1].unicode());
        if (pair) {
            out += text[i];
            out += text[++i];
        } else if (c < 0x20 || QChar::isSurrogate(c)) {
            out += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        } else {
            out += text[i];
        }
    }
    return out + u'"';
}

QByteArray formatReport(const std::vector<ReportLine> &lines, OutputFormat format)
{
    switch (format) {
    case OutputFormat::Table:
        return formatTable(lines);
    case OutputFormat::Csv:
    case OutputFormat::Tsv:
        return formatDelimited(lines, format);
    case OutputFormat::Json:
        return formatJson(lines, false);
    case OutputFormat::JsonLines:
        return formatJson(lines, true);
    }
    return {};
}

QByteArray formatPaths(const std::vector<ReportLine> &lines, PathList list)
{
    QByteArray out;
    for (const ReportLine &line : lines) {
        out += pathToBytes(line.path);
        out += list == PathList::Nul ? '\0' : '\n';
    }
    return out;
}

} // namespace lis
