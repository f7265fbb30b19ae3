// The whole engine (walk, filter, preparation, ranking library, store, report, thumbnails and
// preview) over files that are damaged, hostile or only pretend to be pictures.
#include "report/Gallery.h"
#include "tests/reliability/ReliabilitySupport.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace lis;
using namespace lis::test;

namespace {

enum class Expect {
    Either, // decoding or a clean refusal are both fine
    Refuse, // must rank 0 with no results copy
    Decode, // must be judged, with a results copy
};

struct Planted
{
    QString origin; // where it came from, for messages
    Expect expect = Expect::Either;
    ImageProblem problem = ImageProblem::None; // the reason required when not None
    ImageProblem orProblem = ImageProblem::None; // another reason that is accepted too
};

// The walk takes names that begin with the keyword, the filter names ending in an image type.
QString plantedName(const QString &original)
{
    const QString suffix = original.section(u'.', -1).toLower();
    static const QStringList kept { QStringLiteral("bmp"), QStringLiteral("jpg"),
        QStringLiteral("png"), QStringLiteral("gif") };
    if (original.contains(u'.') && kept.contains(original.section(u'.', -1)))
        return QStringLiteral("hz_") + original;
    if (suffix == u"tiff")
        return QStringLiteral("hz_") + original + QStringLiteral(".tif");
    return QStringLiteral("hz_") + original + QStringLiteral(".png");
}

Expect expectationFor(const QString &relative)
{
    const QString name = QFileInfo(relative).fileName();
    if (relative.startsWith(u"bmpsuite/b/")) {
        // Files whose pixels are all there and only a header field is off, or whose author
        // says a reader may still show them, may be read; the damaged ones never.
        static const QStringList mayShow {
            QStringLiteral("badbitssize.bmp"),
            QStringLiteral("badfilesize.bmp"),
            QStringLiteral("baddens1.bmp"),
            QStringLiteral("baddens2.bmp"),
            QStringLiteral("pal8badindex.bmp"),
            QStringLiteral("rgb16-880.bmp"),
            // Invalid runs that Qt's reader clips safely instead of refusing.
            QStringLiteral("badrle.bmp"),
            QStringLiteral("badrlebis.bmp"),
            QStringLiteral("badrleter.bmp"),
            QStringLiteral("badrle4.bmp"),
            QStringLiteral("badrle4bis.bmp"),
            QStringLiteral("badrle4ter.bmp"),
        };
        return mayShow.contains(name) ? Expect::Either : Expect::Refuse;
    }
    if (relative.startsWith(u"bmpsuite/g/"))
        return Expect::Decode;
    if (relative.startsWith(u"pngsuite/suite/") && name.endsWith(u".png"))
        return name.startsWith(u'x') ? Expect::Refuse : Expect::Decode;
    if (relative.startsWith(u"pngsuite/image-png-bugfixes/x_"))
        return Expect::Refuse;
    return Expect::Either;
}

class HostileFilesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(tree.isValid()); }

    QString plant(
        const QString &relativeDir, const QString &name, const QByteArray &bytes, Planted planted)
    {
        const QString path = tree.filePath(relativeDir + u'/' + name);
        EXPECT_TRUE(writeFile(path, bytes)) << qPrintable(path);
        planted.origin = planted.origin.isEmpty() ? name : planted.origin;
        files[path] = planted;
        return path;
    }

    // Runs the engine and checks what every planted file must satisfy; returns the run.
    PipelineResult runAndCheck()
    {
        HangWatchdog watchdog;
        PipelineResult run = pipeline.run(tree.path(), QStringLiteral("hz_"), {}, &watchdog);
        checkRun(run, watchdog);
        RecordProperty("files", int(files.size()));
        RecordProperty("longest_step_ms", int(watchdog.longestStep().count()));
        RecordProperty("longest_step", watchdog.longestStepName().toStdString());
        return run;
    }

    void checkRun(const PipelineResult &run, HangWatchdog &watchdog)
    {
        EXPECT_EQ(run.list3.size(), qsizetype(files.size()));
        EXPECT_EQ(run.ranked.files.size(), files.size());
        EXPECT_FALSE(run.report.stopped);
        ASSERT_EQ(run.report.rows.size(), files.size()) << "one report row per file";
        std::map<QString, const ReportRow *> rows;
        for (const ReportRow &row : run.report.rows)
            rows[row.path] = &row;
        EXPECT_EQ(rows.size(), files.size()) << "a file reported twice";

        for (const auto &[path, planted] : files) {
            SCOPED_TRACE(planted.origin.toStdString());
            const FileOutcome *outcome = run.ranked.find(path);
            ASSERT_NE(outcome, nullptr) << "never reached by the ranking loop";
            EXPECT_TRUE(outcome->rowStored);
            ASSERT_TRUE(rows.count(path)) << "missing from the report";
            const ReportRow &row = *rows[path];
            EXPECT_EQ(row.rank, QString::number(outcome->rank));
            if (planted.expect == Expect::Refuse) {
                EXPECT_EQ(outcome->rank, 0);
                EXPECT_NE(outcome->problem, ImageProblem::None);
                EXPECT_TRUE(outcome->resultsCopy.isEmpty());
                EXPECT_TRUE(pipeline.copies.copyFor(path).isEmpty());
            }
            if (planted.expect == Expect::Decode) {
                EXPECT_EQ(outcome->problem, ImageProblem::None);
                EXPECT_GE(outcome->rank, 1);
                EXPECT_FALSE(outcome->resultsCopy.isEmpty());
            }
            if (planted.problem != ImageProblem::None && outcome->problem != planted.orProblem) {
                EXPECT_EQ(outcome->problem, planted.problem);
            }
            // A file that could not be prepared never gets a picture of its own or another's.
            if (outcome->problem != ImageProblem::None) {
                EXPECT_EQ(outcome->rank, 0);
            }
        }

        // Thumbnails and the preview of every position: a results copy we wrote must load.
        for (const ReportRow &row : run.report.rows) {
            watchdog.step(QStringLiteral("thumbnail and preview of ") + row.path);
            const FileOutcome *outcome = run.ranked.find(row.path);
            ASSERT_NE(outcome, nullptr);
            const QImage thumbnail = loadThumbnail(pipeline.copies, row.path);
            const QImage preview = previewPicture(run.report.List1, row.position, pipeline.copies);
            EXPECT_EQ(thumbnail.isNull(), outcome->resultsCopy.isEmpty()) << qPrintable(row.path);
            EXPECT_EQ(preview.isNull(), outcome->resultsCopy.isEmpty()) << qPrintable(row.path);
        }
    }

    QTemporaryDir tree;
    Pipeline pipeline;
    std::map<QString, Planted> files;
};

