#include <Effect/AudioEqualizer.h>
#include <Model/EffectObject.h>
#include <Records.h>
#include <Serialize/Registry.h>
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <limits>

using Serialize::ArchiveError;
using Serialize::InputArchive;
using Serialize::OutputArchive;
using Testing::DocumentReader;
using Testing::writeDocument;

namespace {

const std::string unicodeText = "Gr\xC3\xBC\xC3\x9F"
                                "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAC";

// Writes every value, reads them back in order and expects each unchanged.
template <class T, class W>
void expectRoundTrip(const std::vector<T>& values, void (OutputArchive::*write)(const char*, W),
    T (InputArchive::*read)(const char*))
{
    DocumentReader reader(writeDocument([&](OutputArchive& out) {
        for (const T& value : values)
            (out.*write)("value", value);
    }));
    for (const T& value : values)
        EXPECT_EQ((reader.archive().*read)("value"), value);
    reader.archive().finish();
}

TEST(Archive, RoundTripsEveryKindOfValueExactly)
{
    expectRoundTrip<std::string>(
        { "", "plain", unicodeText, "  spaces around  ", "markup <a href=\"x\">&amp;</a> ]]>",
            "line\r\nbreaks\rand\ttabs\n", std::string("control \x01 and nul \0 inside", 26),
            "invalid utf-8 \xC3\x28 \xED\xA0\x80 \xFF" },
        &OutputArchive::writeString, &InputArchive::readString);
    expectRoundTrip<QString>({ QString(), QString::fromStdString(unicodeText), QStringLiteral("a\r\nb\x02"),
                                 QString(QChar(0xD800)) + QStringLiteral("x") },
        &OutputArchive::writeText, &InputArchive::readText);
    using Int = std::numeric_limits<std::int32_t>;
    using Long = std::numeric_limits<std::int64_t>;
    using Double = std::numeric_limits<double>;
    expectRoundTrip<std::int32_t>(
        { 0, -1, Int::min(), Int::max() }, &OutputArchive::writeInt32, &InputArchive::readInt32);
    expectRoundTrip<std::int64_t>(
        { Long::min(), Long::max() }, &OutputArchive::writeInt64, &InputArchive::readInt64);
    expectRoundTrip<double>(
        { 0.1, -2.5e-300, Double::max(), Double::denorm_min(), Double::infinity(), -Double::infinity() },
        &OutputArchive::writeDouble, &InputArchive::readDouble);
    expectRoundTrip<bool>({ true, false }, &OutputArchive::writeBool, &InputArchive::readBool);

    DocumentReader nan(writeDocument([](OutputArchive& out) { out.writeDouble("nan", std::nan("")); }));
    EXPECT_TRUE(std::isnan(nan.archive().readDouble("nan")));
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
