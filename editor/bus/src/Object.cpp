#include <PubSub/Dispatcher.h>
#include <PubSub/Object.h>

namespace PubSub {

Object::~Object()
{
    if (m_subscribedTo.load(std::memory_order_acquire))
        Details::Dispatcher::instance().objectDestroyed(this);
}

} // namespace PubSub
