#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

class QIODevice;
class QXmlStreamWriter;

namespace Types {
class Image;
}

namespace Serialize {

class ISerializable;

// Any damage found while reading: malformed XML, a missing or unexpected entry, a
// bad number, an unknown class. Readers never crash on bad input; they throw this.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes one XML document. Entries are written in the order the caller names
// them; the matching InputArchive reads them back in the same order. Names are
// XML names (letters, digits, '_', '-', '.'); any other throws std::invalid_argument.
class OutputArchive {
public:
    // Starts the document on device (which must be open for writing).
    explicit OutputArchive(QIODevice* device);
    OutputArchive(const OutputArchive&) = delete;
    OutputArchive& operator=(const OutputArchive&) = delete;
    ~OutputArchive();

    void beginNode(const char* name);
    void endNode();

    void writeString(const char* name, const std::string& value);
    void writeText(const char* name, const QString& value);
    // A file path (UTF-8): one inside the base folder is written relative to it, so
    // that the document stays right when the folder moves; any other as it is.
    void writePath(const char* name, const std::string& path);
    // The folder paths are written relative to; empty (the default) for none.
    void setBaseFolder(const QString& folder);
    void writeInt32(const char* name, std::int32_t value);
    void writeInt64(const char* name, std::int64_t value);
    void writeDouble(const char* name, double value);
    void writeBool(const char* name, bool value);

    // A counted sequence: beginSequence, then for i = 1..count beginElement(i) ...
    // endElement(), then endSequence.
    void beginSequence(const char* name, std::int32_t count);
    void beginElement(std::int32_t number);
    void endElement();
    void endSequence();

    // A polymorphic reference (null allowed), written with the object's name().
    void writeObject(const char* name, const ISerializable* object);
    // An image as PNG inside the document (null allowed). One larger than
    // InputArchive::readImage() takes makes finish() refuse the document.
    void writeImage(const char* name, const std::shared_ptr<const Types::Image>& image);
    // The most bytes the document may have; a longer one is refused by finish().
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }

    // Closes the document and hands it to the device (nothing reaches the device
    // before); false, nothing written, when it would not read back (an image too
    // large, more than the most bytes), false too if the device refused it. Nothing
    // may be written afterwards.
    bool finish();

private:
    void beginEntry(const char* name);

    QIODevice* m_device;
    QString m_baseFolder;
    QString m_text;
    std::unique_ptr<QXmlStreamWriter> m_writer;
    bool m_finished = false;
    bool m_written = false;
    bool m_unreadable = false;
    qint64 m_maxBytes = -1;
};

// Reads a document written by OutputArchive; every read names the entry it expects.
class InputArchive {
public:
    // Reads from device (open for reading). Throws ArchiveError if it is not an archive.
    explicit InputArchive(QIODevice* device);
    // Reads the document held in memory, which it shares rather than copies.
    explicit InputArchive(const QByteArray& document);
    InputArchive(const InputArchive&) = delete;
    InputArchive& operator=(const InputArchive&) = delete;
    ~InputArchive();

    // The name of the next node without consuming it (to tell record types apart);
    // empty when the enclosing node ends next.
    QString peekNodeName();

    void beginNode(const char* name);
    void endNode();

    std::string readString(const char* name);
    QString readText(const char* name);
    // A path written by writePath: a relative one is resolved against the base
    // folder (and stays relative without one); one that would leave it is damage.
    std::string readPath(const char* name);
    void setBaseFolder(const QString& folder);
    std::int32_t readInt32(const char* name);
    std::int64_t readInt64(const char* name);
    double readDouble(const char* name);
    bool readBool(const char* name);

    // Returns the count written by beginSequence; negative counts are damage.
    std::int32_t beginSequence(const char* name);
    void beginElement(std::int32_t number);
    void endElement();
    void endSequence();

    // Creates the object through Serialize::Registry by its written name; null
    // for a null reference.
    std::unique_ptr<ISerializable> readObject(const char* name);
    std::shared_ptr<const Types::Image> readImage(const char* name);

    // Checks that the document ends here: nothing but the closing of the archive.
    void finish();

private:
    struct Reader; // the parsed document and where reading stands
    void start(const QByteArray& document);
    [[noreturn]] void fail(const QString& what) const;
    // Whether the next entry is an element (which attribute() then reads), not the
    // end of the enclosing one; fails on text or markup.
    bool atElement();
    QByteArray attribute(const char* name) const;
    void expectStart(const char* name);
    void expectEnd();
    // The text content of the field name, collected into m_text.
    void readContent(const char* name);
    bool isBase64() const;
    QByteArray decodeBase64(const char* name) const;

    std::unique_ptr<Reader> m_reader;
    int m_objectDepth = 0;
    QString m_baseFolder;
    QByteArray m_text; // UTF-8, reused for every field
};

} // namespace Serialize
