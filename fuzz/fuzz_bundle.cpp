// Feeds arbitrary bytes, as a bundle file, to the bundle reader. It must give a timeline
// or null, never crash, hang or throw; a timeline it gives must be written by the bundle
// writer and read back the same.

#include "FuzzSupport.h"
#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>

#include <QBuffer>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    static QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("fuzz_bundle-XXXXXX")));
    const QString scratch = folder.filePath(QStringLiteral("scratch.bundle"));
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    const std::unique_ptr<Timeline::Object> timeline = Project::readBundle(&device);
    if (!timeline)
        return 0;
    timeline->duration();
    Project::Content content;
    content.timeline = timeline.get();
    const bool written
        = folder.isValid() && Project::Writer(scratch, Project::BundleBackend::Xml).write(&content);
    const std::unique_ptr<Timeline::Object> again = Project::readBundle(scratch);
    if (!written || !again || again->tracks != timeline->tracks)
        std::abort();
    return 0;
}
