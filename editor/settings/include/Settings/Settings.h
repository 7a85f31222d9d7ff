#pragma once

#include <QString>

#include <string>

// The folders of the user's material, all below one data root. The root is
// USERCOLLECTION_DATA when set, else "usercollection" in the platform's
// application data folder, until setDataRoot chooses another. Thread-safe.
namespace Settings {

// An empty path goes back to the default root.
void setDataRoot(const QString& path);
QString dataRoot();

QString userEffectsPath(const std::string& effectTypeName); // <root>/effects/<name>
QString userIntrosPath(); // <root>/intros
QString userOverlaysPath(); // <root>/overlays
QString userImportsPath(); // <root>/imports

} // namespace Settings
