#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"
#include <ItemKinds.h>
#include <StoredRecord.h>

#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Cli {

class Host;
class Output;

enum class EffectType { Equalizer, Enhance };

// equalizer|enhance.
EffectType parseEffectType(const QString& text);

struct EffectPresetRequest {
    EffectType type = EffectType::Equalizer;
    QString name;
    QStringList settings; // KEY=VALUE
    std::optional<std::string> collectionId; // the type's effect collection when not given
    QString previewFile; // a drawn preview when empty
    bool replace = false; // the settings go over the preset called name
    bool exact = false; // a taken name is refused rather than numbered
};

// The presets of type T as their folder lists them, by name, each with its display
// name: every preset with an id of its own, those sharing a name included.
template <class T>
using Presets = std::vector<std::pair<QString, std::unique_ptr<const T>>>;

template <class T>
Presets<T> storedPresets()
{
    Presets<T> presets;
    EditorCollection::LoadedRecords<Effect::Object> records
        = EditorCollection::readBack<Effect::Object>(Settings::userEffectsPath(T::NameInArchive()));
    for (std::size_t index = 0; index < records.size(); ++index) {
        if (!dynamic_cast<const T*>(records[index].item))
            continue;
        const QString name = EditorCollection::displayNameOf(records[index]);
        std::unique_ptr<const Effect::Object> item = records.take(index);
        presets.emplace_back(name, std::unique_ptr<const T>(static_cast<const T*>(item.release())));
    }
    std::stable_sort(
        presets.begin(), presets.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return presets;
}

void saveEffectPreset(Host& host, Output& out, const EffectPresetRequest& request);
void listEffectPresets(Host& host, Output& out, EffectType type, const ListOrder& order);

CommandGroup effectCommands();

} // namespace Cli
