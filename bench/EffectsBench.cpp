// Listing and saving effect presets through the real persistence service on a
// temporary data root, against plain QFile reads and QSaveFile writes of the
// same bytes.

#include "BenchSupport.h"
#include <Effect/UserEffects.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <memory>

namespace Bench {
namespace {

constexpr int PresetCount = 1000;

QString folderOf(const char* effectType)
{
    return Settings::userEffectsPath(effectType);
}

QStringList filesIn(const QString& folder)
{
    QStringList files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

// PresetCount equalizer presets, saved once for the whole run. Listing is only
// ever done on this folder; saving goes to the enhancement folder.
const QStringList& equalizerPresets()
{
    static const QStringList files = [] {
        DataRoot::instance();
        const Services::PersistenceService service;
        Effect::AudioEqualizer equalizer;
        for (int i = 0; i < PresetCount; ++i) {
            equalizer.bandGains[static_cast<std::size_t>(i % Effect::AudioEqualizer::BandCount)] = i % 12;
            Effect::saveUserEffect(&equalizer, QStringLiteral("Preset %1").arg(i), std::string(), nullptr);
        }
        return filesIn(folderOf(Effect::AudioEqualizer::NameInArchive()));
    }();
    return files;
}

void BM_LoadUserEffects(benchmark::State& state)
{
    if (equalizerPresets().size() != PresetCount) {
        state.SkipWithError("the presets were not all saved");
        return;
    }
    const Services::PersistenceService service;
    std::size_t listed = 0;
    for (auto _ : state)
        listed = Effect::loadUserEffects<Effect::AudioEqualizer>().size();
    if (listed != PresetCount)
        state.SkipWithError("not every preset was listed");
    state.SetItemsProcessed(state.iterations() * PresetCount);
}
BENCHMARK(BM_LoadUserEffects)->Unit(benchmark::kMillisecond);

// The floor: the bytes of the same files, paths known in advance.
void BM_ReadPresetFilesFloor(benchmark::State& state)
{
    const QStringList& files = equalizerPresets();
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const QString& path : files) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * files.size());
    state.counters["bytes_per_file"] = files.empty() ? 0.0 : static_cast<double>(bytes) / files.size();
}
BENCHMARK(BM_ReadPresetFilesFloor)->Unit(benchmark::kMillisecond);

// For reference: the floor plus listing the folder, which loading must do too.
void BM_ListAndReadPresetFiles(benchmark::State& state)
{
    const QString folder = folderOf(Effect::AudioEqualizer::NameInArchive());
    equalizerPresets();
    for (auto _ : state) {
        qint64 bytes = 0;
        for (const QString& path : filesIn(folder)) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ListAndReadPresetFiles)->Unit(benchmark::kMillisecond);

void BM_SaveUserEffect(benchmark::State& state)
{
    DataRoot::instance();
    const Services::PersistenceService service;
    Effect::ManualEnhance enhance;
    enhance.brightness = 12;
    bool saved = true;
    for (auto _ : state)
        saved &= Effect::saveUserEffect(&enhance, QStringLiteral("Bench"), std::string(), nullptr) != nullptr;
    if (!saved)
        state.SkipWithError("a preset was not saved");
}
BENCHMARK(BM_SaveUserEffect)->Unit(benchmark::kMicrosecond);

// The bytes of one stored enhancement preset.
QByteArray enhancePresetBytes()
{
    DataRoot::instance();
    const Services::PersistenceService service;
    const Effect::ManualEnhance enhance;
    const auto saved = Effect::saveUserEffect(&enhance, QStringLiteral("Bench"), std::string(), nullptr);
    if (!saved)
        return QByteArray();
    QFile file(
        QDir(folderOf(Effect::ManualEnhance::NameInArchive())).filePath(QString::fromStdString(saved->id)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The floor: the same bytes written once, atomically, to a new file each time.
void BM_SaveFileFloor(benchmark::State& state)
{
    static const QByteArray bytes = enhancePresetBytes();
    if (bytes.isEmpty()) {
        state.SkipWithError("no stored preset to copy");
        return;
    }
    const QDir folder(QDir(DataRoot::instance().path()).filePath(QStringLiteral("floor")));
    QDir().mkpath(folder.path());
    static int written = 0;
    bool saved = true;
    for (auto _ : state) {
        QSaveFile file(folder.filePath(QString::number(++written)));
        saved &= file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    }
    if (!saved)
        state.SkipWithError("a file was not written");
    state.counters["bytes"] = bytes.size();
}
BENCHMARK(BM_SaveFileFloor)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace Bench
