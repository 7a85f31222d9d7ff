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
    EditorCollection::PersistentItem<T> record;
    std::unique_ptr<const T> item;
    const Restored restored = Fuzz::restoreRecord(Testing::readFile(file), record, item, error);
    // Refused only by finish, the record holds the item.
    return restored == Restored::Refused && record.item ? Restored::RefusedButChanged : restored;
}

// How many item types read file as a record, and how many refuse it leaving the record as it was.
std::pair<int, int> readAndRefused(const QString& file)
{
    const Restored all[] = { restoredAs<Effect::Object>(file), restoredAs<Import::Object>(file),
        restoredAs<Overlay::Preset>(file) };
    return { int(std::count(all, all + 3, Restored::Yes)), int(std::count(all, all + 3, Restored::Refused)) };
}

TEST(DamagedInput, EveryDamagedFileIsRefusedAndEveryFuzzSeedReads)
{
    for (const QString& file : filesIn(SERIALIZE_TEST_DATA, "*.xml"))
        EXPECT_THROW(Fuzz::readArchive(Testing::readFile(file)), Serialize::ArchiveError)
            << file.toStdString();
    for (const QString& file : filesIn(SERIALIZE_TEST_DATA "/record"))
        EXPECT_EQ(readAndRefused(file), std::make_pair(0, 3)) << file.toStdString();
    for (const QString& file : filesIn(SERIALIZE_TEST_DATA "/bundle"))
        EXPECT_EQ(Project::readBundle(file), nullptr) << file.toStdString();

    for (const QString& file : filesIn(FUZZ_CORPUS "/archive"))
        EXPECT_NO_THROW(Fuzz::readArchive(Testing::readFile(file))) << file.toStdString();
    for (const QString& file : filesIn(FUZZ_CORPUS "/record"))
        EXPECT_EQ(readAndRefused(file), std::make_pair(1, 2)) << file.toStdString();
    for (const QString& file : filesIn(FUZZ_CORPUS "/bundle"))
        EXPECT_NE(Project::readBundle(file), nullptr) << file.toStdString();
}

TEST(DamagedInput, ARefusalSaysWhereAndAPreviewTooLargeOnceDecodedIsRefusedFromItsHeader)
{
    EXPECT_THAT([] { Fuzz::readArchive(Testing::readFile(SERIALIZE_TEST_DATA "/element-inside-field.xml")); },
        testing::ThrowsMessage<Serialize::ArchiveError>(testing::HasSubstr("unexpected content in <size>")));
    // 4096 x 4096 pixels of 64 bits: 128 MiB from a header of a few bytes.
    std::string error;
    EXPECT_EQ(restoredAs<Effect::Object>(SERIALIZE_TEST_DATA "/record/preview-deep-pixels-4096.xml", &error),
        Restored::Refused);
    EXPECT_THAT(error, testing::HasSubstr("bad image size"));
}

} // namespace
