#include "formats/3ds/toolkit/FtkKeyframer.h"
#include "tests/formats/3ds/FtkToolkitTest.h"

#include <gtest/gtest.h>

using namespace ftk_test;

namespace {

using FtkKeyframerTest = FtkToolkitTest;

std::uint16_t NodeId(FtkChunk* node) { return FtkChunkReader(FtkFindChild(node, 0xB030)).Word(); }

std::uint16_t ParentId(FtkChunk* node) {
    FtkNodeHeader header;
    FtkGetNodeHeader(FtkFindChild(node, 0xB010), header);
    return header.parentIndex;
}

void PutObject(FtkDatabase* database, const char* name, const char* instance, const char* parent) {
    std::unique_ptr<FtkObjectMotion> motion;
    FtkInitObjectMotion(motion, 1, 0, 0, 0, 0);
    FtkCopyName(motion->name, name);
    FtkCopyName(motion->instance, instance);
    FtkCopyName(motion->parent, parent);
    FtkPutObjectMotion(database, motion.get());
}

TEST_F(FtkKeyframerTest, SavingNumbersTheNodesAndTheAmbientNodeIsUnnumbered) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    std::unique_ptr<FtkCameraMotion> camera;
    FtkInitCameraMotion(camera, 1, 1, 0, 1);
    FtkCopyName(camera->name, "cam");
    FtkCopyName(camera->parent, "box");
    FtkPutCameraMotion(database.get(), camera.get());
    PutObject(database.get(), "box", "", "");
    FtkChunk* keyframer = FtkFindChunk(database->topchunk.get(), 0xB000);
    FtkChunk* ambient = FtkAddChunk(kFtkAmbientNode, keyframer);
    FtkSetChunkData(FtkAddNodeId(ambient), U16(7));

    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    FtkChunk* nodes = FtkFindChunk(loaded->topchunk.get(), 0xB000);
    EXPECT_EQ(ChildIds(nodes), (std::vector<std::uint32_t>{0xB00A, 0xB004, 0xB003, 0xB002, 0xB001}));
    FtkChunk* target = FtkFindChild(nodes, 0xB004);
    EXPECT_EQ(NodeId(target), 0);
    EXPECT_EQ(NodeId(FtkFindChild(nodes, 0xB003)), 1);
    EXPECT_EQ(NodeId(FtkFindChild(nodes, 0xB002)), 2);
    EXPECT_EQ(NodeId(FtkFindChild(nodes, 0xB001)), 0xFFFF);
    EXPECT_EQ(ParentId(FtkFindChild(nodes, 0xB003)), 2);
    EXPECT_EQ(ParentId(target), 0xFFFF);  // an empty parent name matches no node

    std::unique_ptr<FtkCameraMotion> read;
    ASSERT_TRUE(FtkGetCameraMotionByIndex(loaded.get(), 0, read));
    EXPECT_STREQ(read->parent, "box");
    EXPECT_EQ(read->targetPosition.keyCount, 1u);
    EXPECT_EQ(read->fov.values.at(0), 60.0f);
}

TEST_F(FtkKeyframerTest, AParentWithAnInstanceNameRoundTripsAsNameDotInstance) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    PutObject(database.get(), "box", "", "");
    PutObject(database.get(), "box", "a", "");
    PutObject(database.get(), "lid", "", "box.a");
    const Bytes first = Save(database.get());
    std::unique_ptr<FtkDatabase> loaded = Load(first);
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    std::unique_ptr<FtkObjectMotion> lid;
    ASSERT_TRUE(FtkGetObjectMotionByIndex(loaded.get(), 2, lid));
    EXPECT_STREQ(lid->parent, "box.a");
    std::unique_ptr<FtkObjectMotion> instance;
    ASSERT_TRUE(FtkGetObjectMotionByIndex(loaded.get(), 1, instance));
    EXPECT_STREQ(instance->instance, "a");
    EXPECT_EQ(Save(loaded.get()), first);  // the parent id is found again by the joined name
    EXPECT_EQ(ParentId(FtkNodeByIndex(loaded.get(), 2, 0xB002)), 1);
}

// A name holding a '.' finds its record whole, after a name.instance pair of that text: a
// pair split at the first '.' first, then one whose name holds a '.', then a whole name.
TEST_F(FtkKeyframerTest, ANameHoldingAPointFindsItsRecordAfterANameInstancePair) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    const char* const records[][3] = {{"box.a", "", ""}, {"a.b", "c", ""}, {"a", "b.c", ""}, {"box", "a", ""},
                                      {"Box.001", "", ""}, {"a.", "", ""}, {"p.q", "r", ""},
                                      {"k1", "", "box.a"}, {"k2", "", "a.b.c"}, {"k3", "", "Box.001"},
                                      {"k4", "", "a."}, {"k5", "", "p.q.r"}};
    for (const auto& record : records) PutObject(database.get(), record[0], record[1], record[2]);
    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    const std::uint16_t parents[] = {3, 2, 4, 5, 6};
    for (std::uint32_t k = 0; k < 5; ++k) {
        EXPECT_EQ(ParentId(FtkNodeByIndex(loaded.get(), 7 + k, 0xB002)), parents[k]) << records[7 + k][0];
    }
}