quint32 crc32Of(const char *data, qsizetype size)
{
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < size; ++i) {
        crc ^= uchar(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG chunk with its length and CRC.
QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    chunk.append(type, 4).append(data);
    const quint32 crc = crc32Of(chunk.constData() + 4, chunk.size() - 4);
    QByteArray tail(4, '\0');
    qToBigEndian<quint32>(crc, tail.data());
    return chunk + tail;
}

// A well-formed PNG whose header claims the given size, with a little compressed data.
QByteArray pngClaiming(quint32 width, quint32 height)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 8; // bit depth
    header[9] = 0; // grey
    // qCompress gives a zlib stream after a four-byte length of its own.
    const QByteArray packed = qCompress(QByteArray(64 * 1024, '\0')).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", packed)
        + pngChunk("IEND", {});
}

// A 24-bit BMP header claiming the given size, followed by a few pixels.
QByteArray bmpClaiming(qint32 width, qint32 height)
{
    QByteArray bmp(54, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    const qint64 pixels = (qint64(width) * 3 + 3) / 4 * 4 * height;
    qToLittleEndian<quint32>(quint32(54 + pixels), bmp.data() + 2);
    qToLittleEndian<quint32>(54, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(24, bmp.data() + 28);
    return bmp + QByteArray(4096, '\x7f');
}

// A real small JPEG whose frame header is patched to claim the given size.
QByteArray jpegClaiming(quint16 width, quint16 height)
{
    QByteArray jpeg = smallPicture("JPG", 7, 64, 64);
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2)) {
            qToBigEndian<quint16>(height, jpeg.data() + i + 5);
            qToBigEndian<quint16>(width, jpeg.data() + i + 7);
            return jpeg;
        }
    }
    return {};
}

