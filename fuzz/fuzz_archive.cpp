// Feeds arbitrary bytes to the archive reader in the layouts the persistence service and
// the bundle reader read. Damage must end in ArchiveError, never in a crash, a hang or a
// huge allocation; whatever reads cleanly must clone, and its texts come back unchanged.

#include "FuzzSupport.h"
#include <Serialize/Cloner.h>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::Contents read;
    try {
        read = Fuzz::readArchive(Fuzz::bytes(data, size));
    } catch (const Serialize::ArchiveError&) {
        return 0;
    }
    try {
        Serialize::ObjectStorage storage;
        Serialize::Cloner().cloneImpl(read.object.get(), storage);
        Testing::DocumentReader again(Testing::writeDocument([&](Serialize::OutputArchive& out) {
            out.writeString("bytes", read.uniqueId);
            out.writeText("text", read.lastValue);
        }));
        if (again.archive().readString("bytes") != read.uniqueId
            || again.archive().readText("text") != read.lastValue)
            std::abort();
        again.archive().finish();
    } catch (const Serialize::ArchiveError&) {
        std::abort();
    }
    return 0;
}
