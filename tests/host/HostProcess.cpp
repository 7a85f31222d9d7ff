#include "HostProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryFile>

namespace Testing {

HostRun runHost(const QStringList& arguments, const QStringList& extraEnvironment, const QStringList& wrapper)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : QStringList("QT_QPA_PLATFORM=offscreen") + extraEnvironment)
        environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
    // GNU time tells the peak of the program alone: a child of this process would count
    // this process's own memory, which it starts as a copy of.
    QTemporaryFile peak;
    if (!peak.open())
        return {};
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start("time",
        QStringList { "-f", "%M", "-o", peak.fileName() } + wrapper + QStringList(USERCOLLECTION_HOST_PATH)
            + arguments);
    // A generous bound only so that a hanging program fails the test instead of the suite.
    const bool finished = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit;
    // Its last line is the peak in KiB, after a line on a program that did not exit 0.
    const QStringList timed = QString::fromUtf8(peak.readAll()).split('\n', Qt::SkipEmptyParts);
    const bool ended = finished && !timed.join(' ').contains("terminated by signal");
    return { ended ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()),
        timed.value(timed.size() - 1).toLongLong() * 1024 };
}

Files filesBelow(const QString& folder, bool withFolders)
{
    Files files;
    const auto folders = withFolders ? QDir::Dirs | QDir::NoDotAndDotDot : QDir::Filters();
    for (QDirIterator it(
             folder, QDir::Files | QDir::Hidden | QDir::System | folders, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        files[QDir(folder).relativeFilePath(path)] = it.fileInfo().isDir() ? "(folder)" : readFile(path);
    }
    return files;
}

void expectKeptAndNothingOutside(const QString& parent, const QStringList& entries, const Files& kept)
{
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    EXPECT_EQ(QDir(parent).entryList(all), entries);
    EXPECT_EQ(QDir(parent + "/outside").entryList(all), QStringList());
    const Files now = filesBelow(parent + "/data");
    for (const auto& [file, bytes] : kept)
        EXPECT_EQ(now.count(file) ? now.at(file) : QByteArray("(gone)"), bytes) << file.toStdString();
}

QString valueAt(const QJsonValue& value, const QString& path)
{
    if (path.isEmpty())
        return value.isString() ? value.toString() : value.toVariant().toString();
    const QString key = path.section('/', 0, 0), rest = path.section('/', 1);
    if (key == "*") {
        QStringList all;
        for (const QJsonValue& entry : value.toArray())
            all << valueAt(entry, rest);
        return all.join('|');
    }
    return valueAt(value.isArray() ? value[key.toInt()] : value[key], rest);
}

HostRun HostTest::run(const QString& command) const
{
    return runHost(QStringList { "--data", root.path() }
        + QProcess::splitCommand(command).replaceInStrings("{media}", media.path()));
}

QJsonObject HostTest::report(const QString& command, bool quiet) const
{
    const HostRun result = run("--json " + command);
    EXPECT_TRUE(result.status == 0 && (!quiet || result.err.isEmpty()))
        << command.toStdString() << ": " << result.status << ", " << result.err.toStdString();
    return result.json();
}

void HostTest::expectSession(const QList<QPair<QString, QStringList>>& steps) const
{
    for (const auto& [command, expected] : steps) {
        const HostRun done = run("--json " + command);
        EXPECT_EQ(done.status, done.json()["exit"].toInt()) << command.toStdString();
        EXPECT_EQ(done.err, QString()) << command.toStdString();
        for (const QString& entry : expected) {
            const int at = entry.indexOf(QRegularExpression("[=~]"));
            const QString actual = valueAt(done.json(), entry.left(at)), wanted = entry.mid(at + 1);
            EXPECT_TRUE(entry[at] == '=' ? actual == wanted : actual.contains(wanted))
                << command.toStdString() << ": " << entry.toStdString() << ", but " << actual.toStdString();
        }
    }
}

QString HostTest::mediaFile(const QString& name) const
{
    EXPECT_TRUE(writeFile(media.filePath(name), "not really media"));
    return media.filePath(name);
}

} // namespace Testing
