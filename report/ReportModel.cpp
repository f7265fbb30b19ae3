#include "report/ReportModel.h"

#include "report/FormatSize.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace lis {

namespace {

QString lastComponent(const QString &path)
{
    const QString normal = QDir::fromNativeSeparators(path);
    return normal.mid(normal.lastIndexOf(u'/') + 1);
}

// The extension after the last dot of the last component, without the dot.
QString extensionOf(const QString &path)
{
    const QString name = lastComponent(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

} // namespace

QString reportName(const QString &path)
{
    const QString name = lastComponent(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString reportType(const QString &path)
{
    const QString extension = extensionOf(path);
    return extension == u"jpg" ? QStringLiteral("JPEG") : extension.toUpper();
}

std::optional<QSize> readImageSize(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QImageReader reader(path);
    QSize size = reader.size();
    if (!size.isValid()) {
        // A few readers cannot tell the size from the header alone; decode as a last resort
        // (within the reader's allocation limit).
        const QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        size = image.size();
    } else if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)) {
        size.transpose(); // photos are shown upright everywhere, so measured upright too
    }
    return size;
}

ReportRow makeReportRow(int position, const RankRow &stored)
{
    ReportRow row;
    row.position = position;
    row.path = stored.fileName;
    row.rank = trimBlanks(stored.rank);
    row.name = reportName(row.path);
    row.type = reportType(row.path);
    const QFileInfo info(row.path);
    if (info.isFile())
        row.size = FormatSize(std::uint64_t(std::max<qint64>(0, info.size())));
    if (const std::optional<QSize> pixels = readImageSize(row.path)) {
        row.width = QString::number(pixels->width());
        row.height = QString::number(pixels->height());
    }
    return row;
}

Report buildReport(const std::vector<RankRow> &lowestRankFirst, const RunHooks &hooks)
{
    Report report;
    report.rows.reserve(lowestRankFirst.size());
    int position = 0;
    for (auto it = lowestRankFirst.rbegin(); it != lowestRankFirst.rend(); ++it) {
        if (hooks.isCancelRequested()) {
            hooks.doCancelCleanup();
            report.stopped = true;
            return report;
        }
        ReportRow row = makeReportRow(++position, *it);
        report.List1.append(row.path);
        report.rows.push_back(std::move(row));
    }
    return report;
}

Report ShowReport(const ResultStore &store, const RunHooks &hooks)
{
    return buildReport(store.reportRows(), hooks);
}

} // namespace lis
