// Fuzz target for the command line's report output: whatever a file name holds (line breaks,
// quotes, commas, control characters), the CSV and JSON outputs read back to exactly that path,
// and the table keeps one line per result.
#include "app/cli/ReportOutput.h"
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
    // Paths reach the output through QString from file-system names: valid UTF-16 only.
    const QString path = QString::fromUtf8(QString(fuzz::utf16Text(data, size)).toUtf8());
    ReportLine line;
    line.position = 1;
    line.name = path.section(u'/', -1);
    line.size = QStringLiteral("1 KB");
    line.type = QStringLiteral("PNG");
    line.rank = QStringLiteral("7");
    line.path = path;
    const std::vector<ReportLine> lines { line, line };

    const std::vector<QStringList> records
        = lis::test::readCsvRecords(formatReport(lines, OutputFormat::Csv));
    if (records.size() != 3)
        fuzz::fail("CSV does not hold a header and two records");
    const qsizetype column = records[0].indexOf(QStringLiteral("Path"));
    if (column < 0 || records[1].value(column) != path || records[2].value(column) != path)
        fuzz::fail("CSV path does not read back verbatim");

    QJsonParseError error {};
    const QJsonDocument json
        = QJsonDocument::fromJson(formatReport(lines, OutputFormat::Json).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || json.array().size() != 2)
        fuzz::fail("JSON does not parse into two rows");
    if (!readBackFromQtJson(json.array()[0].toObject()[QStringLiteral("path")].toString(), path))
        fuzz::fail("JSON path does not read back verbatim");

    const QString table = formatReport(lines, OutputFormat::Table);
    if (table.count(u'\n') != 3)
        fuzz::fail("the table does not keep one line per result");
    return 0;
}
