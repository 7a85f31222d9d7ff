#include <Effect/AudioEqualizer.h>
#include <FuzzSupport.h>
#include <Model/EffectObject.h>
#include <Records.h>
#include <Serialize/Registry.h>
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <QImage>

#include <cmath>
#include <cstdint>
#include <limits>

using Serialize::ArchiveError;
using Serialize::InputArchive;
using Serialize::OutputArchive;
using Testing::DocumentReader;
using Testing::writeDocument;

namespace {

// Mostly random values, often one of edges: the values that are hard to carry in XML.
template <class T>
rc::Gen<std::vector<T>> valuesOr(rc::Gen<T> random, std::vector<T> edges)
{
    return rc::gen::container<std::vector<T>>(rc::gen::oneOf(random, rc::gen::elementOf(edges)));
}

// Writes every value, then reads them back in order, each unchanged (a NaN as a NaN).
template <class T, class W>
void expectBack(const std::vector<T>& values, void (OutputArchive::*write)(const char*, W),
    T (InputArchive::*read)(const char*))
{
    DocumentReader reader(writeDocument([&](OutputArchive& out) {
        for (const T& value : values)
            (out.*write)("value", value);
    }));
    for (const T& value : values) {
        const T back = (reader.archive().*read)("value");
        if constexpr (std::is_floating_point_v<T>)
            RC_ASSERT((back == value || (std::isnan(back) && std::isnan(value))));
        else
            RC_ASSERT(back == value);
    }
    reader.archive().finish();
}

QString utf16(std::u16string units)
{
    return QString::fromStdU16String(units);
}

RC_GTEST_PROP(Archive, EveryValueComesBackExactlyInTheOrderWritten, ())
{
    using Double = std::numeric_limits<double>;
    expectBack(*valuesOr(rc::gen::container<std::string>(rc::gen::arbitrary<char>()),
                   { "",
                       "Gr\xC3\xBC\xC3\x9F"
                       "e \xF0\x9F\x8E\xAC",
                       "  spaces  ", "<a href=\"x\">&amp;</a> ]]>", "line\r\nbreaks\rand\ttabs\n",
                       std::string("nul \0 inside", 12), "\x7f\x1b[2J", "\xC3\x28 \xED\xA0\x80 \xFF",
                       "\xC0\xAF", "\xE6\x97", "\xEF\xBF\xBE", "\xEF\xBF\xBD", "\xF4\x8F\xBF\xBF",
                       "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80" }),
        &OutputArchive::writeString, &InputArchive::readString);
    expectBack(*valuesOr(rc::gen::map(rc::gen::string<std::u16string>(), utf16),
                   { QString(), QStringLiteral("Grüße 日本 🎬"), QStringLiteral("a\r\nb\x02"),
                       utf16(u"\xD800x"), utf16(u"x\xDC00"), utf16(u"\xDC00\xD800"),
                       utf16(u"\xD7FF\xE000\xFFFD"), utf16(u"\xFFFE"), utf16(u"\xFFFF") }),
        &OutputArchive::writeText, &InputArchive::readText);
    expectBack(*valuesOr(rc::gen::arbitrary<std::int32_t>(), { 0, -1, INT32_MIN, INT32_MAX }),
        &OutputArchive::writeInt32, &InputArchive::readInt32);
    expectBack(*valuesOr(rc::gen::arbitrary<std::int64_t>(), { INT64_MIN, INT64_MAX }),
        &OutputArchive::writeInt64, &InputArchive::readInt64);
    expectBack(*valuesOr(rc::gen::arbitrary<double>(),
                   { 0.1, -2.5e-300, Double::max(), Double::denorm_min(), Double::infinity(),
                       -Double::infinity(), Double::quiet_NaN() }),
        &OutputArchive::writeDouble, &InputArchive::readDouble);
    expectBack(*rc::gen::arbitrary<std::vector<bool>>(), &OutputArchive::writeBool, &InputArchive::readBool);
}

TEST(Archive, ARecordIsWrittenAsTheRecordFilesAreDescribedAndReadsBack)
{
    Effect::AudioEqualizer equalizer;
    equalizer.id = "{1}";
    equalizer.preamp = -3.5;
    equalizer.bandGains[9] = 12;
    const QByteArray document = writeDocument([&](OutputArchive& out) {
        out.beginNode("record");
        out.writeString("uniqueId", "Bass & <more>");
        out.writeObject("item", static_cast<const Effect::Object*>(&equalizer));
        out.writeImage("preview", nullptr);
        out.beginSequence("categories", 0);
        out.endSequence();
        out.beginSequence("customStrings", 2);
        for (int number : { 1, 2 }) {
            out.beginElement(number);
            out.writeString("Key", number == 1 ? "plain" : "tab\there\x01");
            out.writeText("Value", number == 1 ? QStringLiteral("Grüße ☺") : QStringLiteral("a\rb"));
            out.endElement();
        }
        out.endSequence();
        out.writeInt64("size", -5);
        out.writeDouble("ratio", 0.25);
        out.writeBool("visible", false);
        out.endNode();
    });
    EXPECT_EQ(document.toStdString(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<archive version=\"1\"><record><uniqueId>Bass &amp; &lt;more&gt;</uniqueId>"
        "<item class=\"AudioEqualizer\"><AudioEqualizer><id>{1}</id><secondaryId></secondaryId>"
        "<preamp>-3.5</preamp><band1>0</band1><band2>0</band2><band3>0</band3><band4>0</band4><band5>0</"
        "band5>"
        "<band6>0</band6><band7>0</band7><band8>0</band8><band9>0</band9><band10>12</band10></AudioEqualizer>"
        "</item><preview null=\"true\"/><categories count=\"0\"/><customStrings count=\"2\">"
        "<element number=\"1\"><Key>plain</Key><Value>Grüße ☺</Value></element><element number=\"2\">"
        "<Key encoding=\"base64\">dGFiCWhlcmUB</Key><Value encoding=\"base64\">YQANAGIA</Value></element>"
        "</customStrings><size>-5</size><ratio>0.25</ratio><visible>false</visible></record></archive>\n");

    const Fuzz::Contents read = Fuzz::readArchive(document);
    EXPECT_EQ(read.uniqueId, "Bass & <more>");
    EXPECT_EQ(read.lastValue, QStringLiteral("a\rb"));
    const auto* restored = dynamic_cast<const Effect::AudioEqualizer*>(read.object.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->id, "{1}");
    EXPECT_EQ(restored->preamp, -3.5);
    EXPECT_EQ(restored->bandGains, equalizer.bandGains);
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

// Holds one object of any class, as a record holds its item.
struct Box : Serialize::ISerializable {
    std::unique_ptr<Serialize::ISerializable> content;

    std::string name() const override { return "TestBox"; }
    void save(OutputArchive& out) const override { out.writeObject("content", content.get()); }
    void restore(InputArchive& in) override { content = in.readObject("content"); }
};
const Serialize::Registration<Box> boxRegistration { "TestBox" };

// How many boxes deep a document of depth nested boxes reads back.
int depthRead(int depth)
{
    Box outer;
    for (Box* innermost = &outer; --depth > 0; innermost = static_cast<Box*>(innermost->content.get()))
        innermost->content = std::make_unique<Box>();
    DocumentReader reader(writeDocument([&](OutputArchive& out) { out.writeObject("item", &outer); }));
    const auto object = reader.archive().readObject("item");
    int read = 0;
    for (auto* box = dynamic_cast<const Box*>(object.get()); box;
         box = dynamic_cast<const Box*>(box->content.get()))
        ++read;
    return read;
}

TEST(Archive, ObjectsInsideObjectsComeBackButNestingBeyondAnyRecordIsDamage)
{
    EXPECT_EQ(depthRead(10), 10);
    EXPECT_THROW(depthRead(1000), ArchiveError);
}

TEST(Archive, ImageComesBackWithEqualPixelsEmptyStaysEmptyAndNullNull)
{
    QImage pattern(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, y, qRgba(x * 30, y * 50, 200, 255));
    DocumentReader reader(writeDocument([&](OutputArchive& out) {
        out.writeImage("preview", std::make_shared<const Types::Image>(QPixmap::fromImage(pattern)));
        out.writeImage("empty", std::make_shared<const Types::Image>());
        out.writeImage("none", nullptr);
        out.writeObject("nothing", nullptr);
    }));
    const auto restored = reader.archive().readImage("preview");
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->toImage().convertToFormat(QImage::Format_ARGB32), pattern);
    const auto empty = reader.archive().readImage("empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->isNull());
    EXPECT_EQ(reader.archive().readImage("none"), nullptr);
    EXPECT_EQ(reader.archive().readObject("nothing"), nullptr);
    reader.archive().finish();
}

} // namespace
