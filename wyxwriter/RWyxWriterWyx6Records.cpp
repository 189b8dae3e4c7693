// The Material, Deformer and Texture records of the version-6 document.
//
//   Material: full name, type name { Version: 101; ShadingModel: the model's name in lower
//     case; MultiLayer; Properties60 }
//   Deformer: full name, type name { Version: 100; MultiLayer; Type: the type name;
//     Properties60; a skin: Link_DeformAcuracy; a cluster: Mode ("Additive" / "Total1",
//     nothing for other modes); UserData: id, value; Indexes; Weights; Transform;
//     TransformLink; AssociateModel { Transform } when its SrcModelReference has a model;
//     TransformParent when the link has one }
//   Texture: full name, type name { Type; Version: 202; TextureName; Properties60; Media;
//     FileName; RelativeFilename; ModelUVTranslation: u, v; ModelUVScaling: u, v;
//     Texture_Alpha_Source: "RGB_Intensity" (1), "Alpha_Black" (2), else "None"; Cropping:
//     four ints }
//
// A cluster's matrices are rebuilt from their stored translation, rotation and scaling; the
// link matrix L is written as it is, the link's transform T as T L^-1 and the associate
// model's A as A L^-1 (16 doubles each, row by row). A link matrix with an axis of no length
// cannot be inverted: that axis contributes nothing (the numbers stay finite) and a warning
// names the cluster. The indices of a cluster on a NURBS surface written with its skin links
// renumbered are renumbered the same way.

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxDeformerProperties.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "core/RMatrix.h"
#include "core/RProperty.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/TransformMatrices.h"
#include "wyxreader/WyxReaderServices.h"
#include "wyxwriter/RWyxWriterWyx6.h"
#include "wyxwriter/WyxFields.h"

using namespace wyx_fields;

namespace {

constexpr int kMaterialVersion = 101;
constexpr int kDeformerVersion = 100;
constexpr int kTextureVersion = 202;
const char* const kSrcModelReference = "SrcModelReference";

// The node of the first source of the plug that is a node's properties object.
const RWyxNode* FirstSourceNode(const RPlug& plug) {
    for (int i = 0; i < plug.GetSourceCount(); ++i) {
        const RPlug* source = plug.GetSource(i);
        if (source != nullptr && source->Is(RWyxNodeProperties::ClassId())) {
            return static_cast<const RWyxNodeProperties*>(source)->GetNode();
        }
    }
    return nullptr;
}

// The NURBS surface the cluster deforms (through its skin) when it is written with its skin
// links renumbered; null otherwise.
const RWyxNurb* RenumberedSurface(const RWyxDeformer& cluster) {
    const RWyxDeformerProperties& properties = *cluster.GetProperties();
    for (int s = 0; s < properties.GetDestinationCount(); ++s) {
        const RPlug* skin = properties.GetDestination(s);
        if (skin == nullptr || !skin->Is(RWyxDeformerProperties::ClassId())) continue;
        for (int n = 0; n < skin->GetDestinationCount(); ++n) {
            const RPlug* target = skin->GetDestination(n);
            if (target == nullptr || !target->Is(RWyxNodeProperties::ClassId())) continue;
            const RWyxNurb* nurb = static_cast<const RWyxNodeProperties*>(target)->GetNode()->GetNurb();
            if (nurb != nullptr && nurb->GetSwapLinksFlag()) return nurb;
        }
    }
    return nullptr;
}

// The indices as the renumbered surface's copy has them: point k of U count x V count is
// (k mod U count) x V count + k div U count; an index past the points stays.
std::vector<int> RenumberedIndices(const RWyxSkinLink& data, const RWyxNurb* surface) {
    const int* indices = data.GetControlPointIndices();
    std::vector<int> result(indices, indices + data.GetControlPointIndicesCount());
    if (surface == nullptr || surface->GetUCount() <= 0) return result;
    const long long uCount = surface->GetUCount();
    const long long points = uCount * surface->GetVCount();
    for (int& index : result) {
        if (index < points) index = static_cast<int>((index % uCount) * surface->GetVCount() + index / uCount);
    }
    return result;
}

}  // namespace

