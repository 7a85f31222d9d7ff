#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>

namespace {

TEST(Settings, FoldersLieBelowTheDataRootAndAreNotCreated)
{
    Testing::TempDataRoot root;
    const QDir dir(root.path());
    EXPECT_EQ(Settings::dataRoot(), QDir::cleanPath(root.path()));
    EXPECT_EQ(Settings::userEffectsPath("AudioEqualizer"), dir.filePath("effects/AudioEqualizer"));
    EXPECT_EQ(Settings::userIntrosPath(), dir.filePath("intros"));
    EXPECT_EQ(Settings::userOverlaysPath(), dir.filePath("overlays"));
    EXPECT_EQ(Settings::userImportsPath(), dir.filePath("imports"));
    EXPECT_TRUE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
