// Fuzz target for the command line's report output: whatever a file name holds (line breaks,
// quotes, commas, control characters, formula signs, bytes that are not UTF-8), the CSV output
// reads back to exactly that path once its documented leading apostrophe is dropped, the JSON
// output to the same path, the NUL list to its bytes, and the table keeps one line per result.
#include "app/cli/ReportOutput.h"
#include "core/FileNames.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/CsvRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Whether Qt's JSON reader gave the text back: it decodes a string without escapes through
// QString::fromUtf8, which drops a leading U+FEFF as a byte order mark though the output holds it.
bool readBackFromQtJson(const QString &read, const QString &text)
{
    return read == text || (text.startsWith(QChar(0xFEFF)) && read == text.mid(1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace lis;
    if (size > 4096)
        return 0;
    // Paths reach the output as the walk makes them from a name's bytes.
    const QByteArray raw(reinterpret_cast<const char *>(data), qsizetype(size));
    if (raw.contains('\0'))
        return 0; // no file name holds a NUL
    const QString path = pathFromBytes(raw);
    ReportLine line;
    line.position = 1;
    line.name = path.section(u'/', -1);
    line.size = QStringLiteral("1 KB");
    line.type = QStringLiteral("PNG");
    line.rank = 7;
    line.path = path;
    const std::vector<ReportLine> lines { line, line };

    const std::vector<QStringList> records
        = lis::test::readCsvRecords(pathFromBytes(formatReport(lines, OutputFormat::Csv)));
    if (records.size() != 3)
        fuzz::fail("CSV does not hold a header and two records");
    const qsizetype column = records[0].indexOf(QStringLiteral("Path"));
    const auto csvValue = [](QString cell) {
        if (cell.startsWith(u'\''))
            cell.remove(0, 1);
        return cell;
    };
    if (column < 0 || csvValue(records[1].value(column)) != path
        || csvValue(records[2].value(column)) != path)
        fuzz::fail("CSV path does not read back verbatim");
    if (formatPaths(lines, PathList::Nul) != raw + '\0' + raw + '\0')
        fuzz::fail("the NUL list does not hold the raw bytes");

    QJsonParseError error {};
    const QJsonDocument json
        = QJsonDocument::fromJson(formatReport(lines, OutputFormat::Json), &error);
    if (error.error != QJsonParseError::NoError || json.array().size() != 2)
        fuzz::fail("JSON does not parse into two rows");
    // Qt's reader turns the \udcXX escapes of raw bytes into replacement characters, so only
    // names that are UTF-8 can be compared through it.
    if (!holdsRawBytes(path)
        && !readBackFromQtJson(json.array()[0].toObject()[QStringLiteral("Path")].toString(), path))
        fuzz::fail("JSON path does not read back verbatim");

    const QString table = QString::fromUtf8(formatReport(lines, OutputFormat::Table));
    if (table.count(u'\n') != 3)
        fuzz::fail("the table does not keep one line per result");
    return 0;
}
