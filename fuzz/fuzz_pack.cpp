// Feeds arbitrary bytes, as a pack file, to the pack reader. It must give the items
// or one reason to refuse the pack, never crash, hang or throw; the items it gives
// must be written as a pack and read back the same.

#include "FuzzSupport.h"
#include "transfer/PackFormat.h"
#include <Effect/AudioEqualizer.h>

#include <cstdlib>

namespace {

using Transfer::Details::PackContents;

PackContents read(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return Transfer::Details::readPack(&buffer);
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
    const PackContents pack = read(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    if (!pack.error.isEmpty() || pack.items.empty())
        return 0;

    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::ReadWrite);
    if (!Transfer::Details::writePack(&buffer, pack.items, {}))
        std::abort();
    const PackContents again = read(written);
    if (!again.error.isEmpty() || again.items.size() != pack.items.size())
        std::abort();
    for (std::size_t index = 0; index < pack.items.size(); ++index) {
        const auto& before = pack.items[index];
        const auto& after = again.items[index];
        if (after.type != before.type || after.name != before.name || after.uniqueId != before.uniqueId
            || Transfer::Details::contentOf(after) != Transfer::Details::contentOf(before))
            std::abort();
    }
    return 0;
}
