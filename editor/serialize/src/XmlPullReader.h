#pragma once

// A strict, small XML pull reader for the archive's own documents: UTF-8, elements
// with attributes, text with the predefined and numeric character references, CDATA,
// comments and the XML declaration. No DTD, no other entities, no other encoding:
// anything outside that subset, and anything not well-formed, is an error. It reads
// a document held in memory and copies text only where a reference must be replaced.

#include <Serialize/Archive.h>

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace Serialize {
namespace Details {

// The character of one well-formed UTF-8 sequence at at (advanced past it), or none
// (0xFFFFFFFF) for a malformed, overlong or surrogate sequence.
char32_t decodeUtf8(const char*& at, const char* end);

class XmlPullReader {
public:
    using Token = XmlToken;

    explicit XmlPullReader(QByteArray document);

    Token readNext();
    Token tokenType() const { return m_token; }

    // The element's name, for StartElement and EndElement.
    QLatin1String name() const { return QLatin1String(m_name.first, m_name.second); }
    // The value of the current start tag's attribute called name; false when it has
    // none. The value may refer to the document: it lives as long as this reader.
    bool attribute(QLatin1String name, QByteArray* value) const;
    // The text of a Characters token, references replaced (UTF-8).
    const QByteArray& text() const { return m_text; }
    // Exchanges the text with other, so that both keep their capacity.
    void swapText(QByteArray& other) { m_text.swap(other); }
    bool isWhitespace() const;

    QString errorString() const { return m_error; }
    int lineNumber() const;

private:
    struct Attribute {
        std::pair<const char*, int> name;
        QByteArray value; // raw data into the document unless a reference was replaced
    };

    Token fail(const QString& what);
    bool atEnd() const { return m_at >= m_end; }
    template <std::size_t N>
    bool startsWith(const char (&literal)[N]) const
    {
        return std::size_t(m_end - m_at) >= N - 1 && std::memcmp(m_at, literal, N - 1) == 0;
    }
    Token readMarkup();
    Token readStartTag();
    Token readEndTag();
    Token readText();
    Token skipUntil(const char* terminator, Token token, const char* what);
    bool readName(std::pair<const char*, int>* name);
    void skipSpace();
    // Appends the text from begin to end with references replaced; false on damage.
    bool appendText(const char* begin, const char* end, QByteArray* out, bool attribute);
    bool appendReference(const char*& at, const char* end, QByteArray* out);

    const QByteArray m_document;
    const char* m_at;
    const char* const m_end;
    Token m_token = Token::Invalid;
    std::pair<const char*, int> m_name { nullptr, 0 };
    std::vector<Attribute> m_attributes;
    std::vector<std::pair<const char*, int>> m_open; // the elements not closed yet
    QByteArray m_text;
    QString m_error;
    bool m_started = false; // the root element has begun
    bool m_pendingEnd = false; // an empty-element tag owes its end
};

} // namespace Details
} // namespace Serialize
