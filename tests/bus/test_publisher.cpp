#include "BusTestTypes.h"

#include <BusSpy.h>
#include <gmock/gmock.h>
#include <typeindex>

using namespace BusTest;
using testing::ElementsAre;

namespace {

struct Echo : Message::Types::Notification<Sender> { };

class Announcer : private PubSub::Publisher<Ping, Pong, Echo> {
public:
    void announce(const Sender& sender)
    {
        publish(Pong(&sender));
        publish(Ping(&sender));
        Echo echo;
        echo.object = &sender;
        publish(echo);
    }
};

} // namespace

TEST(Publisher, DerivedClassPublishesEveryDeclaredTypeWithoutNamingTheBase)
{
    const Sender sender;
    Testing::BusSpy<Ping, Pong, Echo> spy;
    Announcer().announce(sender);
    EXPECT_THAT(spy.log.types(),
        ElementsAre(
            std::type_index(typeid(Pong)), std::type_index(typeid(Ping)), std::type_index(typeid(Echo))));
    EXPECT_EQ(spy.log.entries.at(0).sender, &sender);
}
