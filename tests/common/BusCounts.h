#pragma once

#include <PubSub/Dispatcher.h>

#include <ostream>

namespace PubSub {
namespace Details {

// Lets a failed comparison of dispatcher counts say which number moved.
inline void PrintTo(const Dispatcher::Counts& c, std::ostream* out)
{
    *out << "{subscribers " << c.subscribers << ", registrations " << c.registrations << ", objects "
         << c.objectSubscriptions << ", types " << c.typeSubscriptions << ", indexed senders "
         << c.indexedSenders << ", sender entries " << c.senderEntries << ", type entries "
         << c.senderTypeEntries << "}";
}

} // namespace Details
} // namespace PubSub
