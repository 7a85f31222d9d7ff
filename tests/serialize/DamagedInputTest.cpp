// The readers over damaged and hostile input: the files in data/ (see its README), and
// the fuzzers' seeds, which must stay valid so that fuzzing starts from what the code
// reads.

#include <FuzzSupport.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <TempDataRoot.h>
#include <gmock/gmock.h>

#include <QDir>

using EditorCollection::PersistentItem;
using Fuzz::Restored;

namespace {

// The files directly in folder that match pattern; fails the test when there are none.
QStringList filesIn(const QString& folder, const QString& pattern = "*")
{
    QStringList paths;
    for (const QString& name : QDir(folder).entryList({ pattern }, QDir::Files))
        paths << QDir(folder).filePath(name);
    EXPECT_FALSE(paths.isEmpty()) << folder.toStdString();
    return paths;
}

template <class T>
Restored restoredAs(const QString& file, std::string* error = nullptr)
{
    PersistentItem<T> record;
    std::unique_ptr<const T> item;
    const Restored restored = Fuzz::restoreRecord(Testing::readFile(file), record, item, error);
    // Refused only by finish, the record holds the item.
    return restored == Restored::Refused && record.item ? Restored::RefusedButChanged : restored;
}

TEST(DamagedInput, ArchivesInTheGenericRecordLayoutAreRefusedWithAnArchiveError)
{
    for (const QString& file : filesIn(SERIALIZE_TEST_DATA, "*.xml"))
        EXPECT_THROW(Fuzz::readArchive(Testing::readFile(file)), Serialize::ArchiveError)
            << file.toStdString();
}

TEST(DamagedInput, RecordsAreRefusedAsEveryItemTypeLeavingTheRecordAsItWas)
{
    for (const QString& file : filesIn(SERIALIZE_TEST_DATA "/record")) {
        EXPECT_EQ(restoredAs<Effect::Object>(file), Restored::Refused) << file.toStdString();
        EXPECT_EQ(restoredAs<Import::Object>(file), Restored::Refused) << file.toStdString();
        EXPECT_EQ(restoredAs<Overlay::Preset>(file), Restored::Refused) << file.toStdString();
    }
}

TEST(DamagedInput, BundlesGiveNoTimeline)
{
    for (const QString& file : filesIn(SERIALIZE_TEST_DATA "/bundle"))
        EXPECT_EQ(Project::readBundle(file), nullptr) << file.toStdString();
}

TEST(DamagedInput, APreviewTooLargeOnceDecodedIsRefusedFromItsHeader)
{
    // 4096 x 4096 pixels of 64 bits: 128 MiB from a header of a few bytes.
    std::string error;
    EXPECT_EQ(restoredAs<Effect::Object>(SERIALIZE_TEST_DATA "/record/preview-deep-pixels-4096.xml", &error),
        Restored::Refused);
    EXPECT_THAT(error, testing::HasSubstr("bad image size"));
}

TEST(DamagedInput, EveryFuzzSeedReads)
{
    for (const QString& file : filesIn(FUZZ_CORPUS "/archive"))
        EXPECT_NO_THROW(Fuzz::readArchive(Testing::readFile(file))) << file.toStdString();
    for (const QString& file : filesIn(FUZZ_CORPUS "/record")) {
        const int types = (restoredAs<Effect::Object>(file) == Restored::Yes)
            + (restoredAs<Import::Object>(file) == Restored::Yes)
            + (restoredAs<Overlay::Preset>(file) == Restored::Yes);
        EXPECT_EQ(types, 1) << file.toStdString();
    }
    for (const QString& file : filesIn(FUZZ_CORPUS "/bundle"))
        EXPECT_NE(Project::readBundle(file), nullptr) << file.toStdString();
}

} // namespace
