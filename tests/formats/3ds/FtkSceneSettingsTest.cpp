#include "formats/3ds/RStreamOptions3ds.h"
#include "fileio/RStreamOptionsWyx.h"
#include "tests/formats/3ds/FtkToolkitTest.h"

#include <gtest/gtest.h>

using namespace ftk_test;

namespace {

using FtkSceneSettingsTest = FtkToolkitTest;

std::unique_ptr<FtkMeshSettings> ReadSettings(FtkDatabase* database) {
    std::unique_ptr<FtkMeshSettings> settings;
    FtkInitMeshSettings(settings);
    settings->masterScale = 99.0f;
    FtkGetMeshSettings(database, settings.get());
    return settings;
}

TEST_F(FtkSceneSettingsTest, MeshSettingsReadWithTheirDefaults) {
    const Bytes file = Chunk(0x4D4D, {}, {Chunk(0x3D3D, {}, {
        Chunk(0x2100, {}, {Chunk(0x0011, {255, 128, 0})}),
        Chunk(0x1400, F32(0.5f)),
    })});
    std::unique_ptr<FtkDatabase> database = Load(file);
    std::unique_ptr<FtkMeshSettings> settings = ReadSettings(database.get());
    EXPECT_EQ(settings->ambientLight.r, 0.99609375f);  // bytes / 256
    EXPECT_EQ(settings->ambientLight.g, 0.5f);
    EXPECT_EQ(settings->ambientLight.b, 0.0f);
    EXPECT_EQ(settings->shadow.mapSize, 512);  // no 0x1420
    EXPECT_EQ(settings->shadow.bias, 0.5f);
    EXPECT_EQ(settings->masterScale, 1.0f);  // reset to the default before reading
    std::uint32_t bits;
    std::memcpy(&bits, &ReadSettings(NewDatabase(kFtkMeshFile).get())->ambientLight.g, 4);
    EXPECT_EQ(bits, 0x3EC8C932u);

    std::unique_ptr<FtkDatabase> bare = Load(Chunk(0x4D4D, {}));
    EXPECT_EQ(ReadSettings(bare.get())->masterScale, 99.0f);  // no 0x3D3D: left as it was
}

TEST_F(FtkSceneSettingsTest, MeshSettingsPutTwiceLeaveOneAmbientChunk) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    std::unique_ptr<FtkMeshSettings> settings;
    FtkInitMeshSettings(settings);
    settings->shadow.mapSize = 500;
    settings->ambientLight = FtkColor{0.1f, 0.2f, 0.3f};
    FtkPutMeshSettings(database.get(), settings.get());
    settings->ambientLight = FtkColor{0.4f, 0.5f, 0.6f};
    settings->objectConstants = FtkPoint{1, 2, 3};
    FtkPutMeshSettings(database.get(), settings.get());
    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    FtkChunk* meshData = FtkFindChunk(loaded->topchunk.get(), 0x3D3D);
    EXPECT_EQ(ChildIds(meshData), (std::vector<std::uint32_t>{0x3D3E, 0x0100, 0x1400, 0x1420, 0x1450, 0x1460, 0x1500, 0x2100}));
    EXPECT_EQ(ChildIds(FtkFindChild(meshData, 0x2100)), (std::vector<std::uint32_t>{0x0010, 0x0013}));
    std::unique_ptr<FtkMeshSettings> read = ReadSettings(loaded.get());
    EXPECT_EQ(read->shadow.mapSize, 500);
    EXPECT_EQ(read->ambientLight.b, 0.6f);
    EXPECT_EQ(read->objectConstants.z, 3.0f);

    std::unique_ptr<FtkDatabase> library = NewDatabase(kFtkMaterialFile);
    FtkPutMeshSettings(library.get(), settings.get());
    EXPECT_TRUE(FtkHasErrorCode(ERR_WRONG_DATABASE));
}

TEST_F(FtkSceneSettingsTest, BackgroundSwitchesAreReplaced) {
    const Bytes file = Chunk(0x4D4D, {}, {Chunk(0x3D3D, {}, {
        Chunk(0x1201, {}),
        Chunk(0x1300, F32(0.25f), {Chunk(0x0010, Cat({F32(1), F32(0), F32(0)})), Chunk(0x0010, Cat({F32(0), F32(1), F32(0)})),
                                   Chunk(0x0013, Cat({F32(0), F32(0), F32(1)}))}),
    })});
    std::unique_ptr<FtkDatabase> database = Load(file);
    std::unique_ptr<FtkBackground> background;
    FtkInitBackground(background);
    FtkGetBackground(database.get(), background.get());
    EXPECT_EQ(background->active, kFtkSolidBackground);
    EXPECT_EQ(background->gradientMidpoint, 0.25f);
    EXPECT_EQ(background->gradientTop.b, 1.0f);  // the linear colour overrides the top one
    EXPECT_EQ(background->gradientMiddle.g, 1.0f);
    EXPECT_FALSE(background->hasBitmap);

    background->active = kFtkNoBackground;
    FtkPutBackground(database.get(), background.get());
    std::unique_ptr<FtkDatabase> none = Load(Save(database.get()));
    FtkChunk* meshData = FtkFindChunk(none->topchunk.get(), 0x3D3D);
    for (std::uint32_t id : {0x1101u, 0x1201u, 0x1301u}) EXPECT_EQ(FtkFindChunk(meshData, id), nullptr);

    std::unique_ptr<FtkDatabase> fresh = NewDatabase(kFtkMeshFile);
    background->active = kFtkBitmapBackground;
    background->bitmap = "sky.tga";
    FtkPutBackground(fresh.get(), background.get());
    std::vector<std::uint32_t> ids = ChildIds(FtkFindChunk(fresh->topchunk.get(), 0x3D3D));
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{0x3D3E, 0x1200, 0x1100, 0x1300, 0x1101}));
    std::unique_ptr<FtkBackground> read;
    FtkInitBackground(read);
    FtkGetBackground(fresh.get(), read.get());
    EXPECT_EQ(read->bitmap, "sky.tga");
    EXPECT_EQ(read->active, kFtkBitmapBackground);
}

