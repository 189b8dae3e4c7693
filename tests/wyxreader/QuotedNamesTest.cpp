// Names that hold the ASCII form's quotes, backslashes, separators, line breaks and the text of
// its last line come back from a file of either version as they were written: a quoted string
// runs to its closing quote, whatever lines it spans.

#include "tests/wyxreader/ReaderTestSupport.h"
#include "tests/wyxreader/V5SceneSupport.h"

#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace reader_test;

const char* const kChain[] = {"line\nbreak", "quote\"back\\slash\\", "x\",\"y\n}\n;WYX END\r\n\t\x01\x7f"};

class QuotedNamesTest : public ::testing::TestWithParam<bool> {};

TEST_P(QuotedNamesTest, NamesComeBackAsWritten) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* parent = scene->GetRootNode();
    for (const char* name : kChain) {
        RWyxNode* node = factory.CreateNode(name);
        parent->AddChild(node);
        parent = node;
    }
    ScratchFolder folder;
    const std::string path = folder.Join("names.wyx");
    if (GetParam()) {
        ASSERT_EQ(Export5(factory, scene, path, Form5::kAscii), "");
    } else {
        ASSERT_TRUE(Write(factory, scene, path, Form::kAscii));
    }
    RWyxObjectFactory target;
    const ReadResult read = ReadFile(target, path);
    ASSERT_TRUE(read.read) << read.errorText;
    EXPECT_EQ(read.warnings, 0) << read.warningText;
    const RWyxNode* node = read.scene->GetRootNode();
    for (const char* name : kChain) {
        ASSERT_EQ(node->GetChildCount(), 1);
        node = node->GetChild(0);
        EXPECT_EQ(std::string(node->GetName().Buffer()), std::string("Model::") + name);
    }
    EXPECT_EQ(node->GetChildCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Versions, QuotedNamesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "V5" : "V6"; });

}  // namespace
