#include "transfer/PackItem.h"

#include "EditorServices.h"

#include <QBuffer>

namespace Transfer {
namespace Details {

namespace {

QByteArray serialized(const Serialize::ISerializable* object)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive archive(&buffer);
    archive.writeObject("item", object);
    archive.finish();
    return bytes;
}

template <class T>
void forgetIdentity(Serialize::ISerializable* copy)
{
    if (auto* item = dynamic_cast<T*>(copy)) {
        item->id.clear();
        item->secondaryId.clear();
    }
}

} // namespace

void setBundle(PackItem& item, QByteArray bytes)
{
    item.bundle = std::move(bytes);
    QBuffer buffer(&item.bundle);
    buffer.open(QIODevice::ReadOnly);
    item.timeline = Project::readBundle(&buffer);
}

QByteArray contentOf(const PackItem& item)
{
    if (item.type == ItemType::Intro)
        return serialized(item.timeline.get());
    Serialize::Cloner cloner;
    Serialize::ObjectStorage storage;
    Serialize::ISerializable* copy = cloner.cloneImpl(item.item.get(), storage);
    forgetIdentity<Effect::Object>(copy);
    forgetIdentity<Import::Object>(copy);
    forgetIdentity<Overlay::Preset>(copy);
    return serialized(copy);
}

} // namespace Details

} // namespace Transfer
