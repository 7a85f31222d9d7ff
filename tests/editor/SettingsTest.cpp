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

// Puts the environment and the chosen root back as they were.
class DataRootEnvironment {
public:
    DataRootEnvironment()
        : m_root(Settings::dataRoot())
        , m_had(qEnvironmentVariableIsSet("USERCOLLECTION_DATA"))
        , m_value(qgetenv("USERCOLLECTION_DATA"))
    {
    }
    ~DataRootEnvironment()
    {
        if (m_had)
            qputenv("USERCOLLECTION_DATA", m_value);
        else
            qunsetenv("USERCOLLECTION_DATA");
        Settings::setDataRoot(m_root);
    }

private:
    QString m_root;
    bool m_had;
    QByteArray m_value;
};

TEST(Settings, TheEnvironmentGivesTheDefaultRootAndAChosenRootWinsOverIt)
{
    DataRootEnvironment restore;
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
