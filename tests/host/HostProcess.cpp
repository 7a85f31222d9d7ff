#include "HostProcess.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

namespace Testing {

HostRun runHost(const QStringList& arguments, const QStringList& extraEnvironment)
{
    return runHostVia({}, arguments, extraEnvironment);
}

HostRun runHostVia(
    const QStringList& wrapper, const QStringList& arguments, const QStringList& extraEnvironment)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString& entry : extraEnvironment)
        environment.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));

    QProcess process;
    process.setProcessEnvironment(environment);
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

QStringList names(const QJsonValue& entries)
{
    QStringList result;
    for (const QJsonValue& entry : entries.toArray())
        result << entry["name"].toString();
    return result;
}

QJsonValue entryNamed(const QJsonValue& entries, const QString& name)
{
    for (const QJsonValue& entry : entries.toArray()) {
        if (entry["name"].toString() == name)
            return entry;
    }
    return QJsonValue();
}

QJsonObject HostTest::report(QStringList arguments, bool quiet)
{
    arguments << "--json";
    const HostRun result = run(arguments);
    EXPECT_EQ(result.status, 0) << arguments.join(' ').toStdString() << ": " << result.err.toStdString();
    if (quiet) {
        EXPECT_EQ(result.err, QString()) << arguments.join(' ').toStdString();
    }
    return result.json();
}

QString HostTest::mediaFile(const QString& name)
{
    EXPECT_TRUE(writeFile(QDir(media.path()).filePath(name), "not really media"));
    return QDir(media.path()).filePath(name);
}

HostRun HostTest::run(QStringList arguments) const
{
    return runHost(arguments << "--data" << root.path());
}

} // namespace Testing
