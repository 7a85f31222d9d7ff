#pragma once

// The pack file: a ZIP archive (KArchive's KZip) of a JSON manifest and, per item,
// its record, preview and bundle. Reading checks the whole pack before anything
// uses it; neither side touches the data folder or the bus.

#include "transfer/PackItem.h"

#include <QString>

#include <vector>

class QIODevice;

namespace Transfer {
namespace Details {

// Readers take packs of this version and older; a newer one is refused whole.
constexpr int FormatVersion = 1;

// The items of a pack, or the one reason it is refused.
struct PackContents {
    QString error;
    std::vector<PackItem> items;
};

// Reads and checks the pack on device (open for reading and seekable). Never throws.
PackContents readPack(QIODevice* device);

// Writes items as a pack onto device (open for writing and seekable). Every intro
// carries its bundle. False when the archive could not be written.
bool writePack(QIODevice* device, const std::vector<PackItem>& items, const Progress& progress);

} // namespace Details
} // namespace Transfer
