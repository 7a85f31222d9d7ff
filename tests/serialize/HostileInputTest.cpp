#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <Records.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <typeinfo>

using EditorCollection::PersistentItem;

namespace {

QStringList filesIn(const QString& folder)
{
    const QDir dir(folder);
    QStringList paths;
    for (const QString& name : dir.entryList(QDir::Files))
        paths << dir.filePath(name);
    return paths;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads document as the persistence service does. Refused means ArchiveError or
// std::bad_cast with the record left as it was; what it restores is deleted here.
template <class T>
testing::AssertionResult refusedAs(const QByteArray& document, std::string* error = nullptr)
{
    PersistentItem<T> record;
    const std::string id = record.uniqueId;
    try {
        Testing::DocumentReader reader(document);
        record.restore(reader.archive());
        const std::unique_ptr<const T> owner(record.item);
        reader.archive().finish();
        return testing::AssertionFailure() << "read as " << PersistentItem<T>::NameInArchive();
    } catch (const Serialize::ArchiveError& e) {
        if (error)
            *error = e.what();
    } catch (const std::bad_cast&) {
    }
    if (record.item || record.uniqueId != id)
        return testing::AssertionFailure() << "a refused read changed the record";
    return testing::AssertionSuccess();
}

template <class T>
bool readsAs(const QByteArray& document)
{
    return !refusedAs<T>(document);
}

TEST(HostileInput, RecordsThatOnceBrokeAReaderAreRefusedAsEveryItemType)
{
    const QStringList files = filesIn(QStringLiteral(SERIALIZE_TEST_DATA "/record"));
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files) {
        const QByteArray document = contents(file);
        EXPECT_TRUE(refusedAs<Effect::Object>(document)) << file.toStdString();
        EXPECT_TRUE(refusedAs<Import::Object>(document)) << file.toStdString();
        EXPECT_TRUE(refusedAs<Overlay::Preset>(document)) << file.toStdString();
    }
}

TEST(HostileInput, BundlesThatOnceBrokeTheReaderGiveNoTimeline)
{
    const QStringList files = filesIn(QStringLiteral(SERIALIZE_TEST_DATA "/bundle"));
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files)
        EXPECT_EQ(Project::readBundle(file), nullptr) << file.toStdString();
}

TEST(HostileInput, APreviewTooLargeOnceDecodedIsRefusedFromItsHeader)
{
    // 4096 x 4096 pixels of 64 bits: 128 MiB from a header of a few bytes.
    std::string error;
    ASSERT_TRUE(refusedAs<Effect::Object>(
        contents(QStringLiteral(SERIALIZE_TEST_DATA "/record/preview-deep-pixels-4096.xml")), &error));
    EXPECT_THAT(error, testing::HasSubstr("bad image size"));
}

// The fuzzers start from these; a seed the readers refuse explores nothing.
TEST(HostileInput, TheFuzzSeedsAreValid)
{
    const QStringList records = filesIn(QStringLiteral(FUZZ_CORPUS "/record"));
    ASSERT_FALSE(records.isEmpty());
    for (const QString& file : records) {
        const QByteArray document = contents(file);
        EXPECT_EQ(readsAs<Effect::Object>(document) + readsAs<Import::Object>(document)
                + readsAs<Overlay::Preset>(document),
            1)
            << file.toStdString();
    }
    const QStringList bundles = filesIn(QStringLiteral(FUZZ_CORPUS "/bundle"));
    ASSERT_FALSE(bundles.isEmpty());
    for (const QString& file : bundles)
        EXPECT_NE(Project::readBundle(file), nullptr) << file.toStdString();
}

} // namespace
