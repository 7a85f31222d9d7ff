#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>

#include <functional>
#include <memory>

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

TEST(Settings, TheEnvironmentGivesTheDefaultRootAndAChosenRootWinsOverIt)
{
    // The environment and the chosen root go back as they were, whatever fails.
    const QString chosen = Settings::dataRoot();
    const QByteArray environment = qgetenv("USERCOLLECTION_DATA");
    const std::unique_ptr<void, std::function<void(void*)>> restore(this, [&](void*) {
        environment.isNull() ? qunsetenv("USERCOLLECTION_DATA") : qputenv("USERCOLLECTION_DATA", environment);
        Settings::setDataRoot(chosen);
    });
    Settings::setDataRoot(QString());
    qputenv("USERCOLLECTION_DATA", "/tmp/somewhere/else");
    EXPECT_EQ(Settings::dataRoot(), QStringLiteral("/tmp/somewhere/else"));
    EXPECT_EQ(Settings::userIntrosPath(), QStringLiteral("/tmp/somewhere/else/intros"));

    Settings::setDataRoot(QStringLiteral("/tmp/chosen/"));
    EXPECT_EQ(Settings::dataRoot(), QStringLiteral("/tmp/chosen"));

    Settings::setDataRoot(QString());
    qunsetenv("USERCOLLECTION_DATA");
    EXPECT_TRUE(Settings::dataRoot().endsWith(QStringLiteral("/usercollection")));
}

} // namespace