void RWyxWriterWyx6::WriteMaterialRecord(RWyxMaterial& material) {
    RWyxFile& file = File();
    FieldBlock block(file, "Material", material.GetName(), material.GetTypeDescription());
    WriteField(file, "Version", kMaterialVersion);
    WriteField(file, "ShadingModel", material.GetShadingModel().ToLowerCase());
    WriteField(file, "MultiLayer", material.GetMultiLayer());
    WritePropertyBlock(material);
}

void RWyxWriterWyx6::WriteDeformerRecord(RWyxDeformer& deformer) {
    RWyxFile& file = File();
    FieldBlock block(file, "Deformer", deformer.GetName(), deformer.GetTypeDescription());
    WriteField(file, "Version", kDeformerVersion);
    WriteField(file, "MultiLayer", deformer.GetMultiLayer());
    WriteField(file, "Type", deformer.GetTypeName());
    WritePropertyBlock(deformer);
    if (deformer.GetDeformerType() == RWyxDeformer::kSkin) {
        WriteField(file, "Link_DeformAcuracy", deformer.GetDeformAccuracy());
    } else if (deformer.GetDeformerType() == RWyxDeformer::kCluster) {
        WriteClusterFields(deformer);
    }
}

void RWyxWriterWyx6::WriteClusterFields(RWyxDeformer& cluster) {
    RWyxFile& file = File();
    const RWyxSkinLink& data = cluster.GetClusterData();
    if (data.GetMode() == RWyxSkinLink::kAdditive) WriteField(file, "Mode", "Additive");
    if (data.GetMode() == RWyxSkinLink::kTotal1) WriteField(file, "Mode", "Total1");
    WriteField(file, "UserData", data.GetUserDataId(), data.GetUserDataValue());
    WriteInts(file, "Indexes", RenumberedIndices(data, RenumberedSurface(cluster)));
    WriteDoubles(file, "Weights", data.GetControlPointWeights(),
                 static_cast<std::size_t>(data.GetControlPointIndicesCount()));

    const ClusterMatrices matrices = ComputeClusterMatrices(data, cluster.GetName());
    WriteMatrix(file, "Transform", matrices.transform);
    WriteMatrix(file, "TransformLink", matrices.link);
    const RProperty* reference = cluster.GetProperties()->FindProperty(kSrcModelReference);
    if (reference != nullptr && FirstSourceNode(*reference) != nullptr) {
        FieldBlock associate(file, "AssociateModel");
        WriteMatrix(file, "Transform", matrices.associateModel);
    }
    if (data.IsTransformParentSet()) WriteMatrix(file, "TransformParent", matrices.parent);
}

void RWyxWriterWyx6::WriteTextureRecord(RWyxTexture& texture) {
    RWyxFile& file = File();
    FieldBlock block(file, "Texture", texture.GetName(), texture.GetTypeDescription());
    WriteField(file, "Type", texture.GetTypeName());
    WriteField(file, "Version", kTextureVersion);
    WriteField(file, "TextureName", texture.GetName());
    WritePropertyBlock(texture);
    WriteField(file, "Media", texture.GetMediaName());
    WriteField(file, "FileName", texture.GetFileName());
    WriteField(file, "RelativeFilename", texture.GetRelativeFileName());
    const RWyxTexture::UV translation = texture.GetModelUVTranslation();
    const RWyxTexture::UV scaling = texture.GetModelUVScaling();
    WriteField(file, "ModelUVTranslation", translation.u, translation.v);
    WriteField(file, "ModelUVScaling", scaling.u, scaling.v);
    WriteField(file, "Texture_Alpha_Source", AlphaSourceName(texture.GetAlphaSource()));
    WriteField(file, "Cropping", texture.GetCropping(RWyxTexture::kCropTop), texture.GetCropping(RWyxTexture::kCropBottom),
               texture.GetCropping(RWyxTexture::kCropLeft), texture.GetCropping(RWyxTexture::kCropRight));
}
