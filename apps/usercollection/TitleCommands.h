#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"
#include <Model/OverlayPreset.h>

#include <QString>

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

// Returns the name the title was saved under.
QString saveTitle(Host& host, Output& out, const TitleRequest& request);
// Listing, naming, renaming and removing titles.
ItemActions<Overlay::Preset> titleActions(Host& host);

CommandGroup titleCommands();

} // namespace Cli
