#include "XmlPullReader.h"

#include <algorithm>
#include <cstring>

namespace Serialize {
namespace Details {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The characters XML allows in a document.
bool isXmlChar(char32_t c)
{
    if (c < 0x20)
        return c == '\t' || c == '\n' || c == '\r';
    return c < 0xD800 || (c >= 0xE000 && c < 0xFFFE) || (c >= 0x10000 && c <= 0x10FFFF);
}

void appendUtf8(char32_t c, QByteArray* out)
{
    if (c < 0x80) {
        out->append(char(c));
    } else if (c < 0x800) {
        out->append(char(0xC0 | (c >> 6)));
        out->append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->append(char(0xE0 | (c >> 12)));
        out->append(char(0x80 | ((c >> 6) & 0x3F)));
        out->append(char(0x80 | (c & 0x3F)));
    } else {
        out->append(char(0xF0 | (c >> 18)));
        out->append(char(0x80 | ((c >> 12) & 0x3F)));
        out->append(char(0x80 | ((c >> 6) & 0x3F)));
        out->append(char(0x80 | (c & 0x3F)));
    }
}

// The first place of needle in [from, to), or null.
const char* find(const char* from, const char* to, const char* needle)
{
    const char* needleEnd = needle + std::strlen(needle);
    const char* found = std::search(from, to, needle, needleEnd);
    return found == to ? nullptr : found;
}

} // namespace

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

XmlPullReader::XmlPullReader(QByteArray document)
    : m_document(std::move(document))
    , m_at(m_document.constData())
    , m_end(m_document.constData() + m_document.size())
{
    if (startsWith("\xEF\xBB\xBF"))
        m_at += 3;
    if (!startsWith("<?xml") || m_end - m_at < 6 || !isSpace(m_at[5]))
        return;
    const char* close = find(m_at, m_end, "?>");
    if (!close) {
        fail(QStringLiteral("unfinished XML declaration"));
        return;
    }
    const QByteArray declaration(m_at, int(close - m_at));
    m_at = close + 2;
    // Our documents are UTF-8; a declaration of any other encoding is not ours.
    int at = declaration.indexOf("encoding");
    if (at < 0)
        return;
    const auto skipSpace = [&] {
        while (at < declaration.size() && isSpace(declaration[at]))
            ++at;
    };
    at += 8;
    skipSpace();
    const bool equals = at < declaration.size() && declaration[at] == '=';
    ++at;
    skipSpace();
    const char quote = equals && at < declaration.size() ? declaration[at] : '\0';
    const int end = quote == '"' || quote == '\'' ? declaration.indexOf(quote, at + 1) : -1;
    if (end < 0 || declaration.mid(at + 1, end - at - 1).toUpper() != "UTF-8")
        fail(QStringLiteral("unsupported encoding"));
}

XmlPullReader::Token XmlPullReader::fail(const QString& what)
{
    if (m_error.isEmpty())
        m_error = what;
    m_token = Token::Invalid;
    return Token::Invalid;
}

XmlPullReader::Token XmlPullReader::readNext()
{
    if (!m_error.isEmpty())
        return fail(m_error);
    m_attributes.clear();
    m_text.resize(0); // keeps the capacity
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        return m_token = Token::EndElement;
    }
    if (atEnd()) {
        if (!m_open.empty())
            return fail(QStringLiteral("premature end of document"));
        if (!m_started)
            return fail(QStringLiteral("no root element"));
        return m_token = Token::EndDocument;
    }
    return *m_at == '<' ? readMarkup() : readText();
}

XmlPullReader::Token XmlPullReader::readMarkup()
{
    const char next = m_end - m_at > 1 ? m_at[1] : '\0';
    if (next == '/')
        return readEndTag();
    if (next != '!' && next != '?')
        return readStartTag();
    if (startsWith("<!--"))
        return skipUntil("-->", Token::Comment, "comment");
    if (startsWith("<![CDATA[")) {
        if (m_open.empty())
            return fail(QStringLiteral("CDATA outside the root element"));
        m_at += 9;
        const char* close = find(m_at, m_end, "]]>");
        if (!close)
            return fail(QStringLiteral("unfinished CDATA section"));
        for (const char* at = m_at; at < close;) {
            if (!isXmlChar(decodeUtf8(at, close)))
                return fail(QStringLiteral("a character XML does not allow"));
        }
        m_text.append(m_at, int(close - m_at));
        m_at = close + 3;
        return m_token = Token::Characters;
    }
    if (next == '!')
        return fail(QStringLiteral("a document type or declaration is not allowed"));
    if (startsWith("<?xml") && m_end - m_at > 5 && (isSpace(m_at[5]) || m_at[5] == '?'))
        return fail(QStringLiteral("a misplaced XML declaration"));
    return skipUntil("?>", Token::ProcessingInstruction, "processing instruction");
}

