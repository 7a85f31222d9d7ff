#include <Model/ProjectContent.h>
#include <Model/Timeline.h>
#include <Project/Writer.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>

namespace {

class BundleWriter : public ::testing::Test {
protected:
    BundleWriter()
    {
        timeline.tracks
            = { { "video", { { "opener.mp4", 0, 3000 } } }, { "music", { { "theme.ogg", 100, 2900 } } } };
    }
    QString at(const QString& relative) const { return QDir(root.path()).filePath(relative); }
    bool write(const QString& path, const Timeline::Object* written)
    {
        Project::Content content;
        content.timeline = written;
        return Project::Writer(path, Project::BundleBackend::Xml).write(&content);
    }

    Testing::TempDataRoot root;
    Timeline::Object timeline;
};

TEST_F(BundleWriter, WritesIntoMissingFoldersAndReadsBackEqual)
{
    ASSERT_TRUE(write(at("intros/{id}/intro.bundle"), &timeline));

    EXPECT_EQ(root.files(), QStringList { "intros/{id}/intro.bundle" }); // no temporary file left
    const std::unique_ptr<Timeline::Object> read = Project::readBundle(at("intros/{id}/intro.bundle"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->tracks, timeline.tracks);

    Timeline::Object second;
    second.tracks = { { "only", {} } };
    ASSERT_TRUE(write(at("intros/{id}/intro.bundle"), &second)); // replaces the whole file
    EXPECT_EQ(Project::readBundle(at("intros/{id}/intro.bundle"))->tracks, second.tracks);
    EXPECT_EQ(root.files(), QStringList { "intros/{id}/intro.bundle" });
}

TEST_F(BundleWriter, NothingToWriteAnUnwritablePathOrAnUnreadableBundleGivesNothing)
{
    Project::Content empty;
    EXPECT_FALSE(Project::Writer(at("intro.bundle"), Project::BundleBackend::Xml).write(nullptr));
    EXPECT_FALSE(Project::Writer(at("intro.bundle"), Project::BundleBackend::Xml).write(&empty));
    ASSERT_TRUE(Testing::writeFile(at("file")));
    EXPECT_FALSE(write(at("file/below/intro.bundle"), &timeline));
    EXPECT_FALSE(write(root.path(), &timeline)); // a folder, not a file
    EXPECT_EQ(root.files(), QStringList { "file" });

    EXPECT_EQ(Project::readBundle(at("intro.bundle")), nullptr);
    ASSERT_TRUE(write(at("intro.bundle"), &timeline));
    const QByteArray whole = Testing::readFile(at("intro.bundle"));
    ASSERT_TRUE(Testing::writeFile(at("intro.bundle"), whole.left(whole.size() - 40)));
    EXPECT_EQ(Project::readBundle(at("intro.bundle")), nullptr);
}

} // namespace
