// Feeds arbitrary bytes, as a pack file, to the pack reader. It must give the items
// or one reason to refuse the pack, never crash, hang or throw; the items it gives
// must be written as a pack and read back the same.

#include "FuzzSupport.h"
#include "transfer/PackFormat.h"
#include <Effect/AudioEqualizer.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace {

// The reason the pack is refused, or its items, read again one by one after the
// whole pack was checked, as an import reads them.
struct Read {
    QString error;
    std::vector<Transfer::Details::PackItem> items;
};

Read read(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const Transfer::Details::PackReader reader(&buffer);
    Read pack { reader.error(), {} };
    // A pack that reads once reads again the same: this throws only on a fault.
    for (std::size_t index = 0; index < reader.size(); ++index)
        pack.items.push_back(reader.item(index));
    return pack;
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
