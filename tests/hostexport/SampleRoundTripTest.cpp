// The sample character imported and exported again, by WYXExport and by the translator through
// the shell, read back with the SDK's reader and compared object by object with the sample.
//
// What the export changes on the way (each asserted below): points pass through the host in
// single precision; the current take is "Take 001"; a take's spans are the host's playback
// range; faces without shading in the host have the default material; joints get the size of
// the joint display scale. What this build does not carry yet is left out of the comparison:
// transform values and animation (they come with the animation export); materials and textures
// are compared when the import has made them in the host.

#include "tests/hostexport/ExportTestSupport.h"

#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxTexture.h"
#include "fileio/RWyxFile.h"
#include "hostimport/ImportNodePasses.h"
#include "scene/RWyxTakeInfo.h"
#include "tests/support/PluginTestSupport.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <vexa/VAnimControl.h>
#include <vexa/VPlug.h>
#include <vexa/VPlugArray.h>

#include <vector>

namespace {

const std::string kSample = WYX_SOURCE_DIR "/samples/character.wyx";

std::string CurrentTakeOf(const std::string& path) {
    RWyxFile file;
    if (!file.Open(path.c_str())) return "<not opened>";
    std::string current = "<none>";
    if (file.FieldReadBegin("Takes") && file.FieldReadBlockBegin()) {
        current = file.FieldReadStringByName("Current", "<none>").Buffer();
        file.FieldReadBlockEnd();
    }
    static_cast<void>(file.Close());
    return current;
}

void CompareMeshes(const RWyxMesh& sample, const RWyxMesh& exported) {
    ASSERT_EQ(exported.GetControlPointsCount(), sample.GetControlPointsCount());
    for (int i = 0; i < sample.GetControlPointsCount(); ++i) {
        const RVector4& a = sample.GetControlPoints()[i];
        const RVector4& b = exported.GetControlPoints()[i];
        // Single precision in the host.
        EXPECT_EQ(b.x, static_cast<float>(a.x)) << i;
        EXPECT_EQ(b.y, static_cast<float>(a.y)) << i;
        EXPECT_EQ(b.z, static_cast<float>(a.z)) << i;
    }
    ASSERT_EQ(exported.GetPolygonCount(), sample.GetPolygonCount());
    for (int p = 0; p < sample.GetPolygonCount(); ++p) {
        ASSERT_EQ(exported.GetPolygonSize(p), sample.GetPolygonSize(p)) << p;
        for (int v = 0; v < sample.GetPolygonSize(p); ++v) {
            EXPECT_EQ(exported.GetPolygonVertex(p, v), sample.GetPolygonVertex(p, v)) << p << " " << v;
            RVector4 a;
            RVector4 b;
            ASSERT_TRUE(sample.GetPolygonVertexNormal(p, v, a));
            ASSERT_TRUE(exported.GetPolygonVertexNormal(p, v, b));
            EXPECT_NEAR(b.x, a.x, 1e-6);
            EXPECT_NEAR(b.z, a.z, 1e-6);
            // U from U and V from V, corner by corner.
            const int sampleUv = sample.GetTextureUVIndex(p, v);
            const int exportedUv = exported.GetTextureUVIndex(p, v);
            ASSERT_GE(sampleUv, 0);
            ASSERT_GE(exportedUv, 0);
            EXPECT_EQ(exported.GetTextureUVs()[exportedUv].u, static_cast<float>(sample.GetTextureUVs()[sampleUv].u));
            EXPECT_EQ(exported.GetTextureUVs()[exportedUv].v, static_cast<float>(sample.GetTextureUVs()[sampleUv].v));
        }
    }
    // Materials: those the host has, a textured one with its own colour (in single precision);
    // faces the host has no shading for (the import made none) share the default material.
    for (int m = 0; m < exported.GetMaterialCount(0); ++m) {
        const RWyxMaterial* material = exported.GetMaterial(m, 0);
        if (material->GetName() == "Material::Default_Material") {
            EXPECT_EQ(exported.GetMaterialCount(0), 1);
            EXPECT_EQ(exported.GetMaterialMappingKind(), RWyxMesh::kKindAllSame);
            continue;
        }
        const int original = sample.FindMaterial(material->GetName().Buffer(), 0);
        ASSERT_GE(original, 0) << material->GetName().Buffer();
        const RWyxColor colour = sample.GetMaterial(original, 0)->GetDiffuseColor();
        EXPECT_EQ(material->GetDiffuseColor().GetRed(), static_cast<float>(colour.GetRed()));
        EXPECT_EQ(material->GetDiffuseColor().GetGreen(), static_cast<float>(colour.GetGreen()));
        EXPECT_EQ(material->GetDiffuseColor().GetBlue(), static_cast<float>(colour.GetBlue()));
    }
}

// The exported file against the sample, node by node.
void CompareWithSample(const std::string& path) {
    ReadBack sample(kSample);
    ReadBack exported(path);
    ASSERT_TRUE(sample.Read()) << sample.Error();
    ASSERT_TRUE(exported.Read()) << exported.Error();
    std::vector<RWyxNode*> nodes;
    CollectSubtreePreOrder(sample.Root(), nodes);
    ASSERT_EQ(nodes.size(), 8u);  // the root, Character, three joints, Body, Camera, Light
    std::vector<RWyxNode*> exportedNodes;
    CollectSubtreePreOrder(exported.Root(), exportedNodes);
    EXPECT_EQ(exportedNodes.size(), nodes.size()) << "no node more, none less";
    for (size_t i = 1; i < nodes.size(); ++i) {
        const RWyxNode* original = nodes[i];
        const RString name = original->GetNameWithoutPrefix();
        SCOPED_TRACE(name.Buffer());
        const RWyxNode* copy = exported.Node(name.Buffer());
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->GetParent()->GetName(), original->GetParent()->GetName());
        ASSERT_NE(copy->GetNodeAttribute(), nullptr);
        EXPECT_EQ(copy->GetNodeAttribute()->GetAttributeType(), original->GetNodeAttribute()->GetAttributeType());
        if (original->GetSkeleton() != nullptr) {
            EXPECT_EQ(copy->GetSkeleton()->GetSkeletonType(), original->GetSkeleton()->GetSkeletonType());
            if (copy->GetSkeleton()->GetSkeletonType() != RWyxSkeleton::kRoot) {
                EXPECT_DOUBLE_EQ(copy->GetSkeleton()->GetSize(), 100.0);
            }
        }
        if (original->GetLight() != nullptr) {
            EXPECT_EQ(copy->GetLight()->GetLightType(), original->GetLight()->GetLightType());
        }
        if (original->GetMesh() != nullptr) CompareMeshes(*original->GetMesh(), *copy->GetMesh());
    }
    EXPECT_EQ(CurrentTakeOf(kSample), "Walk");
    EXPECT_EQ(CurrentTakeOf(path), "Take 001");
    // Every take the export writes spans the host's range, which the import set to the take.
    std::vector<RString> takes;
    exported.Scene()->GetTakeNameList(takes);
    for (const RString& take : takes) {
        const RWyxTakeInfo* info = exported.Scene()->GetTakeInfo(take.Buffer());
        if (take == "Default" || info == nullptr) continue;
        EXPECT_DOUBLE_EQ(info->localStart.ToSeconds(), 0.0) << take.Buffer();
        EXPECT_DOUBLE_EQ(info->localStop.ToSeconds(), 1.0) << take.Buffer();
    }
}

