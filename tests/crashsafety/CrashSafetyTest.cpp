// Savers in forked processes, killed at moments drawn from a seeded generator or
// running side by side on one data folder: what a restarted program lists afterwards is
// exactly the saves that completed, each once and unchanged, and nothing else in the
// folder poses as a record.

#include <Effect/UserEffects.h>
#include <Overlay/OverlayPresets.h>
#include <PersistentItem.h>
#include <Records.h>
#include <Settings/Settings.h>
#include <WithServices.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDirIterator>
#include <QRegularExpression>
#include <QUuid>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdarg>
#include <iostream>
#include <random>
#include <set>
#include <thread>

// Set in a saver: the file system seems to offer no unnamed files, so that every save
// goes through a named temporary that a kill can leave behind.
bool namedTemporariesOnly = false;

// Defined in the program, so Qt's opening of files comes here before the C library.
extern "C" int open64(const char* path, int flags, ...)
{
    static const auto next = reinterpret_cast<int (*)(const char*, int, ...)>(dlsym(RTLD_NEXT, "open64"));
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    if (namedTemporariesOnly && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return next(path, flags, mode);
}

namespace {

// The kinds take turns along a saver's presets "<label>-0", "<label>-1"..; a preset's
// settings follow from its name alone, so that one found on disk can be checked even
// when its saver died before reporting it.
enum class Kind { Equalizer, Enhance, Title };

QString presetName(const QString& label, int index)
{
    return label + QLatin1Char('-') + QString::number(index);
}

Kind kindOf(const QString& name)
{
    return Kind(name.section(QLatin1Char('-'), -1).toUInt() % 3);
}

// A setting drawn from a name's state: whole numbers only, so that they survive the
// archive's text form exactly.
double draw(std::uint64_t& state, double minimum, double maximum)
{
    state = state * 6364136223846793005u + 1442695040888963407u;
    return std::ceil(minimum) + double((state >> 33) % std::uint64_t(maximum - std::ceil(minimum) + 1));
}

template <class T>
T effectCalled(const QString& name)
{
    std::uint64_t state = qHash(name, 0);
    T effect;
    for (const Effect::ParameterInfo& parameter : T::parameters())
        effect.setParameter(parameter.key, draw(state, parameter.minimum, parameter.maximum));
    return effect;
}

Overlay::Preset titleCalled(const QString& name)
{
    std::uint64_t state = qHash(name, 0);
    Overlay::Preset title;
    title.text = name.toStdString();
    title.fontSize = std::int32_t(draw(state, 10, 99));
    title.textColor = std::uint32_t(draw(state, 0, 0xffffff));
    title.backgroundColor = std::uint32_t(draw(state, 0, 0xffffff));
    return title;
}

template <class T>
bool saveEffect(const QString& name)
{
    const T effect = effectCalled<T>(name);
    return Effect::saveUserEffect(&effect, name, {}, Testing::image()) != nullptr;
}

bool save(const QString& name)
{
    const Overlay::Preset title = titleCalled(name);
    return kindOf(name) == Kind::Equalizer ? saveEffect<Effect::AudioEqualizer>(name)
        : kindOf(name) == Kind::Enhance    ? saveEffect<Effect::ManualEnhance>(name)
                                           : Overlay::saveUserPreset(&title, name);
}

// The document of the preset called name, as read back under id.
QByteArray documentOf(const QString& name, const std::string& id)
{
    const auto saved = [&id](auto preset) {
        preset.id = preset.secondaryId = id;
        return Testing::savedDocument(preset);
    };
    return kindOf(name) == Kind::Equalizer ? saved(effectCalled<Effect::AudioEqualizer>(name))
        : kindOf(name) == Kind::Enhance    ? saved(effectCalled<Effect::ManualEnhance>(name))
                                           : saved(titleCalled(name));
}

// One preset as the persistence service reads it back.
struct Stored {
    std::string id;
    QString name;
    QByteArray document;
};

template <class T>
std::vector<Stored> loadAs(const QString& path)
{
    std::vector<Stored> presets;
    for (const auto& record : EditorCollection::PersistentItemHelper<T>().loadRecords(path.toStdString()))
        if (record.item && record.customStrings.count(record.item->id))
            presets.push_back(
                { record.item->id, QString::fromStdString(record.customStrings.at(record.item->id)),
                    Testing::savedDocument(*record.item) });
    return presets;
}

QString equalizerFolder()
{
    return Settings::userEffectsPath(Effect::AudioEqualizer::NameInArchive());
}

// Every preset stored in the data folder.
std::vector<Stored> listing()
{
    std::vector<Stored> all = loadAs<Effect::Object>(equalizerFolder());
    for (const std::vector<Stored>& more :
        { loadAs<Effect::Object>(Settings::userEffectsPath(Effect::ManualEnhance::NameInArchive())),
            loadAs<Overlay::Preset>(Settings::userOverlaysPath()) })
        all.insert(all.end(), more.begin(), more.end());
    return all;
}

// A forked copy of this process that saves the presets "<label>-0".. in turn, with the
// services of the fixture, and reports each name as soon as its save has returned.
class Saver {
public:
    Saver(const QString& label, int count, bool namedTemporaries = false)
        : label(label)
    {
        int out[2];
        if (::pipe(out) != 0 || (m_pid = ::fork()) < 0)
            return;
        if (m_pid == 0) {
            namedTemporariesOnly = namedTemporaries;
            for (int index = 0; index < count; ++index) {
                const QByteArray line = presetName(label, index).toUtf8() + '\n';
                // One write a line: a kill leaves the parent whole lines only.
                if (!save(presetName(label, index)) || ::write(out[1], line.data(), size_t(line.size())) < 0)
                    ::_exit(1);
            }
            ::_exit(0);
        }
        ::close(out[1]);
        m_out = out[0];
    }
    ~Saver()
    {
        kill();
        ::close(m_out);
    }

    void kill()
    {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    // Whether it saved all its presets; waits until it has ended.
    bool finish()
    {
        int status = -1;
        return m_pid > 0 && ::waitpid(std::exchange(m_pid, -1), &status, 0) > 0 && WIFEXITED(status)
            && WEXITSTATUS(status) == 0;
    }
    // The names of the saves it reported as returned; only once it has ended.
    QStringList reported()
    {
        char buffer[65536];
        for (ssize_t got; (got = ::read(m_out, buffer, sizeof buffer)) > 0;)
            m_text.append(buffer, int(got));
        return QString::fromUtf8(m_text.left(m_text.lastIndexOf('\n'))).split('\n', Qt::SkipEmptyParts);
    }

    const QString label;

private:
    pid_t m_pid = -1;
    int m_out = -1;
    QByteArray m_text;
};

std::string text(const QStringList& faults)
{
    return faults.join(QLatin1Char('\n')).toStdString();
}

// Keeps what the data folder must hold across any number of savers on it.
class CrashSafety : public Testing::WithServices {
protected:
    // Adds the saves reported as returned; inFlight: saves that may have completed
    // unreported. Returns what is wrong with what a program started now lists: every
    // expected preset once and unchanged, nothing else, and one record a file.
    QStringList check(const QStringList& reported, const QStringList& inFlight = {})
    {
        m_saved.insert(reported.begin(), reported.end());
        persistence.emplace(); // one that knows nothing of earlier loads
        const std::vector<Stored> listed = listing();
        QStringList faults;
        std::set<std::string> ids;
        std::set<QString> names;
        for (const Stored& stored : listed) {
            if (!ids.insert(stored.id).second || !names.insert(stored.name).second)
                faults << QStringLiteral("listed twice: ") + stored.name;
            if (inFlight.contains(stored.name) && m_saved.insert(stored.name).second)
                ++m_unreported;
            if (!m_saved.count(stored.name))
                faults << QStringLiteral("never saved: ") + stored.name;
            else if (stored.document != documentOf(stored.name, stored.id))
                faults << QStringLiteral("changed: ") + stored.name;
        }
        for (const QString& name : m_saved)
            if (!names.count(name))
                faults << QStringLiteral("lost: ") + name;
        // A partial record, or one not where a program looks, is a file more than listed.
        // What QSaveFile names its temporary when the file system offers no unnamed one:
        static const QRegularExpression temporary(QStringLiteral("^\\{[0-9a-f-]{36}\\}\\.[A-Za-z0-9]{6}$"));
        std::size_t files = 0;
        QDirIterator it(Settings::dataRoot(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            if (!temporary.match(QFileInfo(it.next()).fileName()).hasMatch())
                ++files;
            else
                m_temporaries.insert(it.filePath());
        if (files != listed.size())
            faults << QStringLiteral("%1 listed, %2 files besides save temporaries")
                          .arg(listed.size())
                          .arg(files);
        m_checks += m_saved.size();
        return faults;
    }

    std::set<QString> m_saved, m_temporaries;
    std::size_t m_checks = 0, m_unreported = 0;
};

TEST_F(CrashSafety, KilledSaversLeaveOnlyWholeRecordsAndLoseOrChangeNoCompletedSave)
{
    const unsigned seed = qEnvironmentVariableIsSet("CRASHSAFETY_SEED")
        ? unsigned(qEnvironmentVariableIntValue("CRASHSAFETY_SEED"))
        : 20261206u;
    std::cout << "kill moments drawn with seed " << seed << " (CRASHSAFETY_SEED replays another)"
              << std::endl;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(0, 20);
    for (int round = 0; round < 100; ++round) {
        // Two savers side by side, killed one after the other; the second saves through
        // named temporaries.
        Saver savers[] = { { QStringLiteral("k%1a").arg(round), 1000 },
            { QStringLiteral("k%1b").arg(round), 1000, true } };
        QStringList reported, inFlight;
        for (Saver& saver : savers) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            saver.kill();
            const QStringList names = saver.reported();
            reported += names;
            inFlight << presetName(saver.label, names.size());
        }
        const QStringList faults = check(reported, inFlight);
        ASSERT_TRUE(faults.isEmpty()) << "seed " << seed << ", round " << round << ":\n" << text(faults);
    }
    // The public listing of each effect type shows exactly the names saved.
    QStringList listed, saved;
    for (const auto& preset : Effect::loadUserEffects<Effect::AudioEqualizer>())
        listed << preset.first;
    for (const auto& preset : Effect::loadUserEffects<Effect::ManualEnhance>())
        listed << preset.first;
    for (const Kind kind : { Kind::Equalizer, Kind::Enhance })
        for (const QString& name : m_saved)
            if (kindOf(name) == kind)
                saved << name;
    EXPECT_EQ(listed, saved);
    std::cout << "kills: 200, presets: " << m_saved.size() << ", preset checks: " << m_checks
              << ", completed unreported: " << m_unreported << ", save temporaries: " << m_temporaries.size()
              << std::endl;
}

TEST_F(CrashSafety, TwoSaversAtOnceOnOneFolderKeepEverySaveOfBoth)
{
    Saver first(QStringLiteral("a"), 1000), second(QStringLiteral("b"), 1000, true);
    ASSERT_TRUE(first.finish() && second.finish());
    const QStringList reported = first.reported() + second.reported();
    EXPECT_EQ(reported.size(), 2000);
    EXPECT_EQ(text(check(reported)), "");
}

// Left by a writer killed before committing, or by a writer that is not atomic.
TEST_F(CrashSafety, LeftoverSaveTemporariesAndPartialRecordsAreSkippedAndNeverDeleted)
{
    Effect::AudioEqualizer effect;
    const auto warm = Effect::saveUserEffect(&effect, "Warm", {}, Testing::image());
    const auto bright = Effect::saveUserEffect(&effect, "Bright", {}, Testing::image());
    ASSERT_TRUE(warm && bright);
    const QDir folder(equalizerFolder());
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
    EXPECT_EQ(loadAs<Effect::Object>(folder.path()).size(), 3u);
    EXPECT_THAT(Effect::loadUserEffects<Effect::AudioEqualizer>(),
        testing::UnorderedElementsAre(testing::Key("Warm"), testing::Key("Bright"), testing::Key("Soft")));
    Effect::removeUserEffect(warm.get());
    EXPECT_EQ(loadAs<Effect::Object>(folder.path()).size(), 2u);
    for (const QString& file : leftovers)
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
}

} // namespace
