#include <Model/UniqueId.h>

#include <QRandomGenerator>

#include <atomic>
#include <charconv>
#include <cstdint>

namespace {

std::string randomPrefix()
{
    // One draw per process: ids of separate runs differ by their prefix.
    const quint64 value = QRandomGenerator::system()->generate64();
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
    return std::string(text, end);
}

} // namespace

std::string nextUniqueId()
{
    static const std::string prefix = randomPrefix();
    static std::atomic<std::uint64_t> counter { 0 };
    const std::uint64_t number = counter.fetch_add(1, std::memory_order_relaxed) + 1;

    char text[17];
    text[0] = '-';
    const auto end = std::to_chars(text + 1, text + sizeof text, number, 16).ptr;
    std::string id;
    id.reserve(prefix.size() + std::size_t(end - text));
    id.append(prefix).append(text, end);
    return id;
}
