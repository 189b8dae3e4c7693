#include "formats/3ds/toolkit/FtkChunk.h"
#include "formats/3ds/toolkit/FtkKeyframer.h"
#include "tests/formats/3ds/FtkToolkitTest.h"

#include <gtest/gtest.h>

using namespace ftk_test;

namespace {

using FtkChunkTreeTest = FtkToolkitTest;

// A mesh file that already carries this system's version stamps and node numbers, with chunks
// the toolkit does not know at several places.
Bytes FileWithUnknownChunks() {
    return Chunk(0x4D4D, {}, {
        Chunk(0x0002, U32(3)),
        Chunk(0x3D3D, {}, {
            Chunk(0x3D3E, U32(3)),
            Chunk(0x7777, {1, 2, 3, 4, 5}),
            Chunk(0x4000, Str("obj"), {
                Chunk(0x4100, {}, {Chunk(0x4110, Cat({U16(1), F32(1), F32(2), F32(3)}))}),
                Chunk(0x8000, {}, {Chunk(0x8009, {9, 9, 9}), Chunk(0x8005, {})}),
            }),
            Chunk(0x2200, Bytes(16, 0x42), {Chunk(0x5555, {7})}),
        }),
        Chunk(0xB000, {}, {
            Chunk(0xB00A, Cat({U16(5), Str("kf"), U32(100)})),
            Chunk(0xB002, {}, {Chunk(0xB030, U16(0)), NodeHeader("obj", 0xFFFF),
                               Track(0xB020, 1, Key(0, Cat({F32(1), F32(2), F32(3)})))}),
        }),
        Chunk(0x9999, {0xAA, 0xBB}),
    });
}

TEST_F(FtkChunkTreeTest, UnknownChunksSurviveALoadAndSaveByteForByte) {
    const Bytes original = FileWithUnknownChunks();
    std::unique_ptr<FtkDatabase> database = Load(original);
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    EXPECT_EQ(FtkGetDatabaseKind(database.get()), kFtkMeshFile);
    EXPECT_EQ(ChildIds(database->topchunk.get()), (std::vector<std::uint32_t>{0x0002, 0x3D3D, 0xB000, 0x9999}));
    EXPECT_EQ(Save(database.get()), original);
    EXPECT_FALSE(ftkErrorPending) << ErrorCodes();
}

TEST_F(FtkChunkTreeTest, OrderedInsertionFollowsTheChunkOrder) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    FtkChunk* top = database->topchunk.get();
    EXPECT_EQ(ChildIds(top), (std::vector<std::uint32_t>{0x0002, 0x3D3D, 0xB000}));
    FtkChunk* meshData = FtkFindChunk(top, 0x3D3D);
    FtkAddChunk(0x0100, meshData);
    FtkAddChunk(0xAFFF, meshData);
    FtkAddChunk(0x4000, meshData);
    FtkAddChunk(0xAFFF, meshData)->length = 1;  // marks the second entry
    EXPECT_EQ(ChildIds(meshData), (std::vector<std::uint32_t>{0x3D3E, 0xAFFF, 0xAFFF, 0x0100, 0x4000}));
    EXPECT_EQ(meshData->children->next->next->length, 1u);  // after the first entry
    // Equal order keeps insertion order; 0xB005 (order 0) goes after every node.
    FtkChunk* keyframer = FtkFindChunk(top, 0xB000);
    FtkAddChunk(0xB005, keyframer);
    FtkAddChunk(0xB001, keyframer);
    FtkAddChunk(0xB002, keyframer);
    FtkAddChunk(0xB008, keyframer);
    EXPECT_EQ(ChildIds(keyframer), (std::vector<std::uint32_t>{0xB00A, 0xB008, 0xB002, 0xB001, 0xB005}));
}

// Where an ordered insert goes when walking from the first child: before the first of lower order.
void ReferenceInsert(std::vector<std::uint32_t>& ids, std::uint32_t id) {
    auto place = ids.begin();
    while (place != ids.end() && FtkChunkOrder(*place) >= FtkChunkOrder(id)) ++place;
    ids.insert(place, id);
}

