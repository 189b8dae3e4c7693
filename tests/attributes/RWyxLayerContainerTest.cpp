// Layer elements, layers and the layer container: index look-ups at and past their arrays,
// materials and textures per layer, layers by kind, normals and deep copies.

#include "attributes/RWyxLayerContainer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct ResolveCase {
    const char* what;
    int referenceMode;
    int position;
    int expected;  // direct position, -1 for none
};

// Direct entries 10, 20, 30; indices 2, 0, -1, 3.
TEST(LayerElement, IndicesAreCheckedAgainstTheArraysTheyIndex) {
    const ResolveCase cases[] = {
        {"direct, last", RWyxLayerElement::kDirect, 2, 2},
        {"direct, one past", RWyxLayerElement::kDirect, 3, -1},
        {"direct, negative", RWyxLayerElement::kDirect, -1, -1},
        {"index to direct, in range", RWyxLayerElement::kIndexToDirect, 0, 2},
        {"index to direct, index -1", RWyxLayerElement::kIndexToDirect, 2, -1},
        {"index to direct, index one past the direct array", RWyxLayerElement::kIndexToDirect, 3, -1},
        {"index to direct, position one past the index array", RWyxLayerElement::kIndexToDirect, 4, -1},
        {"index reference points outside the element", RWyxLayerElement::kIndex, 0, -1},
    };
    RWyxLayerElementPolygonGroup element;
    for (int value : {10, 20, 30}) element.AddDirect(value);
    for (int index : {2, 0, -1, 3}) element.AddIndex(index);
    for (const ResolveCase& c : cases) {
        SCOPED_TRACE(c.what);
        element.SetReferenceMode(c.referenceMode);
        EXPECT_EQ(element.ResolveDirectIndex(c.position), c.expected);
        const int* entry = element.GetMappedAt(c.position);
        EXPECT_EQ(entry != nullptr ? *entry : -1, c.expected < 0 ? -1 : 10 * (c.expected + 1));
    }
    EXPECT_EQ(element.GetIndexAt(4), -1);
    EXPECT_FALSE(element.SetIndexAt(4, 1));
    ASSERT_TRUE(element.StoreIndexAt(6, 1, -7));  // past the end: the gap is filled
    EXPECT_EQ(element.IndexArray(), (std::vector<int>{2, 0, -1, 3, -7, -7, 1}));
    EXPECT_FALSE(element.StoreIndexAt(-1, 1, 0));
    EXPECT_FALSE(element.GatherDirect({0, 3}));  // 3 is one past the direct array
    ASSERT_TRUE(element.GatherDirect({2, 2, 0}));
    EXPECT_EQ(element.DirectArray(), (std::vector<int>{30, 30, 10}));
    EXPECT_FALSE(element.GatherIndices({7}));
    EXPECT_EQ(element.GetIndexCount(), 7);
}

class LayerContainerTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
    RWyxShape& container = *factory.CreateShape();
};

TEST_F(LayerContainerTest, AMaterialAddedTwiceIsRefusedAndFoundByName) {
    RWyxMaterial* skin = factory.CreateMaterial("Skin");
    RWyxMaterial* bone = factory.CreateMaterial("Bone");
    EXPECT_EQ(container.AddMaterial(skin, 2), 0);
    EXPECT_EQ(container.GetLayerCount(), 3);  // layers 0 and 1 made on the way
    EXPECT_EQ(container.AddMaterial(bone, 2), 1);
    // A new material element gives every polygon its first material until indices say more.
    const RWyxLayerElementMaterial* materials = container.GetLayer(2)->GetMaterials();
    EXPECT_EQ(materials->GetMappingMode(), RWyxLayerElement::kAllSame);
    EXPECT_EQ(materials->GetReferenceMode(), RWyxLayerElement::kIndexToDirect);
    EXPECT_EQ(container.AddMaterial(skin, 2), -1);  // already there
    EXPECT_EQ(container.GetMaterialCount(2), 2);
    EXPECT_EQ(container.AddMaterial(nullptr, 2), -1);
    EXPECT_EQ(container.AddMaterial(skin, RWyxLayerContainer::kMaxLayerCount), -1);
    EXPECT_EQ(container.GetLayerCount(), 3);

    EXPECT_EQ(container.FindMaterial("Bone", 2), 1);
    EXPECT_EQ(container.FindMaterial("Material::Bone", 2), 1);
    EXPECT_EQ(container.FindMaterial("bone", 2), -1);
    EXPECT_EQ(container.FindMaterial("Bone", 0), -1);
    EXPECT_EQ(container.GetMaterial(1, 2), bone);
    EXPECT_EQ(container.GetMaterial(2, 2), nullptr);  // one past
    EXPECT_EQ(container.GetMaterial(0, 9), nullptr);

    RWyxTexture* wood = factory.CreateTexture("Wood");
    EXPECT_EQ(container.AddTexture(factory.CreateTexture("Rust")), 0);
    EXPECT_EQ(container.AddTexture(wood), 1);
    EXPECT_EQ(container.AddTexture(wood), 1);  // a texture added again answers its index
    EXPECT_EQ(container.GetTextureCount(0), 2);
    EXPECT_EQ(container.FindTexture("Wood"), 1);
    EXPECT_EQ(container.GetTexture(1), wood);
    EXPECT_EQ(container.GetTexture(2), nullptr);
}

