#include "bench/stacks/StacksData.h"

#include "tests/support/ExifWriter.h"
#include "tests/support/ImageEdits.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <random>

namespace lis::bench {

namespace {

QImage blurred(const QImage &image, double factor)
{
    const QSize small(
        std::max(1, int(image.width() / factor)), std::max(1, int(image.height() / factor)));
    return image.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QByteArray timeText(std::int64_t ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
        .toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"))
        .toLatin1();
}

QByteArray subSecondText(std::int64_t ms)
{
    return QByteArray::number(ms % 1000).rightJustified(3, '0');
}

class Generator
{
public:
    Generator(unsigned seed, QString folder)
        : m_random(seed)
        , m_folder(std::move(folder))
    { }

    void add(const QString &source, int index)
    {
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = file.readAll();
        const QImage image = QImage::fromData(bytes, "jpeg").convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            return;
        // A day of shooting: the next scene seconds to minutes later, now and then hours.
        m_clock += m_random() % 10 == 0 ? 3600000 + std::int64_t(m_random() % 7200000)
                                        : std::int64_t(uniform(5000, 180000));
        const double kind = uniform(0, 1);
        if (kind < 0.5)
            addStack(bytes, image, index);
        else if (kind < 0.65)
            addViews(image, index);
        else if (kind < 0.8 && !m_donor.isNull())
            addChangedScene(bytes, image, index);
        else
            write(QStringLiteral("single"), index, bytes, m_clock, "original", true, ++m_stack);
        m_donor = image;
    }

    std::vector<GeneratedFile> files() const { return m_files; }

private:
    double uniform(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(m_random);
    }
    int quality() { return int(uniform(70, 95.99)); }

    void write(const QString &tag, int index, QByteArray jpeg, std::optional<std::int64_t> time,
        const char *damage, bool original, int stack, int orientation = 1)
    {
        if (time || orientation != 1) {
            test::ExifFields fields;
            fields.orientation = orientation;
            if (time) {
                fields.dateTimeOriginal = timeText(*time);
                fields.subSecTimeOriginal = subSecondText(*time);
            }
            fields.bigEndian = m_random() % 2 == 0;
            jpeg = test::withExif(jpeg, fields);
        }
        const QString path = QDir(m_folder).filePath(QStringLiteral("gen_%1_%2_%3.jpg")
                                                         .arg(index, 5, 10, QLatin1Char('0'))
                                                         .arg(tag)
                                                         .arg(m_files.size()));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(jpeg) != jpeg.size())
            return;
        m_files.push_back({ path, stack, original, QString::fromLatin1(damage) });
    }

    // The undamaged original and one to four frames, each damaged one way and re-encoded.
    void addStack(const QByteArray &originalBytes, const QImage &image, int index)
    {
        const int stack = ++m_stack;
        write(QStringLiteral("orig"), index, originalBytes, m_clock, "original", true, stack);
        const int frames = 1 + int(m_random() % 4);
        for (int f = 0; f < frames; ++f) {
            // A burst: seconds apart; a quarter of them copies whose editor dropped the EXIF.
            std::optional<std::int64_t> time = m_clock + std::int64_t(uniform(300, 20000));
            if (m_random() % 4 == 0)
                time.reset();
            const int w = image.width(), h = image.height();
            switch (m_random() % 6) {
            case 0: { // crop 2-8 % of each side's length, off centre
                const double cut = uniform(0.02, 0.08);
                const int cw = int(w * cut), ch = int(h * cut);
                const int left = int(m_random() % unsigned(cw + 1)),
                          top = int(m_random() % unsigned(ch + 1));
                write(QStringLiteral("crop"), index,
                    test::jpegBytes(image.copy(left, top, w - cw, h - ch), quality()), time, "crop",
                    false, stack);
                break;
            }
            case 1: { // the camera moved: the frame shifted by 2-6 % sideways or up
                const double by = uniform(0.02, 0.06);
                const bool sideways = m_random() % 2 == 0;
                const int dx = sideways ? int(w * by) : 0, dy = sideways ? 0 : int(h * by);
                const bool back = m_random() % 2 == 0;
                const QImage moved = image.copy(back ? 0 : dx, back ? 0 : dy, w - dx, h - dy);
                write(QStringLiteral("shift"), index, test::jpegBytes(moved, quality()), time,
                    "shift", false, stack);
                break;
            }
            case 2: { // +-0.2..0.5 EV
                const double stops = uniform(0.2, 0.5) * (m_random() % 2 ? 1 : -1);
                write(QStringLiteral("ev"), index,
                    test::jpegBytes(test::exposedBy(image, stops), quality()), time, "exposure",
                    false, stack);
                break;
            }
            case 3: // mild blur: detail of 1.5 to 3 pixels lost
                write(QStringLiteral("blur"), index,
                    test::jpegBytes(blurred(image, uniform(1.5, 3)), quality()), time, "blur",
                    false, stack);
                break;
            case 4:
                write(QStringLiteral("jpeg"), index, test::jpegBytes(image, quality()), time,
                    "jpeg", false, stack);
                break;
            case 5: { // stored on its side, EXIF orientation 6 or 8 turns it back
                const bool clockwise = m_random() % 2 == 0;
                const QImage side = image.transformed(QTransform().rotate(clockwise ? -90 : 90));
                write(QStringLiteral("turn"), index, test::jpegBytes(side, quality()),
                    time.value_or(m_clock + 1000), "turn", false, stack, clockwise ? 6 : 8);
                break;
            }
            }
        }
    }

    // Two different photos of one scene: overlapping views, panned by 30-45 %, seconds apart.
    void addViews(const QImage &image, int index)
    {
        const double pan = uniform(0.30, 0.45);
        const int w = image.width(), h = image.height();
        const int keep = int(w * (1 - pan));
        write(QStringLiteral("viewA"), index, test::jpegBytes(image.copy(0, 0, keep, h), 92),
            m_clock, "view", true, ++m_stack);
        write(QStringLiteral("viewB"), index, test::jpegBytes(image.copy(w - keep, 0, keep, h), 92),
            m_clock + std::int64_t(uniform(1000, 8000)), "view", true, ++m_stack);
    }

    // One place, something else in front: a third to a half of the frame comes from another
    // photo. A different photo of the same scene, seconds later.
    void addChangedScene(const QByteArray &bytes, const QImage &image, int index)
    {
        write(QStringLiteral("sceneA"), index, bytes, m_clock, "original", true, ++m_stack);
        const double area = uniform(0.33, 0.5);
        const double aspect = uniform(0.6, 1.6);
        const int w = std::min(image.width(), int(image.width() * std::sqrt(area * aspect)));
        const int h
            = std::min(image.height(), int(image.height() * area * image.width() / std::max(w, 1)));
        const int x = int(m_random() % unsigned(image.width() - w + 1));
        const int y = int(m_random() % unsigned(image.height() - h + 1));
        QImage changed = image;
        const QImage donor
            = m_donor.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&changed);
        painter.drawImage(QPoint(x, y), donor.copy(x, y, w, h));
        painter.end();
        write(QStringLiteral("sceneB"), index, test::jpegBytes(changed, 92),
            m_clock + std::int64_t(uniform(1000, 8000)), "scene", true, ++m_stack);
    }

    QImage m_donor; // the last photo, lent to the next changed scene
    std::mt19937 m_random;
    QString m_folder;
    std::vector<GeneratedFile> m_files;
    std::int64_t m_clock = 1600000000000;
    int m_stack = 0;
};

} // namespace

std::vector<GeneratedFile> generateStacks(
    const QStringList &sources, unsigned seed, const QString &folder)
{
    QDir().mkpath(folder);
    Generator generator(seed, folder);
    for (qsizetype i = 0; i < sources.size(); ++i)
        generator.add(sources[i], int(i));
    return generator.files();
}

QStringList photosIn(const QString &folder)
{
    QStringList photos;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({ QStringLiteral("*.jpg") }, QDir::Files, QDir::Name))
        photos << dir.filePath(name);
    return photos;
}

} // namespace lis::bench
