#include "RecordDocuments.h"
#include <gmock/gmock.h>

using namespace EditorCollection;
using testing::_;
using testing::ElementsAre;

namespace {

using Record = PersistentItem<Import::Object>;

void readSequence(Serialize::InputArchive& in, const char* name, std::initializer_list<const char*> fields,
    std::vector<std::string>& entries)
{
    const std::int32_t count = in.beginSequence(name);
    entries.push_back(name + (" " + std::to_string(count)));
    for (std::int32_t number = 1; number <= count; ++number) {
        in.beginElement(number);
        std::string element;
        for (const char* field : fields)
            element += (element.empty() ? "" : "=") + in.readString(field);
        entries.push_back(element);
        in.endElement();
    }
    in.endSequence();
}

// The record's document read entry by entry in the order it must be written.
std::vector<std::string> layout(const Record& record)
{
    Testing::DocumentReader reader(Testing::savedDocument(record));
    Serialize::InputArchive& in = reader.archive();
    in.beginNode(Record::NameInArchive());
    std::vector<std::string> entries { in.readString("uniqueId") };
    const std::unique_ptr<Serialize::ISerializable> item = in.readObject("item");
    entries.push_back(item ? "item " + dynamic_cast<const Import::Object&>(*item).id : "no item");
    entries.push_back(in.readImage("preview") ? "preview" : "no preview");
    readSequence(in, "categories", { "Data" }, entries);
    entries.push_back(in.readString("collectionId"));
    readSequence(in, "customStrings", { "Key", "Value" }, entries);
    in.endNode();
    in.finish();
    return entries;
}

TEST(PersistentItemTest, ArchivesItsFieldsInOrderWithSequencesNumberedFromOne)
{
    const Import::Object item = Testing::withId<Import::Object>("clip");
    Record record = Testing::recordOf(&item, "imports");
    record.preview = Testing::image();
    record.categories = { "zoo", "art" };
    record.customStrings = { { "name", "Beach" }, { "author", "me" } };

    EXPECT_THAT(layout(record),
        ElementsAre(record.uniqueId, "item clip", "preview", "categories 2", "art", "zoo", "imports",
            "customStrings 2", "author=me", "name=Beach"));
    EXPECT_THAT(
        layout(Record()), ElementsAre(_, "no item", "no preview", "categories 0", "", "customStrings 0"));
}

} // namespace