// A flat grey JPEG made by hand, as small as a stream of its size can be: one quantisation table,
// Huffman tables whose only code ('0') means "no change" (DC) and "end of block" (AC), a frame
// of `components` components sampled 1 x 1 (marker SOF0 sequential or SOF2 progressive) and a
// first scan over `inFirstScan` of them. With `whole` the first scan carries every block (a
// progressive stream may stop after its DC scan); otherwise it breaks off after a few bytes.
QByteArray handMadeJpeg(
    quint8 frameMarker, int width, int height, int components, int inFirstScan, bool whole)
{
    const auto segment = [](quint8 marker, const QByteArray &body) {
        QByteArray bytes("\xFF", 1);
        bytes += char(marker);
        bytes += char((body.size() + 2) >> 8);
        bytes += char((body.size() + 2) & 0xFF);
        return bytes + body;
    };
    const auto be16 = [](int v) { return QByteArray(1, char(v >> 8)) + char(v & 0xFF); };
    QByteArray jpeg("\xFF\xD8", 2);
    jpeg += segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\x01'));
    QByteArray frame = QByteArray(1, 8) + be16(height) + be16(width) + char(components);
    for (int c = 1; c <= components; ++c)
        frame += QByteArray(1, char(c)) + '\x11' + '\0';
    jpeg += segment(frameMarker, frame);
    const QByteArray oneCode = QByteArray(1, 1) + QByteArray(15, '\0') + QByteArray(1, '\0');
    jpeg += segment(0xC4, QByteArray(1, '\x00') + oneCode); // DC table 0
    jpeg += segment(0xC4, QByteArray(1, '\x10') + oneCode); // AC table 0
    const bool progressive = frameMarker == 0xC2;
    QByteArray scan(1, char(inFirstScan));
    for (int c = 1; c <= inFirstScan; ++c)
        scan += QByteArray(1, char(c)) + '\0';
    scan += progressive ? QByteArray("\0\0\0", 3) : QByteArray("\0\x3F\0", 3);
    jpeg += segment(0xDA, scan);
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8) * inFirstScan;
    const qint64 bits = blocks * (progressive ? 1 : 2);
    if (whole) {
        jpeg += QByteArray(bits / 8, '\0');
        if (bits % 8)
            jpeg += char(0xFF >> (bits % 8)); // padded with ones
    } else {
        jpeg += QByteArray(16, '\0');
    }
    return jpeg + QByteArray("\xFF\xD9", 2);
}

// An MNG whose header says 1 x 1 and whose embedded PNG says `side` x `side`.
QByteArray mngClaiming(quint32 side)
{
    QByteArray header(28, '\0');
    qToBigEndian<quint32>(1, header.data());
    qToBigEndian<quint32>(1, header.data() + 4);
    qToBigEndian<quint32>(1, header.data() + 8); // ticks per second
    QByteArray png(13, '\0');
    qToBigEndian<quint32>(side, png.data());
    qToBigEndian<quint32>(side, png.data() + 4);
    png[8] = 8;
    png[9] = 0;
    const QByteArray packed = qCompress(QByteArray(4096, '\0')).mid(4);
    return QByteArray("\x8AMNG\r\n\x1a\n", 8) + pngChunk("MHDR", header) + pngChunk("IHDR", png)
        + pngChunk("IDAT", packed) + pngChunk("IEND", {}) + pngChunk("MEND", {});
}

} // namespace

