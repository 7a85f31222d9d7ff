#include "CharacterRules.h"
#include <Serialize/Archive.h>
#include <Serialize/ISerializable.h>
#include <Serialize/Registry.h>
#include <Types/Image.h>
#include <pugixml.hpp>

#include <QDir>
#include <QLocale>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace Serialize {

namespace {

constexpr int FormatVersion = 1;
// Objects that hold objects recurse on the stack; a damaged document must not choose how deep.
constexpr int MaxObjectDepth = 32;

using Details::isNameChar;
using Details::isNameStart;
using Details::isTextChar;

QString checkedName(const char* name)
{
    if (!name || !isNameStart(*name))
        throw std::invalid_argument("not an archive entry name");
    for (const char* p = name + 1; *p; ++p)
        if (!isNameChar(*p))
            throw std::invalid_argument(std::string("not an archive entry name: ") + name);
    return QString::fromLatin1(name);
}

// True when value is UTF-8 whose every character survives XML text unchanged.
bool isPlainUtf8(const std::string& value)
{
    for (const char *at = value.data(), *end = at + value.size(); at < end;) {
        if (!isTextChar(Details::decodeUtf8(at, end)))
            return false;
    }
    return true;
}

bool isPlainText(const QString& value)
{
    const QChar* p = value.constData();
    const QChar* end = p + value.size();
    for (; p < end; ++p) {
        const char16_t u = p->unicode();
        if (QChar::isHighSurrogate(u)) {
            if (p + 1 == end || !QChar::isLowSurrogate(p[1].unicode()))
                return false;
            ++p;
        } else if (!isTextChar(u)) {
            return false;
        }
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------

OutputArchive::OutputArchive(QIODevice* device)
    // Into memory first: Qt would otherwise encode and hand every fragment to the device.
    : m_device(device)
    , m_writer(std::make_unique<QXmlStreamWriter>(&m_text))
{
    m_writer->writeStartElement(QStringLiteral("archive"));
    m_writer->writeAttribute(QStringLiteral("version"), QString::number(FormatVersion));
}

OutputArchive::~OutputArchive() = default;

void OutputArchive::beginEntry(const char* name)
{
    m_writer->writeStartElement(checkedName(name));
}

void OutputArchive::beginNode(const char* name)
{
    beginEntry(name);
}

void OutputArchive::endNode()
{
    m_writer->writeEndElement();
}

void OutputArchive::writeString(const char* name, const std::string& value)
{
    beginEntry(name);
    if (isPlainUtf8(value)) {
        m_writer->writeCharacters(QString::fromStdString(value));
    } else {
        m_writer->writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
        m_writer->writeCharacters(
            QString::fromLatin1(QByteArray::fromRawData(value.data(), int(value.size())).toBase64()));
    }
    m_writer->writeEndElement();
}

void OutputArchive::setBaseFolder(const QString& folder)
{
    m_baseFolder = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

void OutputArchive::writePath(const char* name, const std::string& path)
{
    const QString full = QDir::cleanPath(QString::fromStdString(path));
    if (m_baseFolder.isEmpty() || path.empty() || !isPlainUtf8(path) || !QDir::isAbsolutePath(full)
        || !full.startsWith(m_baseFolder + QLatin1Char('/'))) {
        writeString(name, path);
        return;
    }
    beginEntry(name);
    m_writer->writeAttribute(QStringLiteral("within"), QStringLiteral("base"));
    m_writer->writeCharacters(full.mid(m_baseFolder.size() + 1));
    m_writer->writeEndElement();
}

void OutputArchive::writeText(const char* name, const QString& value)
{
    beginEntry(name);
    if (isPlainText(value)) {
        m_writer->writeCharacters(value);
    } else {
        // UTF-16 code units as they are, so that even a lone surrogate comes back.
        QByteArray units;
        units.reserve(value.size() * 2);
        for (const QChar c : value) {
            units.append(char(c.unicode() & 0xFF));
            units.append(char(c.unicode() >> 8));
        }
        m_writer->writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
        m_writer->writeCharacters(QString::fromLatin1(units.toBase64()));
    }
    m_writer->writeEndElement();
}

void OutputArchive::writeInt32(const char* name, std::int32_t value)
{
    m_writer->writeTextElement(checkedName(name), QString::number(value));
}

void OutputArchive::writeInt64(const char* name, std::int64_t value)
{
    m_writer->writeTextElement(checkedName(name), QString::number(qlonglong(value)));
}

void OutputArchive::writeDouble(const char* name, double value)
{
    m_writer->writeTextElement(
        checkedName(name), QString::number(value, 'g', QLocale::FloatingPointShortest));
}

void OutputArchive::writeBool(const char* name, bool value)
{
    m_writer->writeTextElement(checkedName(name), value ? QStringLiteral("true") : QStringLiteral("false"));
}

void OutputArchive::beginSequence(const char* name, std::int32_t count)
{
    beginEntry(name);
    m_writer->writeAttribute(QStringLiteral("count"), QString::number(count));
}

void OutputArchive::beginElement(std::int32_t number)
{
    m_writer->writeStartElement(QStringLiteral("element"));
    m_writer->writeAttribute(QStringLiteral("number"), QString::number(number));
}

void OutputArchive::endElement()
{
    m_writer->writeEndElement();
}

void OutputArchive::endSequence()
{
    m_writer->writeEndElement();
}

void OutputArchive::writeObject(const char* name, const ISerializable* object)
{
    beginEntry(name);
    if (object) {
        m_writer->writeAttribute(QStringLiteral("class"), QString::fromStdString(object->name()));
        object->save(*this);
    } else {
        m_writer->writeAttribute(QStringLiteral("null"), QStringLiteral("true"));
    }
    m_writer->writeEndElement();
}

void OutputArchive::writeImage(const char* name, const std::shared_ptr<const Types::Image>& image)
{
    beginEntry(name);
    if (image) {
        // Bytes read from a record are written back as they are, never decoded; an
        // empty pixmap has no PNG form and is written as empty content.
        m_writer->writeAttribute(QStringLiteral("format"), QStringLiteral("png"));
        const QByteArray png = image->encoded();
        if (!png.isEmpty() && !Types::Image::readable(png))
            m_unreadable = true;
        m_writer->writeCharacters(QString::fromLatin1(png.toBase64()));
    } else {
        m_writer->writeAttribute(QStringLiteral("null"), QStringLiteral("true"));
    }
    m_writer->writeEndElement();
}

bool OutputArchive::finish()
{
    if (m_finished)
        return m_written;
    m_finished = true;
    m_writer->writeEndElement();
    m_writer->writeEndDocument();
    // Written to a QString, Qt would leave the encoding out of the declaration.
    QByteArray document = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    document += m_text.toUtf8();
    m_text.clear();
    if (m_unreadable || (m_maxBytes >= 0 && document.size() > m_maxBytes))
        return false;
    m_written = m_device && m_device->write(document) == document.size();
    return m_written;
}

// ---------------------------------------------------------------------------

// pugixml builds the document's tree in one pass; the reader then walks it as the
// caller names entries. pugixml checks structure, not characters or references, so
// the raw document is checked against the writer's rules first.
struct InputArchive::Reader {
    QByteArray document; // shared, for line numbers
    pugi::xml_document tree;
    pugi::xml_node parent; // the element being read
    pugi::xml_node next; // its first child not read yet; null at its end
    pugi::xml_node tag; // the element whose attributes attribute() reads

    int lineAt(std::ptrdiff_t offset) const
    {
        if (offset < 0 || offset > document.size())
            return 0;
        return 1 + int(std::count(document.constData(), document.constData() + offset, '\n'));
    }
};

namespace {

bool isBlank(const char* text)
{
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r')
            return false;
    return true;
}

bool isText(const pugi::xml_node& node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

} // namespace

InputArchive::InputArchive(QIODevice* device)
    : m_reader(std::make_unique<Reader>())
{
    if (!device)
        fail(QStringLiteral("no device"));
    start(device->readAll());
}

InputArchive::InputArchive(const QByteArray& document)
    : m_reader(std::make_unique<Reader>())
{
    start(document);
}

InputArchive::~InputArchive() = default;

void InputArchive::start(const QByteArray& document)
{
    Reader& r = *m_reader;
    r.document = document;
    const char* begin = document.constData();
    std::size_t offset = 0;
    if (const char* problem = Details::checkCharacters(begin, begin + document.size(), &offset)) {
        r.tag = pugi::xml_node();
        throw ArchiveError(QStringLiteral("damaged archive at line %1: %2")
                               .arg(r.lineAt(std::ptrdiff_t(offset)))
                               .arg(QLatin1String(problem))
                               .toStdString());
    }
    // Blank text is kept where it is an element's only content: a field's value.
    constexpr unsigned options = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol
        | pugi::parse_wconv_attribute | pugi::parse_ws_pcdata_single | pugi::parse_pi | pugi::parse_doctype
        | pugi::parse_declaration;
    const pugi::xml_parse_result parsed
        = r.tree.load_buffer(begin, std::size_t(document.size()), options, pugi::encoding_utf8);
    if (!parsed)
        throw ArchiveError(QStringLiteral("damaged archive at line %1: %2")
                               .arg(r.lineAt(parsed.offset))
                               .arg(QLatin1String(parsed.description()))
                               .toStdString());
    // Around the root element: the declaration, comments and blank text only.
    pugi::xml_node root;
    for (const pugi::xml_node& node : r.tree.children()) {
        r.tag = node;
        switch (node.type()) {
        case pugi::node_declaration: {
            const char* encoding = node.attribute("encoding").value();
            if (*encoding && QByteArray(encoding).toUpper() != "UTF-8")
                fail(QStringLiteral("unsupported encoding"));
            break;
        }
        case pugi::node_element:
            if (root)
                fail(QStringLiteral("content after the root element"));
            root = node;
            break;
        case pugi::node_pcdata:
            if (isBlank(node.value()))
                break;
            fail(QStringLiteral("text outside the root element"));
        case pugi::node_doctype:
            fail(QStringLiteral("a document type or declaration is not allowed"));
        default:
            fail(QStringLiteral("unexpected markup"));
        }
    }
    r.tag = root;
    if (!root || std::strcmp(root.name(), "archive") != 0)
        fail(QStringLiteral("not an archive"));
    bool ok = false;
    const int version = attribute("version").toInt(&ok);
    if (!ok || version != FormatVersion)
        fail(QStringLiteral("unsupported archive version"));
    r.parent = root;
    r.next = root.first_child();
}

void InputArchive::fail(const QString& what) const
{
    const Reader& r = *m_reader;
    const pugi::xml_node at = r.tag ? r.tag : r.parent;
    throw ArchiveError(QStringLiteral("damaged archive at line %1: %2")
                           .arg(at ? r.lineAt(at.offset_debug()) : 0)
                           .arg(what)
                           .toStdString());
}

QByteArray InputArchive::attribute(const char* name) const
{
    const char* value = m_reader->tag.attribute(name).value();
    return QByteArray::fromRawData(value, int(std::strlen(value)));
}

bool InputArchive::atElement()
{
    Reader& r = *m_reader;
    for (; r.next; r.next = r.next.next_sibling()) {
        if (r.next.type() == pugi::node_element) {
            r.tag = r.next;
            return true;
        }
        r.tag = r.next;
        if (!isText(r.next))
            fail(QStringLiteral("unexpected markup"));
        if (!isBlank(r.next.value()))
            fail(QStringLiteral("unexpected text"));
    }
    r.tag = pugi::xml_node();
    return false;
}

void InputArchive::expectStart(const char* name)
{
    if (!atElement() || std::strcmp(m_reader->next.name(), name) != 0)
        fail(QStringLiteral("expected <%1>").arg(QLatin1String(name)));
    Reader& r = *m_reader;
    r.parent = r.next;
    r.next = r.parent.first_child();
}

void InputArchive::expectEnd()
{
    if (atElement())
        fail(QStringLiteral("expected the end of <%1>").arg(QString::fromUtf8(m_reader->parent.name())));
    Reader& r = *m_reader;
    r.next = r.parent.next_sibling();
    r.parent = r.parent.parent();
}

void InputArchive::readContent(const char* name)
{
    expectStart(name);
    Reader& r = *m_reader;
    m_text.resize(0); // keeps the capacity
    for (; r.next; r.next = r.next.next_sibling()) {
        if (!isText(r.next)) {
            r.tag = r.next;
            fail(QStringLiteral("unexpected content in <%1>").arg(QLatin1String(name)));
        }
        m_text.append(r.next.value());
    }
    r.tag = r.parent;
    expectEnd();
}

bool InputArchive::isBase64() const
{
    // Called while the reader still stands on the field's start tag.
    return attribute("encoding") == "base64";
}

QByteArray InputArchive::decodeBase64(const char* name) const
{
    auto decoded = QByteArray::fromBase64Encoding(m_text, QByteArray::AbortOnBase64DecodingErrors);
    if (decoded.decodingStatus != QByteArray::Base64DecodingStatus::Ok)
        fail(QStringLiteral("bad base64 in <%1>").arg(QLatin1String(name)));
    return std::move(decoded.decoded);
}

QString InputArchive::peekNodeName()
{
    return atElement() ? QString::fromUtf8(m_reader->next.name()) : QString();
}

void InputArchive::beginNode(const char* name)
{
    expectStart(name);
}

void InputArchive::endNode()
{
    expectEnd();
}

std::string InputArchive::readString(const char* name)
{
    if (atElement() && isBase64()) {
        readContent(name);
        const QByteArray bytes = decodeBase64(name);
        return std::string(bytes.constData(), std::size_t(bytes.size()));
    }
    readContent(name);
    return std::string(m_text.constData(), std::size_t(m_text.size()));
}

void InputArchive::setBaseFolder(const QString& folder)
{
    m_baseFolder = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

std::string InputArchive::readPath(const char* name)
{
    const bool withinBase = atElement() && attribute("within") == "base";
    if (!withinBase)
        return readString(name);
    readContent(name);
    const QString relative = QDir::cleanPath(QString::fromUtf8(m_text));
    if (relative.isEmpty() || QDir::isAbsolutePath(relative) || relative == QLatin1String("..")
        || relative.startsWith(QLatin1String("../")))
        fail(QStringLiteral("a path in <%1> leaves its folder").arg(QLatin1String(name)));
    if (m_baseFolder.isEmpty())
        return relative.toStdString();
    return (m_baseFolder + QLatin1Char('/') + relative).toStdString();
}

QString InputArchive::readText(const char* name)
{
    if (atElement() && isBase64()) {
        readContent(name);
        const QByteArray units = decodeBase64(name);
        if (units.size() % 2 != 0)
            fail(QStringLiteral("bad text in <%1>").arg(QLatin1String(name)));
        QString text(units.size() / 2, Qt::Uninitialized);
        for (int i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(uchar(units[2 * i]) | (uchar(units[2 * i + 1]) << 8)));
        return text;
    }
    readContent(name);
    return QString::fromUtf8(m_text);
}

std::int32_t InputArchive::readInt32(const char* name)
{
    readContent(name);
    bool ok = false;
    const int value = m_text.toInt(&ok);
    if (!ok)
        fail(QStringLiteral("bad number in <%1>").arg(QLatin1String(name)));
    return value;
}

std::int64_t InputArchive::readInt64(const char* name)
{
    readContent(name);
    bool ok = false;
    const qlonglong value = m_text.toLongLong(&ok);
    if (!ok)
        fail(QStringLiteral("bad number in <%1>").arg(QLatin1String(name)));
    return value;
}

double InputArchive::readDouble(const char* name)
{
    readContent(name);
    bool ok = false;
    const double value = m_text.toDouble(&ok);
    if (!ok)
        fail(QStringLiteral("bad number in <%1>").arg(QLatin1String(name)));
    return value;
}

bool InputArchive::readBool(const char* name)
{
    readContent(name);
    if (m_text == "true")
        return true;
    if (m_text == "false")
        return false;
    fail(QStringLiteral("bad truth value in <%1>").arg(QLatin1String(name)));
}

std::int32_t InputArchive::beginSequence(const char* name)
{
    expectStart(name);
    bool ok = false;
    const int count = attribute("count").toInt(&ok);
    if (!ok || count < 0)
        fail(QStringLiteral("bad count in <%1>").arg(QLatin1String(name)));
    return count;
}

void InputArchive::beginElement(std::int32_t number)
{
    expectStart("element");
    bool ok = false;
    if (attribute("number").toInt(&ok) != number || !ok)
        fail(QStringLiteral("expected element %1").arg(number));
}

void InputArchive::endElement()
{
    expectEnd();
}

void InputArchive::endSequence()
{
    expectEnd();
}

std::unique_ptr<ISerializable> InputArchive::readObject(const char* name)
{
    expectStart(name);
    if (attribute("null") == "true") {
        expectEnd();
        return nullptr;
    }
    const QByteArray className = attribute("class");
    std::unique_ptr<ISerializable> object = Registry::create(className.toStdString());
    if (!object)
        fail(QStringLiteral("unknown class '%1'").arg(QString::fromUtf8(className)));
    if (m_objectDepth == MaxObjectDepth)
        fail(QStringLiteral("objects nested too deeply"));
    struct Nesting {
        int& depth;
        explicit Nesting(int& d)
            : depth(++d)
        {
        }
        ~Nesting() { --depth; }
    } nesting(m_objectDepth);
    object->restore(*this);
    expectEnd();
    return object;
}

std::shared_ptr<const Types::Image> InputArchive::readImage(const char* name)
{
    if (atElement() && attribute("null") == "true") {
        expectStart(name);
        expectEnd();
        return nullptr;
    }
    if (atElement() && attribute("format") != "png")
        fail(QStringLiteral("expected a PNG image in <%1>").arg(QLatin1String(name)));
    readContent(name);
    QByteArray png = decodeBase64(name);
    if (png.isEmpty())
        return std::make_shared<const Types::Image>();
    std::shared_ptr<const Types::Image> image = Types::Image::fromPng(std::move(png));
    if (!image)
        fail(QStringLiteral("bad image size in <%1>").arg(QLatin1String(name)));
    return image;
}

void InputArchive::finish()
{
    // The archive element; what may stand around it was checked at the start.
    expectEnd();
}

} // namespace Serialize
