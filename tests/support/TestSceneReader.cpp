#include "tests/support/TestSceneReader.h"

#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFormatTable.h"
#include "platform/NativeFiles.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <cstdio>
#include <memory>

namespace {

class TestSceneReader : public RWyxReader {
public:
    explicit TestSceneReader(RWyxObjectFactory* factory) : RWyxReader(factory) {}

    bool FileOpen(const char* path) override {
        std::FILE* file = platform::OpenFile(path, "rb");
        if (file == nullptr) {
            SetError(kErrorNotOpened, "cannot open the test file");
            return false;
        }
        std::fclose(file);
        open_ = true;
        return true;
    }
    bool FileClose() override { return true; }
    bool IsFileOpen() const override { return open_; }
    RStreamOptionsPtr GetReadOptions(bool) override { return RStreamOptionsPtr(RStreamOptionsWyx::Create()); }

    bool ReadHeader(RWyxFileHeaderSummary& header) override {
        const TestSceneSource& source = TestSource();
        if (source.headerFails) {
            SetError(kErrorCorrupted, source.failure.c_str());
            return false;
        }
        header.fileVersion = source.fileVersion;
        takes_.clear();
        for (const RWyxTakeInfo& take : source.takes) {
            takes_.push_back(std::make_unique<RWyxTakeInfo>(take));
            header.takeInfos.push_back(takes_.back().get());
        }
        return true;
    }

    bool Read(RWyxScene* scene, RStreamOptions* options) override {
        RWyxScene* built = TestSource().build ? TestSource().build(*GetFactory()) : nullptr;
        if (built == nullptr) {
            SetError(kErrorCorrupted, TestSource().failure.c_str());
            return false;
        }
        MoveInto(*built, *scene);
        GetFactory()->DestroyScene(built, true);
        LeaveOutTakes(*scene, static_cast<RStreamOptionsWyx&>(*options));
        if (!TestSource().readFailsAfterBuild) return true;
        SetError(kErrorCorrupted, TestSource().failure.c_str());
        return false;
    }

private:
    // The built scene's nodes, poses and take descriptions go to the scene read into.
    static void MoveInto(RWyxScene& from, RWyxScene& to) {
        RWyxNode* source = from.GetRootNode();
        std::vector<RWyxNode*> children;
        for (int i = 0; i < source->GetChildCount(); ++i) children.push_back(source->GetChild(i));
        for (RWyxNode* child : children) to.GetRootNode()->AddChild(child);
        for (int i = 0; i < from.GetPoseCount(); ++i) to.AddPose(from.GetPose(i));
        for (int i = 0; i < from.GetTakeInfoCount(); ++i) to.SetTakeInfo(*from.GetTakeInfoAt(i));
    }

    // As the WYX reader does: without the takes flag no take is read, else only those selected.
    static void LeaveOutTakes(RWyxScene& scene, const RStreamOptionsWyx& options) {
        std::vector<RWyxNode*> nodes{scene.GetRootNode()};
        for (size_t n = 0; n < nodes.size(); ++n) {
            RWyxNode* node = nodes[n];
            for (int i = 0; i < node->GetChildCount(); ++i) nodes.push_back(node->GetChild(i));
            for (int t = node->GetTakeNodeCount() - 1; t >= 1; --t) {
                const int entry = options.FindTake(node->GetTakeNodeName(t));
                const bool keep = options.GetFlag(RStreamOptionsWyx::kFlagTakes) && entry >= 0 &&
                                  options.GetTake(entry)->selected;
                if (!keep) node->RemoveTakeNode(t);
            }
        }
    }

    bool open_ = false;
    std::vector<std::unique_ptr<RWyxTakeInfo>> takes_;
};

int RecognizeAnything(const unsigned char*, std::size_t) { return 0; }

std::unique_ptr<RWyxReader> NewTestReader(RWyxObjectFactory* factory, int) {
    return std::make_unique<TestSceneReader>(factory);
}

RStreamOptionsPtr NewTestOptions() { return RStreamOptionsPtr(RStreamOptionsWyx::Create()); }

const RWyxFormatRow kTestRows[] = {
    {"WYX test", "wyxtest", 0, 1, 0, 0, &RecognizeAnything, 0, &NewTestReader, nullptr, &NewTestOptions},
};

}  // namespace

TestSceneSource& TestSource() {
    static TestSceneSource source;
    return source;
}

const RWyxFormatTable& TestFormatTable() {
    static const RWyxFormatTable table(kTestRows, 1);
    return table;
}

RWyxScene* BuildNamedNodes(RWyxObjectFactory& factory, const std::vector<std::string>& names) {
    RWyxScene* scene = factory.CreateScene();
    for (const std::string& name : names) scene->GetRootNode()->AddChild(factory.CreateNode(name.c_str()));
    return scene;
}