// Every file of the public decoder test suites, each under a name the walk and the filter take.
// Truncated JPEGs are cut from the valid ones at several points.
TEST_F(HostileFilesTest, PublicSuitesNeverCrashHangOrPassDamagedFiles)
{
    const QString images = sharedTestData() + QStringLiteral("/images");
    LIS_NEED_SHARED_DATA(
        !sharedTestData().isEmpty() && QFileInfo(images).isDir(), images.toStdString());

    QDirIterator it(images, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    int fuzzInputs = 0;
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = QDir(images).relativeFilePath(source);
        // Sanitized builds take one fuzz input in eight; every other file always runs.
        if (relative.contains(u"fuzz-corpus") && kLightRun && fuzzInputs++ % 8 != 0)
            continue;
        const QString dir = QFileInfo(relative).path();
        plant(dir, plantedName(QFileInfo(relative).fileName()), readFile(source),
            { relative, expectationFor(relative), ImageProblem::None });
    }

    for (const QString &jpeg : { QStringLiteral("testorig.jpg"), QStringLiteral("testimgint.jpg"),
             QStringLiteral("testimgari.jpg") }) {
        const QByteArray whole
            = readFile(images + QStringLiteral("/libjpeg-turbo-testimages/") + jpeg);
        ASSERT_FALSE(whole.isEmpty()) << qPrintable(jpeg);
        for (const double kept : { 0.1, 0.5, 0.9 }) {
            const qsizetype cut = qsizetype(whole.size() * kept);
            plant(QStringLiteral("truncated"),
                QStringLiteral("hz_%1_cut%2.jpg").arg(jpeg.section(u'.', 0, 0)).arg(cut),
                whole.left(cut), { {}, Expect::Refuse, ImageProblem::None });
        }
    }
    ASSERT_GT(files.size(), size_t(300));
    runAndCheck();
}

// Files the walk may meet on any disk: empty, a few bytes, headers claiming absurd sizes, a
// picture whose name says another type, and a folder named like a picture.
TEST_F(HostileFilesTest, MadeUpFilesAreRefusedCleanlyOrReadByTheirContent)
{
    const QString dir = QStringLiteral("made");
    for (const QString &ext : { QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("bmp"),
             QStringLiteral("gif"), QStringLiteral("tif") }) {
        plant(dir, QStringLiteral("hz_empty.") + ext, {},
            { {}, Expect::Refuse, ImageProblem::Damaged });
    }
    const std::pair<const char *, QByteArray> fewBytes[] = {
        { "hz_soi.jpg", QByteArray("\xff\xd8", 2) },
        { "hz_soi3.jpg", QByteArray("\xff\xd8\xff", 3) },
        { "hz_sig.png", QByteArray("\x89PNG\r\n\x1a\n", 8) },
        { "hz_bm.bmp", QByteArrayLiteral("BM") },
        { "hz_gif.gif", QByteArrayLiteral("GIF89a") },
        { "hz_tiff.tif", QByteArray("II*\0", 4) },
        { "hz_nul.png", QByteArray(1, '\0') },
    };
    for (const auto &[name, bytes] : fewBytes)
        plant(dir, QString::fromLatin1(name), bytes, { {}, Expect::Refuse, ImageProblem::None });

    plant(dir, QStringLiteral("hz_jpeg_named.png"), smallPicture("JPG", 2, 640, 480),
        { {}, Expect::Decode, ImageProblem::None });
    plant(dir, QStringLiteral("hz_png_named.jpg"), smallPicture("PNG", 3), { {}, Expect::Decode });
    plant(
        dir, QStringLiteral("hz_tiff_named.bmp"), smallPicture("TIFF", 4), { {}, Expect::Decode });
    plant(dir, QStringLiteral("hz_text.jpg"), QByteArrayLiteral("not a picture at all\n"),
        { {}, Expect::Refuse, ImageProblem::Unsupported });
    // Formats Qt reads but the program does not rank are refused by their content, whatever
    // their name says.
    plant(dir, QStringLiteral("hz_ppm_named.png"), smallPicture("PPM", 6),
        { {}, Expect::Refuse, ImageProblem::Unsupported });
    plant(dir, QStringLiteral("hz_ico_named.bmp"), smallPicture("ICO", 7),
        { {}, Expect::Refuse, ImageProblem::Unsupported });

    // A folder named like a picture is entered, never listed.
    ASSERT_TRUE(QDir().mkpath(tree.filePath(QStringLiteral("made/hz_folder.jpg"))));
    plant(QStringLiteral("made/hz_folder.jpg"), QStringLiteral("hz_inside.png"),
        smallPicture("PNG", 5), { {}, Expect::Decode });

    const PipelineResult run = runAndCheck();
    EXPECT_FALSE(run.list2.contains(tree.filePath(QStringLiteral("made/hz_folder.jpg"))));
}

