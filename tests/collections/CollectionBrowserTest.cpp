#include "CollectionTestSupport.h"
#include <Model/CollectionID.h>
#include <Services/CollectionBrowser.h>
#include <Services/CollectionService.h>
#include <gmock/gmock.h>

#include <algorithm>

namespace {

using namespace EditorCollection;
using Browser = Services::CollectionBrowser;

TEST(CollectionBrowser, DrawsOneTilePerItemOfCollectionsMadeBeforeAndAfterIt)
{
    Services::CollectionService collections;
    Testing::registerIn("before", Testing::newImport("alpha"), Testing::image(Qt::red, 16));
    for (const char* id : { "b", "c", "d", "e" })
        Testing::registerIn("before", Testing::newImport(id));
    Browser browser;
    Testing::registerIn("after", Testing::newImport("late"));
    CollectionHelper<Import::Object>("empty").getCollection();

    const QImage image = browser.render<Import::Object>("before");
    ASSERT_EQ(image.size(),
        QSize(Browser::Columns * Browser::TileWidth, Browser::TitleHeight + 2 * Browser::TileHeight));
    for (int i = 0; i < 2 * Browser::Columns; ++i) {
        const QPoint probe = Browser::tileRect(i).topLeft() + QPoint(4, 4);
        EXPECT_EQ(image.pixel(probe) != Browser::BackgroundColor, i < 5) << "tile " << i;
    }
    const QRect first = Browser::tileRect(0), second = Browser::tileRect(1);
    const QPoint previewCentre(Browser::TileWidth / 2, Browser::PreviewSize / 2);
    EXPECT_EQ(image.pixelColor(first.topLeft() + previewCentre), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(second.topLeft() + previewCentre), QColor(Qt::red));
    // Without a preview, a grey box crossed from corner to corner; here on the rising diagonal.
    const QPoint previewTopRight((Browser::TileWidth + Browser::PreviewSize) / 2 - 1, 6);
    EXPECT_EQ(
        image.pixelColor(second.topLeft() + previewTopRight + QPoint(-10, 10)), QColor(0x80, 0x80, 0x80));

    EXPECT_EQ(browser.render<Import::Object>("after").height(), Browser::TitleHeight + Browser::TileHeight);
    EXPECT_TRUE(browser.render<Import::Object>("empty").isNull());
    EXPECT_TRUE(browser.render<Import::Object>("unknown").isNull());
    // A collection is its item type and its id.
    EXPECT_TRUE(browser.render<Overlay::Preset>("before").isNull());
}

TEST(CollectionBrowser, NamesAreOrderedAsPeopleSortThemNumbersByValueAndCaseAside)
{
    QStringList names { "Take 10", "take 3", "Take 2", "Intro", "Take 1" };
    std::sort(names.begin(), names.end(), Browser::NameOrder());
    EXPECT_EQ(names, QStringList({ "Intro", "Take 1", "Take 2", "take 3", "Take 10" }));
}

} // namespace
