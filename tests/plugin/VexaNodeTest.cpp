// Host-aware nodes: their host bindings, and the renaming between file names and host names
// in both directions.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxTexture.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"
#include "plugin/VexaObjectFactory.h"
#include "tests/support/HostTestSupport.h"

#include <vexa/VDagPath.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct Renamed {
    std::string name;  // current name without the prefix
    std::string nameSpace;
    bool starts;
};

class VexaNodeTest : public HostTest {
protected:
    // Makes the nodes in order, renames them for the host and answers what each became.
    std::vector<Renamed> renameForHost(const std::vector<const char*>& names) {
        for (const char* name : names) factory_.CreateNode(name);
        factory_.RenameNodesForHost();
        std::vector<Renamed> result;
        for (int i = 0; i < factory_.GetNodeCount(); ++i) {
            auto* node = static_cast<VexaNode*>(factory_.GetNode(i));
            Renamed renamed{node->GetNameWithoutPrefix().Buffer(), "", false};
            RString nameSpace;
            node->GetNamespace(nameSpace, renamed.starts);
            renamed.nameSpace = nameSpace.Buffer();
            result.push_back(renamed);
        }
        return result;
    }

    VexaObjectFactory factory_{VexaObjectFactory::kImportContext};
};

void expectRenamed(const std::vector<Renamed>& actual, const std::vector<Renamed>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name) << i;
        EXPECT_EQ(actual[i].nameSpace, expected[i].nameSpace) << i;
        EXPECT_EQ(actual[i].starts, expected[i].starts) << i;
    }
}

TEST_F(VexaNodeTest, NodesBindToTheirHostObjects) {
    VexaNode* node = factory_.CreateNodeForDagPath("ball", nullptr);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetName(), "Model::ball");
    EXPECT_EQ(node->GetDagPath(), nullptr);
    EXPECT_EQ(node->GetObject(), nullptr);

    VDagPath path;
    ASSERT_TRUE(VDagPath::getAPathTo(makeTransform("ball"), path));
    node->SetDagPath(&path);
    ASSERT_NE(node->GetDagPath(), nullptr);
    EXPECT_EQ(node->GetDagPath()->fullPathName(), "|ball");
    node->SetDagPath(nullptr);
    EXPECT_EQ(node->GetDagPath(), nullptr);
    VDagPath taken = path;
    node->SetDagPath(std::move(taken));
    ASSERT_NE(node->GetDagPath(), nullptr);
    EXPECT_EQ(*node->GetDagPath(), path);
    node->SetDagPath(nullptr);

    VexaNode* bound = factory_.CreateNodeForDagPath("bound", &path);
    EXPECT_EQ(*bound->GetDagPath(), path);
    const VObject object = path.node();
    bound->SetObject(&object);
    EXPECT_EQ(*bound->GetObject(), object);

    EXPECT_EQ(bound->GetShapeChildIndex(), -1);
    EXPECT_EQ(bound->GetOffsetScaling()[0], 1.0);
    EXPECT_EQ(bound->GetOffsetTranslation()[2], 0.0);
    bound->SetOffsetRotation(10, 20, 30);
    EXPECT_EQ(bound->GetOffsetRotation()[1], 20.0);
    bound->SetPivotStateOf(0, 0);
    bound->SetPivotStateOf(1, 1);
    EXPECT_EQ(bound->GetPivotStateOf(0), 0);
    EXPECT_EQ(bound->GetPivotStateOf(1), 1);
    bound->SetPivotStateOf(0, 1);
    EXPECT_EQ(bound->GetPivotStateOf(0), 1);

    bound->AddAttributeName("Lcl Translation", "translate");
    bound->AddAttributeName("lcl translation", "other");
    ASSERT_NE(bound->FindAttributeName("LCL TRANSLATION"), nullptr);
    EXPECT_EQ(*bound->FindAttributeName("LCL TRANSLATION"), "translate");
    EXPECT_EQ(bound->FindAttributeName("Visibility"), nullptr);

    EXPECT_EQ(FindNodeByDagPath(bound, path), bound);
}

