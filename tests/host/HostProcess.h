#pragma once

#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <map>

namespace Testing {

// The outcome of one run of the usercollection program.
struct HostRun {
    int status = -1;
    QString out, err;
    qint64 peakBytes = 0; // its peak resident set, as GNU time measures it

    // stdout as one JSON object; an empty object when it is not one.
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

// Runs the program with arguments on the offscreen platform, with extraEnvironment's
// NAME=VALUE entries; through wrapper when given, whose first entry runs with the rest of
// it, then the program and its arguments (as with "prlimit --fsize=1"). A run that does
// not end normally, or within five minutes, has status -1.
HostRun runHost(
    const QStringList& arguments, const QStringList& extraEnvironment = {}, const QStringList& wrapper = {});

// What value holds at path as text: "presets/0/settings/band1"; a * joins what every
// entry of an array holds with '|' ("presets/*/name").
QString valueAt(const QJsonValue& value, const QString& path);

using Files = std::map<QString, QByteArray>; // relative path: contents
// Every file below folder, hidden ones too, with its contents; with the folders too, as
// "(folder)", when withFolders.
Files filesBelow(const QString& folder, bool withFolders = false);
// Each kept file of <parent>/data unchanged, parent holding only entries and its
// "outside" folder nothing.
void expectKeptAndNothingOutside(const QString& parent, const QStringList& entries, const Files& kept);

// The program on a fresh data folder of the test's own, with a folder for media files.
class HostTest : public ::testing::Test {
protected:
    // Runs command, split into words as a shell would, on the data folder; {media} stands
    // for the media folder.
    HostRun run(const QString& command) const;
    // The JSON report of a command that must succeed (quietly, unless it may warn).
    QJsonObject report(const QString& command, bool quiet = true) const;
    // Runs each command with --json, and expects it to end as its report says (exit 0 when
    // it holds no "exit"), to print nothing on stderr and its report to hold each of the
    // expected "path=value" or "path~part of the value" (see valueAt).
    void expectSession(const QList<QPair<QString, QStringList>>& steps) const;
    // A new file in the media folder.
    QString mediaFile(const QString& name) const;
    QString at(const QString& relative) const { return root.path() + '/' + relative; }

    TempDataRoot root;
    QTemporaryDir media;
};

} // namespace Testing
