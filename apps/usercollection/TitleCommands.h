#pragma once

#include "CollectionItems.h"
#include "CommandLine.h"

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
void listTitles(Host& host, Output& out, const ListOrder& order);
QString proposeTitleName(Host& host, Output& out, const QString& name);
void renameTitle(Host& host, Output& out, const ItemChoice& choice, const QString& name, bool number);

CommandGroup titleCommands();

} // namespace Cli