TEST_F(FtkKeyframerTest, NodesWithoutIdsAreNumberedInOrderAndGetNoParents) {
    const Bytes file = Chunk(0x4D4D, {}, {Chunk(0xB000, {}, {
        Chunk(0xB002, {}, {NodeHeader("a", 0xFFFF)}),
        Chunk(0xB002, {}, {NodeHeader("b", 0)}),
        Chunk(0xB005, {}, {NodeHeader("c", 1)}),
    })});
    std::unique_ptr<FtkDatabase> database = Load(file);
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    ASSERT_EQ(FtkNodeRecords().size(), 3u);
    for (std::uint16_t i = 0; i < 3; ++i) EXPECT_EQ(FtkNodeRecords()[i].id, i);
    EXPECT_EQ(FtkFindChunk(database->topchunk.get(), kFtkParentNameChunk), nullptr);
}

TEST_F(FtkKeyframerTest, ParentLinksToItselfOrRoundACycleAreDroppedWithAWarning) {
    const auto node = [](const char* name, std::uint16_t id, std::uint16_t parent) {
        return Chunk(0xB002, {}, {Chunk(0xB030, U16(id)), NodeHeader(name, parent)});
    };
    const Bytes file = Chunk(0x4D4D, {}, {Chunk(0xB000, {}, {
        node("self", 0, 0), node("b", 1, 2), node("c", 2, 3), node("d", 3, 1), node("e", 4, 3),
    })});
    std::unique_ptr<FtkDatabase> database = Load(file);
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    ASSERT_EQ(FtkWarnings().size(), 2u);
    EXPECT_NE(FtkWarnings()[0].find("\"self\" names itself"), std::string::npos);
    EXPECT_NE(FtkWarnings()[1].find("\"d\" would close a cycle"), std::string::npos);
    const char* const parents[] = {"", "c", "d", "", "d"};
    for (std::uint32_t i = 0; i < 5; ++i) {
        std::unique_ptr<FtkObjectMotion> motion;
        ASSERT_TRUE(FtkGetObjectMotionByIndex(database.get(), i, motion));
        EXPECT_STREQ(motion->parent, parents[i]) << i;
    }
}

TEST_F(FtkKeyframerTest, TracksAreReadWithinTheirBytes) {
    const Bytes morph = Track(0xB026, 2, Cat({Key(0, Bytes(11, 'M')), Key(7, Str("xy"))}));
    const Bytes spline = Track(0xB020, 1, Cat({U32(3), U16(0x0005), F32(0.25f), F32(-0.5f), F32(1), F32(2), F32(3)}));
    const Bytes file = Chunk(0x4D4D, {}, {Chunk(0xB000, {}, {
        Chunk(0xB002, {}, {Chunk(0xB030, U16(0)), NodeHeader("a", 0xFFFF), morph, spline}),
        Chunk(0xB002, {}, {Chunk(0xB030, U16(1)), NodeHeader("b", 0xFFFF), Track(0xB022, 0x7FFFFFFF, Key(0, Bytes(12, 0)))}),
    })});
    std::unique_ptr<FtkDatabase> database = Load(file);
    std::unique_ptr<FtkObjectMotion> motion;
    ASSERT_TRUE(FtkGetObjectMotionByIndex(database.get(), 0, motion)) << ErrorCodes();
    ASSERT_EQ(motion->morph.keyCount, 2u);
    EXPECT_STREQ(motion->morph.values[0].name, "MMMMMMMMMM");  // the 11th byte ends the name
    EXPECT_STREQ(motion->morph.values[1].name, "xy");
    EXPECT_EQ(motion->morph.keys[1].time, 7u);
    ASSERT_EQ(motion->position.keyCount, 1u);
    EXPECT_EQ(motion->position.keys[0].tension, 0.25f);
    EXPECT_EQ(motion->position.keys[0].continuity, 0.0f);
    EXPECT_EQ(motion->position.keys[0].bias, -0.5f);
    EXPECT_EQ(motion->position.values[0].z, 3.0f);
    EXPECT_EQ(motion->morphSmooth, 24.0f);

    // A count far beyond the track's bytes is refused before anything is allocated.
    EXPECT_FALSE(FtkGetObjectMotionByIndex(database.get(), 1, motion));
    EXPECT_TRUE(FtkHasErrorCode(ERR_INVALID_CHUNK));
}