// Headers that claim 100,000 x 100,000 pixels (65,500 for JPEG, the most its decoder takes) must
// be refused from the header, before anything near that size is allocated. Qt's BMP reader
// refuses headers beyond 16384 x 16384 itself, before the engine sees a size, so a BMP bomb may
// also be reported as damaged. A JPEG is decoded at 1/8 scale, which keeps even 65,500 x 65,500
// within the decoding limit: its bomb is refused as damaged when the data runs out, and the
// resident-size check shows nothing large was touched.
TEST_F(HostileFilesTest, PixelBombsAreRefusedBeforeAllocating)
{
    const QString dir = QStringLiteral("bombs");
    plant(dir, QStringLiteral("hz_bomb.png"), pngClaiming(100000, 100000),
        { {}, Expect::Refuse, ImageProblem::TooLarge });
    plant(dir, QStringLiteral("hz_wide.png"), pngClaiming(100000000, 1),
        { {}, Expect::Refuse, ImageProblem::None });
    plant(dir, QStringLiteral("hz_tall.png"), pngClaiming(1, 100000000),
        { {}, Expect::Refuse, ImageProblem::None });
    plant(dir, QStringLiteral("hz_bomb.bmp"), bmpClaiming(100000, 100000),
        { {}, Expect::Refuse, ImageProblem::TooLarge });
    plant(dir, QStringLiteral("hz_bomb_named.jpg"), bmpClaiming(100000, 100000),
        { {}, Expect::Refuse, ImageProblem::TooLarge });
    plant(dir, QStringLiteral("hz_topdown.bmp"), bmpClaiming(100000, -100000),
        { {}, Expect::Refuse, ImageProblem::None });
    const QByteArray jpegBomb = jpegClaiming(65500, 65500);
    ASSERT_FALSE(jpegBomb.isEmpty());
    plant(dir, QStringLiteral("hz_bomb.jpg"), jpegBomb, { {}, Expect::Refuse });
    plant(dir, QStringLiteral("hz_bomb_named.png"), jpegBomb, { {}, Expect::Refuse });
    // A stream with more than one scan makes libjpeg hold every coefficient of the full-size
    // picture, whatever the output scale: 2 GiB for a grey 32768 x 32768 progressive stream of a
    // few hundred bytes, and as much for a sequential one that leaves colours to later scans.
    plant(dir, QStringLiteral("hz_progressive.jpg"), handMadeJpeg(0xC2, 32768, 32768, 1, 1, false),
        { {}, Expect::Refuse, ImageProblem::TooLarge });
    plant(dir, QStringLiteral("hz_multiscan.jpg"), handMadeJpeg(0xC0, 16000, 16000, 3, 1, false),
        { {}, Expect::Refuse, ImageProblem::TooLarge });
    // An MNG under a PNG's name, its header 1 x 1 and its embedded picture 30000 x 30000.
    plant(dir, QStringLiteral("hz_mng_named.png"), mngClaiming(30000),
        { {}, Expect::Refuse, ImageProblem::Unsupported });

    // Load the ranking library and the image plug-ins first, so only the bombs count.
    Pipeline warm;
    QTemporaryDir warmTree;
    ASSERT_TRUE(writeFile(
        warmTree.filePath(QStringLiteral("hz_warm.jpg")), smallPicture("JPG", 1, 800, 600)));
    warm.run(warmTree.path(), QStringLiteral("hz_"));
    pipeline.ranker->isAvailable();

    const qint64 before = resetPeakRss();
    runAndCheck();
    const qint64 peak = peakRssKib();
    ASSERT_GT(before, 0);
    RecordProperty("peak_rss_growth_kib", int(peak - before));
    // The smallest refused picture would need 64 MiB pixels (256 MiB); allow far less than that.
    EXPECT_LT(peak - before, 96 * 1024)
        << "peak resident size grew by " << (peak - before) << " KiB";

    // The instrument itself: touching 128 MiB must show, or the check above proved nothing.
    const qint64 controlBefore = resetPeakRss();
    {
        std::vector<char> touched(size_t(128) << 20);
        for (size_t i = 0; i < touched.size(); i += 4096)
            touched[i] = 1;
        EXPECT_EQ(touched[4096], 1);
    }
    EXPECT_GT(peakRssKib() - controlBefore, 100 * 1024) << "peak resident size cannot be measured";
}

