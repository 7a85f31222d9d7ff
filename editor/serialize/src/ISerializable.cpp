#include <Serialize/ISerializable.h>

namespace Serialize {

ISerializable::~ISerializable() = default;

} // namespace Serialize
