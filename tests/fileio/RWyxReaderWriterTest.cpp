#include "tests/fileio/FrontEndTestSupport.h"

#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "fileio/RWyxPropertyFile.h"

#include <pthread.h>

namespace {

using frontend_test::ProbeTest;

// A reader and a writer with nothing of their own: the bases' operations alone.
class BareReader : public RWyxReader {
public:
    using RWyxReader::RWyxReader;
    bool FileOpen(const char*) override { return true; }
    bool FileClose() override { return true; }
    bool IsFileOpen() const override { return true; }
    RStreamOptionsPtr GetReadOptions(bool) override { return nullptr; }
    bool Read(RWyxScene*, RStreamOptions*) override { return true; }
    void Fail(int code) { GetError().SetErrorCode(code); }
};

class BareWriter : public RWyxWriter {
public:
    using RWyxWriter::RWyxWriter;
    bool FileCreate(const char*) override { return true; }
    bool FileClose() override { return true; }
    bool IsFileOpen() const override { return true; }
    RStreamOptionsPtr GetWriteOptions() override { return nullptr; }
    bool Write(RWyxScene*, RStreamOptions*) override {
        ++writes;
        return true;
    }
    void Fail(int code) { GetError().SetErrorCode(code); }
    int writes = 0;
};

class FrontEnd : public RWyxIO {
public:
    using RWyxIO::RWyxIO;
    void Fail(int code) { GetError().SetErrorCode(code); }
};

template <typename T>
std::vector<std::string> Texts(int count) {
    T object(nullptr);
    std::vector<std::string> texts;
    for (int code = 0; code < count; ++code) {
        object.Fail(code);
        texts.emplace_back(object.GetLastErrorString());
    }
    return texts;
}

TEST(ErrorTablesTest, ReaderWriterAndFrontEndTextsByCode) {
    using Texts_ = std::vector<std::string>;
    EXPECT_EQ(Texts<BareReader>(RWyxReader::kErrorCount),
              (Texts_{"File is corrupted", "File version is not supported yet", "File version is not supported anymore",
                      "File not opened", "File not created", "Wrong password", "Stream options not set",
                      "Unidentified error"}));
    EXPECT_EQ(Texts<BareWriter>(RWyxWriter::kErrorCount),
              (Texts_{"File is corrupted", "File not opened", "File not created", "Out of disk space",
                      "Stream options not set", "Unidentified error"}));
    EXPECT_EQ(Texts<FrontEnd>(RWyxIO::kErrorCount),
              (Texts_{"File is corrupted", "File version is not supported yet", "File version is not supported anymore",
                      "File not opened", "File not created", "File not written", "File name not set",
                      "Unidentified error", "Unknown file format", "Unsupported file format",
                      "Stream options not set"}));
    BareReader reader(nullptr);
    EXPECT_EQ(reader.GetLastErrorCode(), -1);
    EXPECT_TRUE(reader.GetMessageText().IsEmptyText());
}

// Nodes below the scene's root, built from "parent/child" paths of names.
class SceneChecksTest : public ProbeTest {
protected:
    RWyxNode* Node(const char* name, RWyxNode* parent = nullptr) {
        RWyxNode* node = factory_.CreateNode(name);
        (parent != nullptr ? parent : scene_->GetRootNode())->AddChild(node);
        return node;
    }
    BareReader reader_{&factory_};
    BareWriter writer_{&factory_};
};

TEST_F(SceneChecksTest, DuplicateNamesAreListedOnceEachWithTheirPrefix) {
    RWyxNode* hips = Node("Hips");
    Node("Spine", Node("Leg", hips));
    RString text("Duplicate names found in walk.bvh:");
    EXPECT_TRUE(reader_.CheckDuplicateNames(hips, text));
    EXPECT_STREQ(text.Buffer(), "Duplicate names found in walk.bvh:");

    RWyxNode* leg = Node("Leg", hips);
    Node("Spine", leg);
    Node("Leg", leg);
    // The scene's own names outside the subtree do not count.
    Node("Hips");
    EXPECT_FALSE(reader_.CheckDuplicateNames(hips, text));
    EXPECT_STREQ(text.Buffer(), "Duplicate names found in walk.bvh:\n    Model::Leg\n    Model::Spine");
    RString none;
    EXPECT_TRUE(reader_.CheckDuplicateNames(nullptr, none));
    EXPECT_TRUE(none.IsEmptyText());
}

TEST_F(SceneChecksTest, OnlyNodeNamesCountAsDuplicates) {
    // Two lights with gobos of one name, two meshes' materials of one name.
    RWyxNode* top = Node("Top");
    for (const char* name : {"Lamp1", "Lamp2"}) {
        RWyxLight* light = factory_.CreateLight();
        light->SetGobo(factory_.CreateGobo("Pattern"));
        Node(name, top)->SetNodeAttribute(light);
    }
    RString text;
    EXPECT_TRUE(reader_.CheckDuplicateNames(top, text));
    EXPECT_TRUE(text.IsEmptyText());
}

TEST_F(SceneChecksTest, TheExportRootIsTheFirstMarkedNodeOfTheSingleChildChain) {
    EXPECT_EQ(writer_.FindSingleRoot(nullptr), nullptr);
    EXPECT_EQ(writer_.FindSingleRoot(scene_), nullptr) << "the root has no child";
    RWyxNode* a = Node("A");
    RWyxNode* b = Node("B", a);
    RWyxNode* c = Node("C", b);
    EXPECT_EQ(writer_.FindSingleRoot(scene_), nullptr) << "nothing marked";
    c->SetMarked(1, false);
    EXPECT_EQ(writer_.FindSingleRoot(scene_), c);
    b->SetMarked(1, false);
    EXPECT_EQ(writer_.FindSingleRoot(scene_), b);
    a->SetMarked(1, false);
    EXPECT_EQ(writer_.FindSingleRoot(scene_), a) << "the starting child included";
    a->SetMarked(0, false);
    b->SetMarked(0, false);
    Node("D", b);
    EXPECT_EQ(writer_.FindSingleRoot(scene_), nullptr) << "the chain ends at B's two children";
    b->SetMarked(1, false);
    EXPECT_EQ(writer_.FindSingleRoot(scene_), b);
    Node("E");
    EXPECT_EQ(writer_.FindSingleRoot(scene_), nullptr) << "the root has two children";
}

TEST_F(SceneChecksTest, NamesWithBlanksTabsOrLineFeedsAreListedInPreOrder) {
    RWyxNode* root = Node("Root");
    RWyxNode* left = Node("Left Arm", root);
    Node("Hand\tL", left);
    RWyxNode* clean = Node("Clean", left);
    RWyxNode* right = Node("Right", root);
    Node("Foot\nR", right);
    Node("Bad Name");  // outside the subtree
    RString text("Spaces are not allowed in BVH node names:");
    EXPECT_FALSE(writer_.CollectNamesWithBlanks(root, text));
    EXPECT_STREQ(text.Buffer(),
                 "Spaces are not allowed in BVH node names:\n    Model::Left Arm\n    Model::Hand\\tL\n    Model::Foot\\nR");
    RString none;
    EXPECT_TRUE(writer_.CollectNamesWithBlanks(clean, none));
    EXPECT_TRUE(writer_.CollectNamesWithBlanks(nullptr, none));
    EXPECT_TRUE(none.IsEmptyText());
}

// Runs the check on a thread with a small stack: a walk that recursed per level would run
// out of it.
bool CheckOnSmallStack(RWyxWriter& writer, RWyxNode* node, RString& text) {
    struct Call {
        RWyxWriter& writer;
        RWyxNode* node;
        RString& text;
        bool result = false;
    } call{writer, node, text};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 128 * 1024);
    pthread_t thread;
    const auto run = [](void* argument) -> void* {
        auto* c = static_cast<Call*>(argument);
        c->result = c->writer.CollectNamesWithBlanks(c->node, c->text);
        return nullptr;
    };
    EXPECT_EQ(pthread_create(&thread, &attributes, run, &call), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    return call.result;
}

TEST_F(SceneChecksTest, ADeepHierarchyIsCheckedWithoutRecursion) {
    constexpr int kDepth = 3000;
    // Built outside the scene, where adding a child costs no walk up the hierarchy.
    RWyxNode* top = factory_.CreateNode("Top");
    RWyxNode* node = top;
    for (int i = 0; i < kDepth; ++i) {
        RWyxNode* child = factory_.CreateNode(i == kDepth - 1 ? "Deep Bottom" : "Link");
        node->AddChild(child);
        node = child;
    }
    RString text;
    EXPECT_FALSE(CheckOnSmallStack(writer_, top, text));
    EXPECT_STREQ(text.Buffer(), "\n    Model::Deep Bottom");
}

TEST_F(SceneChecksTest, TheBaseWritesItsOwnFileThroughWriteAndRefusesAnother) {
    std::unique_ptr<RWyxPropertyFile> file = RWyxPropertyFile::Create();
    EXPECT_TRUE(writer_.WriteScene(scene_, nullptr, nullptr));
    EXPECT_EQ(writer_.writes, 1);
    EXPECT_FALSE(writer_.WriteScene(scene_, nullptr, file.get()));
    EXPECT_EQ(writer_.writes, 1);
    EXPECT_EQ(writer_.GetLastErrorCode(), RWyxWriter::kErrorUnidentified);
    RWyxFileHeaderSummary header;
    header.fileVersion = 42;
    EXPECT_FALSE(reader_.ReadHeader(header)) << "a format without a header has none to read";
    EXPECT_EQ(header.fileVersion, 42);
}

TEST_F(SceneChecksTest, AWritersProgressGoesToItsOwnerOnly) {
    int reports = 0;
    FrontEnd owner(&factory_);
    owner.SetProgressHandler([&](int, const char*, const char*, float) { ++reports; });
    BareWriter owned(&factory_, &owner);
    owned.ReportProgress(0, "text", nullptr, 0.0f);
    writer_.ReportProgress(0, "text", nullptr, 0.0f);  // no owner
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(owned.GetOwner(), &owner);
    EXPECT_EQ(owned.GetFactory(), &factory_);
}

}  // namespace
