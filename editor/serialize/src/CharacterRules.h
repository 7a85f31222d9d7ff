#pragma once

// What the archive's documents may hold, shared by the writer (what it writes as
// text and what it must encode) and the reader (what it accepts).

#include <cstddef>

namespace Serialize {
namespace Details {

// The character of one well-formed UTF-8 sequence at at (advanced past it), or none
// (0xFFFFFFFF) for a malformed, overlong or surrogate sequence.
char32_t decodeUtf8(const char*& at, const char* end);

// The characters XML 1.0 allows in a document.
inline bool isDocumentChar(char32_t c)
{
    if (c < 0x20)
        return c == '\t' || c == '\n' || c == '\r';
    return c < 0xD800 || (c >= 0xE000 && c < 0xFFFE) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The characters that come back unchanged from text: a reader turns "\r" into "\n",
// so text holding one is written as base64.
inline bool isTextChar(char32_t c)
{
    return c != '\r' && isDocumentChar(c);
}

// Entry names: ASCII letters, digits, '_', '-' and '.', never ':' (no namespaces).
inline bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

inline bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Null when the document is UTF-8 of document characters whose every '&' begins a
// reference to a predefined entity or to a document character; otherwise what is
// wrong, and where in offset.
const char* checkCharacters(const char* begin, const char* end, std::size_t* offset);

} // namespace Details
} // namespace Serialize
