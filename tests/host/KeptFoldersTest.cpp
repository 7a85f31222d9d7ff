// The data folders kept in data/folders, one set per record format version: every later
// version lists and checks each of them as the expected reports beside it say.

#include "HostProcess.h"

#include <QDirIterator>
#include <QFile>

namespace {

// The report without what a copy of the folder changes: the times files were written.
QJsonValue withoutTimes(const QJsonValue& value)
{
    if (value.isArray()) {
        QJsonArray entries;
        for (const QJsonValue& entry : value.toArray())
            entries.append(withoutTimes(entry));
        return entries;
    }
    if (!value.isObject())
        return value;
    QJsonObject object = value.toObject();
    object.remove("saved");
    for (auto entry = object.begin(); entry != object.end(); ++entry)
        entry.value() = withoutTimes(entry.value());
    return object;
}

TEST(KeptFolders, EveryKeptFolderIsListedAndCheckedAsWhenItWasMade)
{
    int folders = 0;
    for (QDirIterator versions(KEPT_FOLDERS, { "v*" }, QDir::Dirs); versions.hasNext();) {
        const QDir version(versions.next());
        for (const QString& name : version.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            SCOPED_TRACE((version.dirName() + '/' + name).toStdString());
            ++folders;
            QTemporaryDir copy;
            ASSERT_EQ(QProcess::execute("cp", { "-R", version.filePath(name) + "/.", copy.path() }), 0);
            const auto reportOf = [&copy](const QStringList& command) {
                return withoutTimes(
                    Testing::runHost(QStringList { "--json", "--data", copy.path() } + command).json())
                    .toObject();
            };
            for (const QString command : { "list", "check" }) {
                QJsonObject report = reportOf({ command });
                // What each item holds, read through its record: settings, texts, paths.
                QJsonArray items;
                for (const QJsonValue item : report.value("items").toArray())
                    items.append(
                        reportOf({ "info", item["kind"].toString(), "--id", item["id"].toString() }));
                if (command == "list")
                    report["info"] = items;
                const QByteArray got = QJsonDocument(report).toJson().replace(copy.path().toUtf8(), "{data}");
                // A new version's reports are written once, to be read and kept.
                QFile expected(version.filePath(name + '.' + command + ".json"));
                if (!expected.exists()) {
                    ASSERT_TRUE(expected.open(QIODevice::WriteOnly) && expected.write(got) == got.size());
                    ADD_FAILURE() << "wrote " << expected.fileName().toStdString()
                                  << ": read it, and keep it";
                    continue;
                }
                ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
                EXPECT_EQ(QString::fromUtf8(got), QString::fromUtf8(expected.readAll()))
                    << command.toStdString();
            }
        }
    }
    EXPECT_GE(folders, 2);
}

} // namespace