// The largest pictures the caps let through, several decoded at once by the read-ahead: each
// holds the memory its decoding takes, and the shared budget keeps them from all doing so at
// the same time. One alone stays under 512 MiB of growth, the whole run under 1 GiB.
TEST_F(HostileFilesTest, LargestAcceptedPicturesStayWithinTheMemoryCaps)
{
    if (kLightRun)
        GTEST_SKIP() << "sanitizers keep freed memory in quarantine: sizes mean nothing there";
    // A grey progressive stream whose coefficients take 312 MiB: just within the cap.
    const QByteArray progressive = handMadeJpeg(0xC2, 12800, 12800, 1, 1, true);
    QImage flat(6800, 6800, QImage::Format_Grayscale8); // 46 megapixels
    flat.fill(90);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buffer, "png").write(flat));
    }
    QByteArray tall;
    {
        QImage strip(500, 16700, QImage::Format_RGB32); // a working bitmap of 24 MiB
        strip.fill(qRgb(200, 40, 40));
        QBuffer buffer(&tall);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buffer, "png").write(strip));
    }
    QImage wide(5000, 5000, QImage::Format_RGB32);
    wide.fill(qRgb(10, 120, 200));
    QByteArray tiff, bmp;
    {
        QBuffer buffer(&tiff);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "tiff");
        writer.setCompression(1); // LZW
        ASSERT_TRUE(writer.write(wide));
    }
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buffer, "bmp").write(wide));
    }

    Pipeline warm; // the ranking library and the image plug-ins loaded first
    QTemporaryDir warmTree;
    ASSERT_TRUE(writeFile(
        warmTree.filePath(QStringLiteral("hz_warm.jpg")), smallPicture("JPG", 1, 800, 600)));
    warm.run(warmTree.path(), QStringLiteral("hz_"));

    QTemporaryDir single;
    ASSERT_TRUE(writeFile(single.filePath(QStringLiteral("hz_alone.jpg")), progressive));
    Pipeline alone;
    const qint64 aloneBefore = resetPeakRss();
    const PipelineResult aloneRun = alone.run(single.path(), QStringLiteral("hz_"));
    const qint64 aloneGrowth = peakRssKib() - aloneBefore;
    ASSERT_EQ(aloneRun.ranked.files.size(), 1u);
    EXPECT_EQ(aloneRun.ranked.files[0].problem, ImageProblem::None);
    RecordProperty("one_file_peak_growth_kib", int(aloneGrowth));
    EXPECT_LT(aloneGrowth, 512 * 1024) << "one file grew the peak by " << aloneGrowth << " KiB";

    for (int i = 0; i < 3; ++i)
        plant(QStringLiteral("large"), QStringLiteral("hz_progressive%1.jpg").arg(i), progressive,
            { {}, Expect::Decode });
    // Two that fit into the budget together, then the tallest working bitmap there can be.
    plant(QStringLiteral("large"), QStringLiteral("hz_flat1.png"), png, { {}, Expect::Decode });
    plant(QStringLiteral("large"), QStringLiteral("hz_flat2.png"), png, { {}, Expect::Decode });
    plant(QStringLiteral("large"), QStringLiteral("hz_tall.png"), tall, { {}, Expect::Decode });
    plant(QStringLiteral("large"), QStringLiteral("hz_wide.tif"), tiff, { {}, Expect::Decode });
    plant(QStringLiteral("large"), QStringLiteral("hz_wide.bmp"), bmp, { {}, Expect::Decode });
    const qint64 before = resetPeakRss();
    runAndCheck();
    const qint64 growth = peakRssKib() - before;
    RecordProperty("run_peak_growth_kib", int(growth));
    RecordProperty("run_peak_kib", int(peakRssKib()));
    EXPECT_LT(growth, 1024 * 1024) << "the run grew the peak by " << growth << " KiB";
}
