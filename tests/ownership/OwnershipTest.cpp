// Items handed between the library and the services, over the real services with
// subscribers that throw at random moments (before the services, after them, after the
// library's helpers): random sequences of the exported operations, restarts and twin
// records on disk, and a follower that puts back what a removal takes out. Every build
// checks what the collections hold and what a fresh start lists against a model of what
// must, and must no longer, be stored. An item freed too early (each step reads every
// item listed) or twice, or one nobody frees, shows only in the sanitizer build.

#include <OperationsUnderThrows.h>
#include <rapidcheck/gtest.h>

namespace {

using namespace Testing;

RC_GTEST_PROP(OwnershipModel, ItemsChangeHandsWithoutLossThroughThrowsAndRestarts, ())
{
    const int twin = int(operations.size()), restart = twin + 1;
    const auto steps = *rc::gen::container<std::vector<std::tuple<int, int, int, int>>>(
        rc::gen::tuple(rc::gen::inRange(0, restart + 1), rc::gen::inRange(0, 3), rc::gen::inRange(0, 12),
            rc::gen::inRange(0, 4)));
    World world;
    for (const auto& [op, where, throwAt, pick] : steps) {
        world.pick = pick;
        if (op == restart) {
            world.restart();
            const std::set<std::string> stored = world.stored();
            for (const auto& [key, must] : world.mustList)
                RC_ASSERT(stored.count(key) == std::size_t(must));
        } else if (op == twin) {
            for (const QString& folder :
                { Settings::userEffectsPath("AudioEqualizer"), Settings::userImportsPath() })
                if (const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
                    !files.isEmpty())
                    QFile::copy(QDir(folder).filePath(files[pick % files.size()]),
                        QDir(folder).filePath(files[pick % files.size()] + " copy"));
        } else {
            operations[std::size_t(op)].prepare(world);
            world.follower->armed = pick % 2 == 0;
            chaos = Chaos { Chaos::Where(where), throwAt };
            try {
                operations[std::size_t(op)].call(world);
            } catch (const Thrown&) {
            }
            chaos = Chaos();
            lateThrowers.clear();
            world.collected();
        }
    }
}

} // namespace