TEST_F(FtkChunkTreeTest, OrderedInsertionAmongManyChildrenMatchesAWalkFromTheFirst) {
    EXPECT_EQ(FtkChunkOrder(0x0000), 35);
    EXPECT_EQ(FtkChunkOrder(0x1201), 12);
    EXPECT_EQ(FtkChunkOrder(0x4010), 1);
    EXPECT_EQ(FtkChunkOrder(0x7777), 0);
    EXPECT_EQ(FtkChunkOrder(0x14000), 0);  // past 16 bits
    std::unique_ptr<FtkChunk> parent = FtkNewChunkWithId(0x3D3D);
    std::vector<std::uint32_t> expected;
    // Interleaved orders, many of each, so that the parent remembers where inserts went.
    const std::uint32_t ids[] = {0x4000, 0xAFFF, 0x0100, 0x4000, 0x7777, 0xAFFF, 0x4010, 0x1201, 0x4000, 0x3D3E};
    for (int round = 0; round < 6; ++round) {
        for (std::uint32_t id : ids) {
            FtkAddChunk(id, parent.get());
            ReferenceInsert(expected, id);
        }
        // An append at the end, of high order, which ordered inserts must walk past.
        FtkAddChildLast(parent.get(), FtkNewChunkWithId(0x3D3E));
        expected.push_back(0x3D3E);
    }
    EXPECT_EQ(ChildIds(parent.get()), expected);

    // Emptied, the parent forgets every child: inserts start again from nothing.
    FtkClearChunk(parent.get());
    expected.clear();
    for (std::uint32_t id : ids) {
        FtkAddChunk(id, parent.get());
        ReferenceInsert(expected, id);
    }
    EXPECT_EQ(ChildIds(parent.get()), expected);
}

TEST_F(FtkChunkTreeTest, VersionStampsByDatabaseKind) {
    std::unique_ptr<FtkDatabase> mesh = NewDatabase(kFtkMeshFile);
    const Bytes meshFile = Save(mesh.get());
    std::unique_ptr<FtkDatabase> loaded = Load(meshFile);
    FtkChunk* top = loaded->topchunk.get();
    EXPECT_EQ(FtkChunkReader(FtkFindChunk(top, 0x0002)).Dword(), 3u);
    EXPECT_EQ(FtkChunkReader(FtkFindChunk(top, 0x3D3E)).Dword(), 3u);
    FtkKeyframerHeader header;
    ASSERT_TRUE(FtkGetKeyframerHeader(FtkFindChunk(top, 0xB00A), header));
    EXPECT_EQ(header.revision, 5);
    EXPECT_EQ(header.animationLength, 30u);

    // A loaded header keeps its name and length; only the revision is stamped.
    FtkKeyframerHeader old{1, "scene", 250};
    FtkSetKeyframerHeader(FtkFindChunk(top, 0xB00A), old);
    FtkStampVersions(loaded.get(), 2);
    ASSERT_TRUE(FtkGetKeyframerHeader(FtkFindChunk(top, 0xB00A), header));
    EXPECT_EQ(header.revision, 5);
    EXPECT_EQ(header.name, "scene");
    EXPECT_EQ(header.animationLength, 250u);

    std::unique_ptr<FtkDatabase> project = NewDatabase(kFtkProjectFile);
    EXPECT_EQ(FtkFindChunk(project->topchunk.get(), 0x0002), nullptr);
    EXPECT_NE(FtkFindChunk(project->topchunk.get(), 0x3D3E), nullptr);
    std::unique_ptr<FtkDatabase> library = NewDatabase(kFtkMaterialFile);
    EXPECT_EQ(Save(library.get()), Chunk(0x3DAA, {}));
    std::unique_ptr<FtkDatabase> none = NewDatabase(7);
    EXPECT_EQ(none->topchunk->id, 0u);
    EXPECT_FALSE(ftkErrorPending) << ErrorCodes();
}

TEST_F(FtkChunkTreeTest, OtherTopChunksLoadWithoutChildren) {
    std::unique_ptr<FtkDatabase> database = Load(Chunk(0x2D2D, {}, {Chunk(0x0002, U32(3))}));
    EXPECT_FALSE(ftkErrorPending);
    EXPECT_EQ(database->topchunk->id, 0x2D2Du);
    EXPECT_EQ(database->topchunk->children, nullptr);
    EXPECT_EQ(FtkGetDatabaseKind(database.get()), kFtkNoDatabase);
}

TEST_F(FtkChunkTreeTest, DataIsReadOnDemandAndChunksWithoutDataWriteTheirHeaderOnly) {
    std::unique_ptr<FtkDatabase> database = Load(Chunk(0x4D4D, {}, {Chunk(0x4010, {}), Chunk(0x0100, F32(2.5f))}));
    FtkChunk* flag = database->topchunk->children.get();
    FtkChunk* scale = flag->next.get();
    EXPECT_EQ(scale->data, nullptr);
    EXPECT_EQ(FtkReadChunkData(flag), nullptr);
    ASSERT_NE(FtkReadChunkData(scale), nullptr);
    EXPECT_EQ(FtkChunkReader(scale).Float(), 2.5f);
    const Bytes saved = Save(database.get());
    std::unique_ptr<FtkDatabase> again = Load(saved);
    FtkChunk* flagAgain = FtkFindChunk(again->topchunk.get(), 0x4010);
    ASSERT_NE(flagAgain, nullptr);
    EXPECT_EQ(flagAgain->length, 6u);
}

