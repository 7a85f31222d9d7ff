#pragma once

#include <PersistentItem.h>
#include <Serialize/Archive.h>
#include <Types/Image.h>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QPixmap>

#include <functional>
#include <memory>
#include <string>

namespace Testing {

// A preview filled with one colour.
inline std::shared_ptr<const Types::Image> image(const QColor& color = Qt::gray, int size = 4)
{
    QPixmap pixmap(size, size);
    pixmap.fill(color);
    return std::make_shared<const Types::Image>(pixmap);
}

// An item of type T with the given id.
template <class T>
T withId(const std::string& id)
{
    T item;
    item.id = id;
    return item;
}

// A record about item, which it does not own.
template <class T>
EditorCollection::PersistentItem<T> recordOf(const T* item, const std::string& collectionId = {})
{
    EditorCollection::PersistentItem<T> record;
    record.item = item;
    record.collectionId = collectionId;
    return record;
}

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

inline QByteArray savedDocument(const Serialize::ISerializable& object)
{
    return writeDocument([&](Serialize::OutputArchive& out) { object.save(out); });
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

// Restores object from a whole document; throws as restore and finish do.
inline void restoreFrom(QByteArray document, Serialize::ISerializable& object)
{
    DocumentReader reader(std::move(document));
    object.restore(reader.archive());
    reader.archive().finish();
}

} // namespace Testing
