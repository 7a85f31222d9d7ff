#include <Serialize/Archive.h>
#include <Serialize/Cloner.h>

#include <QBuffer>

namespace Serialize {

Cloner::Cloner() = default;

Cloner::~Cloner() = default;

ISerializable* Cloner::cloneImpl(const ISerializable* object, ObjectStorage& storage)
{
    if (!object)
        return nullptr;
    QByteArray document;
    {
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        OutputArchive output(&buffer);
        output.writeObject("object", object);
        output.finish();
    }
    InputArchive input(document);
    std::unique_ptr<ISerializable> copy = input.readObject("object");
    input.finish();
    return storage.adopt(std::move(copy));
}

} // namespace Serialize
