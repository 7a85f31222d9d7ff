#pragma once

#include <QBuffer>
#include <QByteArray>
#include <Serialize/Archive.h>
#include <functional>
#include <memory>

namespace Testing {

// The document that write produces through an OutputArchive.
inline QByteArray writeDocument(const std::function<void(Serialize::OutputArchive&)>& write)
{
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive archive(&buffer);
    write(archive);
    archive.finish();
    return document;
}

// An InputArchive over an in-memory document.
class DocumentReader {
public:
    explicit DocumentReader(QByteArray document)
        : m_document(std::move(document))
        , m_buffer(&m_document)
    {
        m_buffer.open(QIODevice::ReadOnly);
        m_archive = std::make_unique<Serialize::InputArchive>(&m_buffer);
    }

    Serialize::InputArchive& archive() { return *m_archive; }

private:
    QByteArray m_document;
    QBuffer m_buffer;
    std::unique_ptr<Serialize::InputArchive> m_archive;
};

} // namespace Testing
