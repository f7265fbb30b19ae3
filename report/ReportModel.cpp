#include "report/ReportModel.h"

#include "core/UserFile.h"
#include "rank/ImageFormat.h"
#include "report/FormatSize.h"

#include <QDir>
#include <QFile>
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

namespace {

// The upright size from the header of an open file of one of the ranked formats.
std::optional<QSize> readImageSize(const UserFile &file)
{
    const ImageFormat format = file.isOpen() ? sniffImageFormat(file) : ImageFormat::Unknown;
    if (format == ImageFormat::Unknown)
        return std::nullopt;
    const std::unique_ptr<QFile> device = file.device();
    if (!device)
        return std::nullopt;
    const std::unique_ptr<QImageReader> reader = knownFormatReader(device.get(), format);
    QSize size = reader->size();
    if (size.height() < 0)
        size.setHeight(-size.height()); // a top-down BMP: Qt reports its height negative
    if (!size.isValid()) {
        // A few readers cannot tell the size from the header alone; decode as a last resort
        // (within the reader's allocation limit).
        const QImage image = reader->read();
        if (image.isNull())
            return std::nullopt;
        size = image.size();
    } else if (reader->transformation().testFlag(QImageIOHandler::TransformationRotate90)) {
        size.transpose(); // photos are shown upright everywhere, so measured upright too
    }
    return size;
}

} // namespace

std::optional<QSize> readImageSize(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return readImageSize(UserFile::open(path));
}

ReportRow makeReportRow(int position, const RankRow &stored)
{
    ReportRow row;
    row.position = position;
    row.path = stored.fileName;
    row.rank = trimBlanks(stored.rank);
    row.name = reportName(row.path);
    row.type = reportType(row.path);
    // Opened once: the size and the header come from the same file.
    const UserFile file = UserFile::open(row.path);
    std::optional<qint64> length;
    if (file.isOpen()) {
        length = file.size();
    } else if (file.status() == UserFile::Status::Unreadable) {
        // A file the user may not read still shows its length.
        if (const auto info = statPath(row.path, true); info && S_ISREG(info->st_mode))
            length = qint64(info->st_size);
    }
    if (length) {
        row.sizeBytes = std::max<qint64>(0, *length);
        row.size = FormatSize(std::uint64_t(*row.sizeBytes));
    }
    row.pixels = readImageSize(file);
    if (row.pixels) {
        row.width = QString::number(row.pixels->width());
        row.height = QString::number(row.pixels->height());
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
        hooks.doProgress(position);
    }
    return report;
}

Report ShowReport(const ResultStore &store, const RunHooks &hooks)
{
    return buildReport(store.reportRows(), hooks);
}

} // namespace lis
