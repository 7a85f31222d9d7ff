#include "HostProcess.h"
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <memory>

using Testing::HostRun;
using Testing::runHost;

namespace {

struct ErrorCase {
    const char* name;
    QStringList arguments; // {data}, {media}, {text}: the data folder, a media file, a file that is no image
    int status;
    const char* message;
};

// Every case runs on one data folder that holds an equalizer preset "Bass" and an
// import record "existing.rec"; no case may change it.
class HostErrors : public ::testing::TestWithParam<ErrorCase> {
protected:
    static void SetUpTestSuite()
    {
        root = std::make_unique<Testing::TempDataRoot>();
        outside = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(Testing::writeFile(outside->filePath("clip.mp4"), "frames"));
        ASSERT_TRUE(Testing::writeFile(outside->filePath("notes.txt"), "no picture here"));
        for (const QStringList& setup : { QStringList { "effects", "save", "equalizer", "Bass" },
                 QStringList { "imports", "save", "existing.rec", "--media", "{media}" } })
            ASSERT_EQ(runHost(expanded(setup) + QStringList { "--data", root->path() }).status, 0);
    }
    static void TearDownTestSuite()
    {
        root.reset();
        outside.reset();
    }

    static QStringList expanded(QStringList arguments)
    {
        arguments.replaceInStrings("{data}", root->path());
        arguments.replaceInStrings("{media}", outside->filePath("clip.mp4"));
        return arguments.replaceInStrings("{text}", outside->filePath("notes.txt"));
    }

    static inline std::unique_ptr<Testing::TempDataRoot> root;
    static inline std::unique_ptr<QTemporaryDir> outside;
};

TEST_P(HostErrors, FailsWithOneLineAndChangesNothing)
{
    const ErrorCase& error = GetParam();
    const QStringList before = root->files();
    ASSERT_EQ(before.size(), 2);

    // A --data in the case comes later and wins.
    const HostRun run = runHost(QStringList { "--data", root->path() } + expanded(error.arguments));

    EXPECT_EQ(run.status, error.status) << run.err.toStdString();
    ASSERT_EQ(run.err.split('\n', Qt::SkipEmptyParts).size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("usercollection: "))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(error.message))) << run.err.toStdString();
    EXPECT_EQ(run.out, QString());
    EXPECT_EQ(root->files(), before);
}

const ErrorCase errorCases[] = {
    { "no_command", {}, 2, "missing command" },
    { "unknown_command", { "frobnicate" }, 2, "unknown command 'frobnicate'" },
    { "unknown_subcommand", { "effects", "tweak" }, 2, "unknown effects command 'tweak'" },
    { "unknown_option", { "effects", "list", "equalizer", "--loud" }, 2, "Unknown option 'loud'" },
    { "extra_argument", { "intros", "list", "more" }, 2, "unexpected argument 'more'" },
    { "unknown_effect_type", { "effects", "save", "reverb", "X" }, 2, "unknown effect type 'reverb'" },
    { "list_unknown_effect_type", { "effects", "list", "reverb" }, 2, "unknown effect type 'reverb'" },
    { "effect_without_name", { "effects", "save", "equalizer" }, 2, "missing NAME" },
    { "intro_with_empty_name", { "intros", "save", "" }, 2, "missing NAME" },
    { "title_without_name", { "titles", "save" }, 2, "missing NAME" },
    { "unknown_setting", { "effects", "save", "equalizer", "X", "--set", "treble=3" }, 2,
        "no setting 'treble'" },
    { "setting_above_range", { "effects", "save", "equalizer", "X", "--set", "band1=12.5" }, 2,
        "out of range" },
    { "setting_below_range", { "effects", "save", "enhance", "X", "--set", "gamma=0" }, 2, "out of range" },
    { "setting_not_a_number", { "effects", "save", "equalizer", "X", "--set", "band1=loud" }, 2,
        "not a number" },
    { "setting_nan", { "effects", "save", "equalizer", "X", "--set", "band1=nan" }, 2, "not a number" },
    { "setting_without_value", { "effects", "save", "equalizer", "X", "--set", "band1" }, 2, "KEY=VALUE" },
    { "valid_then_invalid_setting",
        { "effects", "save", "equalizer", "X", "--set", "band1=3", "--set", "band2=40" }, 2,
        "band2=40 is out of range" },
    { "preset_name_taken", { "effects", "save", "equalizer", "Bass", "--exact" }, 2,
        "an equalizer preset called 'Bass' exists already; 'Bass_01' is free" },
    { "preview_not_an_image", { "effects", "save", "equalizer", "X", "--preview", "{text}" }, 2,
        "cannot read the image" },
    { "preview_missing", { "titles", "save", "X", "--preview", "{text}.png" }, 2, "cannot read the image" },
    { "intro_preview_not_an_image", { "intros", "save", "X", "--preview", "{text}" }, 2,
        "cannot read the image" },
    { "import_unknown_kind", { "imports", "save", "new.rec", "--media", "{media}", "--kind", "movie" }, 2,
        "unknown kind 'movie'" },
    { "import_next_name_unknown_kind", { "imports", "next-name", "X", "--kind", "intro" }, 2,
        "unknown kind 'intro'" },
    { "import_file_name_with_folder", { "imports", "save", "../escape.rec", "--media", "{media}" }, 2,
        "not a plain file name" },
    { "import_file_name_dot_dot", { "imports", "save", "..", "--media", "{media}" }, 2,
        "not a plain file name" },
    { "import_record_exists", { "imports", "save", "existing.rec", "--media", "{media}" }, 2,
        "already exists" },
    { "import_without_media", { "imports", "save", "new.rec" }, 2, "missing --media" },
    { "import_media_missing", { "imports", "save", "new.rec", "--media", "{media}.gone" }, 2,
        "no such file" },
    { "import_media_is_a_folder", { "imports", "save", "new.rec", "--media", "{data}" }, 2, "no such file" },
    { "import_empty_name", { "imports", "save", "new.rec", "--media", "{media}", "--name", "" }, 2,
        "missing --name" },
    { "intro_timeline_missing", { "intros", "save", "X", "--timeline", "{media}.gone" }, 2, "no such file" },
    { "show_unknown_collection", { "show", "nowhere" }, 1, "the collection 'nowhere' is empty" },
    { "remove_unknown_preset", { "effects", "remove", "equalizer", "Treble" }, 1,
        "no equalizer preset called 'Treble'" },
    { "remove_preset_of_other_type", { "effects", "remove", "enhance", "Bass" }, 1,
        "no enhance preset called 'Bass'" },
    { "remove_unknown_import", { "imports", "remove", "nothing" }, 1, "no import called 'nothing'" },
    { "remove_import_of_other_kind", { "imports", "remove", "clip", "--kind", "audio" }, 1,
        "no audio import called 'clip'" },
    { "remove_unknown_intro", { "intros", "remove", "nothing" }, 1, "no intro called 'nothing'" },
    { "data_folder_under_a_file", { "effects", "save", "equalizer", "X", "--data", "{media}/data" }, 1,
        "cannot create the data folder" },
    { "empty_data_folder", { "intros", "list", "--data", "" }, 2, "--data needs a folder" },
    { "data_folder_is_a_file", { "effects", "list", "equalizer", "--data", "{media}" }, 1,
        "is not a folder" },
    { "demo_on_a_folder_with_files", { "demo" }, 2, "needs an empty data folder" },
};

INSTANTIATE_TEST_SUITE_P(Inputs, HostErrors, ::testing::ValuesIn(errorCases),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

} // namespace
