#pragma once

// The pack file: a ZIP archive (KArchive's KZip) of a JSON manifest and, per item,
// its record, preview and bundle. Reading checks the whole pack before anything
// uses it; neither side touches the data folder or the bus.

#include "transfer/PackItem.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

class QIODevice;

namespace Transfer {
namespace Details {

// Readers take packs of this version and older; a newer one is refused whole.
constexpr int FormatVersion = 1;

// A pack open for reading. Opening reads and checks the whole pack, one item at a
// time, and keeps only the manifest and where each item's files lie; item() reads
// one again. So no more than one item's record, preview and bundle are held at once,
// whatever the pack's size.
class PackReader {
public:
    // device: open for reading and seekable, and outliving the reader. Never throws.
    explicit PackReader(QIODevice* device);
    PackReader(const PackReader&) = delete;
    PackReader& operator=(const PackReader&) = delete;
    ~PackReader();

    // The one reason the pack is refused; empty when it was read whole.
    QString error() const;
    // How many items a pack that is not refused holds.
    std::size_t size() const;
    // The item at index (below size()), read and checked again. Throws
    // std::runtime_error when it no longer reads as it did: the file changed since.
    PackItem item(std::size_t index) const;

private:
    struct Data;
    std::unique_ptr<Data> d;
};

// Writes items as a pack onto device (open for writing and seekable). Every intro
// carries its bundle. False when the archive could not be written.
bool writePack(QIODevice* device, const std::vector<PackItem>& items, const Progress& progress);

} // namespace Details
} // namespace Transfer
