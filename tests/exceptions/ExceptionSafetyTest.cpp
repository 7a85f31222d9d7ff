// Every exported operation under a subscriber that throws on the n-th message it
// hears, for every n the operation sends, with the real services: the exception
// reaches the caller, the bus holds what it held before, nothing stored is lost and
// the next call works and gives its result. Items leaked on the way out are found
// only by LeakSanitizer, in the sanitizer build.

#include <BusCounts.h>
#include <OperationsUnderThrows.h>
#include <Services/DataFolderCheck.h>
#include <gmock/gmock.h>

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
        const auto problemsBefore = problems();
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
        // Whatever file is new is a whole record that a listing shows.
        if (throwAt) {
            EXPECT_THAT(problems(), testing::ContainerEq(problemsBefore));
        }
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

    // Every file of the data folder that a listing passes over or that keeps an item
    // from being listed (leftovers, orphans, damage, duplicates), as "kind: path". A
    // whole record whose display name another item shows is listed, so it is none.
    std::set<std::string> problems() const
    {
        std::set<std::string> found;
        for (const Services::FolderProblem& problem : Services::checkDataFolder(world.root.path())) {
            if (problem.kind != QLatin1String("name"))
                found.insert((problem.kind + ": " + problem.path).toStdString());
        }
        return found;
    }

    World world;
};

// A throw after the helpers needs a helper that loads; these operations send no load.
const std::set<std::string> withoutLoad = { "NameAvailable", "RemoveUserEffect", "RemoveUserImport" };

std::vector<std::tuple<Operation, Chaos::Where>> rows()
{
    std::vector<std::tuple<Operation, Chaos::Where>> rows;
    for (const Operation& operation : operations)
        for (const Chaos::Where where : { Chaos::BeforeServices, Chaos::AfterServices, Chaos::AfterHelpers })
            if (where != Chaos::AfterHelpers || !withoutLoad.count(operation.name))
                rows.emplace_back(operation, where);
    return rows;
}

TEST_P(ExceptionSafety, AThrowAtAnyMessageReachesTheCallerAndLeavesNothingBehindButWholeRecords)
{
    const int messages = run(0);
    ASSERT_GT(messages, 0) << "no thrower of this row hears the operation: it would check nothing";
    for (int n = 1; n <= messages; ++n) {
        SCOPED_TRACE(testing::Message() << "thrown at message " << n << " of " << messages);
        run(n);
        EXPECT_EQ(run(0), messages);
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, ExceptionSafety, testing::ValuesIn(rows()),
    ([](const testing::TestParamInfo<ExceptionSafety::ParamType>& info) {
        const char* const places[] = { "_ThrowerFirst", "_ThrowerLast", "_ThrowerAfterHelpers" };
        return std::get<0>(info.param).name + places[std::get<1>(info.param)];
    }));

} // namespace