XmlPullReader::Token XmlPullReader::skipUntil(const char* terminator, Token token, const char* what)
{
    const char* close = find(m_at, m_end, terminator);
    if (!close)
        return fail(QStringLiteral("unfinished %1").arg(QLatin1String(what)));
    m_at = close + std::strlen(terminator);
    return m_token = token;
}

bool XmlPullReader::readName(std::pair<const char*, int>* name)
{
    const char* begin = m_at;
    if (atEnd() || !isNameStart(*m_at))
        return false;
    while (!atEnd() && isNameChar(*m_at))
        ++m_at;
    *name = { begin, int(m_at - begin) };
    return true;
}

void XmlPullReader::skipSpace()
{
    while (!atEnd() && isSpace(*m_at))
        ++m_at;
}

XmlPullReader::Token XmlPullReader::readStartTag()
{
    if (m_started && m_open.empty())
        return fail(QStringLiteral("content after the root element"));
    ++m_at;
    if (!readName(&m_name))
        return fail(QStringLiteral("a bad element name"));
    for (;;) {
        const char* before = m_at;
        skipSpace();
        if (atEnd())
            return fail(QStringLiteral("premature end of document"));
        if (*m_at == '>' || (*m_at == '/' && m_end - m_at > 1 && m_at[1] == '>')) {
            m_pendingEnd = *m_at == '/';
            m_at += m_pendingEnd ? 2 : 1;
            break;
        }
        Attribute attribute;
        if (m_at == before || !readName(&attribute.name))
            return fail(QStringLiteral("a bad attribute"));
        skipSpace();
        if (atEnd() || *m_at != '=')
            return fail(QStringLiteral("an attribute without a value"));
        ++m_at;
        skipSpace();
        if (atEnd() || (*m_at != '"' && *m_at != '\''))
            return fail(QStringLiteral("an unquoted attribute value"));
        const char quote = *m_at++;
        const char* close = static_cast<const char*>(std::memchr(m_at, quote, std::size_t(m_end - m_at)));
        if (!close)
            return fail(QStringLiteral("a bad attribute value"));
        // Values such as counts and names stand for themselves: they are not copied.
        if (std::all_of(m_at, close, [](char c) { return c >= 0x20 && c < 0x7f && c != '&' && c != '<'; }))
            attribute.value = QByteArray::fromRawData(m_at, int(close - m_at));
        else if (!appendText(m_at, close, &attribute.value, true))
            return fail(m_error.isEmpty() ? QStringLiteral("a bad attribute value") : m_error);
        m_at = close + 1;
        for (const Attribute& other : m_attributes) {
            if (other.name.second == attribute.name.second
                && std::memcmp(other.name.first, attribute.name.first, std::size_t(other.name.second)) == 0)
                return fail(QStringLiteral("a repeated attribute"));
        }
        m_attributes.push_back(std::move(attribute));
    }
    m_open.push_back(m_name);
    m_started = true;
    return m_token = Token::StartElement;
}

XmlPullReader::Token XmlPullReader::readEndTag()
{
    m_at += 2;
    if (!readName(&m_name))
        return fail(QStringLiteral("a bad element name"));
    skipSpace();
    if (atEnd() || *m_at != '>')
        return fail(QStringLiteral("an unfinished end tag"));
    ++m_at;
    if (m_open.empty() || m_open.back().second != m_name.second
        || std::memcmp(m_open.back().first, m_name.first, std::size_t(m_name.second)) != 0)
        return fail(QStringLiteral("an end tag that does not match its start"));
    m_open.pop_back();
    return m_token = Token::EndElement;
}

