#include "search/ImageFilter.h"

#include "core/Settings.h"
#include "search/WalkOptions.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lis;

namespace {

TEST(ImageFilterTest, ImageFileCheckLooksAtTheLastThreeCharactersOnly)
{
    for (const char16_t *name : { u"a.jpg", u"a.JPG", u"a.bmp", u"a.BMP", u"a.png", u"a.PNG",
             u"a.tif", u"a.TIF", u"a.gif", u"a.GIF", u"notajpg", u"jpg", u"/x/dir.png/pic.gif" })
        EXPECT_TRUE(ImageFileCheck(QString::fromUtf16(name)))
            << QString::fromUtf16(name).toStdString();
    for (const char16_t *name : { u"photo.jpeg", u"scan.tiff", u"photo.Jpg", u"photo.jPG", u"a.txt",
             u"pg", u"", u"a.jpg " })
        EXPECT_FALSE(ImageFileCheck(QString::fromUtf16(name)))
            << QString::fromUtf16(name).toStdString();
}

struct FilterCase
{
    const char16_t *path;
    // Which stored "filetypes" values 0..5 let the path through.
    std::array<bool, 6> passes;
};

TEST(ImageFilterTest, TypeTable)
{
    const FilterCase cases[] = {
        { u"/p/IMG_0001.JPG", { true, false, false, false, false, true } },
        { u"/p/cat.jpg", { true, false, false, false, false, true } },
        { u"/p/a.png", { false, true, false, false, false, true } },
        { u"/p/a.GIF", { false, false, true, false, false, true } },
        { u"/p/a.bmp", { false, false, false, true, false, true } },
        { u"/p/x.tif", { false, false, false, false, true, true } },
        { u"/p/x.tiff", { false, false, false, false, false, false } },
        { u"/p/photo.jpeg", { false, false, false, false, false, false } },
        { u"/p/photo.Jpg", { false, false, false, false, false, false } },
        { u"/p/notajpg", { false, false, false, false, false, true } },
        // The extension is taken from the final name part only.
        { u"/p/a.jpg/notapng", { false, false, false, false, false, true } },
        { u"/p/.png", { false, true, false, false, false, true } },
    };
    for (const FilterCase &c : cases) {
        const QString path = QString::fromUtf16(c.path);
        for (int type = 0; type < 6; ++type)
            EXPECT_EQ(passesImageFilter(path, type), c.passes[size_t(type)])
                << path.toStdString() << " filetypes " << type;
        for (int type : { 6, 7, -1, 32767 })
            EXPECT_FALSE(passesImageFilter(path, type)) << path.toStdString() << " " << type;
    }
}

class FilterFilesTest : public ::testing::Test
{
protected:
    QStringList filterWith(const QString &fileTypes)
    {
        Settings settings(dir.filePath(QStringLiteral("settings.ini")));
        if (!fileTypes.isNull())
            settings.save(QStringLiteral("AllImage"), QStringLiteral("filetypes"), fileTypes);
        QStringList list3 { QStringLiteral("/kept/from/before.jpg") };
        FilterFiles(list2, list3, readWalkOptions(settings).fileTypes);
        return list3;
    }

    QTemporaryDir dir;
    const QStringList list2 { QStringLiteral("/p/b.jpg"), QStringLiteral("/p/a.png"),
        QStringLiteral("/p/c.JPG"), QStringLiteral("/p/d.Jpg"), QStringLiteral("/p/notajpg"),
        QStringLiteral("/p/b.jpg") };
};

TEST_F(FilterFilesTest, AppendsInOrderAndReadsTheTypeSetting)
{
    // Earlier entries stay, order and duplicates are kept.
    EXPECT_EQ(filterWith(QStringLiteral("0")),
        QStringList({ QStringLiteral("/kept/from/before.jpg"), QStringLiteral("/p/b.jpg"),
            QStringLiteral("/p/c.JPG"), QStringLiteral("/p/b.jpg") }));
    EXPECT_EQ(filterWith(QStringLiteral("5")).size(), 1 + 5);
    // Missing or not a number counts as JPEG; types outside the table let nothing pass.
    EXPECT_EQ(filterWith(QStringLiteral("jpeg")).size(), 1 + 3);
    EXPECT_EQ(filterWith(QStringLiteral("7")).size(), 1);
    EXPECT_EQ(filterWith(QStringLiteral("-1")).size(), 1);
}

TEST_F(FilterFilesTest, MissingTypeMeansJpeg)
{
    EXPECT_EQ(filterWith(QString()).size(), 1 + 3);
}

} // namespace
