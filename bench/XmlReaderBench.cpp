// Three XML libraries, each reading the same 10,000 records (equalizer presets and titles
// as the library writes them, each with an 80x80 preview) into what the archive asks
// of a reader: element names, attribute values and the text of each element, in UTF-8
// where the reader gives UTF-8. Every reader's tokens are checked against the first
// reader's before timing. The archive reads with pugixml after the character check
// (docs/performance.md, "The XML reader", also for our own reader that it replaced).

#include "../editor/serialize/src/CharacterRules.h"
#include <Effect/AudioEqualizer.h>
#include <Model/OverlayPreset.h>
#include <PersistentItem.h>
#include <Serialize/Archive.h>
#include <Types/Image.h>
#include <benchmark/benchmark.h>
#include <expat.h>
#include <pugixml.hpp>

#include <QBuffer>
#include <QPainter>
#include <QPixmap>
#include <QXmlStreamReader>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace Bench {
namespace {

constexpr int RecordCount = 10000;

std::shared_ptr<const Types::Image> preview(int i)
{
    QPixmap pixels(80, 80);
    pixels.fill(QColor(40, 40, 48));
    QPainter painter(&pixels);
    for (int band = 0; band < 10; ++band)
        painter.fillRect(4 + band * 7, 40 - (i * (band + 3)) % 30, 5, 36, QColor(90, 160, 220));
    painter.end();
    return std::make_shared<const Types::Image>(pixels);
}

template <class T>
QByteArray record(const T& item, std::shared_ptr<const Types::Image> image, const std::string& category)
{
    EditorCollection::PersistentItem<T> record;
    record.item = &item;
    record.preview = std::move(image);
    record.categories = { category };
    record.customStrings = { { "name", "Preset & more" } };
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive archive(&buffer);
    record.save(archive);
    archive.finish();
    return buffer.data();
}

const std::vector<QByteArray>& records()
{
    static const std::vector<QByteArray> documents = [] {
        std::vector<QByteArray> out;
        const auto titlePreview = preview(0);
        for (int i = 0; i < RecordCount / 2; ++i) {
            Effect::AudioEqualizer equalizer;
            equalizer.bandGains[std::size_t(i % 10)] = i % 13 - 6;
            equalizer.preamp = i % 7 - 3;
            out.push_back(record<Effect::Object>(equalizer, preview(i), "audio"));
            Overlay::Preset title;
            title.text = "Title text " + std::to_string(i);
            out.push_back(record<Overlay::Preset>(title, titlePreview, "category_my_titles"));
        }
        return out;
    }();
    return documents;
}

// What the archive takes from a reader. Timed runs only count; the check run hashes
// every byte, so that all readers are seen to deliver the same tokens.
struct Tokens {
    bool hashing = false;
    std::uint64_t hash = 1469598103934665603ull;
    std::uint64_t size = 0;
    int depth = 0;