TEST_F(VexaNodeTest, NamespacesAndAttributeNamesReadAsLastSet) {
    VexaNode* node = factory_.CreateNodeForDagPath("plain", nullptr);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->FindAttributeName("Visibility"), nullptr);
    RString nameSpace("stale");
    bool starts = true;
    node->GetNamespace(nameSpace, starts);
    EXPECT_TRUE(nameSpace.IsValid());
    EXPECT_EQ(nameSpace, "");
    EXPECT_FALSE(starts);
    node->SetNamespace("outer", true);
    node->GetNamespace(nameSpace, starts);
    EXPECT_EQ(nameSpace, "outer");
    EXPECT_TRUE(starts);
    node->SetNamespace("inner", false);
    node->GetNamespace(nameSpace, starts);
    EXPECT_EQ(nameSpace, "inner");
    EXPECT_FALSE(starts);
    node->AddAttributeName("Visibility", "visibility");
    ASSERT_NE(node->FindAttributeName("visibility"), nullptr);
    EXPECT_EQ(*node->FindAttributeName("visibility"), "visibility");
    EXPECT_EQ(node->FindAttributeName("Lcl Translation"), nullptr);
}

TEST_F(VexaNodeTest, ImportNamesBecomeHostNamesWithTheirNamespaces) {
    expectRenamed(renameForHost({"a:b:c", "a b-c", "ns:x", "ns:y", "plain", "ns:z", "caf\xc3\xa9", "Arm_ncl1_2"}),
                  {{"b_c", "a", true},
                   {"a_b_c", "", false},
                   {"x", "ns", true},
                   {"y", "ns", false},
                   {"plain", "", false},
                   {"z", "ns", false},
                   {"caf__", "", false},
                   {"Arm", "", false}});
    auto* restored = factory_.GetNode(7);
    EXPECT_EQ(restored->GetInitialName(), "Model::Arm_ncl1_2");
}

TEST_F(VexaNodeTest, ANamespacesGroupNodeStartsItAndItsFirstMemberCarriesIt) {
    expectRenamed(renameForHost({"rig", "rig:hip", "rig:knee", "other:a"}),
                  {{"rig", "rig", true}, {"hip", "rig", false}, {"knee", "rig", false}, {"a", "other", true}});
}

TEST_F(VexaNodeTest, MaterialsTexturesAndPoseMembersAreRenamedToo) {
    RWyxMaterial* material = factory_.CreateMaterial("lib:red paint");
    RWyxTexture* texture = factory_.CreateTexture("wood_ncl1_1");
    RWyxPose* pose = factory_.CreatePose("bind", true);
    pose->Add("Model::Arm_ncl1_1", RMatrix(), false);
    pose->Add("leg", RMatrix(), false);
    factory_.RenameNodesForHost();
    EXPECT_EQ(material->GetName(), "Material::red_paint");
    EXPECT_EQ(texture->GetName(), "Texture::wood");
    EXPECT_EQ(texture->GetInitialName(), "Texture::wood_ncl1_1");
    EXPECT_STREQ(pose->GetNodeName(0), "Arm_ncl1_1");
    EXPECT_STREQ(pose->GetNodeName(1), "leg");
    EXPECT_EQ(factory_.GetNodeRenamingStrategy(), nullptr);
}

TEST_F(VexaNodeTest, ExportNamesAreMadeUniqueAndKeepTheirNamespaces) {
    VexaObjectFactory exportFactory(VexaObjectFactory::kExportContext);
    for (const char* name : {"ns:x", ":x", "Cube", "cube", "Cube", "other"}) exportFactory.CreateNode(name);
    exportFactory.RenameNodesForHost();
    const char* const expected[] = {"Model::ns:x", "Model:::x", "Model::Cube", "Model::Cube_ncl2_ul128",
                                    "Model::Cube_ncl1_1", "Model::other"};
    for (int i = 0; i < 6; ++i) {
        auto* node = static_cast<VexaNode*>(exportFactory.GetNode(i));
        EXPECT_EQ(node->GetName(), expected[i]) << i;
        RString nameSpace;
        bool starts = false;
        node->GetNamespace(nameSpace, starts);
        EXPECT_EQ(nameSpace, i == 0 ? "ns" : "") << i;
        EXPECT_EQ(starts, i == 0) << i;
    }
    EXPECT_EQ(exportFactory.GetNodeRenamingStrategy(), nullptr);
}

TEST_F(VexaNodeTest, TheMergeBindingObjectIsMadeOnceAndReleased) {
    EXPECT_FALSE(factory_.ReleaseMergeBindingObject());
    VexaMergeBinding* binding = factory_.GetMergeBindingObject();
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->factory, &factory_);
    EXPECT_EQ(binding->session, nullptr);
    EXPECT_EQ(factory_.GetMergeBindingObject(), binding);
    EXPECT_TRUE(factory_.ReleaseMergeBindingObject());
    EXPECT_FALSE(factory_.ReleaseMergeBindingObject());
    factory_.GetMergeBindingObject();  // released with the factory
}

}  // namespace
