#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"
#include <Types/Image.h>

#include <QString>
#include <QStringList>

#include <memory>

namespace Cli {

class Host;

// The item kinds info and show --item take: equalizer, enhance, import, intro, title;
// they also take the kinds of imports (video, ...) that lists show.
QStringList infoKinds();

// One stored item as its record holds it, for show --item.
struct StoredPreview {
    QString kind; // a word of infoKinds()
    QString name;
    QString id;
    std::shared_ptr<const Types::Image> preview; // null when the record has none
};
// The item of kind the choice names, read from its record; a failure when none.
StoredPreview storedPreview(Host& host, const QString& kind, const ItemChoice& choice);

CommandGroup infoCommands();

} // namespace Cli
