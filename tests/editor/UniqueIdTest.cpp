#include <Model/UniqueId.h>
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace {

TEST(UniqueId, EveryCallFromEveryThreadGivesAFreshId)
{
    constexpr int threads = 4;
    constexpr int perThread = 5000;
    std::vector<std::vector<std::string>> drawn(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&drawn, t] {
            for (int i = 0; i < perThread; ++i)
                drawn[std::size_t(t)].push_back(nextUniqueId());
        });
    for (std::thread& worker : workers)
        worker.join();

    std::set<std::string> all;
    for (const auto& ids : drawn)
        all.insert(ids.begin(), ids.end());
    EXPECT_EQ(all.size(), std::size_t(threads * perThread));
    EXPECT_EQ(all.count(std::string()), 0u);
}

} // namespace
