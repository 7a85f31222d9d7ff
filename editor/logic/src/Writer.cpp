#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <Serialize/Archive.h>
#include <Serialize/AtomicFile.h>

#include <QFile>

namespace Project {

namespace {

constexpr const char* BundleNode = "bundle";

} // namespace

Writer::Writer(const QString& path, BundleBackend backend)
    : m_path(path)
    , m_backend(backend)
{
}

Writer::~Writer() = default;

bool Writer::write(const Content* content)
{
    if (!content || !content->timeline || m_backend != BundleBackend::Xml)
        return false;
    try {
        return Serialize::writeAtomically(m_path, [content](QIODevice& file) {
            Serialize::OutputArchive archive(&file);
            archive.beginNode(BundleNode);
            archive.writeObject("timeline", content->timeline);
            archive.endNode();
            return archive.finish();
        });
    } catch (const std::invalid_argument&) {
        return false;
    }
}

std::unique_ptr<Timeline::Object> readBundle(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return readBundle(&file);
}

std::unique_ptr<Timeline::Object> readBundle(QIODevice* device)
{
    if (!device)
        return nullptr;
    try {
        Serialize::InputArchive archive(device);
        archive.beginNode(BundleNode);
        std::unique_ptr<Serialize::ISerializable> object = archive.readObject("timeline");
        archive.endNode();
        archive.finish();
        if (auto* timeline = dynamic_cast<Timeline::Object*>(object.get())) {
            object.release();
            return std::unique_ptr<Timeline::Object>(timeline);
        }
    } catch (const std::exception&) {
        // Damaged or not a bundle: reported as no timeline.
    }
    return nullptr;
}

} // namespace Project