TEST_F(FtkChunkTreeTest, InMemoryParentNamesAreLeftOutAndLengthsPatched) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    FtkChunk* keyframer = FtkFindChunk(database->topchunk.get(), 0xB000);
    FtkChunk* node = FtkAddChunk(0xB002, keyframer);
    FtkAddNodeHeader("a", 0, 0, "some parent", node);
    const Bytes saved = Save(database.get());
    std::unique_ptr<FtkDatabase> loaded = Load(saved);
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    FtkChunk* header = FtkFindChunk(loaded->topchunk.get(), 0xB010);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->children, nullptr);
    EXPECT_EQ(header->length, 6u + 2u + 6u);
    EXPECT_EQ(loaded->topchunk->length, saved.size());
}

struct DamagedFile {
    const char* what;
    Bytes bytes;
    int code;
};

TEST_F(FtkChunkTreeTest, DamagedStructureStopsTheLoadInOrder) {
    Bytes deep = Chunk(0x0100, F32(1));
    for (int level = 0; level < kFtkMaxChunkDepth; ++level) deep = Chunk(0x3D3D, {}, {deep});
    const DamagedFile files[] = {
        {"length below 6", Chunk(0x4D4D, {}, {RawChunk(0x3D3D, 5, {0, 0, 0, 0, 0, 0})}), ERR_INVALID_CHUNK},
        {"child past its parent", Chunk(0x4D4D, {}, {Chunk(0x3D3D, {}, {RawChunk(0x0100, 40, F32(1))}), Bytes(30, 0)}),
         ERR_INVALID_CHUNK},
        {"nesting too deep", Chunk(0x4D4D, {}, {deep}), ERR_INVALID_CHUNK},
        {"top chunk past the file", RawChunk(0x4D4D, 1000, Chunk(0x0002, U32(3))), ERR_READING_FILE},
        {"own data larger than the chunk", Chunk(0x4D4D, {}, {Chunk(0x0010, {})}), ERR_INVALID_CHUNK},
        {"name without its zero", Chunk(0x4D4D, {}, {Chunk(0x4000, Bytes(11, 'n'))}), ERR_INVALID_CHUNK},
        {"face count past the chunk", Chunk(0x4D4D, {}, {Chunk(0x4120, Cat({U16(100), Bytes(8, 0)}))}), ERR_INVALID_CHUNK},
        {"a tail too short for a header", Chunk(0x4D4D, {}, {Chunk(0x0002, U32(3)), Bytes(3, 0)}), ERR_INVALID_CHUNK},
        {"header cut off", Bytes{0x4D, 0x4D, 6}, ERR_READING_FILE},
    };
    for (const DamagedFile& file : files) {
        ResetToolkit();
        std::unique_ptr<FtkDatabase> database = Load(file.bytes);
        EXPECT_TRUE(FtkHasErrorCode(file.code)) << file.what << ": " << ErrorCodes();
        EXPECT_TRUE(FtkHasErrorCode(ERR_READING_DATABASE)) << file.what;
        EXPECT_TRUE(FtkHasErrorCode(ERR_CREATING_DATABASE)) << file.what;
        EXPECT_NE(database->topchunk, nullptr) << file.what;  // what was read stays for release
    }
    // One level less than the cap loads.
    ResetToolkit();
    Bytes allowed = Chunk(0x0100, F32(1));
    for (int level = 1; level < kFtkMaxChunkDepth; ++level) allowed = Chunk(0x3D3D, {}, {allowed});
    Load(Chunk(0x4D4D, {}, {allowed}));
    EXPECT_FALSE(ftkErrorPending) << ErrorCodes();
}

