// Names that hold the ASCII form's quotes, backslashes, line breaks and the text of its last
// line come back from a file of either version as they were written: a quoted string runs to
// its closing quote, whatever lines it spans.

#include "tests/wyxreader/ReaderTestSupport.h"
#include "tests/wyxreader/V5SceneSupport.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace reader_test;

const char* const kChain[] = {"line\nbreak", "quote\"back\\slash\\", "x\",\"y\n}\n;WYX END\r\n\t\x01\x7f"};

RWyxScene* BuildScene(RWyxObjectFactory& factory) {
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* parent = scene->GetRootNode();
    for (const char* name : kChain) {
        RWyxNode* node = factory.CreateNode(name);
        parent->AddChild(node);
        parent = node;
    }
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(3);
    mesh->BeginPolygon();
    for (const int k : {0, 1, 2}) mesh->AddPolygonVertex(k);
    mesh->InitMaterialIndices(RWyxMesh::kKindAllSame);
    mesh->AddMaterial(factory.CreateMaterial("paint\n\"red\""));
    mesh->InitTextureIndices(RWyxMesh::kKindAllSame);
    RWyxTexture* texture = factory.CreateTexture("skin\\");
    texture->SetFileName("maps/a\nb\".png");
    mesh->AddTexture(texture);
    parent->SetNodeAttribute(mesh);
    return scene;
}

class QuotedNamesTest : public ::testing::TestWithParam<bool> {};

TEST_P(QuotedNamesTest, NamesComeBackAsWritten) {
    const bool version5 = GetParam();
    ScratchFolder folder;
    const std::string path = folder.Join("names.wyx");
    RWyxObjectFactory factory;
    RWyxScene* scene = BuildScene(factory);
    if (version5) {
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
    const RWyxMesh* mesh = node->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetPolygonCount(), 1);
    ASSERT_EQ(mesh->GetMaterialCount(), 1);
    EXPECT_EQ(std::string(mesh->GetMaterial(0)->GetName().Buffer()), "Material::paint\n\"red\"");
    ASSERT_EQ(mesh->GetTextureCount(), 1);
    EXPECT_EQ(std::string(mesh->GetTexture(0)->GetName().Buffer()), "Texture::skin\\");
    EXPECT_EQ(std::string(mesh->GetTexture(0)->GetFileName().Buffer()), "maps/a\nb\".png");
}

INSTANTIATE_TEST_SUITE_P(Versions, QuotedNamesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "V5" : "V6"; });

}  // namespace
