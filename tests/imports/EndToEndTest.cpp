#include "ImportBus.h"
#include <Import/UserCollection.h>
#include <Model/Timeline.h>
#include <WithServices.h>

#include <QFileInfo>

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

TEST_F(UserCollectionWithServices, IntrosOfOneNameGetFoldersOfTheirOwnAndRemovalTakesTheFirstOffDiskAndList)
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

    const QString firstFolder = QFileInfo(QString::fromStdString(first->path)).path();
    EXPECT_TRUE(intros->removeUserImport("Opening", Kind::Intro));
    EXPECT_FALSE(QFileInfo::exists(firstFolder));
    EXPECT_EQ(itemsOf(intros->id()), Items { second });
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(second->path)));
    EXPECT_TRUE(intros->removeUserImport("Opening", Kind::Intro));
    EXPECT_TRUE(intros->nameAvailable("Opening", Kind::Intro));
    EXPECT_TRUE(root.files().isEmpty());
}

} // namespace
