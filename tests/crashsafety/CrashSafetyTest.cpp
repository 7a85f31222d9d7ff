// Savers in child processes, killed at random moments or running side by side on one
// data folder: what a restarted program lists afterwards is exactly the saves that
// completed, each once and unchanged, and nothing else in the folder poses as a record.

#include "Presets.h"
#include <Effect/UserEffects.h>
#include <Records.h>
#include <WithServices.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

#include <array>
#include <chrono>
#include <csignal>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <thread>

namespace {

using namespace CrashSafety;
using testing::Key;
using testing::UnorderedElementsAre;

// What QSaveFile names its temporary when the file system offers no unnamed one.
bool isSaveTemporary(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^\\{[0-9a-f-]{36}\\}\\.[A-Za-z0-9]{6}$"));
    return pattern.match(fileName).hasMatch();
}

std::vector<char*> pointers(std::vector<QByteArray>& strings)
{
    std::vector<char*> result;
    for (QByteArray& string : strings)
        result.push_back(string.data());
    result.push_back(nullptr);
    return result;
}

// The saver program on the current data root. Spawned rather than forked: copying
// this process, large under the address sanitizer, would cost more than the run.
class Saver {
public:
    enum Option { List = 1, NamedTemporaries = 2 }; // see the saver

    Saver(const QString& label, int count, int options = 0)
    {
        std::vector<QByteArray> arguments = { CRASHSAFETY_SAVER_PATH, Settings::dataRoot().toLocal8Bit(),
            label.toUtf8(), QByteArray::number(count) };
        if (options & List)
            arguments.push_back("list");
        // Nothing waits for a killed saver's leak report; the full unwinding that the
        // report's suppressions need, and filling and holding freed memory, would make
        // the many short runs several times slower.
        std::vector<QByteArray> environment
            = { "ASAN_OPTIONS=detect_leaks=0:max_malloc_fill_size=0:quarantine_size_mb=8" };
        if (options & NamedTemporaries)
            environment.push_back("CRASHSAFETY_NAMED_TEMPORARIES=1");
        for (char** entry = environ; *entry; ++entry)
            if (!QByteArray(*entry).startsWith("ASAN_OPTIONS="))
                environment.push_back(*entry);
        ::signal(SIGPIPE, SIG_IGN); // a saver that died answers go with an error, not a signal
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (::posix_spawn(&m_pid, arguments[0].constData(), &actions, nullptr, pointers(arguments).data(),
                pointers(environment).data())
            != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~Saver()
    {
        kill();
        ::close(m_in);
        ::close(m_out);
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // Waits until it has listed the folder and is ready.
    bool ready()
    {
        if (!read("ready\n"))
            return false;
        const int end = m_text.indexOf("ready\n");
        for (const QString& line :
            QString::fromUtf8(m_text.left(end)).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            m_listing.push_back(Stored::parse(line));
        m_text.remove(0, end + 6);
        return true;
    }
    bool go() { return ::write(m_in, "go\n", 3) == 3; }
    void kill()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }
    bool finish()
    {
        int status = -1;
        const bool ended = read(nullptr) && ::waitpid(m_pid, &status, 0) == m_pid;
        m_pid = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    const std::vector<Stored>& listing() const { return m_listing; }
    // The complete lines about saves; only once it has ended.
    QStringList reported()
    {
        read(nullptr);
        return QString::fromUtf8(m_text.left(m_text.lastIndexOf('\n') + 1))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    // Reads its output until it shows until, or with null until it ends; false when
    // that does not happen.
    bool read(const char* until)
    {
        while (!until || !m_text.contains(until)) {
            pollfd ready { m_out, POLLIN, 0 };
            char buffer[65536];
            const ssize_t got = ::poll(&ready, 1, Patience) == 1 ? ::read(m_out, buffer, sizeof buffer) : -1;
            if (got <= 0)
                return got == 0 && !until;
            m_text.append(buffer, int(got));
        }
        return true;
    }

    static constexpr int Patience = 300000; // only so that a hang fails instead of stalling the suite
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    QByteArray m_text;
    std::vector<Stored> m_listing;
};

// What the data folder must hold, kept across any number of saver runs on it.
class Expected {
public:
    // Adds the saves reported as returned; inFlight: saves that may have completed unreported.
    QStringList add(const QStringList& reported, const QStringList& inFlight = {})
    {
        QStringList faults;
        for (const QString& line : reported) {
            const QString name = line.section(QLatin1Char(' '), 0, 0);
            std::vector<double> values;
            for (const QString& value : line.section(QLatin1Char(' '), 1).split(QLatin1Char(' ')))
                values.push_back(value.toDouble());
            if (values != valuesOf(name) || !m_presets.emplace(name, values).second)
                faults << QStringLiteral("odd report: ") + line;
        }
        m_inFlight = inFlight;
        return faults;
    }

    // Every file in the data folder is a whole record of a save, alone, or a save
    // temporary. Files already found whole are not read again: the listings check them.
    QStringList checkFiles()
    {
        QStringList faults;
        std::map<QString, std::string> present;
        QDirIterator it(Settings::dataRoot(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (isSaveTemporary(it.fileName())) {
                m_temporaries.insert(file);
                continue;
            }
            if (const auto known = m_files.find(file); known != m_files.end()) {
                present.insert(*known);
                continue;
            }
            const auto kind = std::find_if(std::begin(Kinds), std::end(Kinds),
                [&](Kind k) { return folderOf(k) == QDir::cleanPath(it.fileInfo().path()); });
            const std::vector<Stored> own
                = kind == std::end(Kinds) ? std::vector<Stored>() : load(*kind, file);
            if (own.size() == 1 && (m_presets.count(own[0].name) || m_inFlight.contains(own[0].name)))
                present.emplace(file, own[0].id);
            else
                faults << QStringLiteral("not a whole record of a save: ") + file;
        }
        m_files.swap(present);
        return faults;
    }

    // A listing of the data folder: every expected preset once and unchanged, nothing
    // else, and exactly the records of the files.
    QStringList checkListing(const std::vector<Stored>& listing)
    {
        QStringList faults;
        std::set<std::string> ids;
        QSet<QString> names;
        for (const Stored& stored : listing) {
            if (!ids.insert(stored.id).second || names.contains(stored.name))
                faults << QStringLiteral("listed twice: ") + stored.name;
            names.insert(stored.name);
            if (m_inFlight.contains(stored.name)
                && m_presets.emplace(stored.name, valuesOf(stored.name)).second)
                ++m_unreported;
            const auto expected = m_presets.find(stored.name);
            if (expected == m_presets.end())
                faults << QStringLiteral("never saved: ") + stored.name;
            else if (kindOf(stored.name) != stored.kind || stored.values != expected->second
                || stored.text != (stored.kind == Kind::Title ? stored.name : QString()))
                faults << QStringLiteral("changed: ") + stored.line();
        }
        for (const auto& preset : m_presets)
            if (!names.contains(preset.first))
                faults << QStringLiteral("lost: ") + preset.first;
        std::set<std::string> fileIds;
        for (const auto& file : m_files)
            fileIds.insert(file.second);
        for (const Stored& stored : listing)
            if (!fileIds.count(stored.id))
                faults << QStringLiteral("listed, but in no record file: ") + stored.name;
        if (fileIds.size() != m_files.size() || fileIds.size() != ids.size())
            faults << QStringLiteral("%1 record files, %2 listed").arg(m_files.size()).arg(listing.size());
        m_checks += m_presets.size();
        m_inFlight.clear();
        return faults;
    }

    // The public listing of each effect type shows exactly the expected names.
    QStringList checkEffectListings() const
    {
        QStringList listed, expected;
        for (const auto& preset : Effect::loadUserEffects<Effect::AudioEqualizer>())
            listed << preset.first;
        for (const auto& preset : Effect::loadUserEffects<Effect::ManualEnhance>())
            listed << preset.first;
        for (const Kind kind : { Kind::Equalizer, Kind::Enhance })
            for (const auto& preset : m_presets)
                if (kindOf(preset.first) == kind)
                    expected << preset.first;
        return listed == expected ? QStringList() : QStringList(QStringLiteral("effect listings differ"));
    }

    std::size_t presets() const { return m_presets.size(); }
    std::size_t checks() const { return m_checks; }
    std::size_t unreported() const { return m_unreported; }
    std::size_t temporaries() const { return m_temporaries.size(); }

private:
    std::map<QString, std::vector<double>> m_presets;
    QStringList m_inFlight;
    std::map<QString, std::string> m_files; // record file: the id in it
    QSet<QString> m_temporaries;
    std::size_t m_checks = 0;
    std::size_t m_unreported = 0;
};

class CrashSafety : public Testing::WithServices {
protected:
    // A saver that only lists what a program started now finds.
    std::vector<Stored> freshListing()
    {
        Saver lister(QStringLiteral("lister"), 0, Saver::List);
        EXPECT_TRUE(lister.ready() && lister.go() && lister.finish());
        return lister.listing();
    }
    void report(const std::string& key, std::size_t value)
    {
        RecordProperty(key, int(value));
        std::cout << key << ": " << value << "\n";
    }
    static std::string text(const QStringList& faults)
    {
        return faults.join(QLatin1Char('\n')).toStdString();
    }

    Expected expected;
};

TEST_F(CrashSafety, KilledSaversLeaveOnlyWholeRecordsAndLoseOrChangeNoCompletedSave)
{
    const int Rounds = 100; // two savers side by side in each, killed one after the other
    const unsigned seed = qEnvironmentVariableIsSet("CRASHSAFETY_SEED")
        ? unsigned(qEnvironmentVariableIntValue("CRASHSAFETY_SEED"))
        : std::random_device()();
    std::cout << "crash safety seed (set CRASHSAFETY_SEED to repeat): " << seed << std::endl;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(0, 20);
    const auto labelOf = [](int round, int saver) {
        return QStringLiteral("k%1%2").arg(round).arg(QLatin1Char(char('a' + saver)));
    };
    using Savers = std::array<std::unique_ptr<Saver>, 2>;
    const auto startRound = [&labelOf](int round) {
        return Savers { std::make_unique<Saver>(labelOf(round, 0), 1000, Saver::List),
            std::make_unique<Saver>(labelOf(round, 1), 1000, Saver::NamedTemporaries) };
    };

    // Each round's savers start while the last round's files are checked; the first
    // lists what the kills left, the second saves through named temporaries.
    Savers savers = startRound(0);
    for (int round = 0; round < Rounds; ++round) {
        ASSERT_TRUE(savers[0]->ready() && savers[1]->ready());
        const QStringList faults = expected.checkListing(savers[0]->listing());
        ASSERT_TRUE(faults.isEmpty()) << "seed " << seed << ", round " << round << ":\n" << text(faults);

        QStringList reported, inFlight;
        ASSERT_TRUE(savers[0]->go() && savers[1]->go());
        for (int i : { 0, 1 }) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            savers[i]->kill();
            const QStringList lines = savers[i]->reported();
            reported += lines;
            inFlight << presetName(labelOf(round, i), lines.size());
        }
        savers = round + 1 < Rounds ? startRound(round + 1) : Savers();
        QStringList fileFaults = expected.add(reported, inFlight);
        fileFaults += expected.checkFiles();
        ASSERT_TRUE(fileFaults.isEmpty()) << "seed " << seed << ", round " << round << ":\n"
                                          << text(fileFaults);
    }
    QStringList faults = expected.checkListing(freshListing());
    faults += expected.checkEffectListings();
    EXPECT_TRUE(faults.isEmpty()) << "seed " << seed << ":\n" << text(faults);
    report("kills", 2 * Rounds);
    report("presets", expected.presets());
    report("preset_checks", expected.checks());
    report("completed_unreported", expected.unreported());
    report("save_temporaries", expected.temporaries());
}

TEST_F(CrashSafety, TwoSaversAtOnceOnOneFolderKeepEverySaveOfBoth)
{
    const int Saves = 1000;
    Saver first(QStringLiteral("a"), Saves), second(QStringLiteral("b"), Saves, Saver::NamedTemporaries);
    ASSERT_TRUE(first.ready() && second.ready());
    ASSERT_TRUE(first.go() && second.go());
    ASSERT_TRUE(first.finish() && second.finish());

    const QStringList reported = first.reported() + second.reported();
    EXPECT_EQ(reported.size(), 2 * Saves);
    QStringList faults = expected.add(reported);
    faults += expected.checkFiles();
    faults += expected.checkListing(freshListing());
    EXPECT_TRUE(faults.isEmpty()) << text(faults);
    report("concurrent_saves", expected.presets());
}

// Left by a writer killed before committing, or by a writer that is not atomic.
TEST_F(CrashSafety, LeftoverSaveTemporariesAndPartialRecordsAreSkippedAndNeverDeleted)
{
    Effect::AudioEqualizer effect;
    const auto warm = Effect::saveUserEffect(&effect, "Warm", {}, Testing::image());
    const auto bright = Effect::saveUserEffect(&effect, "Bright", {}, Testing::image());
    ASSERT_TRUE(warm && bright);
    const QDir folder(folderOf(Kind::Equalizer));
    const auto fileOf
        = [&folder](const std::string& id) { return folder.filePath(QString::fromStdString(id)); };
    const QByteArray warmRecord = Testing::readFile(fileOf(warm->id));
    const std::string unsaved = QUuid::createUuid().toString().toStdString();
    const QStringList leftovers = { fileOf(warm->id + ".Ab12Cd"), fileOf(unsaved + ".XyzWvu"),
        fileOf(unsaved + ".QrStUv"), fileOf(QUuid::createUuid().toString().toStdString()) };
    ASSERT_TRUE(Testing::writeFile(leftovers[0], warmRecord));
    ASSERT_TRUE(Testing::writeFile(leftovers[1], Testing::readFile(fileOf(bright->id))));
    ASSERT_TRUE(Testing::writeFile(leftovers[2], warmRecord.left(warmRecord.size() / 2)));
    ASSERT_TRUE(Testing::writeFile(leftovers[3], warmRecord.left(warmRecord.size() / 2)));
    // A caller's record whose name merely looks like a temporary's still counts, even
    // beside the name it would be the temporary of.
    Effect::AudioEqualizer soft = Testing::withId<Effect::AudioEqualizer>("soft");
    auto record = Testing::recordOf<Effect::Object>(&soft);
    record.customStrings["soft"] = "Soft";
    for (const char* name : { "Soft", "Soft.preset" })
        ASSERT_TRUE(EditorCollection::PersistentItemHelper<Effect::Object>().store(
            &record, folder.filePath(name).toStdString()));

    // "Soft.preset" holds the same item as "Soft": one of them is listed.
    EXPECT_EQ(load(Kind::Equalizer, folder.path()).size(), 3u);
    EXPECT_THAT(Effect::loadUserEffects<Effect::AudioEqualizer>(),
        UnorderedElementsAre(Key("Warm"), Key("Bright"), Key("Soft")));
    Effect::removeUserEffect(warm.get());
    EXPECT_EQ(load(Kind::Equalizer, folder.path()).size(), 2u);
    for (const QString& file : leftovers)
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
}

} // namespace