TEST_F(FtkSceneSettingsTest, KeyframerSettingsPutRangeAndSegment) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    std::unique_ptr<FtkKeyframerSettings> settings;
    FtkInitKeyframerSettings(settings);
    settings->animationLength = 120;
    settings->currentFrame = 7;
    FtkPutKeyframerSettings(database.get(), settings.get());
    FtkChunk* keyframer = FtkFindChunk(database->topchunk.get(), 0xB000);
    EXPECT_EQ(ChildIds(keyframer), (std::vector<std::uint32_t>{0xB00A, 0xB009}));  // no segment
    FtkKeyframerHeader header;
    ASSERT_TRUE(FtkGetKeyframerHeader(FtkFindChild(keyframer, 0xB00A), header));
    EXPECT_EQ(header.animationLength, 120u);
    EXPECT_EQ(header.revision, 5);
    settings->useSegment = 1;
    settings->segmentBegin = 10;
    FtkPutKeyframerSettings(database.get(), settings.get());
    FtkByteReader segment = FtkChunkReader(FtkFindChild(keyframer, 0xB008));
    EXPECT_EQ(segment.Dword(), 10u);
    EXPECT_EQ(segment.Dword(), 30u);
    EXPECT_EQ(FtkChunkReader(FtkFindChild(keyframer, 0xB009)).Dword(), 7u);
    settings->useSegment = 0;
    FtkPutKeyframerSettings(database.get(), settings.get());
    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    EXPECT_EQ(FtkFindChunk(loaded->topchunk.get(), 0xB008), nullptr);
}

template <typename T>
using Owned = std::unique_ptr<T, RPlugDestroyer>;

TEST(RStreamOptions3dsTest, DefaultsAreRestoredByEveryReset) {
    Owned<RStreamOptions3ds> options(RStreamOptions3ds::Create());
    for (int slot = 1; slot <= 17; ++slot) {
        const int expected = slot == 1 || slot == 15 || (slot >= 2 && slot <= 6) ? 0 : 1;
        EXPECT_EQ(options->GetOptionValue(slot), expected) << slot;
    }
    EXPECT_STREQ(options->GetOption(RStreamOptions3ds::kTextureMapping)->label.Buffer(), "Texture Mapping");
    EXPECT_EQ(options->GetOption(RStreamOptions3ds::kTextureMapping)->extra, RStreamOptions3ds::kMaterials);
    EXPECT_EQ(options->GetOption(RStreamOptions3ds::kReduceKeys)->direction, RStreamOptionsBase::kOptionForReading);
    EXPECT_EQ(options->GetOption(RStreamOptions3ds::kUvPerPolygon)->direction, RStreamOptionsBase::kOptionForWriting);
    EXPECT_EQ(options->GetOption(3)->enabled, 0);  // slots 2 to 6 keep the base's values
    options->SetOptionValue(RStreamOptions3ds::kReduceKeys, 1);
    options->SetOptionValue(RStreamOptions3ds::kLights, 0);
    EXPECT_TRUE(options->IsOn(RStreamOptions3ds::kReduceKeys));
    options->ResetHooks();
    EXPECT_EQ(options->GetOptionValue(RStreamOptions3ds::kReduceKeys), 0);
    EXPECT_EQ(options->GetOptionValue(RStreamOptions3ds::kLights), 1);

    EXPECT_TRUE(options->Is(RStreamOptions3ds::ClassId()));
    EXPECT_TRUE(options->Is(RStreamOptionsBase::ClassId()));
    EXPECT_TRUE(options->Is(RStreamOptions::ClassId()));
    EXPECT_TRUE(options->Is(RObject::ClassId()));
    EXPECT_TRUE(options->Is(kPlugClassId));
    EXPECT_STREQ(options->GetClassName(), "RStreamOptions3ds");
    Owned<RStreamOptionsWyx> other(RStreamOptionsWyx::Create());
    EXPECT_FALSE(other->Is(RStreamOptions3ds::ClassId()));
}

}  // namespace
