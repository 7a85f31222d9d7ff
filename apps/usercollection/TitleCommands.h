#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"
#include <Model/OverlayPreset.h>

#include <QString>

#include <optional>

namespace Cli {

class Host;
class Output;

struct TitleRequest {
    QString name; // made unique among the titles unless exact
    QString text; // the name when empty
    QString font; // the model's default family when empty
    QString color; // text colour; the default when empty
    QString background; // the default (none) when empty
    QString previewFile; // the text drawn in its font and colours when empty
    bool exact = false; // a taken name is refused rather than numbered
};

// What titles edit changes: each value given, the rest kept.
struct TitleEdit {
    std::optional<QString> text, font, color, background;
    QString previewFile; // none when empty
};

// Returns the name the title was saved under.
QString saveTitle(Host& host, Output& out, const TitleRequest& request);
// Changes the title the choice names in place.
void editTitle(Host& host, Output& out, const ItemChoice& choice, const TitleEdit& edit);
// Listing, naming, renaming and removing titles.
ItemActions<Overlay::Preset> titleActions(Host& host);

CommandGroup titleCommands();

} // namespace Cli
