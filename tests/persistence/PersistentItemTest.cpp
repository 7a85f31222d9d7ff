#include "RecordDocuments.h"

#include <Model/EffectObject.h>
#include <Types/Image.h>
#include <gtest/gtest.h>
#include <typeinfo>

using namespace EditorCollection;

namespace {

using Record = PersistentItem<Import::Object>;

void restore(Record& record, QByteArray document)
{
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    Serialize::InputArchive archive(&buffer);
    record.restore(archive);
}

using Elements = std::vector<std::vector<std::string>>;

Elements readSequence(
    Serialize::InputArchive& archive, const char* name, std::initializer_list<const char*> fields)
{
    Elements elements(archive.beginSequence(name));
    for (std::size_t i = 0; i < elements.size(); ++i) {
        archive.beginElement(std::int32_t(i + 1));
        for (const char* field : fields)
            elements[i].push_back(archive.readString(field));
        archive.endElement();
    }
    archive.endSequence();
    return elements;
}

TEST(PersistentItemTest, ArchivesItsFieldsInOrderWithSequencesNumberedFromOne)
{
    Import::Object item;
    item.id = "clip";
    Record record;
    record.item = &item;
    record.preview = std::make_shared<const Types::Image>(QPixmap(2, 2));
    record.categories = { "zoo", "art" };
    record.collectionId = "imports";
    record.customStrings = { { "name", "Beach" }, { "author", "me" } };

    QByteArray document = Testing::recordDocument(record);
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    Serialize::InputArchive archive(&buffer);
    archive.beginNode(Record::NameInArchive());
    EXPECT_EQ(archive.readString("uniqueId"), record.uniqueId);
    const std::unique_ptr<Serialize::ISerializable> restoredItem = archive.readObject("item");
    ASSERT_NE(dynamic_cast<const Import::Object*>(restoredItem.get()), nullptr);
    EXPECT_EQ(dynamic_cast<const Import::Object&>(*restoredItem).id, "clip");
    EXPECT_NE(archive.readImage("preview"), nullptr);
    EXPECT_EQ(readSequence(archive, "categories", { "Data" }), (Elements { { "art" }, { "zoo" } }));
    EXPECT_EQ(archive.readString("collectionId"), "imports");
    EXPECT_EQ(readSequence(archive, "customStrings", { "Key", "Value" }),
        (Elements { { "author", "me" }, { "name", "Beach" } }));
    archive.endNode();
    EXPECT_NO_THROW(archive.finish());
}

TEST(PersistentItemTest, EmptyRecordArchivesNullItemAndPreviewAndEmptySequences)
{
    const Record record;
    QByteArray document = Testing::recordDocument(record);
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    Serialize::InputArchive archive(&buffer);
    archive.beginNode(Record::NameInArchive());
    archive.readString("uniqueId");
    EXPECT_EQ(archive.readObject("item"), nullptr);
    EXPECT_EQ(archive.readImage("preview"), nullptr);
    EXPECT_TRUE(readSequence(archive, "categories", { "Data" }).empty());
    EXPECT_EQ(archive.readString("collectionId"), "");
    EXPECT_TRUE(readSequence(archive, "customStrings", { "Key", "Value" }).empty());
    archive.endNode();

    Record restored;
    restore(restored, Testing::recordDocument(record));
    EXPECT_EQ(restored.uniqueId, record.uniqueId);
    EXPECT_EQ(restored.item, nullptr);
    EXPECT_EQ(restored.preview, nullptr);
}

TEST(PersistentItemTest, RepeatedCustomStringKeyKeepsTheLaterValue)
{
    QByteArray document;
    {
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        Serialize::OutputArchive archive(&buffer);
        archive.beginNode(Record::NameInArchive());
        archive.writeString("uniqueId", "u");
        archive.writeObject("item", nullptr);
        archive.writeImage("preview", nullptr);
        archive.beginSequence("categories", 0);
        archive.endSequence();
        archive.writeString("collectionId", "c");
        archive.beginSequence("customStrings", 2);
        for (std::int32_t number : { 1, 2 }) {
            archive.beginElement(number);
            archive.writeString("Key", "name");
            archive.writeString("Value", number == 1 ? "first" : "second");
            archive.endElement();
        }
        archive.endSequence();
        archive.endNode();
        archive.finish();
    }
    Record record;
    restore(record, document);
    EXPECT_EQ(record.customStrings, (std::map<std::string, std::string> { { "name", "second" } }));
}

TEST(PersistentItemTest, CopySharesItemPreviewAndUniqueId)
{
    Import::Object item;
    Record record;
    record.item = &item;
    record.preview = std::make_shared<const Types::Image>();
    {
        const Record copy(record);
        Record assigned;
        assigned = record;
        for (const Record* other : { &copy, static_cast<const Record*>(&assigned) }) {
            EXPECT_EQ(other->uniqueId, record.uniqueId);
            EXPECT_EQ(other->item, &item);
            EXPECT_EQ(other->preview, record.preview);
        }
    }
    EXPECT_EQ(record.item, &item); // a copy's death deletes nothing (ASan would see it)
    EXPECT_NE(Record().uniqueId, Record().uniqueId);
}

TEST(PersistentItemTest, WrongTypedOrDamagedDocumentLeavesTheRecordUnchanged)
{
    Import::Object item;
    Record record;
    record.item = &item;
    record.categories = { "kept" };
    const Record before = record;

    EXPECT_THROW(restore(record, Testing::wrongTypedImportDocument()), std::bad_cast);
    const QByteArray good = Testing::recordDocument(Record());
    EXPECT_THROW(restore(record, good.left(good.size() - 40)), Serialize::ArchiveError);

    EXPECT_EQ(record.uniqueId, before.uniqueId);
    EXPECT_EQ(record.item, &item);
    EXPECT_EQ(record.categories, before.categories);
}

} // namespace
