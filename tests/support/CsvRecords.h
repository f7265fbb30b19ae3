#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace lis::test {

// The records of an RFC 4180 text with CRLF line ends: quoted fields may hold commas, doubled
// quotes and line breaks. Header-only, so the fuzz targets can use it without the test library.
inline std::vector<QStringList> readCsvRecords(const QString &csv)
{
    std::vector<QStringList> records(1);
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv[i];
        if (quoted) {
            if (c == u'"' && i + 1 < csv.size() && csv[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            records.back().append(field);
            field.clear();
        } else if (c == u'\r' && i + 1 < csv.size() && csv[i + 1] == u'\n') {
            records.back().append(field);
            field.clear();
            records.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    records.pop_back(); // after the last line break
    return records;
}

} // namespace lis::test
