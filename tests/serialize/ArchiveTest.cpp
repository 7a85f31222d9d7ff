#include <Records.h>
#include <Serialize/Registry.h>
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <cmath>
#include <limits>

using Serialize::InputArchive;
using Serialize::OutputArchive;
using Testing::DocumentReader;
using Testing::writeDocument;

namespace {

// Writes every value, mostly random, often one of edges (the values that are hard to
// carry in XML), then reads them back in order, each unchanged (a NaN as a NaN).
template <class T, class W>
void expectBack(rc::Gen<T> random, std::vector<T> edges, void (OutputArchive::*write)(const char*, W),
    T (InputArchive::*read)(const char*))
{
    const auto values
        = *rc::gen::container<std::vector<T>>(rc::gen::oneOf(random, rc::gen::elementOf(edges)));
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

RC_GTEST_PROP(Archive, EveryValueComesBackExactlyInTheOrderWritten, ())
{
    using Double = std::numeric_limits<double>;
    const auto utf16 = [](const std::u16string& units) { return QString::fromStdU16String(units); };
    expectBack(rc::gen::container<std::string>(rc::gen::arbitrary<char>()),
        { "", "Grüße 🎬", "  spaces  ", "<a href=\"x\">&amp;</a> ]]>", "line\r\nbreaks\rand\ttabs\n",
            std::string("nul \0 inside", 12), "\x7f\x1b[2J", "\xC3\x28 \xED\xA0\x80 \xFF", "\xC0\xAF",
            "\xE6\x97", "\xEF\xBF\xBE", "\xEF\xBF\xBD", "\xF4\x8F\xBF\xBF", "\xF4\x90\x80\x80",
            "\xF8\x88\x80\x80\x80" },
        &OutputArchive::writeString, &InputArchive::readString);
    expectBack(rc::gen::map(rc::gen::string<std::u16string>(), utf16),
        { QString(), QStringLiteral("Grüße 日本 🎬"), QStringLiteral("a\r\nb\x02"), utf16(u"\xD800x"),
            utf16(u"x\xDC00"), utf16(u"\xDC00\xD800"), utf16(u"\xD7FF\xE000\xFFFD"), utf16(u"\xFFFE"),
            utf16(u"\xFFFF") },
        &OutputArchive::writeText, &InputArchive::readText);
    expectBack(rc::gen::arbitrary<std::int32_t>(), { 0, -1, INT32_MIN, INT32_MAX },
        &OutputArchive::writeInt32, &InputArchive::readInt32);
    expectBack(rc::gen::arbitrary<std::int64_t>(), { INT64_MIN, INT64_MAX }, &OutputArchive::writeInt64,
        &InputArchive::readInt64);
    expectBack(rc::gen::arbitrary<double>(),
        { 0.1, -2.5e-300, Double::max(), Double::denorm_min(), Double::infinity(), -Double::infinity(),
            Double::quiet_NaN() },
        &OutputArchive::writeDouble, &InputArchive::readDouble);
    expectBack(rc::gen::arbitrary<bool>(), { false }, &OutputArchive::writeBool, &InputArchive::readBool);
}

TEST(Archive, ATextWithAFourByteCharacterIsWrittenAsItIsAndReadsBack)
{
    const std::string title = "smile \xF0\x9F\x98\x80"; // U+1F600
    const QByteArray document = writeDocument([&](OutputArchive& out) { out.writeString("title", title); });
    EXPECT_TRUE(document.contains("<title>smile \xF0\x9F\x98\x80</title>")) << document.toStdString();
    EXPECT_EQ(DocumentReader(document).archive().readString("title"), title);
}

TEST(Archive, ReaderTurnsCrLfAndALoneCrInTextIntoLfAndReadsCharacterReferences)
{
    const std::pair<const char*, std::string> cases[] = { { "a\r\nb", "a\nb" }, { "a\rb", "a\nb" },
        { "a\r\r\nb", "a\n\nb" }, { "a\n\rb", "a\n\nb" }, { "&#x2a;&#x2F;&#65;&#xaf;", "*/A\xC2\xAF" } };
    for (const auto& [text, read] : cases)
        EXPECT_EQ(
            InputArchive("<archive version=\"1\"><v>" + QByteArray(text) + "</v></archive>").readString("v"),
            read);
}

// Holds one object of any class, as a record holds its item.
struct Box : Serialize::ISerializable {
    std::unique_ptr<Serialize::ISerializable> content;
    std::string name() const override { return "TestBox"; }
    void save(OutputArchive& out) const override { out.writeObject("content", content.get()); }
    void restore(InputArchive& in) override { content = in.readObject("content"); }
};
const Serialize::Registration<Box> boxRegistration { "TestBox" };

TEST(Archive, ARecordIsWrittenAsTheRecordFilesAreDescribedAndReadsBack)
{
    Box box;
    box.content = std::make_unique<Box>();
    const QByteArray document = writeDocument([&](OutputArchive& out) {
        out.beginNode("record");
        out.writeString("uniqueId", "Bass & <more>");
        out.writeObject("item", &box);
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
        "<item class=\"TestBox\"><content class=\"TestBox\"><content null=\"true\"/></content></item>"
        "<preview null=\"true\"/><categories count=\"0\"/><customStrings count=\"2\">"
        "<element number=\"1\"><Key>plain</Key><Value>Grüße ☺</Value></element><element number=\"2\">"
        "<Key encoding=\"base64\">dGFiCWhlcmUB</Key><Value encoding=\"base64\">YQANAGIA</Value></element>"
        "</customStrings><size>-5</size><ratio>0.25</ratio><visible>false</visible></record></archive>\n");
}

// How many boxes deep a document of depth nested boxes reads back.
int depthRead(int depth)
{
    Box outer;
    for (Box* innermost = &outer; --depth > 0; innermost = static_cast<Box*>(innermost->content.get()))
        innermost->content = std::make_unique<Box>();
    const auto object = DocumentReader(Testing::savedDocument(outer)).archive().readObject("content");
    int read = 1;
    for (auto* box = dynamic_cast<const Box*>(object.get()); box;
         box = dynamic_cast<const Box*>(box->content.get()))
        ++read;
    return read;
}

TEST(Archive, ObjectsInsideObjectsComeBackButNestingBeyondAnyRecordIsDamage)
{
    EXPECT_EQ(depthRead(10), 10);
    EXPECT_THROW(depthRead(1000), Serialize::ArchiveError);
}

} // namespace
