// The program interrupted at each point where a save has committed part of an item:
// strace delivers the signal as the program enters the n-th commit of a file. A held
// signal lets the save finish; a kill leaves what check reports and the next command
// that writes puts away. Either way no item is ever half there.

#include "HostProcess.h"

#include <QImage>

#include <csignal>

namespace {

// A save, how many of its files it commits (linkat of an unnamed temporary file), and
// how many leftovers a kill before its last commit leaves.
struct Save {
    const char* label;
    QString command;
    int commits;
    int leftovers;
};

const Save saves[] = {
    { "Intro", "intros save Cut", 2, 1 }, // its folder, its bundle, then its record
    { "Title", "titles save Cut", 1, 0 },
    { "Effect", "effects save equalizer Cut --set band1=3", 1, 0 },
    { "Import", "imports save Cut --media {media}/clip.png", 1, 0 },
};

struct Interruption {
    Save save;
    int commit; // 1-based
    int signal;
};

std::vector<Interruption> interruptions()
{
    std::vector<Interruption> all;
    for (const Save& save : saves) {
        for (int commit = 1; commit <= save.commits; ++commit) {
            for (const int signal : { SIGINT, SIGTERM, SIGHUP, SIGKILL })
                all.push_back({ save, commit, signal });
        }
    }
    return all;
}

// LeakSanitizer cannot run under a tracer. Without strace, every case fails.
const QString Untraceable = QStringLiteral("ASAN_OPTIONS=detect_leaks=0");

class Interrupted : public Testing::HostTest, public ::testing::WithParamInterface<Interruption> {
protected:
    void SetUp() override { run("titles save Kept"); }

    int problems() const { return run("--json check").json()["problems"].toArray().size(); }
    QString listing() const { return Testing::valueAt(report("list"), "items/*/name"); }
};

TEST_P(Interrupted, ASaveFinishesOrVanishesAndTheNextWriterPutsAwayWhatAKillLeft)
{
    const Interruption& cut = GetParam();
    QImage(8, 8, QImage::Format_RGB32).save(mediaFile("clip.png"));
    const Testing::HostRun done = Testing::runHost(QStringList { "--data", root.path() }
            + QProcess::splitCommand(cut.save.command).replaceInStrings("{media}", media.path()),
        { Untraceable },
        { "strace", "-f", "-o", "/dev/null", "-e",
            QStringLiteral("inject=linkat:signal=%1:when=%2").arg(cut.signal).arg(cut.commit) });
    // The program did not end on its own: the signal reached it.
    EXPECT_EQ(done.status, -1) << done.err.toStdString();

    const int found = problems();
    const bool whole = listing().split('|').contains("Cut");
    if (cut.signal != SIGKILL) {
        // Held back until the save was done.
        EXPECT_TRUE(whole);
        EXPECT_EQ(found, 0);
        return;
    }
    // Killed before the record: not listed, and check reports the intro's folder until
    // the next command that writes puts it into quarantine.
    EXPECT_FALSE(whole);
    EXPECT_EQ(found, cut.save.leftovers);
    const Testing::HostRun next = run("titles save Next");
    EXPECT_EQ(next.status, 0) << next.err.toStdString();
    EXPECT_EQ(next.err.contains("interrupted save into quarantine/"), found > 0) << next.err.toStdString();
    EXPECT_EQ(problems(), 0);
    EXPECT_EQ(listing(), "Kept|Next");
}

INSTANTIATE_TEST_SUITE_P(Points, Interrupted, ::testing::ValuesIn(interruptions()), [](const auto& info) {
    return std::string(info.param.save.label) + "Commit" + std::to_string(info.param.commit) + "Signal"
        + std::to_string(info.param.signal);
});

} // namespace
