#include "scene/RWyxRootNodeConverter.h"

#include "core/EulerAngles.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// A converter whose conversion and reference nodes the test chooses.
class TestConverter : public RWyxRootNodeConverter {
public:
    void GetConversionMatrix(RMatrix& out) override { out.AssignAll(conversion); }
    bool IsReferenceNode(RWyxNode* node) const override { return references.count(node) != 0; }

    RMatrix conversion;
    std::set<const RWyxNode*> references;
};

RMatrix RotationAboutX(double degrees) {
    RMatrix matrix;
    EulerXYZToMatrix(matrix, degrees, 0.0, 0.0);
    return matrix;
}

class RootNodeTest : public ::testing::Test {
protected:
    RWyxNode* Child(const char* name, RWyxNode* parent) {
        RWyxNode* node = factory.CreateNode(name);
        parent->AddChild(node);
        return node;
    }

    RWyxObjectFactory factory;
    TestConverter converter;
    RWyxNode* sceneRoot = factory.CreateNode("RootNode");
};

TEST_F(RootNodeTest, InsertedRootsAreFoundByNameOrByTheReferenceTest) {
    RWyxNode* numbered = factory.CreateNode("Wyx_Root_1");
    RWyxNode* arm = factory.CreateNode("Arm");
    EXPECT_STREQ(converter.GetRootName().Buffer(), "Wyx_Root");
    EXPECT_TRUE(converter.IsRootNode(numbered));
    EXPECT_FALSE(converter.IsRootNode(arm));
    EXPECT_FALSE(converter.IsRootNode(nullptr));
    converter.references.insert(arm);
    EXPECT_TRUE(converter.IsRootNode(arm));
    EXPECT_FALSE(RWyxRootNodeUtility().IsRootNode(arm)) << "the base knows no reference node";
}

TEST_F(RootNodeTest, ARootThatUndoesTheConversionIsRemovableAndItsChildrenAreKept) {
    converter.conversion = RotationAboutX(-90.0);
    RWyxNode* undoing = Child("Wyx_Root", sceneRoot);
    undoing->SetDefaultRotation(RVector4(90.0, 0.0, 0.0, 0.0));
    RWyxNode* content = Child("Body", undoing);
    RWyxNode* other = Child("Wyx_Root_2", sceneRoot);
    other->SetDefaultTranslation(RVector4(0.0, 5.0, 0.0, 0.0));
    RWyxNode* plain = Child("Light", sceneRoot);

    converter.ConvertSceneRoot(sceneRoot);
    EXPECT_EQ(converter.GetSecondList(), std::vector<RWyxNode*>{undoing});
    EXPECT_EQ(converter.GetFirstList(), (std::vector<RWyxNode*>{content, other}));
    EXPECT_TRUE(converter.IsRemovableRoot(undoing));
    EXPECT_FALSE(converter.IsRemovableRoot(other));
    EXPECT_FALSE(converter.IsNodeToConvert(undoing));
    EXPECT_FALSE(converter.IsNodeToConvert(content));
    EXPECT_FALSE(converter.IsNodeToConvert(other));
    EXPECT_TRUE(converter.IsNodeToConvert(plain));
    RVector4 rotation;
    EXPECT_EQ(sceneRoot->GetDefaultRotation(rotation), RVector4(-90.0, 0.0, 0.0, 0.0)) << "the root takes M";
}

TEST_F(RootNodeTest, TheIdentityConversionWithARootAtTheIdentityMakesItRemovable) {
    RWyxNode* root = Child("Wyx_Root", sceneRoot);
    converter.ConvertSceneRoot(sceneRoot);
    EXPECT_TRUE(converter.IsRemovableRoot(root));
    converter.ConvertSceneRoot(nullptr);
    EXPECT_TRUE(converter.IsRemovableRoot(root)) << "a null root changes nothing";
}

// A later pass judges afresh: a root no longer removable must not stay in the second list.
TEST_F(RootNodeTest, EachPassStartsWithEmptyLists) {
    RWyxNode* root = Child("Wyx_Root", sceneRoot);
    converter.ConvertSceneRoot(sceneRoot);
    ASSERT_TRUE(converter.IsRemovableRoot(root));
    converter.conversion = RotationAboutX(30.0);
    converter.ConvertSceneRoot(sceneRoot);
    EXPECT_FALSE(converter.IsRemovableRoot(root));
    EXPECT_TRUE(converter.GetSecondList().empty());
    EXPECT_EQ(converter.GetFirstList(), std::vector<RWyxNode*>{root});
}

}  // namespace
