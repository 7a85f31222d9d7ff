// The items' own archive layout is checked where records carry them (persistence)
// and where bundles carry a timeline (BundleWriterTest); here what no layout may hold.

#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Model/Timeline.h>
#include <Records.h>
#include <gtest/gtest.h>

namespace {

using Serialize::ArchiveError;
using Testing::restoreFrom;
using Testing::savedDocument;

Timeline::Object sampleTimeline()
{
    Timeline::Object timeline;
    timeline.tracks = { { "video", { { "a.mp4", 0, 1000 }, { "b.mp4", 500, 2500 } } },
        { "audio", { { "c.wav", 0, 4000 } } } };
    return timeline;
}

TEST(ModelItems, TimelineDurationIsTheLongestTrack)
{
    EXPECT_EQ(sampleTimeline().duration(), 4000);
    EXPECT_EQ(Timeline::Object().duration(), 0);
}

TEST(ModelItems, ClipsAreEqualOnlyWithTheSameSourceAndPoints)
{
    const Timeline::Clip clip { "a.mp4", 500, 2500 },
        others[] = { { "b.mp4", 500, 2500 }, { "a.mp4", 0, 2500 }, { "a.mp4", 500, 2000 } };
    EXPECT_TRUE(clip == Timeline::Clip(clip));
    for (const Timeline::Clip& other : others)
        EXPECT_FALSE(clip == other) << other.inPoint << " " << other.outPoint;
}

TEST(ModelItems, DocumentOfAnotherItemOrOfValuesNoItemCanHoldIsDamageAndChangesNothing)
{
    Overlay::Preset preset;
    preset.id = "kept";
    EXPECT_THROW(restoreFrom(savedDocument(sampleTimeline()), preset), ArchiveError);
    EXPECT_EQ(preset.id, "kept");

    Import::Object import, restoredImport;
    import.kind = Import::Object::Intro;
    EXPECT_THROW(
        restoreFrom(savedDocument(import).replace("<kind>4</kind>", "<kind>9</kind>"), restoredImport),
        ArchiveError);

    const QByteArray timelineDocument = savedDocument(sampleTimeline());
    Timeline::Object timeline;
    EXPECT_THROW(
        restoreFrom(QByteArray(timelineDocument).replace("<inPoint>500</inPoint>", "<inPoint>9999</inPoint>"),
            timeline),
        ArchiveError);
    EXPECT_THROW(
        restoreFrom(
            QByteArray(timelineDocument).replace("<tracks count=\"2\">", "<tracks count=\"3\">"), timeline),
        ArchiveError);
    EXPECT_TRUE(timeline.tracks.empty());
}

} // namespace
