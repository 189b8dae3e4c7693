// Merge binding and the root adaptor: file nodes bound to host nodes by name, namespace and
// ancestors; user properties mapped to host attributes; reference roots renamed; the root
// matrix put back above the top nodes.

#include "tests/support/ImportTestSupport.h"

#include "attributes/RWyxNull.h"
#include "core/RWyxUserProperty.h"
#include "hostimport/MergeBinding.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <vexa/VFnNumericAttribute.h>
#include <vexa/VSelectionList.h>

namespace {

class MergeBindingTest : public SessionSceneTest {
protected:
    void walk() {
        VexaMergeBinding* binding = factory().GetMergeBindingObject();
        binding->session = &session_;
        VStatus status(VStatus::kFailure);
        WalkCamerasAndLights(*binding, status, root(), VFn::kInvalid);
        EXPECT_TRUE(status);
        factory().ReleaseMergeBindingObject();
    }
    static VString boundName(const VexaNode* node) {
        return node->GetDagPath() != nullptr ? node->GetDagPath()->fullPathName() : VString("<unbound>");
    }
};

TEST_F(MergeBindingTest, NodesBindByNameNamespaceAndAncestors) {
    ASSERT_TRUE(VGlobal::executeCommand("namespace -add ns; namespace -add other; createNode transform -n \"other:arm\";"
                                        "createNode transform -n \"ns:arm\"; createNode transform -n left;"
                                        "createNode transform -n right; createNode transform -n hand -p right"));
    VexaNode* arm = add(root(), "arm", nullptr, "ns");
    VexaNode* plain = add(root(), "arm");  // no namespace: neither host arm is its
    VexaNode* leftHand = add(add(root(), "left"), "hand");
    VexaNode* rightHand = add(add(root(), "right"), "hand");
    walk();
    EXPECT_EQ(boundName(arm), "|ns:arm");
    EXPECT_TRUE(arm->IsMerged());
    EXPECT_EQ(boundName(plain), "<unbound>");
    EXPECT_FALSE(plain->IsMerged());
    EXPECT_EQ(boundName(leftHand), "<unbound>");
    EXPECT_EQ(boundName(rightHand), "|right|hand");
}

TEST_F(MergeBindingTest, AnInsertedRootBindsOnlyWhenAChildMatches) {
    ASSERT_TRUE(VGlobal::executeCommand("createNode transform -n Wyx_Root; createNode transform -n hip -p Wyx_Root"));
    VexaNode* unmatched = add(root(), "Wyx_Root");
    add(unmatched, "knee");
    walk();
    EXPECT_EQ(boundName(unmatched), "<unbound>");
    add(unmatched, "hip");
    walk();
    EXPECT_EQ(boundName(unmatched), "|Wyx_Root");
}

TEST_F(MergeBindingTest, UserPropertiesMapToFittingHostAttributes) {
    ASSERT_TRUE(VGlobal::executeCommand("createNode transform -n holder"));
    VFnDependencyNode host;
    VSelectionList list;
    ASSERT_TRUE(list.add("holder"));
    VObject holder;
    ASSERT_TRUE(list.getDependNode(0, holder));
    host.setObject(holder);
    const auto addAttribute = [&host](const char* name, VFnNumericAttribute::NumericType type) {
        VFnNumericAttribute numeric;
        ASSERT_TRUE(host.addAttribute(numeric.create(name, name, type)));
    };
    addAttribute("my_weight", VFnNumericAttribute::kDouble);
    addAttribute("count", VFnNumericAttribute::kBoolean);  // not an integer: does not fit
    addAttribute("count2", VFnNumericAttribute::kLong);
    addAttribute("flag", VFnNumericAttribute::kBoolean);
    addAttribute("level3", VFnNumericAttribute::kFloat);

    VexaNode* node = add(root(), "holder");
    node->SetNodeAttribute(factory().CreateNull());
    const struct {
        const char* name;
        const char* type;
    } properties[] = {{"my weight", "Real"}, {"count", "Integer"}, {"flag", "Bool"}, {"level", "Real"}};
    for (const auto& property : properties) {
        RWyxUserProperty* made = factory().CreateUserProperty(property.name, property.type, property.name);
        made->SetFlag(RWyxUserProperty::kFlagUserProperty, true);
        node->AddUserProperty(factory().HandOverUserProperty(made));
    }
    walk();
    ASSERT_EQ(boundName(node), "|holder");
    ASSERT_NE(node->FindAttributeName("my weight"), nullptr);
    EXPECT_EQ(*node->FindAttributeName("my weight"), "my_weight");
    EXPECT_EQ(node->FindAttributeName("count"), nullptr);  // the name exists but does not fit: no counter
    EXPECT_EQ(*node->FindAttributeName("flag"), "flag");
    ASSERT_NE(node->FindAttributeName("level"), nullptr);
    EXPECT_EQ(*node->FindAttributeName("level"), "level3");
}

TEST_F(MergeBindingTest, ReferenceRootsTakeTheRootName) {
    RWyxNode* bvh = add(root(), "BVH:reference");
    RWyxNode* arm = add(root(), "Arm");
    EXPECT_TRUE(session_.IsRootNode(bvh));
    EXPECT_EQ(bvh->GetName(), "Model::Wyx_Root");
    EXPECT_EQ(bvh->GetInitialName(), "Model::Wyx_Root");
    EXPECT_FALSE(session_.IsRootNode(arm));
    EXPECT_TRUE(session_.IsRootNode(add(root(), "Wyx_Root_1")));
}

// The conversion's three operations as the import gives them: an unbound node converts, the
// target is the host's scale (and up axis), and the matrix handed back is kept.
TEST_F(MergeBindingTest, TheRootAdaptorConvertsUnboundNodesToTheHostsDefaultsAndKeepsTheMatrix) {
    VexaNode* free = add(root(), "free");
    VexaNode* bound = add(root(), "bound");
    bound->SetMerged(true);
    EXPECT_TRUE(session_.IsConvertibleRoot(free));
    EXPECT_FALSE(session_.IsConvertibleRoot(bound));

    options().SetMasterScale(2.0, true);
    for (const char* axis : {"z", "y"}) {
        ASSERT_TRUE(VGlobal::executeCommand(VString("upAxis -axis ") + axis));
        RMatrix defaults = RMatrix::ConstructFromTRS(RVector4(5, 6, 7, 0), RVector4(10, 20, 30, 0), RVector4(4, 4, 4, 0));
        session_.GetHostRootDefaults(defaults);
        const bool zUp = axis[0] == 'z';
        const double expected[4][3] = {{2, 0, 0}, {0, zUp ? 0.0 : 2.0, zUp ? 2.0 : 0.0}, {0, zUp ? -2.0 : 0.0, zUp ? 0.0 : 2.0},
                                       {0, 0, 0}};
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 3; ++column) {
                EXPECT_NEAR(defaults[row][column], expected[row][column], 1e-12) << axis << " " << row << column;
            }
        }
    }

    EXPECT_EQ(session_.GetRootMatrix(), nullptr);
    const RMatrix kept = RMatrix::ConstructFromTRS(RVector4(1, 2, 3, 0), RVector4(), RVector4(2, 2, 2, 0));
    session_.KeepRootMatrix(free, kept);
    ASSERT_NE(session_.GetRootMatrix(), nullptr);
    EXPECT_EQ((*session_.GetRootMatrix())[3][1], 2.0);
    RVector4 translation;
    free->GetDefaultTranslation(translation);
    EXPECT_EQ(translation.z, 3.0);  // the converter's own operation ran
}

TEST_F(MergeBindingTest, TheRootMatrixGoesBackAboveTheTopNodesToConvert) {
    VexaNode* first = add(root(), "first");
    VexaNode* second = add(root(), "second");
    VexaNode* bound = add(root(), "bound");
    bound->SetMerged(true);
    options().SetMasterScale(3.0, true);
    session_.ConvertSceneRoot(root());
    ReinsertRootNode(session_, root());
    ASSERT_EQ(root()->GetChildCount(), 2);
    EXPECT_EQ(root()->GetChild(0), bound);
    RWyxNode* inserted = root()->GetChild(1);
    EXPECT_EQ(inserted->GetName(), "Model::Wyx_Root");
    EXPECT_EQ(first->GetParent(), inserted);
    EXPECT_EQ(second->GetParent(), inserted);
    RVector4 scaling;
    inserted->GetDefaultScaling(scaling);
    EXPECT_NEAR(scaling.x, 3.0, 1e-12);
    EXPECT_NEAR(scaling.z, 3.0, 1e-12);
}

}  // namespace