TEST_F(LayerContainerTest, IndexReferenceTakesTheOwnersConnectedTexture) {
    RWyxNode* node = factory.CreateNode("Crate");
    RWyxTexture* wood = factory.CreateTexture("Wood");
    RWyxTexture* rust = factory.CreateTexture("Rust");
    ASSERT_TRUE(node->GetProperties()->ConnectSource(wood->GetProperties()));
    ASSERT_TRUE(node->GetProperties()->ConnectSource(rust->GetProperties()));
    container.AddTexture(wood);
    container.GetLayer(0)->GetTextures()->SetReferenceMode(RWyxLayerElement::kIndex);

    EXPECT_EQ(container.GetTexture(1), nullptr);  // detached: no owner to ask
    EXPECT_EQ(container.GetTextureCount(0), 0);
    node->SetNodeAttribute(&container);
    EXPECT_EQ(container.GetTexture(0), wood);
    EXPECT_EQ(container.GetTexture(1), rust);
    EXPECT_EQ(container.GetTexture(2), nullptr);
    // The count is what the indices can reach: every connected texture, none past them.
    EXPECT_EQ(container.GetTextureCount(0), 2);

    // Materials alike; other connections of the node (its textures) are not counted.
    RWyxMaterial* paint = factory.CreateMaterial("Paint");
    container.AddMaterial(paint);
    container.AddMaterial(factory.CreateMaterial("Varnish"));
    container.GetLayer(0)->GetMaterials()->SetReferenceMode(RWyxLayerElement::kIndex);
    EXPECT_EQ(container.GetMaterialCount(0), 0);
    ASSERT_TRUE(node->GetProperties()->ConnectSource(paint->GetProperties()));
    EXPECT_EQ(container.GetMaterialCount(0), 1);
    EXPECT_EQ(container.GetMaterial(0), paint);
    node->SetNodeAttribute(nullptr);
}

TEST_F(LayerContainerTest, LayersOfAKindAreCountedInLayerOrder) {
    RWyxTexture* wood = factory.CreateTexture("Wood");
    container.AddTexture(wood, 1);
    container.AddTexture(wood, 3);
    container.EnsureLayer(4)->SetUVs(std::make_unique<RWyxLayerElementUV>());
    EXPECT_EQ(container.GetLayerCountOfKind(RWyxLayerElement::kTexture), 2);
    EXPECT_EQ(container.GetLayerIndexOfKind(0, RWyxLayerElement::kTexture), 1);
    EXPECT_EQ(container.GetLayerOfKind(1, RWyxLayerElement::kTexture), container.GetLayer(3));
    EXPECT_EQ(container.GetLayerOfKind(2, RWyxLayerElement::kTexture), nullptr);
    EXPECT_EQ(container.GetLayerIndexOfKind(0, RWyxLayerElement::kUV), 4);
    EXPECT_EQ(container.GetLayer(5), nullptr);
    EXPECT_EQ(container.CreateLayer(), 5);
    // No more layers than the cap, however they are asked for.
    ASSERT_NE(container.EnsureLayer(RWyxLayerContainer::kMaxLayerCount - 1), nullptr);
    EXPECT_EQ(container.CreateLayer(), -1);
    EXPECT_EQ(container.GetLayerCount(), RWyxLayerContainer::kMaxLayerCount);
}

struct NormalsCase {
    int count;
    int mapping;
    int normals;
};

