#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"

#include <QCommandLineOption>
#include <QString>

namespace Cli {

class Host;
class Output;

QCommandLineOption pngOption();

// Asks the collection browser to show collection (imports, intros, titles or an
// effect collection id), then draws it into pngPath (default: <data>/pictures/
// <collection>.png). Returns the path written, empty for an empty collection.
QString showCollection(Host& host, Output& out, const QString& collection, const QString& pngPath);

// Draws the preview of the item of kind (a word of infoKinds()) the choice names,
// larger, with its name, into pngPath (default: <data>/pictures/<kind>-<name>.png).
QString showItem(
    Host& host, Output& out, const QString& kind, const ItemChoice& choice, const QString& pngPath);
// The number of items of a collection this program knows how to show; throws a
// usage error for one it does not.
int collectionSize(Host& host, const QString& collection);

CommandGroup showCommands();

} // namespace Cli
