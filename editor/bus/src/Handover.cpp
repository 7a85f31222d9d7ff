#include <PubSub/Handover.h>

namespace PubSub {

namespace {

// The innermost offer of this thread; each offer links to the one it is nested in.
thread_local Handover* innermost = nullptr;

} // namespace

Handover::Handover(const void* key, void* offered) noexcept
    : m_key(key)
    , m_offered(offered)
    , m_outer(innermost)
{
    innermost = this;
}

Handover::~Handover()
{
    // Offers live on the stack of the code that publishes, so they end innermost first.
    innermost = m_outer;
}

void* Handover::take(const void* key) noexcept
{
    for (Handover* offer = innermost; offer; offer = offer->m_outer) {
        if (offer->m_key == key && offer->m_offered) {
            void* const offered = offer->m_offered;
            offer->m_offered = nullptr;
            return offered;
        }
    }
    return nullptr;
}

} // namespace PubSub
