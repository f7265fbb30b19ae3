#include "tests/rank/FoundTree.h"

#include "tests/rank/RankTestSupport.h"
#include "tests/support/TempAppFolder.h"
#include "tests/support/TestImages.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace lis::test {

FoundTree::FoundTree()
{
    add(QStringLiteral("a.jpg"), makeScene(640, 480, 1), "JPG", { 500, 375 });
    add(QStringLiteral("b.bmp"), makeScene(700, 300, 2), "BMP", { 500, 214 });
    add(QStringLiteral("c.png"), makeScene(300, 200, 3), "PNG", { 300, 200 });
    addBytes(QStringLiteral("broken.jpg"), truncatedJpeg(), ImageProblem::Damaged);
    add(QStringLiteral("d.gif"), makeScene(800, 800, 4), "GIF", { 500, 500 });
    add(QStringLiteral("e.tif"), makeScene(1000, 500, 5), "TIFF", { 500, 250 });
    addBytes(QStringLiteral("empty.jpg"), QByteArray(""), ImageProblem::Damaged);
    addBytes(QStringLiteral("garbage.bmp"), QByteArray(2048, '\x13'), ImageProblem::Unsupported);
    add(QStringLiteral("disguised.bmp"), makeScene(200, 100, 6), "JPG", { 200, 100 });
    add(QStringLiteral("x/cat.jpg"), makeScene(520, 400, 7), "JPG", { 500, 385 });
    add(QStringLiteral("y/cat.jpg"), makeScene(450, 300, 8), "JPG", { 450, 300 },
        QStringLiteral("cat (2).jpg"));
    add(QStringLiteral("tall.png"), makeScene(400, 1500, 9), "PNG", { 400, 1500 });
    add(QStringLiteral("small.bmp"), makeScene(120, 90, 10), "BMP", { 120, 90 });
}

QStringList FoundTree::paths() const
{
    QStringList list;
    for (const Expected &e : expected)
        list << e.path;
    return list;
}

void FoundTree::add(const QString &relative, const QImage &image, const char *format, QSize bitmap,
    QString copyName)
{
    const QString path = pathOf(relative);
    EXPECT_TRUE(saveAnyImage(image, path, format));
    expected.push_back({ path, bitmap, ImageProblem::None,
        copyName.isEmpty() ? QFileInfo(path).fileName() : copyName });
}

void FoundTree::addBytes(const QString &relative, const QByteArray &bytes, ImageProblem problem)
{
    const QString path = pathOf(relative);
    EXPECT_TRUE(writeFile(path, bytes));
    expected.push_back({ path, {}, problem, {} });
}

QByteArray FoundTree::truncatedJpeg() const
{
    const QString whole = pathOf(QStringLiteral("whole/whole.jpg"));
    EXPECT_TRUE(saveImage(makeScene(900, 700, 11), whole, "JPG"));
    const QByteArray bytes = readFile(whole);
    return bytes.left(bytes.size() * 2 / 3);
}

} // namespace lis::test
