#include <Effect/AudioEqualizer.h>
#include <Model/EffectObject.h>
#include <QImage>
#include <Records.h>
#include <Serialize/Registry.h>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using Serialize::ArchiveError;
using Serialize::InputArchive;
using Serialize::OutputArchive;
using Testing::DocumentReader;
using Testing::writeDocument;

namespace {

const std::string unicodeText = "Gr\xC3\xBC\xC3\x9F"
                                "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAC";

TEST(Archive, RoundTripsStringsAndTextExactly)
{
    const std::vector<std::string> strings = {
        "",
        "plain",
        unicodeText,
        "  spaces around  ",
        "markup <a href=\"x\">&amp;</a> ]]>",
        "line\r\nbreaks\rand\ttabs\n",
        std::string("control \x01 and nul \0 inside", 26),
        "invalid utf-8 \xC3\x28 \xED\xA0\x80 \xFF",
    };
    const QString loneSurrogate = QString(QChar(0xD800)) + QStringLiteral("x");
    const std::vector<QString> texts
        = { QString(), QString::fromStdString(unicodeText), QStringLiteral("a\r\nb\x02"), loneSurrogate };
    const QByteArray document = writeDocument([&](OutputArchive& out) {
        for (const std::string& value : strings)
            out.writeString("value", value);
        for (const QString& value : texts)
            out.writeText("text", value);
    });

    DocumentReader reader(document);
    for (const std::string& value : strings)
        EXPECT_EQ(reader.archive().readString("value"), value);
    for (const QString& value : texts)
        EXPECT_EQ(reader.archive().readText("text"), value);
    reader.archive().finish();
}

TEST(Archive, RoundTripsNumbersAtTheirExtremes)
{
    const std::int32_t ints[]
        = { 0, -1, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max() };
    const std::int64_t longs[]
        = { std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max() };
    const double doubles[]
        = { 0.1, -2.5e-300, std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
              std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity() };
    const QByteArray document = writeDocument([&](OutputArchive& out) {
        for (auto value : ints)
            out.writeInt32("i", value);
        for (auto value : longs)
            out.writeInt64("l", value);
        for (auto value : doubles)
            out.writeDouble("d", value);
        out.writeDouble("nan", std::nan(""));
        out.writeBool("yes", true);
        out.writeBool("no", false);
    });

    DocumentReader reader(document);
    for (auto value : ints)
        EXPECT_EQ(reader.archive().readInt32("i"), value);
    for (auto value : longs)
        EXPECT_EQ(reader.archive().readInt64("l"), value);
    for (auto value : doubles)
        EXPECT_EQ(reader.archive().readDouble("d"), value);
    EXPECT_TRUE(std::isnan(reader.archive().readDouble("nan")));
    EXPECT_TRUE(reader.archive().readBool("yes"));
    EXPECT_FALSE(reader.archive().readBool("no"));
    reader.archive().finish();
}

TEST(Archive, SequenceElementsAreNumberedFromOne)
{
    const QByteArray document = writeDocument([](OutputArchive& out) {
        out.beginSequence("empty", 0);
        out.endSequence();
        out.beginSequence("names", 3);
        for (int i = 1; i <= 3; ++i) {
            out.beginElement(i);
            out.writeString("Data", "name" + std::to_string(i));
            out.endElement();
        }
        out.endSequence();
    });
    EXPECT_TRUE(document.contains("<element number=\"3\">"));

    DocumentReader reader(document);
    InputArchive& in = reader.archive();
    EXPECT_EQ(in.beginSequence("empty"), 0);
    in.endSequence();
    ASSERT_EQ(in.beginSequence("names"), 3);
    in.beginElement(1);
    EXPECT_EQ(in.readString("Data"), "name1");
    in.endElement();
    EXPECT_THROW(in.beginElement(3), ArchiveError); // element 2 comes next
}

TEST(Archive, PeekNodeNameLeavesTheNodeUnread)
{
    DocumentReader reader(writeDocument([](OutputArchive& out) {
        out.beginNode("record");
        out.writeInt32("value", 7);
        out.endNode();
    }));
    InputArchive& in = reader.archive();
    EXPECT_EQ(in.peekNodeName(), QStringLiteral("record"));
    in.beginNode("record");
    EXPECT_EQ(in.readInt32("value"), 7);
    EXPECT_TRUE(in.peekNodeName().isEmpty());
    in.endNode();
    in.finish();
}

TEST(Archive, WriterRefusesNamesThatAreNotXmlNamesAndFinishReportsARefusingDevice)
{
    QByteArray document;
    QBuffer readOnly(&document);
    readOnly.open(QIODevice::ReadOnly);
    OutputArchive out(&readOnly);
    EXPECT_THROW(out.writeInt32("two words", 1), std::invalid_argument);
    EXPECT_THROW(out.beginNode("Item<T>"), std::invalid_argument);
    EXPECT_THROW(out.beginNode(""), std::invalid_argument);
    out.writeInt32("value", 1);
    EXPECT_FALSE(out.finish());
}

TEST(ArchiveObjects, ReferenceComesBackAsItsOwnTypeAndNullAsNull)
{
    Effect::AudioEqualizer equalizer;
    equalizer.id = "preset";
    equalizer.preamp = -3.5;
    equalizer.bandGains[9] = 12.0;
    const Effect::Object* asBase = &equalizer;
    const QByteArray document = writeDocument([&](OutputArchive& out) {
        out.writeObject("item", asBase);
        out.writeObject("none", nullptr);
    });
    EXPECT_TRUE(document.contains("class=\"AudioEqualizer\""));

    DocumentReader reader(document);
    const std::unique_ptr<Serialize::ISerializable> object = reader.archive().readObject("item");
    const auto* restored = dynamic_cast<const Effect::AudioEqualizer*>(object.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->id, "preset");
    EXPECT_EQ(restored->preamp, -3.5);
    EXPECT_EQ(restored->bandGains, equalizer.bandGains);
    EXPECT_EQ(reader.archive().readObject("none"), nullptr);
    reader.archive().finish();
}

// Holds one object of any class, as a record holds its item.
struct Box : Serialize::ISerializable {
    std::unique_ptr<Serialize::ISerializable> content;