TEST_F(FtkKeyframerTest, AKeyWithFlagsFiveTakesFourteenBytes) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    std::unique_ptr<FtkOmniMotion> omni;
    FtkInitOmniMotion(omni, 1, 0);
    FtkCopyName(omni->name, "o");
    omni->position.keys[0].rflags = 0x0005;
    omni->position.keys[0].tension = 1.0f;
    omni->position.keys[0].continuity = 9.0f;
    omni->position.keys[0].bias = 2.0f;
    FtkPutOmniMotion(database.get(), omni.get());
    FtkChunk* track = FtkFindChunk(database->topchunk.get(), 0xB020);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(FtkReadChunkData(track)->bytes.size(), 14u + 14u + 12u);
    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    std::unique_ptr<FtkOmniMotion> read;
    ASSERT_TRUE(FtkGetOmniMotionByIndex(loaded.get(), 0, read));
    EXPECT_EQ(read->position.keys[0].bias, 2.0f);
    EXPECT_EQ(read->position.keys[0].continuity, 0.0f);  // its bit is clear: not kept
    EXPECT_EQ(read->color.keyCount, 0u);
}

TEST_F(FtkKeyframerTest, AReusedRecordKeepsNothingOfTheNodeItHeldBefore) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    std::unique_ptr<FtkObjectMotion> motion;
    FtkInitObjectMotion(motion, 1, 1, 3, 0, 0);
    FtkCopyName(motion->name, "first");
    FtkPutObjectMotion(database.get(), motion.get());
    PutObject(database.get(), "second", "", "");
    std::unique_ptr<FtkObjectMotion> record;
    ASSERT_TRUE(FtkGetObjectMotionByIndex(database.get(), 0, record));
    EXPECT_EQ(record->scale.keyCount, 3u);
    EXPECT_EQ(record->scale.values[2].y, 1.0f);
    EXPECT_EQ(record->rotation.values[0].z, 1.0f);
    ASSERT_TRUE(FtkGetObjectMotionByIndex(database.get(), 1, record));
    EXPECT_STREQ(record->name, "second");
    EXPECT_EQ(record->scale.keyCount, 0u);
    EXPECT_TRUE(record->scale.values.empty());
}

TEST_F(FtkKeyframerTest, PutsByDatabaseKindAndName) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    PutObject(database.get(), "$$$DUMMY", "", "");
    PutObject(database.get(), "plain", "", "");
    PutObject(database.get(), "plain", "", "");  // a second node, not a replacement
    EXPECT_EQ(FtkObjectNodeCount(database.get()), 3u);
    EXPECT_NE(FtkFindChild(FtkNodeByIndex(database.get(), 0, 0xB002), 0xB014), nullptr);
    EXPECT_EQ(FtkFindChild(FtkNodeByIndex(database.get(), 1, 0xB002), 0xB014), nullptr);
    EXPECT_EQ(ChildIds(FtkNodeByIndex(database.get(), 1, 0xB002)),
              (std::vector<std::uint32_t>{0xB030, 0xB010, 0xB013, 0xB020}));

    std::unique_ptr<FtkDatabase> project = NewDatabase(kFtkProjectFile);
    std::unique_ptr<FtkCameraMotion> camera;
    FtkInitCameraMotion(camera, 1, 0, 0, 0);
    FtkPutCameraMotion(project.get(), camera.get());
    EXPECT_TRUE(FtkHasErrorCode(ERR_INVALID_DATA));
    FtkClearErrors();
    std::unique_ptr<FtkSpotMotion> spot;
    FtkInitSpotMotion(spot, 1, 1, 1, 1, 1, 1);
    FtkCopyName(spot->name, "s");
    spot->hotspot.values[0] = 30.0f;
    FtkPutSpotMotion(project.get(), spot.get());
    EXPECT_FALSE(ftkErrorPending);
    std::unique_ptr<FtkSpotMotion> read;
    ASSERT_TRUE(FtkGetSpotMotionByIndex(project.get(), 0, read));
    EXPECT_EQ(read->hotspot.values[0], 30.0f);
    EXPECT_EQ(read->falloff.values[0], 90.0f);
    EXPECT_EQ(read->targetPosition.keyCount, 1u);
    std::unique_ptr<FtkStringList> names;
    FtkSpotNodeNames(project.get(), names);
    EXPECT_EQ(names->items, (std::vector<std::string>{"s"}));

    // A count larger than the keys given is refused.
    spot->roll.keyCount = 5;
    FtkPutSpotMotion(project.get(), spot.get());
    EXPECT_TRUE(FtkHasErrorCode(ERR_INVALID_DATA));
}

}  // namespace
