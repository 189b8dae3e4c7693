// The sample character imported and exported again, by WYXExport and by the translator through
// the shell, read back with the SDK's reader and compared object by object with the sample.
//
// What the export changes on the way (each asserted below): points pass through the host in
// single precision; the current take is "Take 001"; a take's spans are the host's playback
// range; a textured material's diffuse colour is white, faces without shading in the host have
// the default material; joints get the size of the joint display scale. What this build does
// not carry yet
// is left out of the comparison: transform values and animation (they come with the animation
// export); materials and textures are compared when the import has made them in the host.

#include "ExportTestSupport.h"

#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxSkeleton.h"
#include "fileio/RWyxFile.h"
#include "hostimport/ImportNodePasses.h"
#include "scene/RWyxTakeInfo.h"
#include "tests/support/PluginTestSupport.h"

#include <vexa/VAnimControl.h>

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
    // Materials: those the host has, a textured one white; faces the host has no shading for
    // (the import made none) share the default material.
    for (int m = 0; m < exported.GetMaterialCount(0); ++m) {
        const RWyxMaterial* material = exported.GetMaterial(m, 0);
        if (material->GetName() == "Material::Default_Material") {
            EXPECT_EQ(exported.GetMaterialCount(0), 1);
            EXPECT_EQ(exported.GetMaterialMappingKind(), RWyxMesh::kKindAllSame);
            continue;
        }
        EXPECT_GE(sample.FindMaterial(material->GetName().Buffer(), 0), 0) << material->GetName().Buffer();
        if (exported.GetTextureCount(0) > 0) {
            EXPECT_EQ(material->GetDiffuseColor().GetRed(), 1.0);
        }
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

}  // namespace
