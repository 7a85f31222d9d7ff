#include "ImportBus.h"

#include <Import/UserCollection.h>
#include <Model/Timeline.h>
#include <QFileInfo>
#include <Records.h>
#include <Settings/Settings.h>
#include <WithServices.h>

namespace {

using Kind = Import::Object::Kind;
using Items = std::deque<const Import::Object*>;

// The user's intros and imports with the real persistence and collection services.
class UserCollectionWithServices : public Testing::WithServices {
protected:
    Items itemsOf(const std::string& collectionId)
    {
        EditorCollection::CollectionHelper<Import::Object> helper(collectionId);
        const Testing::ImportBus::Container* container = helper.getCollection().collection;
        return container ? container->items : Items();
    }

    std::unique_ptr<Import::UserCollection> intros = Import::UserCollection::makeIntroCollection();
    Timeline::Object timeline;
};

TEST_F(UserCollectionWithServices, IntrosOfOneNameGetFoldersOfTheirOwnAndTheNameIsTaken)
{
    timeline.tracks.push_back({ "video", { { "a.mp4", 0, 1000 } } });
    const Import::Object* first = intros->saveUserIntro(&timeline, "Opening", nullptr);
    const Import::Object* second = intros->saveUserIntro(&timeline, "Opening", nullptr);

    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first->id, second->id);
    EXPECT_EQ(itemsOf(intros->id()), (Items { first, second }));
    for (const Import::Object* intro : { first, second }) {
        EXPECT_TRUE(QFileInfo(QString::fromStdString(intro->path)).isFile());
        EXPECT_EQ(QFileInfo(QString::fromStdString(intro->path)).dir().dirName().toStdString(), intro->id);
    }
    EXPECT_FALSE(intros->nameAvailable("Opening", Kind::Intro));
    EXPECT_EQ(intros->nextName("Opening", Kind::Intro), "Opening_01");
    EXPECT_TRUE(intros->itemRemovable("Opening", Kind::Intro));
}

TEST_F(UserCollectionWithServices, ARemovedIntroLeavesTheDiskAndTheCollection)
{
    const Import::Object* kept = intros->saveUserIntro(&timeline, "Kept", nullptr);
    const Import::Object* gone = intros->saveUserIntro(&timeline, "Gone", nullptr);
    ASSERT_NE(gone, nullptr);
    const QString goneFolder = QDir(intros->storagePath()).filePath(QString::fromStdString(gone->id));

    EXPECT_TRUE(intros->removeUserImport("Gone", Kind::Intro));

    EXPECT_FALSE(QFileInfo::exists(goneFolder));
    EXPECT_EQ(itemsOf(intros->id()), Items { kept });
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(kept->path)));
    EXPECT_TRUE(intros->nameAvailable("Gone", Kind::Intro));
}

TEST_F(UserCollectionWithServices, ASavedImportIsListedAndRemovedWithItsFile)
{
    Import::UserCollection imports("user-imports", "category_mine", Settings::userImportsPath());
    Import::Object item = Testing::withId<Import::Object>("clip");
    item.kind = Kind::Video;

    const Import::Object* saved = imports.saveUserImport(&item, "clip.xml", nullptr, "u-1");
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(itemsOf("user-imports"), Items { saved });
    EXPECT_EQ(root.files(), QStringList { "imports/clip.xml" });

    EXPECT_TRUE(imports.removeUserImport("clip", Kind::Video));
    EXPECT_TRUE(root.files().isEmpty());
    EXPECT_TRUE(itemsOf("user-imports").empty());
}

} // namespace
