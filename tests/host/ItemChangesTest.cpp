// Changing an item in place, seeing what it holds, and previews kept at preview size:
// each command changes what it says and nothing else, the folder's files compared
// before and after. Refusals that change nothing are in tests/hostile.

#include "HostProcess.h"

#include <QImage>

namespace {

using Testing::filesBelow;
using Testing::valueAt;
using ItemChanges = Testing::HostTest;

// The files of before and after that differ, added or gone.
QStringList changedFiles(const Testing::Files& before, const Testing::Files& after)
{
    QStringList changed;
    for (const auto& [file, bytes] : after)
        if (!before.count(file) || before.at(file) != bytes)
            changed << file;
    for (const auto& [file, bytes] : before)
        if (!after.count(file))
            changed << file;
    // What the trash keeps of a change is its own promise (TrashTest).
    return Testing::withoutTrash(changed);
}

// Each "path=value" of expected is what done holds at path.
void expectHolds(const QJsonObject& done, const QStringList& expected, const QString& command)
{
    for (const QString& entry : expected)
        EXPECT_EQ(valueAt(done, entry.section('=', 0, 0)), entry.section('=', 1)) << command.toStdString();
}

TEST_F(ItemChanges, AReplaceOrSetChangesTheSettingsGivenAndKeepsTheOthers)
{
    const QString id
        = report("effects save equalizer Voice --set band1=-6 --set band5=4 --set band6=5")["id"].toString();
    const QString record = "effects/AudioEqualizer/" + id;
    for (const auto& [command, expected] : std::vector<std::pair<QString, QStringList>> {
             { "effects save equalizer Voice --replace --set band5=6",
                 { "settings/band1=-6", "settings/band5=6", "settings/band6=5", "changed/*=band5 4 -> 6",
                     "collection=audio_effects" } },
             { "effects set equalizer --id " + id + " --set band1=0 --set preamp=2",
                 { "settings/band1=0", "settings/band5=6", "changed/*=preamp 0 -> 2|band1 -6 -> 0" } },
             // A move says where from, and the list shows it there.
             { "effects set equalizer Voice --collection mine",
                 { "collection=mine", "movedFrom=audio_effects" } },
             { "effects save equalizer Voice --replace --collection audio_effects --set band6=0",
                 { "collection=audio_effects", "movedFrom=mine", "settings/band6=0" } },
         }) {
        const Testing::Files before = filesBelow(root.path());
        const QJsonObject done = report(command);
        expectHolds(done, expected, command);
        EXPECT_EQ(valueAt(report("list"), "items/*/collection"), done["collection"].toString());
        EXPECT_EQ(changedFiles(before, filesBelow(root.path())), QStringList { record });
    }
    EXPECT_EQ(valueAt(report("effects list equalizer"), "presets/*/id"), id);

    // A title: what is given changes, the rest stays, and its drawn preview follows.
    report("titles save Big --text Hello --color red");
    const Testing::Files before = filesBelow(root.path());
    const QJsonObject edited = report("titles edit Big --font Serif --background \"#80000000\"");
    EXPECT_EQ(valueAt(edited, "changed/*"), "font 'Sans' -> 'Serif'|background '#00000000' -> '#80000000'");
    expectHolds(report("info title Big"), { "text=Hello", "font=Serif", "color=#ffff0000" }, "info");
    EXPECT_EQ(changedFiles(before, filesBelow(root.path())).size(), 1);
}

TEST_F(ItemChanges, InfoShowsWhatEachKindHoldsAndAPhotoIsKeptAtPreviewSize)
{
    const QString photo = media.path() + "/photo.jpg";
    ASSERT_TRUE(QImage(6000, 4000, QImage::Format_RGB32).save(photo, "JPEG", 10));
    mediaFile("clip.mp4");
    for (const QString save : { "effects save enhance Warm --set temperature=40 --preview {media}/photo.jpg",
             "titles save Big --text Hi --preview {media}/photo.jpg",
             "imports save Holiday --media {media}/clip.mp4 --preview {media}/photo.jpg",
             "intros save Opening --timeline {media}/clip.mp4 --preview {media}/photo.jpg" })
        report(save);
    for (const auto& [file, bytes] : filesBelow(root.path()))
        EXPECT_LT(bytes.size(), 64 * 1024) << file.toStdString();

    for (const auto& [command, expected] : std::vector<std::pair<QString, QStringList>> {
             { "info enhance Warm",
                 { "settings/temperature=40", "settings/contrast=0", "collection=video_effects",
                     "preview/width=256", "preview/height=170" } },
             { "info title Big", { "text=Hi", "font=Sans", "color=#ffffffff", "background=#00000000" } },
             { "info import Holiday",
                 { "kind=video", "media=" + media.path() + "/clip.mp4", "mediaExists=true" } },
             { "info intro Opening",
                 { "tracks/0/clips/0/source=" + media.path() + "/clip.mp4", "tracks/0/clips/0/inMs=0",
                     "tracks/0/clips/0/outMs=5000" } },
             { "show --item title Big", { "width=512", "name=Big" } },
         }) {
        expectHolds(report(command), expected, command);
    }
}

} // namespace
