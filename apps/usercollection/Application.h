#pragma once

#include <QStringList>

namespace Cli {

// Runs one command line; returns the exit status (0, 1 for a failed operation, 2 for
// a usage error). Needs a QGuiApplication.
int run(const QStringList& arguments);

// Whether the command line asks for a command that draws pictures, which needs a
// QGuiApplication; the others run under a QCoreApplication, which starts faster.
bool drawsPictures(const QStringList& arguments);

} // namespace Cli
