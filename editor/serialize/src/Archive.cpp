#include "XmlPullReader.h"
#include <Serialize/Archive.h>
#include <Serialize/ISerializable.h>
#include <Serialize/Registry.h>
#include <Types/Image.h>

#include <QDir>
#include <QLocale>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Serialize {

namespace {

constexpr int FormatVersion = 1;
// Objects that hold objects recurse on the stack; a damaged document must not choose how deep.
constexpr int MaxObjectDepth = 32;
bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

QString checkedName(const char* name)
{
    if (!name || !isNameStart(*name))
        throw std::invalid_argument("not an archive entry name");
    for (const char* p = name + 1; *p; ++p)
        if (!isNameChar(*p))
            throw std::invalid_argument(std::string("not an archive entry name: ") + name);
    return QString::fromLatin1(name);
}

bool isXmlChar(char32_t c)
{
    // XML 1.0 drops controls and normalises "\r" away, so such text goes as base64.
    if (c < 0x20)
        return c == '\t' || c == '\n';
    return c < 0xD800 || (c >= 0xE000 && c < 0xFFFE) || (c >= 0x10000 && c <= 0x10FFFF);
}

// True when value is UTF-8 whose every character survives XML text unchanged.
bool isPlainUtf8(const std::string& value)
{
    for (const char *at = value.data(), *end = at + value.size(); at < end;) {
        if (!isXmlChar(Details::decodeUtf8(at, end)))
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
        } else if (!isXmlChar(u)) {
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
        m_writer->writeCharacters(QString::fromLatin1(image->encoded().toBase64()));
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
    m_written = m_device && m_device->write(document) == document.size();
    return m_written;
}

// ---------------------------------------------------------------------------

InputArchive::InputArchive(QIODevice* device)
{
    if (!device)
        fail(QStringLiteral("no device"));
    m_reader = std::make_unique<Details::XmlPullReader>(device->readAll());
    start();
}

InputArchive::InputArchive(const QByteArray& document)
    : m_reader(std::make_unique<Details::XmlPullReader>(document))
{
    start();
}

void InputArchive::start()
{
    // Up to the root element: anything but the declaration, comments and blank text is damage.
    for (;;) {
        const auto token = m_reader->readNext();
        if (token == Token::Comment || (token == Token::Characters && m_reader->isWhitespace()))
            continue;
        if (token == Token::Invalid)
            fail(m_reader->errorString());
        if (token != Token::StartElement || m_reader->name() != QLatin1String("archive"))
            fail(QStringLiteral("not an archive"));
        break;
    }
    bool ok = false;
    const int version = attribute("version").toInt(&ok);
    if (!ok || version != FormatVersion)
        fail(QStringLiteral("unsupported archive version"));
}

InputArchive::~InputArchive() = default;

void InputArchive::fail(const QString& what) const
{
    throw ArchiveError(QStringLiteral("damaged archive at line %1: %2")
                           .arg(m_reader ? m_reader->lineNumber() : 0)
                           .arg(what)
                           .toStdString());
}

QByteArray InputArchive::attribute(const char* name) const
{
    QByteArray value;
    m_reader->attribute(QLatin1String(name), &value);
    return value;
}

InputArchive::Token InputArchive::peekToken()
{
    if (m_pending)
        return m_reader->tokenType();
    for (;;) {
        switch (const auto token = m_reader->readNext()) {
        case Token::StartElement:
        case Token::EndElement:
            m_pending = true;
            return token;
        case Token::Comment:
            continue;
        case Token::Characters:
            if (m_reader->isWhitespace())
                continue;
            fail(QStringLiteral("unexpected text"));
        case Token::Invalid:
            fail(m_reader->errorString());
        default:
            fail(QStringLiteral("unexpected markup"));
        }
    }
}

void InputArchive::expectStart(const char* name)
{
    if (peekToken() != Token::StartElement || m_reader->name() != QLatin1String(name))
        fail(QStringLiteral("expected <%1>").arg(QLatin1String(name)));
    m_pending = false;
}

void InputArchive::expectEnd()
{
    if (peekToken() != Token::EndElement)
        fail(QStringLiteral("expected the end of <%1>").arg(m_reader->name()));
    m_pending = false;
}

void InputArchive::readContent(const char* name)
{
    expectStart(name);
    m_text.resize(0); // keeps the capacity
    for (;;) {
        switch (m_reader->readNext()) {
        case Token::Characters:
            if (m_text.isEmpty())
                m_reader->swapText(m_text); // no copy for the one piece of text most fields have
            else
                m_text.append(m_reader->text());
            continue;
        case Token::Comment:
            continue;
        case Token::EndElement:
            return;
        case Token::Invalid:
            fail(m_reader->errorString());
        default:
            fail(QStringLiteral("unexpected content in <%1>").arg(QLatin1String(name)));
        }
    }
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
    return peekToken() == Token::StartElement ? QString(m_reader->name()) : QString();
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
    if (peekToken() == Token::StartElement && isBase64()) {
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
    const bool withinBase = peekToken() == Token::StartElement && attribute("within") == "base";
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
    if (peekToken() == Token::StartElement && isBase64()) {
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
    if (peekToken() == Token::StartElement && attribute("null") == "true") {
        expectStart(name);
        expectEnd();
        return nullptr;
    }
    if (peekToken() == Token::StartElement && attribute("format") != "png")
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
    expectEnd(); // the archive element
    for (;;) {
        const auto token = m_reader->readNext();
        if (token == Token::EndDocument)
            return;
        if (token == Token::Comment || (token == Token::Characters && m_reader->isWhitespace()))
            continue;
        fail(token == Token::Invalid ? m_reader->errorString() : QStringLiteral("content after the end"));
    }
}

} // namespace Serialize
