// Feeds arbitrary bytes to the archive reader, reading what the persistence
// service and the bundle reader read. Damage must end in ArchiveError, never in a
// crash, a hang or a huge allocation; whatever reads cleanly must clone cleanly.

#include "FuzzSupport.h"
#include <Serialize/Archive.h>
#include <Serialize/Cloner.h>
#include <Types/Image.h>

#include <cstdint>
#include <cstdlib>

namespace {

// Every object that reads cleanly must survive its own save and restore.
void checkClone(const Serialize::ISerializable* object)
{
    Serialize::ObjectStorage storage;
    try {
        Serialize::Cloner().cloneImpl(object, storage);
    } catch (const Serialize::ArchiveError&) {
        std::abort();
    }
}

// Every text that reads cleanly must come back unchanged through a new document.
void checkTexts(const std::string& bytes, const QString& text)
{
    QByteArray document;
    {
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        Serialize::OutputArchive out(&buffer);
        out.writeString("bytes", bytes);
        out.writeText("text", text);
        out.finish();
    }
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    try {
        Serialize::InputArchive in(&buffer);
        if (in.readString("bytes") != bytes || in.readText("text") != text)
            std::abort();
        in.finish();
    } catch (const Serialize::ArchiveError&) {
        std::abort();
    }
}

void readRecord(Serialize::InputArchive& in)
{
    in.beginNode("record");
    const std::string uniqueId = in.readString("uniqueId");
    const std::unique_ptr<Serialize::ISerializable> item = in.readObject("item");
    in.readImage("preview");
    const std::int32_t categories = in.beginSequence("categories");
    for (std::int32_t i = 1; i <= categories; ++i) {
        in.beginElement(i);
        in.readString("Data");
        in.endElement();
    }
    in.endSequence();
    QString lastValue;
    const std::int32_t strings = in.beginSequence("customStrings");
    for (std::int32_t i = 1; i <= strings; ++i) {
        in.beginElement(i);
        in.readString("Key");
        lastValue = in.readText("Value");
        in.endElement();
    }
    in.endSequence();
    in.readInt64("size");
    in.readDouble("ratio");
    in.readBool("visible");
    in.endNode();
    in.finish();
    checkClone(item.get());
    checkTexts(uniqueId, lastValue);
}

void readAny(Serialize::InputArchive& in)
{
    const QString node = in.peekNodeName();
    if (node == QLatin1String("record")) {
        readRecord(in);
    } else if (node == QLatin1String("bundle")) {
        in.beginNode("bundle");
        const auto timeline = in.readObject("timeline");
        in.endNode();
        in.finish();
        checkClone(timeline.get());
    } else {
        const auto object = in.readObject("object");
        in.finish();
        checkClone(object.get());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::InputDevice input(data, size);
    try {
        Serialize::InputArchive in(input.device());
        readAny(in);
    } catch (const Serialize::ArchiveError&) {
    }
    return 0;
}
