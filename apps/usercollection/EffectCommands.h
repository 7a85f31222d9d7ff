#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"
#include <Model/EffectObject.h>

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

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
    bool replace = false; // changes the preset called name instead
    bool exact = false; // a taken name is refused rather than numbered
};

void saveEffectPreset(Host& host, Output& out, const EffectPresetRequest& request);
// Changes the preset the choice names in place: request's settings, preview and
// collection; its name and replace are not used.
void changeEffectPreset(
    Host& host, Output& out, const ItemChoice& choice, const EffectPresetRequest& request);
// Listing, naming, renaming and removing the presets of an effect.
ItemActions<Effect::Object> presetActions(EffectType type);

CommandGroup effectCommands();

} // namespace Cli
