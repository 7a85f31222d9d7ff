#include "HostProcess.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

namespace Testing {

QProcessEnvironment hostEnvironment(const QStringList& extra)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString& entry : extra)
        environment.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    return environment;
}

HostRun runHost(const QStringList& arguments, const QStringList& extraEnvironment, const QStringList& wrapper)
{
    QProcess process;
    process.setProcessEnvironment(hostEnvironment(extraEnvironment));
    const QString host = QStringLiteral(USERCOLLECTION_HOST_PATH);
    if (wrapper.isEmpty())
        process.start(host, arguments);
    else
        process.start(wrapper.first(), wrapper.mid(1) + QStringList(host) + arguments);
    HostRun run;
    // A generous bound only so that a hanging program fails the test instead of the suite.
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish: ") + process.errorString();
        return run;
    }
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    return run;
}

void expectError(const HostRun& run, int status, const QString& message)
{
    EXPECT_EQ(run.status, status) << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("usercollection: ") && run.err.contains(message)) << run.err.toStdString();
    EXPECT_EQ(run.out, QString());
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
    bool isIndex = false;
    const int index = key.toInt(&isIndex);
    return valueAt(isIndex ? value[index] : value[key], rest);
}

HostRun HostTest::run(const QString& command) const
{
    return runHost(QStringList { "--data", root.path() }
        + QProcess::splitCommand(command).replaceInStrings("{media}", media.path()));
}

QJsonObject HostTest::report(const QString& command, bool quiet) const
{
    const HostRun result = run("--json " + command);
    EXPECT_EQ(result.status, 0) << command.toStdString() << ": " << result.err.toStdString();
    if (quiet) {
        EXPECT_EQ(result.err, QString()) << command.toStdString();
    }
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
