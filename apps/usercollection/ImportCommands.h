#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"
#include <Model/ImportObject.h>

#include <QString>

#include <optional>

namespace Cli {

class Host;
class Output;

struct ImportRequest {
    QString mediaPath; // must exist
    std::optional<Import::Object::Kind> kind; // guessed from the media file when not given
    QString name; // the display name; the media file's base name when empty
    QString previewFile; // a drawn preview when empty
    bool exact = false; // a taken name is refused rather than numbered
};

// Returns the name the import was saved under.
QString saveImport(Host& host, Output& out, const ImportRequest& request);
// Listing, naming, renaming and removing imports, of the kind given when one is.
ItemActions<Import::Object> importActions(Host& host, std::optional<Import::Object::Kind> kind);
// The name saveImport would give. Without a kind: the kind of the first import of
// that name, else a plain file.
QString proposeImportName(
    Host& host, Output& out, const QString& name, std::optional<Import::Object::Kind> kind);

CommandGroup importCommands();

} // namespace Cli
