#pragma once

#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace Testing {

// The outcome of one run of the usercollection program.
struct HostRun {
    int status = -1;
    QString out;
    QString err;

    // stdout as one JSON object; an empty object when it is not one.
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

// Runs the program with arguments, in the environment of the tests plus extra
// (NAME=VALUE entries). A run that does not end normally has status -1.
HostRun runHost(const QStringList& arguments, const QStringList& extraEnvironment = {});
// The same, started through wrapper: its first entry runs with the rest of it, then the
// program's path and arguments (as with "prlimit --fsize=1").
HostRun runHostVia(
    const QStringList& wrapper, const QStringList& arguments, const QStringList& extraEnvironment = {});

// The "name" of every entry of a JSON array, in order.
QStringList names(const QJsonValue& entries);
// The entry whose "name" is name; undefined when there is none.
QJsonValue entryNamed(const QJsonValue& entries, const QString& name);

// The program on a fresh data folder of the test's own, with a folder for media files.
class HostTest : public ::testing::Test {
protected:
    // Runs a command on the data folder that must succeed (quietly, unless it may
    // warn); its JSON report.
    QJsonObject report(QStringList arguments, bool quiet = true);
    // A file in the media folder.
    QString mediaFile(const QString& name);
    // Runs a command on the data folder as given, with --data added.
    HostRun run(QStringList arguments) const;

    TempDataRoot root;
    QTemporaryDir media;
};

} // namespace Testing
