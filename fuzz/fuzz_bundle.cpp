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

namespace {

QString scratchBundle()
{
    static QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("fuzz_bundle-XXXXXX")));
    if (!folder.isValid())
        std::abort();
    return folder.filePath(QStringLiteral("scratch.bundle"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::startApplication();
    scratchBundle();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    const std::unique_ptr<Timeline::Object> timeline = Project::readBundle(&device);
    if (!timeline)
        return 0;
    timeline->duration();

    Project::Content content;
    content.timeline = timeline.get();
    if (!Project::Writer(scratchBundle(), Project::BundleBackend::Xml).write(&content))
        std::abort();
    const std::unique_ptr<Timeline::Object> again = Project::readBundle(scratchBundle());
    if (!again || again->tracks != timeline->tracks)
        std::abort();
    return 0;
}