XmlPullReader::Token XmlPullReader::readText()
{
    const char* close = static_cast<const char*>(std::memchr(m_at, '<', std::size_t(m_end - m_at)));
    if (!close)
        close = m_end;
    if (!appendText(m_at, close, &m_text, false))
        return fail(m_error.isEmpty() ? QStringLiteral("bad text") : m_error);
    m_at = close;
    if (m_open.empty() && !isWhitespace())
        return fail(QStringLiteral("text outside the root element"));
    return m_token = Token::Characters;
}

bool XmlPullReader::appendText(const char* begin, const char* end, QByteArray* out, bool attribute)
{
    // Runs of bytes that stand for themselves are copied whole; the loop stops only
    // at what needs replacing or checking.
    const char* run = begin;
    const auto flush = [&](const char* upTo) {
        if (upTo > run)
            out->append(run, int(upTo - run));
    };
    for (const char* at = begin; at < end;) {
        const auto c = static_cast<unsigned char>(*at);
        if (c >= 0x20 && c < 0x80 && c != '&' && c != '<' && c != '>') {
            ++at;
            continue;
        }
        if (c >= 0x80) {
            const char32_t decoded = decodeUtf8(at, end);
            if (!isXmlChar(decoded)) {
                m_error = QStringLiteral("a character XML does not allow, or bad UTF-8");
                return false;
            }
            continue;
        }
        if (c == '>') {
            if (!attribute && at - begin >= 2 && at[-1] == ']' && at[-2] == ']') {
                m_error = QStringLiteral("']]>' in text");
                return false;
            }
            ++at;
            continue;
        }
        if (c == '\t' || c == '\n') {
            if (attribute) {
                flush(at);
                out->append(' ');
                run = at + 1;
            }
            ++at;
            continue;
        }
        flush(at);
        if (c == '&') {
            if (!appendReference(++at, end, out))
                return false;
        } else if (c == '\r') {
            // End-of-line handling: CR LF and a lone CR become LF.
            ++at;
            if (at < end && *at == '\n')
                ++at;
            out->append(attribute ? ' ' : '\n');
        } else if (c == '<') {
            m_error = QStringLiteral("'<' in an attribute value");
            return false;
        } else {
            m_error = QStringLiteral("a character XML does not allow");
            return false;
        }
        run = at;
    }
    flush(end);
    return true;
}

bool XmlPullReader::appendReference(const char*& at, const char* end, QByteArray* out)
{
    const char* semicolon = static_cast<const char*>(std::memchr(at, ';', std::size_t(end - at)));
    if (!semicolon || semicolon == at) {
        m_error = QStringLiteral("an unfinished reference");
        return false;
    }
    const QByteArray reference(at, int(semicolon - at));
    at = semicolon + 1;
    static const std::pair<const char*, char> named[]
        = { { "lt", '<' }, { "gt", '>' }, { "amp", '&' }, { "quot", '"' }, { "apos", '\'' } };
    for (const auto& [name, character] : named) {
        if (reference == name) {
            out->append(character);
            return true;
        }
    }
    if (!reference.startsWith('#') || reference.size() < 2) {
        m_error = QStringLiteral("an undefined entity");
        return false;
    }
    const bool hex = reference[1] == 'x';
    const QByteArray digits = reference.mid(hex ? 2 : 1);
    bool ok = !digits.isEmpty() && digits.size() <= 8 && digits[0] != '-' && digits[0] != '+';
    const uint code = ok ? digits.toUInt(&ok, hex ? 16 : 10) : 0;
    if (!ok || !isXmlChar(code)) {
        m_error = QStringLiteral("a bad character reference");
        return false;
    }
    appendUtf8(code, out);
    return true;
}

bool XmlPullReader::attribute(QLatin1String name, QByteArray* value) const
{
    for (const Attribute& attribute : m_attributes) {
        if (attribute.name.second == name.size()
            && std::memcmp(attribute.name.first, name.data(), std::size_t(name.size())) == 0) {
            *value = attribute.value;
            return true;
        }
    }
    return false;
}

bool XmlPullReader::isWhitespace() const
{
    for (const char c : m_text) {
        if (!isSpace(c))
            return false;
    }
    return true;
}

int XmlPullReader::lineNumber() const
{
    int line = 1;
    for (const char* at = m_document.constData(); at < m_at && at < m_end; ++at)
        line += *at == '\n';
    return line;
}

} // namespace Details
} // namespace Serialize
