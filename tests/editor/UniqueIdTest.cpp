// Run under ThreadSanitizer by scripts/test.sh: a counter that is not atomic shows there.

#include <Model/UniqueId.h>
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

TEST(UniqueId, EveryCallFromEveryThreadGivesAFreshId)
{
    constexpr int threads = 4, perThread = 1000;
    std::vector<std::vector<std::string>> drawn(threads);
    std::vector<std::thread> workers;
    for (auto& ids : drawn)
        workers.emplace_back([&ids] {
            for (int i = 0; i < perThread; ++i)
                ids.push_back(nextUniqueId());
        });
    for (std::thread& worker : workers)
        worker.join();

    std::set<std::string> all { std::string() };
    for (const auto& ids : drawn)
        all.insert(ids.begin(), ids.end());
    EXPECT_EQ(all.size(), std::size_t(threads * perThread + 1)) << "an id repeated, or one was empty";
}
