#include "CharacterRules.h"

#include <cstring>
#include <initializer_list>

namespace Serialize {
namespace Details {

char32_t decodeUtf8(const char*& at, const char* end)
{
    constexpr char32_t Bad = 0xFFFFFFFF;
    const auto lead = static_cast<unsigned char>(*at++);
    int extra = 0;
    char32_t c = 0;
    if (lead < 0x80)
        return lead;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
    } else {
        return Bad;
    }
    if (end - at < extra)
        return Bad;
    for (int i = 0; i < extra; ++i, ++at) {
        const auto next = static_cast<unsigned char>(*at);
        if ((next & 0xC0) != 0x80)
            return Bad;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t minimumOf[] = { 0, 0x80, 0x800, 0x10000 };
    if (c < minimumOf[extra] || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
        return Bad;
    return c;
}

namespace {

// The reference after an '&' at at (advanced past its ';'); false unless it names a
// predefined entity or a document character. The parser replaces it.
bool isReference(const char*& at, const char* end)
{
    const char* semicolon = static_cast<const char*>(std::memchr(at, ';', std::size_t(end - at)));
    if (!semicolon || semicolon - at > 10)
        return false;
    const std::size_t length = std::size_t(semicolon - at);
    const char* name = at;
    at = semicolon + 1;
    for (const char* entity : { "lt", "gt", "amp", "quot", "apos" })
        if (std::strlen(entity) == length && std::memcmp(entity, name, length) == 0)
            return true;
    if (length < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x';
    const char* digit = name + (hex ? 2 : 1);
    if (digit == semicolon)
        return false;
    char32_t code = 0;
    for (; digit < semicolon; ++digit) {
        const char d = *digit;
        int value;
        if (d >= '0' && d <= '9')
            value = d - '0';
        else if (hex && d >= 'a' && d <= 'f')
            value = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F')
            value = d - 'A' + 10;
        else
            return false;
        code = code * (hex ? 16 : 10) + char32_t(value);
        if (code > 0x10FFFF)
            return false;
    }
    return isDocumentChar(code);
}

} // namespace

const char* checkCharacters(const char* begin, const char* end, std::size_t* offset)
{
    for (const char* at = begin; at < end;) {
        const char* here = at;
        const auto c = static_cast<unsigned char>(*at);
        const char* problem = nullptr;
        if (c >= 0x20 && c < 0x80 && c != '&')
            ++at;
        else if (c == '&')
            problem = isReference(++at, end) ? nullptr : "a bad or undefined reference";
        else if (c < 0x80)
            problem = isDocumentChar(c) ? (++at, nullptr) : "a character XML does not allow";
        else
            problem = isDocumentChar(decodeUtf8(at, end)) ? nullptr
                                                          : "a character XML does not allow, or bad UTF-8";
        if (problem) {
            *offset = std::size_t(here - begin);
            return problem;
        }
    }
    return nullptr;
}

} // namespace Details
} // namespace Serialize
