#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Model/Timeline.h>
#include <QBuffer>
#include <Serialize/Archive.h>
#include <gtest/gtest.h>

namespace {

template <class T>
QByteArray saved(const T& item)
{
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive out(&buffer);
    item.save(out);
    out.finish();
    return document;
}

template <class T>
void restoreFrom(QByteArray document, T& item)
{
    QBuffer buffer(&document);
    buffer.open(QIODevice::ReadOnly);
    Serialize::InputArchive in(&buffer);
    item.restore(in);
    in.finish();
}

// item saved into a document and restored into a fresh object of its type.
template <class T>
T roundTrip(const T& item)
{
    T restored;
    restoreFrom(saved(item), restored);
    return restored;
}

Timeline::Object sampleTimeline()
{
    Timeline::Object timeline;
    timeline.tracks = { { "video", { { "a.mp4", 0, 1000 }, { "b.mp4", 500, 2500 } } },
        { "audio", { { "c.wav", 0, 4000 } } } };
    return timeline;
}

TEST(ModelItems, ImportRoundTripsEveryField)
{
    Import::Object import;
    import.id = "{id}";
    import.secondaryId = "second";
    import.path = "/data/clip.mp4";
    import.kind = Import::Object::Intro;

    const Import::Object restored = roundTrip(import);
    EXPECT_EQ(restored.id, import.id);
    EXPECT_EQ(restored.secondaryId, import.secondaryId);
    EXPECT_EQ(restored.path, import.path);
    EXPECT_EQ(restored.kind, Import::Object::Intro);
}

TEST(ModelItems, OverlayPresetRoundTripsEveryField)
{
    Overlay::Preset preset;
    preset.id = "{id}";
    preset.secondaryId = "second";
    preset.text = "Hello\nworld";
    preset.fontFamily = "Serif";
    preset.fontSize = 72;
    preset.textColor = 0xff102030u;
    preset.backgroundColor = 0x80ffffffu;

    const Overlay::Preset restored = roundTrip(preset);
    EXPECT_EQ(restored.id, preset.id);
    EXPECT_EQ(restored.secondaryId, preset.secondaryId);
    EXPECT_EQ(restored.text, preset.text);
    EXPECT_EQ(restored.fontFamily, preset.fontFamily);
    EXPECT_EQ(restored.fontSize, preset.fontSize);
    EXPECT_EQ(restored.textColor, preset.textColor);
    EXPECT_EQ(restored.backgroundColor, preset.backgroundColor);
}

TEST(ModelItems, TimelineRoundTripsTracksAndClipsInOrder)
{
    EXPECT_EQ(roundTrip(sampleTimeline()).tracks, sampleTimeline().tracks);
    EXPECT_TRUE(roundTrip(Timeline::Object()).tracks.empty());
}

TEST(ModelItems, TimelineDurationIsTheLongestTrack)
{
    EXPECT_EQ(sampleTimeline().duration(), 4000);
    EXPECT_EQ(Timeline::Object().duration(), 0);
}

TEST(ModelItems, RestoreOfAnotherItemLeavesTheTargetUnchanged)
{
    Overlay::Preset preset;
    preset.id = "kept";
    EXPECT_THROW(restoreFrom(saved(sampleTimeline()), preset), Serialize::ArchiveError);
    EXPECT_EQ(preset.id, "kept");
}

TEST(ModelItems, ValuesNoItemCanHoldAreDamage)
{
    Import::Object import;
    import.kind = Import::Object::Intro;
    Import::Object restoredImport;
    EXPECT_THROW(restoreFrom(saved(import).replace("<kind>4</kind>", "<kind>9</kind>"), restoredImport),
        Serialize::ArchiveError);

    Timeline::Object timeline;
    EXPECT_THROW(
        restoreFrom(
            saved(sampleTimeline()).replace("<inPoint>500</inPoint>", "<inPoint>9999</inPoint>"), timeline),
        Serialize::ArchiveError);
    EXPECT_THROW(restoreFrom(saved(sampleTimeline()).replace("<tracks count=\"2\">", "<tracks count=\"3\">"),
                     timeline),
        Serialize::ArchiveError);
    EXPECT_TRUE(timeline.tracks.empty());
}

} // namespace