// Names longer than their field are refused as such: the text gives the name and the limit.
TEST_F(FtkChunkTreeTest, NamesLongerThanTheirFieldAreRefusedByNameAndLimit) {
    struct LongName {
        Bytes file;
        const char* text;
    };
    const LongName names[] = {
        {Chunk(0x4D4D, {}, {Chunk(0x3D3D, {}, {Chunk(0x4000, Str("ElevenChars"))})}),
         "The object name \"ElevenChars\" has 11 characters; a 3DS file holds at most 10."},
        {Chunk(0x4D4D, {}, {Chunk(0x3D3D, {}, {Chunk(0xAFFF, {}, {Chunk(0xA000, Str("DefaultMaterial_0"))})})}),
         "The material name \"DefaultMaterial_0\" has 17 characters; a 3DS file holds at most 16."},
        {Chunk(0x4D4D, {}, {Chunk(0xB000, {}, {Chunk(0xB002, {}, {NodeHeader("Pyramid_node", 0xFFFF)})})}),
         "The keyframer node name \"Pyramid_node\" has 12 characters; a 3DS file holds at most 10."},
    };
    for (const LongName& name : names) {
        ResetToolkit();
        Load(name.file);
        EXPECT_TRUE(FtkHasErrorCode(ERR_STRING_TOO_LONG)) << name.text << ": " << ErrorCodes();
        EXPECT_FALSE(FtkHasErrorCode(ERR_INVALID_CHUNK)) << name.text;
        EXPECT_EQ(FtkErrorDetail(), name.text);
    }
    // A material group of a mesh names its material in the face list's data.
    ResetToolkit();
    const Bytes faces = Chunk(0x4120, Cat({U16(1), U16(0), U16(1), U16(2), U16(0)}),
                              {Chunk(0x4130, Cat({Str("DefaultMaterial_0"), U16(1), U16(0)}))});
    std::unique_ptr<FtkDatabase> database =
        Load(Chunk(0x4D4D, {}, {Chunk(0x3D3D, {}, {Chunk(0x4000, Str("Box"), {Chunk(0x4100, {}, {faces})})})}));
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    std::unique_ptr<FtkMeshObject> mesh;
    FtkGetMeshByIndex(database.get(), 0, mesh);
    EXPECT_TRUE(FtkHasErrorCode(ERR_STRING_TOO_LONG)) << ErrorCodes();
    EXPECT_NE(FtkErrorDetail().find("\"DefaultMaterial_0\" has 17 characters"), std::string::npos) << FtkErrorDetail();
    // Clearing the errors clears the text.
    FtkClearErrors();
    EXPECT_EQ(FtkErrorDetail(), "");
}

TEST_F(FtkChunkTreeTest, ExtraDataEntriesKeepOnlyTheirOwnChildren) {
    const Bytes entry = Chunk(0x8001, {}, {
        Chunk(0x8002, {1}),
        RawChunk(0x8003, 200, {}),      // runs past the entry: dropped, reading goes on behind its header
        Chunk(0x8004, {2, 2}),
        Chunk(0x0100, F32(1)),          // another id ends the entry
        Chunk(0x8005, {3}),
    });
    std::unique_ptr<FtkDatabase> database = Load(Chunk(0x4D4D, {}, {Chunk(0x8000, {}, {entry})}));
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    FtkChunk* loaded = FtkFindChunk(database->topchunk.get(), 0x8001);
    EXPECT_EQ(ChildIds(loaded), (std::vector<std::uint32_t>{0x8002, 0x8004}));
    std::unique_ptr<FtkDatabase> again = Load(Save(database.get()));
    EXPECT_EQ(ChildIds(FtkFindChunk(again->topchunk.get(), 0x8001)), (std::vector<std::uint32_t>{0x8002, 0x8004}));
}

TEST_F(FtkChunkTreeTest, NameListsSkipEntriesWithoutNames) {
    const Bytes file = Chunk(0x4D4D, {}, {
        Chunk(0x3D3D, {}, {
            Chunk(0xAFFF, {}, {Chunk(0xA081, {})}),  // no name chunk
            Chunk(0xAFFF, {}, {Chunk(0xA000, Str("mat"))}),
        }),
        Chunk(0xB000, {}, {
            Chunk(0xB002, {}, {Chunk(0xB030, U16(0))}),  // no header
            Chunk(0xB002, {}, {Chunk(0xB030, U16(1)), NodeHeader("box", 0xFFFF), Chunk(0xB011, Str("i"))}),
        }),
    });
    std::unique_ptr<FtkDatabase> database = Load(file);
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    EXPECT_EQ(FtkMaterialCount(database.get()), 1u);
    EXPECT_NE(FtkFindMaterial(database.get(), "mat"), nullptr);
    EXPECT_EQ(FtkFindMaterial(database.get(), ""), nullptr);
    FtkUpdateNodeList(database.get());
    ASSERT_EQ(database->nodeList->entries.size(), 2u);
    EXPECT_FALSE(database->nodeList->entries[0].hasName);
    EXPECT_EQ(database->nodeList->entries[1].name, "box.i");
    EXPECT_EQ(FtkFindNode(database.get(), "", 0xB002), nullptr);
    EXPECT_NE(FtkFindNode(database.get(), "box.i", 0xB002), nullptr);
    EXPECT_EQ(FtkNodeCount(database.get(), 0xB002), 1u);
    EXPECT_EQ(FtkNodeRecords().size(), 1u);  // the headerless node takes no part in numbering
}

TEST_F(FtkChunkTreeTest, LongSiblingChainsAreReleasedWithoutDeepRecursion) {
    Bytes body;
    for (int i = 0; i < 100000; ++i) Append(body, Chunk(0x4010, {}));
    std::unique_ptr<FtkDatabase> database = Load(Chunk(0x4D4D, body));
    EXPECT_FALSE(ftkErrorPending);
    FtkReleaseDatabase(database);
    EXPECT_EQ(database, nullptr);
}

}  // namespace
