#include "BusTypes.h"

namespace Bench {

void PingHandler::handle(const PingRequest&)
{
    ++calls;
}

void OtherHandler::handle(const OtherRequest&)
{
    ++calls;
}

} // namespace Bench