    std::string name() const override { return "TestBox"; }
    void save(OutputArchive& out) const override { out.writeObject("content", content.get()); }
    void restore(InputArchive& in) override { content = in.readObject("content"); }
};
const Serialize::Registration<Box> boxRegistration { "TestBox" };

QByteArray nestedBoxes(int depth)
{
    Box outer;
    Box* innermost = &outer;
    for (int i = 1; i < depth; ++i) {
        innermost->content = std::make_unique<Box>();
        innermost = static_cast<Box*>(innermost->content.get());
    }
    return writeDocument([&](OutputArchive& out) { out.writeObject("item", &outer); });
}

TEST(ArchiveObjects, ObjectsInsideObjectsComeBackButNestingBeyondAnyRecordIsDamage)
{
    DocumentReader reader(nestedBoxes(10));
    const auto object = reader.archive().readObject("item");
    int depth = 0;
    for (auto* box = dynamic_cast<const Box*>(object.get()); box;
         box = dynamic_cast<const Box*>(box->content.get()))
        ++depth;
    EXPECT_EQ(depth, 10);

    DocumentReader tooDeep(nestedBoxes(1000));
    EXPECT_THROW(tooDeep.archive().readObject("item"), ArchiveError);
}

TEST(ArchiveImages, ImageComesBackWithEqualPixelsAndEmptyStaysEmpty)
{
    QImage pattern(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, qRgba(x * 30, y * 50, 200, 255));
    const QByteArray document = writeDocument([&](OutputArchive& out) {
        out.writeImage("preview", std::make_shared<const Types::Image>(QPixmap::fromImage(pattern)));
        out.writeImage("empty", std::make_shared<const Types::Image>());
        out.writeImage("none", nullptr);
    });

    DocumentReader reader(document);
    const auto restored = reader.archive().readImage("preview");
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->toImage().convertToFormat(QImage::Format_ARGB32), pattern);
    const auto empty = reader.archive().readImage("empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->isNull());
    EXPECT_EQ(reader.archive().readImage("none"), nullptr);
    reader.archive().finish();
}

} // namespace
