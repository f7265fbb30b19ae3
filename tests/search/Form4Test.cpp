#include "search/Form4.h"

#include "core/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace lis;

namespace {

class Form4Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settings = std::make_unique<Settings>(iniPath());
    }
    QString iniPath() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QString get(const char *section, const char *key) const
    {
        return settings->get(QString::fromUtf8(section), QString::fromUtf8(key));
    }
    // Opens the window the way the main window does; it deletes itself when closed.
    QPointer<Form4> open()
    {
        auto *window = new Form4(*settings);
        window->show();
        return window;
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
};

// The stored "filetypes" value is the entry's position, so the order is part of the settings.
TEST_F(Form4Test, EntriesInStoredOrder)
{
    QPointer<Form4> window = open();
    QStringList entries;
    for (int i = 0; i < window->Combo2->count(); ++i)
        entries.append(window->Combo2->itemText(i));
    EXPECT_EQ(entries,
        QStringList({ QStringLiteral("JPEG Images"), QStringLiteral("PNG Images"),
            QStringLiteral("GIF Images"), QStringLiteral("BMP Images"),
            QStringLiteral("TIFF Images"), QStringLiteral("Search All Images") }));
    window->close();
    settle();
}

TEST_F(Form4Test, FirstOpeningOnACleanAccountTicksBothAndStoresThem)
{
    QPointer<Form4> window = open();
    EXPECT_TRUE(window->vkCheck1->isChecked());
    EXPECT_TRUE(window->vkCheck2->isChecked());
    EXPECT_EQ(window->Combo2->currentIndex(), 0);
    EXPECT_EQ(get("Search", "Subfolders"), u"3");
    EXPECT_EQ(get("Search", "hiddenfiles"), u"3");
    EXPECT_TRUE(get("AllImage", "filetypes").isEmpty());
    // Stored in the INI file itself, not only in memory.
    EXPECT_EQ(
        Settings(iniPath()).get(QStringLiteral("Search"), QStringLiteral("Subfolders")), u"3");
    window->close();
    settle();
}

TEST_F(Form4Test, OkStoresTheChoicesAndReopeningStartsOnJpeg)
{
    settings->save(QStringLiteral("Search"), QStringLiteral("hiddenfiles"), QStringLiteral("2"));
    settings->save(QStringLiteral("Search"), QStringLiteral("Subfolders"), QStringLiteral("3"));
    QPointer<Form4> window = open();
    EXPECT_FALSE(window->vkCheck1->isChecked());
    window->Combo2->setCurrentIndex(5);
    window->vkCheck2->setChecked(false);
    QTest::mouseClick(window->isButton1, Qt::LeftButton);
    settle();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(get("AllImage", "filetypes"), u"5");
    EXPECT_EQ(get("Search", "Subfolders"), u"2");
    EXPECT_EQ(get("Search", "hiddenfiles"), u"2");

    window = open();
    EXPECT_EQ(window->Combo2->currentText(), u"JPEG Images");
    EXPECT_FALSE(window->vkCheck2->isChecked());
    QTest::mouseClick(window->isButton1, Qt::LeftButton);
    settle();
    EXPECT_EQ(get("AllImage", "filetypes"), u"0");
}

TEST_F(Form4Test, ClosingWithoutOkSavesNothing)
{
    settings->save(QStringLiteral("Search"), QStringLiteral("hiddenfiles"), QStringLiteral("3"));
    settings->save(QStringLiteral("Search"), QStringLiteral("Subfolders"), QStringLiteral("3"));
    settings->save(QStringLiteral("AllImage"), QStringLiteral("filetypes"), QStringLiteral("2"));
    QPointer<Form4> window = open();
    window->Combo2->setCurrentIndex(4);
    window->vkCheck1->setChecked(false);
    window->vkCheck2->setChecked(false);
    window->close();
    settle();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(get("Search", "hiddenfiles"), u"3");
    EXPECT_EQ(get("Search", "Subfolders"), u"3");
    EXPECT_EQ(get("AllImage", "filetypes"), u"2");
}

TEST_F(Form4Test, StoredValuesOtherThanTwoOrThree)
{
    // Another number leaves the box as created (unticked) and is kept; a missing or
    // non-numeric one counts as 0 and becomes "3".
    settings->save(QStringLiteral("Search"), QStringLiteral("hiddenfiles"), QStringLiteral("7"));
    settings->save(QStringLiteral("Search"), QStringLiteral("Subfolders"), QStringLiteral("yes"));
    QPointer<Form4> window = open();
    EXPECT_FALSE(window->vkCheck1->isChecked());
    EXPECT_TRUE(window->vkCheck2->isChecked());
    EXPECT_EQ(get("Search", "hiddenfiles"), u"7");
    EXPECT_EQ(get("Search", "Subfolders"), u"3");
    window->close();
    settle();
}

} // namespace
