// The sample scene in samples/: the files there are what the sample program writes today, and
// they hold a textured, skinned, animated character with a camera and a light.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "samples/SampleCharacter.h"

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;

TEST(SampleSceneTest, TheSampleFilesAreWhatTheSampleProgramWrites) {
    RWyxObjectFactory factory;
    RWyxScene* scene = sample::BuildCharacterScene(factory);
    ASSERT_NE(scene, nullptr);
    ScratchFolder folder;
    for (const auto& [name, form] : {std::pair{sample::kBinaryFileName, 0}, std::pair{sample::kAsciiFileName, 1}}) {
        SCOPED_TRACE(name);
        const std::string written = folder.Join(name);
        ASSERT_TRUE(sample::WriteCharacterScene(factory, scene, written.c_str(), form));
        const std::string kept = ScratchFolder::ReadFile(std::string(WYX_SAMPLES_DIR) + "/" + name);
        EXPECT_TRUE(ScratchFolder::ReadFile(written) == kept)
            << "the sample is out of date: run build/.../samples/wyx_write_samples from the repository root";
    }
    FileTree tree;
    ASSERT_TRUE(ReadTree(folder.Join(sample::kBinaryFileName), tree));
    const Record& objects = tree.main.Child("Objects");
    Names kinds;
    for (const Record* model : objects.All("Model")) kinds.push_back(model->values[1]);
    EXPECT_EQ(kinds, (Names{"Null", "Root", "LimbNode", "LimbNode", "Mesh", "Camera", "Light"}));
    EXPECT_EQ(objects.All("Material").size(), 1u);
    EXPECT_EQ(objects.All("Texture").size(), 1u);
    EXPECT_EQ(objects.All("Deformer").size(), 4u) << "a skin and its three clusters";
    EXPECT_EQ(objects.All("Pose").size(), 1u);
    const Record& take = tree.main.Child("Takes").Child("Take");
    EXPECT_EQ(take.values, Names{"Walk"});
    EXPECT_EQ(take.All("Model").size(), 3u);
}

}  // namespace
