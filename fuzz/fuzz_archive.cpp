// Feeds arbitrary bytes to the archive reader in the layouts the persistence service and
// the bundle reader read. Damage must end in ArchiveError, never in a crash, a hang or a
// huge allocation; whatever reads cleanly must clone.

#include "FuzzSupport.h"
#include <Serialize/Cloner.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<Serialize::ISerializable> object;
    try {
        object = Fuzz::readArchive(Fuzz::bytes(data, size));
    } catch (const Serialize::ArchiveError&) {
        return 0;
    }
    Serialize::ObjectStorage storage;
    Serialize::Cloner().cloneImpl(object.get(), storage);
    return 0;
}
