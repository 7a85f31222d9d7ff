#pragma once

// What the targets share: a silent offscreen GUI application (previews are QPixmaps) and
// the readers they drive, which serialize_tests also runs over the seeds and over the
// inputs that once broke a reader.

#include <PersistentItem.h>
#include <Records.h>

#include <QGuiApplication>

#include <cstdint>
#include <memory>
#include <typeinfo>

namespace Fuzz {

inline void startApplication()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static int argc = 1;
    static char program[] = "fuzz";
    static char* argv[] = { program, nullptr };
    // Never destroyed: the offscreen platform leaks its screen at shutdown.
    new QGuiApplication(argc, argv);
}

// The input's bytes, not copied: data must outlive them.
inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
}

// What a document in one of the archive seeds' layouts holds.
struct Contents {
    std::unique_ptr<Serialize::ISerializable> object; // a record's item, a bundle's timeline
    std::string uniqueId;
    QString lastValue; // of a record's customStrings
};

// Reads a generic record (every kind of entry), a bundle or a lone object, by its first
// node; throws ArchiveError on damage.
inline Contents readArchive(const QByteArray& document)
{
    Serialize::InputArchive in(document);
    Contents read;
    const QString node = in.peekNodeName();
    if (node == QLatin1String("record")) {
        in.beginNode("record");
        read.uniqueId = in.readString("uniqueId");
        read.object = in.readObject("item");
        in.readImage("preview");
        for (std::int32_t i = 1, count = in.beginSequence("categories"); i <= count; ++i) {
            in.beginElement(i);
            in.readString("Data");
            in.endElement();
        }
        in.endSequence();
        for (std::int32_t i = 1, count = in.beginSequence("customStrings"); i <= count; ++i) {
            in.beginElement(i);
            in.readString("Key");
            read.lastValue = in.readText("Value");
            in.endElement();
        }
        in.endSequence();
        in.readInt64("size");
        in.readDouble("ratio");
        in.readBool("visible");
        in.endNode();
    } else if (node == QLatin1String("bundle")) {
        in.beginNode("bundle");
        read.object = in.readObject("timeline");
        in.endNode();
    } else {
        read.object = in.readObject("object");
    }
    in.finish();
    return read;
}

enum class Restored { Yes, Refused, RefusedButChanged };

// Restores record from document as the persistence service does; item then owns what it
// restored. A refusal is ArchiveError (its message to error) or std::bad_cast, which must
// leave record unchanged.
template <class T>
Restored restoreRecord(const QByteArray& document, EditorCollection::PersistentItem<T>& record,
    std::unique_ptr<const T>& item, std::string* error = nullptr)
{
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
        return Restored::Yes;
    } catch (const Serialize::ArchiveError& e) {
        if (error)
            *error = e.what();
    } catch (const std::bad_cast&) {
    }
    return Restored::Refused;
}

} // namespace Fuzz
