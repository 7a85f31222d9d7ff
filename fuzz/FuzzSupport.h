#pragma once

// What the targets share: their input as bytes and the readers they drive, which
// serialize_tests also runs over the seeds and over the inputs that once broke a reader.

#include <PersistentItem.h>
#include <RecordReader.h>
#include <Records.h>

#include <QGuiApplication>

#include <cstdint>
#include <memory>
#include <typeinfo>

namespace Fuzz {

// The input's bytes, not copied: data must outlive them. The first call starts a silent
// offscreen GUI application (previews are QPixmaps), never destroyed: the offscreen
// platform leaks its screen at shutdown.
inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char program[] = "fuzz";
    static char* argv[] = { program, nullptr };
    [[maybe_unused]] static const auto* application = (qputenv("QT_QPA_PLATFORM", "offscreen"),
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}),
        new QGuiApplication(argc, argv));
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
}

// Reads a generic record (every kind of entry), a bundle or a lone object, by its first
// node, and gives the object it holds (a record's item, a bundle's timeline); throws
// ArchiveError on damage.
inline std::unique_ptr<Serialize::ISerializable> readArchive(const QByteArray& document)
{
    Serialize::InputArchive in(document);
    std::unique_ptr<Serialize::ISerializable> object;
    const QString node = in.peekNodeName();
    if (node == QLatin1String("record")) {
        in.beginNode("record");
        in.readString("uniqueId");
        object = in.readObject("item");
        in.readImage("preview");
        const auto sequence = [&](const char* name, const auto& readElement) {
            for (std::int32_t i = 1, count = in.beginSequence(name); i <= count; ++i) {
                in.beginElement(i);
                readElement();
                in.endElement();
            }
            in.endSequence();
        };
        sequence("categories", [&] { in.readString("Data"); });
        sequence("customStrings", [&] {
            in.readString("Key");
            in.readText("Value");
        });
        in.readInt64("size");
        in.readDouble("ratio");
        in.readBool("visible");
        in.endNode();
    } else if (node == QLatin1String("bundle")) {
        in.beginNode("bundle");
        object = in.readObject("timeline");
        in.endNode();
    } else {
        object = in.readObject("object");
    }
    in.finish();
    return object;
}

enum class Restored { Yes, Refused, RefusedButChanged };

// Restores record from document with the persistence service's own reader (the one
// the packs use too); item then owns what it restored. A refusal is ArchiveError (its
// message to error) or std::bad_cast, which must leave a record restored into unchanged.
template <class T>
Restored restoreRecord(const QByteArray& document, EditorCollection::PersistentItem<T>& record,
    std::unique_ptr<const T>& item, std::string* error = nullptr)
{
    EditorCollection::LoadedRecords<T> read;
    if (!EditorCollection::readRecordFrom(document, read)) {
        record = read[0];
        item = read.take(0);
        return Restored::Yes;
    }
    const std::string idBefore = record.uniqueId;
    try {
        Serialize::InputArchive in(document);
        try {
            record.restore(in);
        } catch (...) {
            if (record.item || record.uniqueId != idBefore)
                return Restored::RefusedButChanged;
            throw;
        }
        item.reset(record.item);
        in.finish();
    } catch (const Serialize::ArchiveError& e) {
        if (error)
            *error = e.what();
    } catch (const std::bad_cast&) {
    }
    return Restored::Refused;
}

} // namespace Fuzz