// A surface periodic in U (order 4, 4 points, evenly knotted: the host keeps it periodic) and
// open in V (order 2, 3 points, knots unevenly spaced), each point weighing 1 + its index / 10,
// written as a WYX file.
bool WriteSurfaceFile(const std::string& path) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNurb* nurb = factory.CreateNurb();
    RWyxNode* node = factory.CreateNode("surface");
    if (scene == nullptr || nurb == nullptr || node == nullptr || !nurb->SetOrder(4, 2) ||
        !nurb->InitControlPoints(4, RWyxNurb::kPeriodic, 3, RWyxNurb::kOpen)) {
        return false;
    }
    for (int i = 0; i < 12; ++i) nurb->SetControlPointAt(i, RVector4(i % 4, i / 4, 0.5 * i, 1.0 + i / 10.0));
    const double uKnots[11] = {-3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7};
    for (int k = 0; k < 11; ++k) nurb->GetUKnotVector()[k] = uKnots[k];
    const double vKnots[5] = {0.0, 0.0, 0.1234567891, 1.0, 1.0};
    for (int k = 0; k < 5; ++k) nurb->GetVKnotVector()[k] = vKnots[k];
    nurb->SetStep(6, 6);
    node->SetNodeAttribute(nurb);
    scene->GetRootNode()->AddChild(node);
    RWyxWriterWyx6 writer(&factory, nullptr);
    writer.SetFileMode(RWyxWriterWyx::kFileModeBinary);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path.c_str()) && writer.Write(scene, options.get()) && writer.FileClose();
}

