// Feeds arbitrary bytes, as a stored record file, to the record of every item type. Each
// restore must succeed or be refused (ArchiveError, std::bad_cast) leaving the record as it
// was; whatever restores must save and read back the same.

#include "FuzzSupport.h"
#include <Effect/AudioEqualizer.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>

#include <QImage>

#include <cstdlib>
#include <tuple>

namespace {

template <class T>
void readAs(const QByteArray& document)
{
    EditorCollection::PersistentItem<T> record, again;
    std::unique_ptr<const T> item, itemAgain;
    const Fuzz::Restored read = Fuzz::restoreRecord(document, record, item);
    const auto pixels = [](const std::shared_ptr<const Types::Image>& preview) {
        return preview ? preview->toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied) : QImage();
    };
    const auto saved = [](const T* item) {
        return Testing::writeDocument([&](Serialize::OutputArchive& out) { out.writeObject("item", item); });
    };
    if (read == Fuzz::Restored::RefusedButChanged
        || (read == Fuzz::Restored::Yes
            && (Fuzz::restoreRecord(Testing::savedDocument(record), again, itemAgain) != Fuzz::Restored::Yes
                || std::tie(again.uniqueId, again.categories, again.collectionId, again.customStrings)
                    != std::tie(record.uniqueId, record.categories, record.collectionId, record.customStrings)
                || saved(again.item) != saved(record.item) || !again.preview != !record.preview
                || pixels(again.preview) != pixels(record.preview))))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Keeps the effects library, whose classes register themselves, linked in.
    static_cast<void>(Effect::AudioEqualizer::NameInArchive());
    const QByteArray document = Fuzz::bytes(data, size);
    readAs<Effect::Object>(document);
    readAs<Import::Object>(document);
    readAs<Overlay::Preset>(document);
    return 0;
}
