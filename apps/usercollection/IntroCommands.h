#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"
#include <Model/ImportObject.h>

#include <QString>

namespace Cli {

class Host;
class Output;

struct IntroRequest {
    QString name; // made unique among the intros
    QString timelineFile; // a bundle, or a media file for a one-clip timeline; empty: a default timeline
    QString previewFile; // a drawn preview when empty
    bool exact = false; // a taken name is refused rather than numbered
};

// Returns the name the intro was saved under.
QString saveIntro(Host& host, Output& out, const IntroRequest& request);
// Listing, naming, renaming and removing intros.
ItemActions<Import::Object> introActions(Host& host);

CommandGroup introCommands();

} // namespace Cli
