#include <Effect/AudioEqualizer.h>
#include <Records.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using Serialize::ArchiveError;
using Serialize::InputArchive;
using Serialize::OutputArchive;

namespace {

// A record of every entry kind, as a persistence record would be laid out.
QByteArray validRecord()
{
    Effect::AudioEqualizer equalizer;
    equalizer.preamp = -3.5;
    return Testing::writeDocument([&](OutputArchive& out) {
        out.beginNode("record");
        out.writeString("uniqueId", "abc");
        out.writeObject("item", &equalizer);
        out.writeImage("preview", nullptr);
        out.beginSequence("categories", 1);
        out.beginElement(1);
        out.writeString("Data", "music");
        out.endElement();
        out.endSequence();
        out.writeInt32("size", 3);
        out.writeDouble("ratio", 0.5);
        out.writeBool("visible", true);
        out.endNode();
    });
}

void readRecord(QByteArray document)
{
    Testing::DocumentReader reader(std::move(document));
    InputArchive& in = reader.archive();
    in.beginNode("record");
    in.readString("uniqueId");
    in.readObject("item");
    in.readImage("preview");
    const std::int32_t count = in.beginSequence("categories");
    for (std::int32_t i = 1; i <= count; ++i) {
        in.beginElement(i);
        in.readString("Data");
        in.endElement();
    }
    in.endSequence();
    in.readInt32("size");
    in.readDouble("ratio");
    in.readBool("visible");
    in.endNode();
    in.finish();
}

struct Damage {
    const char* name;
    QByteArray document;
};

QByteArray replaced(const char* from, const char* to)
{
    QByteArray document = validRecord();
    const int at = document.indexOf(from);
    if (at < 0)
        ADD_FAILURE() << "the valid record has no " << from;
    return document.replace(at, int(qstrlen(from)), to);
}

// A PNG whose header claims 100000 x 100000 pixels.
const char* hugePng
    = "iVBORw0KGgoAAAANSUhEUgABhqAAAYagCAYAAACoUgvIAAAAC0lEQVR4nGNggAEAAAoAAX+AdF4AAAAASUVORK5CYII=";

std::vector<Damage> damages()
{
    const QByteArray valid = validRecord();
    return {
        { "Empty", QByteArray() },
        { "NotXml", "hello, world" },
        { "Binary", QByteArray("\x00\xff\x10\x80<", 5) },
        { "OtherRoot", "<?xml version=\"1.0\"?><project version=\"1\"/>" },
        { "WrongVersion", replaced("version=\"1\"", "version=\"2\"") },
        { "MissingVersion", replaced(" version=\"1\"", "") },
        { "TruncatedInHalf", valid.left(valid.size() / 2) },
        { "TruncatedBeforeTheEnd", valid.left(valid.lastIndexOf("</archive>")) },
        { "UnclosedRecord", replaced("</record>", "") },
        { "MissingField", replaced("<size>3</size>", "") },
        { "RenamedField", replaced("<size>3</size>", "<length>3</length>") },
        { "ExtraField", replaced("</record>", "<extra>1</extra></record>") },
        { "FieldsSwapped", replaced("<size>3</size><ratio>0.5</ratio>", "<ratio>0.5</ratio><size>3</size>") },
        { "BadNumber", replaced("<size>3</size>", "<size>three</size>") },
        { "EmptyNumber", replaced("<size>3</size>", "<size/>") },
        { "Int32Overflow", replaced("<size>3</size>", "<size>2147483648</size>") },
        { "BadDouble", replaced("<ratio>0.5</ratio>", "<ratio>0.5x</ratio>") },
        { "BadBool", replaced("<visible>true</visible>", "<visible>yes</visible>") },
        { "ElementInsideField", replaced("<size>3</size>", "<size><b>3</b></size>") },
        { "NegativeCount", replaced("count=\"1\"", "count=\"-1\"") },
        { "HugeCount", replaced("count=\"1\"", "count=\"2147483647\"") },
        { "CountNotANumber", replaced("count=\"1\"", "count=\"many\"") },
        { "WrongElementNumber", replaced("number=\"1\"", "number=\"2\"") },
        { "UnknownClass", replaced("class=\"AudioEqualizer\"", "class=\"NoSuchEffect\"") },
        { "MissingClass", replaced(" class=\"AudioEqualizer\"", "") },
        { "ClassOfAnotherLayout", replaced("class=\"AudioEqualizer\"", "class=\"ManualEnhance\"") },
        { "EffectSettingOutOfRange", replaced("<preamp>-3.5</preamp>", "<preamp>99</preamp>") },
        { "BadBase64Text",
            replaced("<uniqueId>abc</uniqueId>", "<uniqueId encoding=\"base64\">*!*</uniqueId>") },
        { "ImageNotPng", replaced("<preview null=\"true\"/>", "<preview format=\"png\">AAAA</preview>") },
        { "ImageOfOtherFormat",
            replaced("<preview null=\"true\"/>", "<preview format=\"jpg\">AAAA</preview>") },
        { "ImageTooLarge",
            replaced("<preview null=\"true\"/>",
                QByteArray("<preview format=\"png\">") + hugePng + "</preview>") },
        { "TextBetweenFields", replaced("<size>3</size>", "stray<size>3</size>") },
        { "ContentAfterTheEnd", valid + "<more/>" },
        { "UndefinedEntity", replaced("<uniqueId>abc</uniqueId>", "<uniqueId>&foo;</uniqueId>") },
        { "DocumentTypeWithEntities",
            replaced("<archive",
                "<!DOCTYPE archive [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><archive") },
        { "ProcessingInstruction", replaced("<size>3</size>", "<?run me?><size>3</size>") },
        { "UnboundPrefix", replaced("<size>3</size>", "<x:size>3</x:size>") },
    };
}

class DamagedArchive : public testing::TestWithParam<Damage> { };

TEST(DamagedArchive, TheUndamagedRecordReads)
{
    EXPECT_NO_THROW(readRecord(validRecord()));
}

TEST_P(DamagedArchive, IsRefusedWithAnArchiveError)
{
    EXPECT_THROW(readRecord(GetParam().document), ArchiveError);
}

INSTANTIATE_TEST_SUITE_P(Documents, DamagedArchive, testing::ValuesIn(damages()),
    [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST(DamagedArchive, InputsThatOnceBrokeTheReaderAreRefused)
{
    const QDir data(QStringLiteral(SERIALIZE_TEST_DATA));
    for (const QString& name : data.entryList({ QStringLiteral("*.xml") }, QDir::Files)) {
        QFile file(data.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_THROW(readRecord(file.readAll()), ArchiveError) << name.toStdString();
    }
}

} // namespace
