// Feeds arbitrary bytes, as a stored record file, to the record of every item type.
// Each restore must succeed or throw ArchiveError or std::bad_cast, leaving the
// record as it was; whatever restores must save and read back the same.

#include "FuzzSupport.h"
#include <Effect/AudioEqualizer.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <PersistentItem.h>
#include <Serialize/Archive.h>

#include <QImage>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {

using EditorCollection::PersistentItem;

template <class T>
QByteArray saved(const PersistentItem<T>& record)
{
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive out(&buffer);
    record.save(out);
    if (!out.finish())
        std::abort();
    return document;
}

QByteArray savedItem(const Serialize::ISerializable* item)
{
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive out(&buffer);
    out.writeObject("item", item);
    out.finish();
    return document;
}

bool samePreview(const std::shared_ptr<const Types::Image>& a, const std::shared_ptr<const Types::Image>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied)
        == b->toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Reads record from device the way the persistence service does; the item it
// restores goes to owner. False when the bytes are refused.
template <class T>
bool restore(QIODevice* device, PersistentItem<T>& record, std::unique_ptr<const T>& owner)
{
    const std::string idBefore = record.uniqueId;
    try {
        Serialize::InputArchive in(device);
        try {
            record.restore(in);
        } catch (...) {
            // A failed restore leaves the record untouched and owns nothing.
            if (record.item || record.uniqueId != idBefore)
                std::abort();
            throw;
        }
        owner.reset(record.item);
        in.finish();
        return true;
    } catch (const Serialize::ArchiveError&) {
    } catch (const std::bad_cast&) {
    }
    return false;
}

template <class T>
void readAs(const std::uint8_t* data, std::size_t size)
{
    Fuzz::InputDevice input(data, size);
    PersistentItem<T> record;
    std::unique_ptr<const T> item;
    if (!restore(input.device(), record, item))
        return;

    const QByteArray document = saved(record);
    QBuffer buffer;
    buffer.setData(document);
    buffer.open(QIODevice::ReadOnly);
    PersistentItem<T> again;
    std::unique_ptr<const T> itemAgain;
    if (!restore(&buffer, again, itemAgain))
        std::abort();
    if (again.uniqueId != record.uniqueId || again.categories != record.categories
        || again.collectionId != record.collectionId || again.customStrings != record.customStrings
        || savedItem(again.item) != savedItem(record.item) || !samePreview(again.preview, record.preview))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::startApplication();
    // Keeps the effects library, whose classes register themselves, linked in.
    static_cast<void>(Effect::AudioEqualizer::NameInArchive());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readAs<Effect::Object>(data, size);
    readAs<Import::Object>(data, size);
    readAs<Overlay::Preset>(data, size);
    return 0;
}
