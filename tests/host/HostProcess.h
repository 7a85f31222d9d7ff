#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

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

} // namespace Testing
