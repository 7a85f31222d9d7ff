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

// What the data folder's trash notes about each change: the command that made it, as
// the program running it names it ("library" until one does). Thread-safe.
namespace Settings {

void setChangeCommand(const QString& command);
QString changeCommand();

// While one lives on a thread, what that thread's requests remove or overwrite is
// deleted rather than kept in the trash: for taking back what a failed step has just
// written, which must leave nothing behind.
class TrashBypass {
public:
    TrashBypass();
    ~TrashBypass();
    TrashBypass(const TrashBypass&) = delete;
    TrashBypass& operator=(const TrashBypass&) = delete;
};
bool trashBypassed();

} // namespace Settings
