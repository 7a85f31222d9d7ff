#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <QDir>
#include <QFile>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

namespace {

Timeline::Object introTimeline()
{
    Timeline::Object timeline;
    timeline.tracks
        = { { "video", { { "opener.mp4", 0, 3000 } } }, { "music", { { "theme.ogg", 100, 2900 } } } };
    return timeline;
}

bool writeBundle(const QString& path, const Timeline::Object* timeline)
{
    Project::Content content;
    content.timeline = timeline;
    return Project::Writer(path, Project::BundleBackend::Xml).write(&content);
}

TEST(BundleWriter, WritesIntoMissingFoldersAndReadsBackEqual)
{
    Testing::TempDataRoot root;
    const QString path = QDir(root.path()).filePath("intros/{id}/intro.bundle");
    const Timeline::Object timeline = introTimeline();

    ASSERT_TRUE(writeBundle(path, &timeline));

    EXPECT_EQ(root.files(), QStringList { "intros/{id}/intro.bundle" }); // no temporary file left
    const std::unique_ptr<Timeline::Object> read = Project::readBundle(path);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->tracks, timeline.tracks);
}

TEST(BundleWriter, RewritingReplacesTheWholeFile)
{
    Testing::TempDataRoot root;
    const QString path = QDir(root.path()).filePath("intro.bundle");
    const Timeline::Object first = introTimeline();
    Timeline::Object second;
    second.tracks = { { "only", {} } };

    ASSERT_TRUE(writeBundle(path, &first));
    ASSERT_TRUE(writeBundle(path, &second));

    EXPECT_EQ(Project::readBundle(path)->tracks, second.tracks);
    EXPECT_EQ(root.files(), QStringList { "intro.bundle" });
}

TEST(BundleWriter, RefusesNothingToWrite)
{
    Testing::TempDataRoot root;
    const QString path = QDir(root.path()).filePath("intro.bundle");
    Project::Content empty;
    EXPECT_FALSE(Project::Writer(path, Project::BundleBackend::Xml).write(nullptr));
    EXPECT_FALSE(Project::Writer(path, Project::BundleBackend::Xml).write(&empty));
    EXPECT_TRUE(root.files().isEmpty());
}

TEST(BundleWriter, UnwritablePathGivesFalseAndLeavesNothing)
{
    Testing::TempDataRoot root;
    QFile blocker(QDir(root.path()).filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Timeline::Object timeline = introTimeline();

    EXPECT_FALSE(writeBundle(QDir(root.path()).filePath("file/below/intro.bundle"), &timeline));
    EXPECT_FALSE(writeBundle(root.path(), &timeline)); // a folder, not a file
    EXPECT_EQ(root.files(), QStringList { "file" });
}

TEST(BundleWriter, ReadingWhatIsNotABundleGivesNull)
{
    Testing::TempDataRoot root;
    const QString path = QDir(root.path()).filePath("intro.bundle");
    EXPECT_EQ(Project::readBundle(path), nullptr); // missing

    const Timeline::Object timeline = introTimeline();
    ASSERT_TRUE(writeBundle(path, &timeline));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(whole.left(whole.size() - 40));
    file.close();
    EXPECT_EQ(Project::readBundle(path), nullptr); // truncated
}

} // namespace
