#pragma once

#include "CommandLine.h"

#include <QString>

namespace Cli {

class Host;
class Output;

struct TitleRequest {
    QString name; // made unique among the titles
    QString text; // the name when empty
    QString previewFile; // the library's default preview when empty
};

// Returns the name the title was saved under.
QString saveTitle(Host& host, Output& out, const TitleRequest& request);
void listTitles(Host& host, Output& out);
QString proposeTitleName(Host& host, Output& out, const QString& name);

CommandGroup titleCommands();

} // namespace Cli