// The exported knots: the inner ones as they were, the two outer ones mirrored from their
// neighbours (the host keeps no outer knots).
void ExpectKnotsRebuilt(const double* original, const double* exported, int count) {
    for (int k = 1; k + 1 < count; ++k) EXPECT_DOUBLE_EQ(exported[k], original[k]) << k;
    EXPECT_DOUBLE_EQ(exported[0], 2.0 * original[1] - original[2]);
    EXPECT_DOUBLE_EQ(exported[count - 1], 2.0 * original[count - 2] - original[count - 3]);
}

class SampleRoundTripTest : public ExportTest {};

TEST_F(SampleRoundTripTest, TheSampleComesBackByTheCommand) {
    options().SetImportMode(WyxPluginOptions::kCreate);
    ASSERT_TRUE(run("WYXImport -f \"" + kSample + "\""));
    ASSERT_DOUBLE_EQ(VAnimControl::maxTime().as(VTime::kSeconds), 1.0);
    const std::string imported = dump();
    const std::string path = file("again.wyx");
    VString result;
    ASSERT_TRUE(run("WYXExport -f \"" + path + "\"", &result));
    EXPECT_EQ(result, "Success");
    EXPECT_EQ(dump(), imported) << "the export changes nothing in the host";
    CompareWithSample(path);
}

TEST_F(SampleRoundTripTest, TheSampleComesBackThroughTheTranslatorInTheShell) {
    const std::string path = file("shell.wyx");
    std::string output;
    const std::string environment = "WYX_REGISTRY_FILE=" + file("registry.txt");
    const int status = runShell(environment,
                                "-p wyxvexa -c 'WYXImportShowUI -v false; WYXImportMode -v add; WYXImport -f \"" + kSample +
                                    "\"; WYXExportShowUI -v false; file -export \"" + path + "\"'",
                                output);
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    CompareWithSample(path);
}

TEST_F(SampleRoundTripTest, ASurfaceComesBackWithItsPointsAndItsKnotsRebuilt) {
    const std::string source = file("surface.wyx");
    ASSERT_TRUE(WriteSurfaceFile(source));
    options().SetImportMode(WyxPluginOptions::kCreate);
    ASSERT_TRUE(run("WYXImport -f \"" + source + "\""));
    const std::string path = file("again.wyx");
    ASSERT_TRUE(exportTo(path));
    ReadBack original(source);
    ReadBack exported(path);
    ASSERT_TRUE(original.Read()) << original.Error();
    ASSERT_TRUE(exported.Read()) << exported.Error();
    const RWyxNurb* before = original.Node("surface")->GetNurb();
    ASSERT_EQ(before->GetUType(), RWyxNurb::kPeriodic);
    ASSERT_NE(exported.Node("surface"), nullptr);
    const RWyxNurb* after = exported.Node("surface")->GetNurb();
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->GetUType(), RWyxNurb::kPeriodic);
    EXPECT_EQ(after->GetVType(), RWyxNurb::kOpen);
    EXPECT_EQ(after->GetUOrder(), 4);
    EXPECT_EQ(after->GetVOrder(), 2);
    ASSERT_EQ(after->GetUCount(), 4) << "the repeated points left out again";
    ASSERT_EQ(after->GetVCount(), 3);
    for (int i = 0; i < 12; ++i) {
        const RVector4& a = before->GetControlPoints()[i];
        const RVector4& b = after->GetControlPoints()[i];
        EXPECT_EQ(b.x, a.x) << i;
        EXPECT_EQ(b.y, a.y) << i;
        EXPECT_EQ(b.z, a.z) << i;
        EXPECT_DOUBLE_EQ(b.w, a.w) << i;
    }
    ASSERT_EQ(after->GetUKnotCount(), 11);
    ASSERT_EQ(after->GetVKnotCount(), 5);
    ExpectKnotsRebuilt(before->GetUKnotVector(), after->GetUKnotVector(), 11);
    ExpectKnotsRebuilt(before->GetVKnotVector(), after->GetVKnotVector(), 5);
    EXPECT_NE(after->GetVKnotVector()[0], before->GetVKnotVector()[0]) << "uneven ends: rebuilt, not copied";
    // The step comes from the host's shaded precision, which the import leaves at its default 1
    // (it sets the wireframe precision).
    EXPECT_EQ(after->GetUStep(), 1);
    EXPECT_EQ(after->GetVStep(), 1);
}