TEST_F(LayerContainerTest, InitNormalsMapsByControlPointUnlessAnotherCountIsGiven) {
    const NormalsCase cases[] = {
        {0, RWyxLayerElement::kByControlPoint, 5},
        {5, RWyxLayerElement::kByControlPoint, 5},
        {1, RWyxLayerElement::kByPolygonVertex, 1},
        {12, RWyxLayerElement::kByPolygonVertex, 12},
    };
    ASSERT_TRUE(container.InitControlPoints(5));
    for (const NormalsCase& c : cases) {
        SCOPED_TRACE(c.count);
        if (RWyxLayer* layer = container.GetLayer(0)) {
            layer->GetNormals()->SetReferenceMode(RWyxLayerElement::kIndexToDirect);  // undone by the init
            layer->GetNormals()->AddIndex(3);
        }
        ASSERT_TRUE(container.InitNormals(c.count));
        EXPECT_EQ(container.GetLayer(0)->GetNormals()->GetIndexCount(), 0);
        const RWyxLayerElementNormal* normals = container.GetLayer(0)->GetNormals();
        EXPECT_EQ(normals->GetMappingMode(), c.mapping);
        EXPECT_EQ(normals->GetReferenceMode(), RWyxLayerElement::kDirect);
        EXPECT_EQ(normals->GetDirectCount(), c.normals);
        EXPECT_DOUBLE_EQ(container.GetNormals()[0].x, 0.0);
        container.GetNormals()[0].Set(1.0, 2.0, 3.0, 1.0);  // the next init starts from zero again
    }
    EXPECT_FALSE(container.InitNormals(-1));
    EXPECT_FALSE(container.InitControlPoints(-1));
    EXPECT_EQ(container.GetControlPointsCount(), 5);
    EXPECT_FALSE(container.SetControlPointAt(5, RVector4()));
    EXPECT_EQ(container.GetControlPointAt(-1), nullptr);
}

TEST_F(LayerContainerTest, CopiedLayersAreIndependentOfTheirSource) {
    RWyxMaterial* skin = factory.CreateMaterial("Skin");
    container.AddMaterial(skin, 1);
    container.AddTexture(factory.CreateTexture("Wood"), 1);
    container.GetLayer(1)->GetTextures()->SetBlendMode(RWyxLayerElementTexture::kModulate2);
    container.GetLayer(1)->GetTextures()->SetAlpha(0.25);
    container.InitControlPoints(2);
    container.InitNormals(0);
    container.GetNormals()[1].Set(0.0, 1.0, 0.0, 1.0);
    container.GetLayer(1)->SetUVs(std::make_unique<RWyxLayerElementUV>())->AddDirect(RVector2(0.5, 0.25));
    container.GetLayer(1)->SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
    container.GetLayer(0)->SetPolygonGroups(std::make_unique<RWyxLayerElementPolygonGroup>())->AddIndex(7);
    RWyxShape& copy = *factory.CreateShape();
    copy.Assign(container);
    ASSERT_EQ(copy.GetLayerCount(), 2);
    for (int kind = RWyxLayerElement::kFirstKind; kind <= RWyxLayerElement::kLastKind; ++kind) {
        for (int layer = 0; layer < 2; ++layer) {
            const RWyxLayerElement* original = container.GetLayer(layer)->GetElement(kind);
            const RWyxLayerElement* copied = copy.GetLayer(layer)->GetElement(kind);
            EXPECT_EQ(copied != nullptr, original != nullptr) << kind << " " << layer;
            EXPECT_TRUE(copied == nullptr || (copied != original && copied->GetKind() == kind)) << kind;
        }
    }
    EXPECT_EQ(copy.GetLayer(1)->GetUVs()->GetDirectAt(0)->v, 0.25);
    EXPECT_EQ(copy.GetLayer(0)->GetPolygonGroups()->GetIndexAt(0), 7);
    EXPECT_EQ(copy.GetMaterial(0, 1), skin);
    EXPECT_DOUBLE_EQ(copy.GetNormals()[1].y, 1.0);
    EXPECT_EQ(copy.GetLayer(1)->GetTextures()->GetBlendMode(), RWyxLayerElementTexture::kModulate2);
    EXPECT_DOUBLE_EQ(copy.GetLayer(1)->GetTextures()->GetAlpha(), 0.25);

    copy.GetNormals()[1].Set(5.0, 5.0, 5.0, 1.0);
    copy.GetControlPoints()[0].x = 9.0;
    copy.AddMaterial(factory.CreateMaterial("Bone"), 1);
    EXPECT_DOUBLE_EQ(container.GetNormals()[1].y, 1.0);
    EXPECT_DOUBLE_EQ(container.GetControlPoints()[0].x, 0.0);
    EXPECT_EQ(container.GetMaterialCount(1), 1);
}

}  // namespace
