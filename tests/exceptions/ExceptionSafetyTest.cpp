// Every exported operation under a subscriber that throws on the n-th message it
// hears, for every n the operation sends, with the real services: the exception
// reaches the caller, the bus holds what it held before, nothing stored is lost and
// the next call works and gives its result. Items leaked on the way out are found
// only by LeakSanitizer, in the sanitizer build.

#include <BusCounts.h>
#include <OperationsUnderThrows.h>

namespace {

using namespace Testing;

class ExceptionSafety : public ::testing::TestWithParam<std::tuple<Operation, Chaos::Where>> {
protected:
    // Runs the operation with a throw at message throwAt (0: none, so it gives its
    // result). Returns the messages heard at the throwers' place.
    int run(int throwAt)
    {
        const Operation& operation = std::get<0>(GetParam());
        operation.prepare(world);
        const auto before = kept();
        const auto counts = PubSub::Details::Dispatcher::instance().counts();
        chaos = Chaos { std::get<1>(GetParam()), throwAt };
        if (throwAt)
            EXPECT_THROW(operation.call(world), Thrown);
        else
            EXPECT_EQ(operation.call(world), operation.result);
        const int heard = std::exchange(chaos, Chaos()).heard;
        lateThrowers.clear();
        EXPECT_EQ(PubSub::Details::Dispatcher::instance().counts(), counts);
        const auto after = kept();
        for (const auto& [what, bytes] : before)
            EXPECT_TRUE(!throwAt || (after.count(what) && after.at(what) == bytes))
                << "lost or changed: " << what;
        return heard;
    }

    // What must survive any failed call: every file stored, with its bytes, and every
    // item collected, as "<collection>/<id>"; less what the operation may remove.
    std::map<std::string, QByteArray> kept() const
    {
        std::map<std::string, QByteArray> kept;
        for (const QString& file : world.root.files())
            kept[QDir(world.root.path()).filePath(file).toStdString()]
                = readFile(QDir(world.root.path()).filePath(file));
        for (const std::string& id : world.collected())
            kept[id];
        for (const QString& gone : world.mayRemove)
            kept.erase(gone.toStdString());
        return kept;
    }

    World world;
};

TEST_P(ExceptionSafety, AThrowAtAnyMessageReachesTheCallerAndLeavesNothingBehind)
{
    const int messages = run(0);
    for (int n = 1; n <= messages; ++n) {
        SCOPED_TRACE(testing::Message() << "thrown at message " << n << " of " << messages);
        run(n);
        EXPECT_EQ(run(0), messages);
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, ExceptionSafety,
    testing::Combine(testing::ValuesIn(operations),
        testing::Values(Chaos::BeforeServices, Chaos::AfterServices, Chaos::AfterHelpers)),
    ([](const testing::TestParamInfo<ExceptionSafety::ParamType>& info) {
        const char* const places[] = { "_ThrowerFirst", "_ThrowerLast", "_ThrowerAfterHelpers" };
        return std::get<0>(info.param).name + places[std::get<1>(info.param)];
    }));

} // namespace
