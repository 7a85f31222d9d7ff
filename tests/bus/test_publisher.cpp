#include "BusTestTypes.h"
#include <BusSpy.h>
#include <gmock/gmock.h>

using namespace BusTest;

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
    EXPECT_EQ(spy.log.types(), (Testing::typesOf<Pong, Ping, Echo>()));
    EXPECT_EQ(spy.log.entries.at(0).sender, &sender);
}
