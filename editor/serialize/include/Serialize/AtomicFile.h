#pragma once

#include <QString>

#include <functional>

class QIODevice;

namespace Serialize {

// Writes the file at path whole or not at all, creating missing folders: write fills
// the device. A reader sees the old file (or none) or the whole new one. When write
// returns false or throws, or the data does not all reach the disk, nothing is
// committed and the old file stays; an exception passes on. True once committed.
bool writeAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);

} // namespace Serialize