// The placement node feeding the file texture of that name; null when none.
VObject PlacementOf(const char* fileNode) {
    VStatus status;
    const VPlug uv = VFnDependencyNode(Named(fileNode)).findPlug("uv", &status);
    VPlugArray sources;
    if (!status || !uv.connectedTo(sources, true, false) || sources.length() != 1) return VObject();
    return sources[0].node();
}

double PlugValue(const VObject& node, const char* name) {
    double value = -1.0;
    VFnDependencyNode(node).findPlug(name).getValue(value);
    return value;
}

// The texture of the mesh of the node "box" in a file read back.
const RWyxTexture* BoxTexture(const ReadBack& file) {
    const RWyxNode* box = file.Node("box");
    const RWyxMesh* mesh = box != nullptr ? box->GetMesh() : nullptr;
    return mesh != nullptr && mesh->GetTextureCount(0) > 0 ? mesh->GetTexture(0, 0) : nullptr;
}

TEST_F(SampleRoundTripTest, ATexturePlacementKeepsUAndVThroughExportImportAndExport) {
    makeCube("box");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "wood") + " box");
    const std::string fileNode = script("shadingNode -at file");
    const std::string place = script("shadingNode -au place2dTexture");
    script("setAttr -type \"string\" " + fileNode + ".fileTextureName \"/maps/wood.tga\"; connectAttr " + place +
           ".outUV " + fileNode + ".uv; connectAttr " + fileNode + ".outColor wood.color; setAttr " + place +
           ".offsetU 0.25; setAttr " + place + ".offsetV 0.5; setAttr " + place + ".repeatU 2; setAttr " + place +
           ".repeatV 3");
    const std::string first = file("first.wyx");
    ASSERT_TRUE(exportTo(first));
    ReadBack exported(first);
    ASSERT_TRUE(exported.Read()) << exported.Error();
    const RWyxTexture* texture = BoxTexture(exported);
    ASSERT_NE(texture, nullptr);
    EXPECT_DOUBLE_EQ(texture->GetTranslationU(), 0.25);
    EXPECT_DOUBLE_EQ(texture->GetTranslationV(), 0.5);

    options().SetImportMode(WyxPluginOptions::kCreate);
    ASSERT_TRUE(run("WYXImport -f \"" + first + "\""));
    const VObject placement = PlacementOf(texture->GetNameWithoutPrefix().Buffer());
    if (placement.isNull()) GTEST_SKIP() << "this build's import makes no file textures";
    EXPECT_DOUBLE_EQ(PlugValue(placement, "offsetU"), 0.25) << "U from U on import too";
    EXPECT_DOUBLE_EQ(PlugValue(placement, "offsetV"), 0.5);
    EXPECT_DOUBLE_EQ(PlugValue(placement, "repeatU"), 2.0);
    EXPECT_DOUBLE_EQ(PlugValue(placement, "repeatV"), 3.0);
    const std::string second = file("second.wyx");
    ASSERT_TRUE(exportTo(second));
    ReadBack again(second);
    ASSERT_TRUE(again.Read()) << again.Error();
    const RWyxTexture* cycled = BoxTexture(again);
    ASSERT_NE(cycled, nullptr);
    EXPECT_DOUBLE_EQ(cycled->GetTranslationU(), 0.25);
    EXPECT_DOUBLE_EQ(cycled->GetTranslationV(), 0.5);
    EXPECT_DOUBLE_EQ(cycled->GetScalingU(), 2.0);
    EXPECT_DOUBLE_EQ(cycled->GetScalingV(), 3.0);
}

}  // namespace
