// Feeds arbitrary bytes to the archive reader in the layouts the persistence service and
// the bundle reader read. Damage must end in ArchiveError, never in a crash, a hang or a
// huge allocation; whatever reads cleanly must clone into an object that saves as the
// original does.

#include "FuzzSupport.h"
#include <Serialize/Cloner.h>

#include <QBuffer>

namespace {

QByteArray saved(const Serialize::ISerializable* object)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive out(&buffer);
    out.writeObject("object", object);
    out.finish();
    return buffer.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<Serialize::ISerializable> object;
    try {
        object = Fuzz::readArchive(Fuzz::bytes(data, size));
    } catch (const Serialize::ArchiveError&) {
        return 0;
    }
    Serialize::ObjectStorage storage;
    const Serialize::ISerializable* clone = Serialize::Cloner().cloneImpl(object.get(), storage);
    if (saved(clone) != saved(object.get()))
        __builtin_trap();
    return 0;
}
