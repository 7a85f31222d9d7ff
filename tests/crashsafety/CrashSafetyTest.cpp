// Savers in forked processes, killed at moments drawn from a seeded generator or
// running side by side on one data folder: what a restarted program lists afterwards is
// exactly the saves that completed, each once and unchanged, and nothing else in the
// folder poses as a record.

#include <Effect/UserEffects.h>
#include <Records.h>
#include <WithServices.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <random>
#include <set>

namespace {

// A preset's settings follow from its name alone, so that one found on disk can be
// checked even when its saver died before reporting it.
Effect::AudioEqualizer equalizerCalled(const QString& name)
{
    Effect::AudioEqualizer equalizer;
    uint step = qHash(name);
    for (const Effect::ParameterInfo& parameter : Effect::AudioEqualizer::parameters())
        equalizer.setParameter(parameter.key, double(step++ % 25) - 12); // each -12..12
    return equalizer;
}

// A forked copy of this process that saves the presets "<label>-0".. in turn, with the
// services of the fixture, and reports each name as soon as its save has returned.
class Saver {
public:
    Saver(const QString& label, int count)
        : label(label)
    {
        int out[2];
        if (::pipe(out) != 0 || (m_pid = ::fork()) < 0)
            return;
        if (m_pid == 0) {
            for (int index = 0; index < count; ++index) {
                // One write a line: a kill leaves the parent whole lines only.
                const QByteArray line = name(index).toUtf8() + '\n';
                const Effect::AudioEqualizer equalizer = equalizerCalled(name(index));
                if (!Effect::saveUserEffect(&equalizer, name(index), {}, Testing::image())
                    || ::write(out[1], line.data(), size_t(line.size())) < 0)
                    ::_exit(1);
            }
            ::_exit(0);
        }
        ::close(out[1]);
        m_out.open(out[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    }
    ~Saver() { end(true); }
    QString name(int index) const { return label + '-' + QString::number(index); }
    // Kills it, or waits for it to end; whether it saved all its presets.
    bool end(bool killing)
    {
        int status = -1;
        if (m_pid > 0 && killing)
            ::kill(m_pid, SIGKILL);
        return m_pid > 0 && ::waitpid(std::exchange(m_pid, -1), &status, 0) > 0 && WIFEXITED(status)
            && WEXITSTATUS(status) == 0;
    }
    // The names of the saves it reported as returned; only once it has ended.
    QStringList reported() { return QString::fromUtf8(m_out.readAll()).split('\n', Qt::SkipEmptyParts); }

    const QString label;

private:
    pid_t m_pid = -1;
    QFile m_out;
};

// Keeps what the data folder must hold across any number of savers on it.
class CrashSafety : public Testing::WithServices {
protected:
    // Adds the saves reported as returned; inFlight: saves that may have completed
    // unreported. What is wrong with what a program started now lists: every expected
    // preset once and unchanged, nothing else, and one record a file.
    std::string check(const QStringList& reported, const QStringList& inFlight = {})
    {
        m_saved.insert(reported.begin(), reported.end());
        // A partial record, a twin, or one not where a program looks is a file more than listed.
        const QStringList files = root.files();
        persistence.emplace(); // one that knows nothing of earlier loads
        const auto presets = Effect::loadUserEffects<Effect::AudioEqualizer>();
        QStringList faults;
        if (files.size() != int(presets.size()))
            faults << QString("%1 listed: ").arg(presets.size()) + files.join(' ');
        for (const auto& [name, preset] : presets) {
            if (inFlight.contains(name))
                m_saved.insert(name);
            Effect::AudioEqualizer expected = equalizerCalled(name);
            expected.id = expected.secondaryId = preset->id;
            if (!m_saved.count(name))
                faults << "never saved: " + name;
            else if (Testing::savedDocument(*preset) != Testing::savedDocument(expected))
                faults << "changed: " + name;
        }
        for (const QString& name : m_saved)
            if (!presets.count(name))
                faults << "lost: " + name;
        return faults.join('\n').toStdString();
    }

    std::set<QString> m_saved;
};

TEST_F(CrashSafety, KilledSaversLeaveOnlyWholeRecordsAndLoseOrChangeNoCompletedSave)
{
    const unsigned seed = qEnvironmentVariable("CRASHSAFETY_SEED", "20261206").toUInt();
    std::cout << "kills drawn with seed " << seed << " (CRASHSAFETY_SEED sets another)" << std::endl;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 20000);
    for (int round = 0; round < 100; ++round) {
        // Two savers side by side, killed one after the other.
        Saver savers[] = { { QString("k%1a").arg(round), 1000 }, { QString("k%1b").arg(round), 1000 } };
        QStringList reported, inFlight;
        for (Saver& saver : savers) {
            ::usleep(useconds_t(delayUs(random)));
            saver.end(true);
            const QStringList names = saver.reported();
            reported += names;
            inFlight << saver.name(names.size());
        }
        ASSERT_EQ(check(reported, inFlight), "") << "seed " << seed << ", round " << round;
    }
}

TEST_F(CrashSafety, TwoSaversAtOnceOnOneFolderKeepEverySaveOfBoth)
{
    Saver first("a", 1000), second("b", 1000);
    ASSERT_TRUE(first.end(false) && second.end(false));
    const QStringList reported = first.reported() + second.reported();
    EXPECT_EQ(reported.size(), 2000);
    EXPECT_EQ(check(reported), "");
}

} // namespace
