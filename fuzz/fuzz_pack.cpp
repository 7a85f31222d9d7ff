// Feeds arbitrary bytes, as a pack file, to the pack reader. It must give the items
// or one reason to refuse the pack, never crash, hang or throw; the items it gives
// must be written as a pack and read back the same.

#include "FuzzSupport.h"
#include "transfer/PackFormat.h"
#include <Effect/AudioEqualizer.h>

#include <algorithm>
#include <cstdlib>

namespace {

Transfer::Details::PackContents read(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return Transfer::Details::readPack(&buffer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Keeps the effects library, whose classes register themselves, linked in.
    static_cast<void>(Effect::AudioEqualizer::NameInArchive());
    const auto pack = read(Fuzz::bytes(data, size));
    if (!pack.error.isEmpty() || pack.items.empty())
        return 0;
    QByteArray written;
    QBuffer buffer(&written);
    if (!buffer.open(QIODevice::ReadWrite) || !Transfer::Details::writePack(&buffer, pack.items, {}))
        std::abort();
    const auto same = [](const auto& a, const auto& b) {
        return a.type == b.type && a.name == b.name && a.uniqueId == b.uniqueId
            && Transfer::Details::contentOf(a) == Transfer::Details::contentOf(b);
    };
    const auto again = read(written);
    if (!again.error.isEmpty()
        || !std::equal(pack.items.begin(), pack.items.end(), again.items.begin(), again.items.end(), same))
        std::abort();
    return 0;
}