    void add(const char* data, std::size_t length)
    {
        size += length;
        if (!hashing)
            return;
        for (std::size_t i = 0; i < length; ++i)
            hash = (hash ^ static_cast<unsigned char>(data[i])) * 1099511628211ull;
        hash = (hash ^ 0xFF) * 1099511628211ull;
    }
    void add(const QStringRef& text)
    {
        if (!hashing) {
            size += std::size_t(text.size());
            return;
        }
        const QByteArray utf8 = text.toUtf8();
        add(utf8.constData(), std::size_t(utf8.size()));
    }
    void start() { ++depth; }
    void end() { --depth; }
};

void checkTokens(benchmark::State& state, const Tokens& tokens, std::uint64_t (*reader)(Tokens&))
{
    static std::uint64_t first = 0;
    Tokens check;
    check.hashing = true;
    reader(check);
    if (check.depth != 0)
        state.SkipWithError("unbalanced elements");
    else if (first == 0)
        first = check.hash;
    else if (check.hash != first)
        state.SkipWithError("tokens differ from the first reader's");
    benchmark::DoNotOptimize(tokens.size);
}

// Qt at its best: text stays UTF-16 (QStringRef) in timed runs, as an archive reading
// numbers with QStringRef::toInt could keep it; strings would still need converting.
std::uint64_t readQt(Tokens& tokens)
{
    for (const QByteArray& document : records()) {
        QXmlStreamReader reader(document);
        while (!reader.atEnd()) {
            switch (reader.readNext()) {
            case QXmlStreamReader::StartElement: {
                tokens.start();
                tokens.add(reader.name());
                for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                    tokens.add(attribute.name());
                    tokens.add(attribute.value());
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                tokens.end();
                break;
            case QXmlStreamReader::Characters:
                if (tokens.depth > 0)
                    tokens.add(reader.text());
                break;
            default:
                break;
            }
        }
        if (reader.hasError())
            return 0;
    }
    return tokens.size;
}

// Expat hands text over in pieces (at every reference and line end); the archive
// needs an element's text whole, so pieces are gathered.
struct ExpatState {
    Tokens* tokens;
    std::string text;

    void flush()
    {
        if (!text.empty())
            tokens->add(text.data(), text.size());
        text.clear();
    }
};

std::uint64_t readExpat(Tokens& tokens)
{
    ExpatState state { &tokens, {} };
    XML_Parser parser = XML_ParserCreate("UTF-8");
    for (const QByteArray& document : records()) {
        XML_ParserReset(parser, "UTF-8");
        XML_SetUserData(parser, &state);
        XML_SetElementHandler(
            parser,
            [](void* data, const XML_Char* name, const XML_Char** attributes) {
                auto& s = *static_cast<ExpatState*>(data);
                s.flush();
                s.tokens->start();
                s.tokens->add(name, std::strlen(name));
                for (; *attributes; attributes += 2) {
                    s.tokens->add(attributes[0], std::strlen(attributes[0]));
                    s.tokens->add(attributes[1], std::strlen(attributes[1]));
                }
            },
            [](void* data, const XML_Char*) {
                auto& s = *static_cast<ExpatState*>(data);
                s.flush();
                s.tokens->end();
            });
        XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* text, int length) {
            static_cast<ExpatState*>(data)->text.append(text, std::size_t(length));
        });
        if (XML_Parse(parser, document.constData(), document.size(), XML_TRUE) != XML_STATUS_OK) {
            XML_ParserFree(parser);
            return 0;
        }
    }
    XML_ParserFree(parser);
    return tokens.size;
}

void walkPugi(const pugi::xml_node& element, Tokens& tokens)
{
    tokens.start();
    tokens.add(element.name(), std::strlen(element.name()));
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        tokens.add(attribute.name(), std::strlen(attribute.name()));
        tokens.add(attribute.value(), std::strlen(attribute.value()));
    }
    for (const pugi::xml_node& child : element.children()) {
        if (child.type() == pugi::node_element)
            walkPugi(child, tokens);
        else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            tokens.add(child.value(), std::strlen(child.value()));
    }
    tokens.end();
}

template <bool Checked>
std::uint64_t readPugi(Tokens& tokens)
{
    pugi::xml_document tree;
    for (const QByteArray& document : records()) {
        std::size_t offset = 0;
        if (Checked
            && Serialize::Details::checkCharacters(
                document.constData(), document.constData() + document.size(), &offset))
            return 0;
        if (!tree.load_buffer(
                document.constData(), std::size_t(document.size()), pugi::parse_default, pugi::encoding_utf8))
            return 0;
        walkPugi(tree.document_element(), tokens);
    }
    return tokens.size;
}

template <std::uint64_t (*Reader)(Tokens&)>
void BM_ReadRecords(benchmark::State& state)
{
    records();
    Tokens tokens;
    checkTokens(state, tokens, Reader);
    for (auto _ : state) {
        if (Reader(tokens) == 0)
            state.SkipWithError("a reader refused a record");
        benchmark::DoNotOptimize(tokens.size);
    }
    std::int64_t bytes = 0;
    for (const QByteArray& document : records())
        bytes += document.size();
    state.SetBytesProcessed(bytes * state.iterations());
}
BENCHMARK_TEMPLATE(BM_ReadRecords, readQt)
    ->Name("BM_ReadRecordsQXmlStreamReader")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ReadRecords, readExpat)->Name("BM_ReadRecordsExpat")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ReadRecords, readPugi<false>)
    ->Name("BM_ReadRecordsPugixml")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ReadRecords, readPugi<true>)
    ->Name("BM_ReadRecordsPugixmlChecked")
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace Bench
