// The Material, Deformer and Texture records of the version-6 document.
//
//   Material: full name, type name { Version: 101; ShadingModel; MultiLayer; Properties60 }
//   Deformer: full name, type name { Version: 100; MultiLayer; Type; Properties60; a skin:
//     Link_DeformAcuracy; a cluster: Mode ("Additive", "Total1", none for the normal mode);
//     UserData: id, value; Indexes; Weights; Transform; TransformLink; AssociateModel
//     { Transform }; TransformParent }
//   Texture: full name, type name { Type; Version: 202; TextureName; Properties60; Media;
//     FileName; RelativeFilename; ModelUVTranslation; ModelUVScaling; Texture_Alpha_Source:
//     "None" / "RGB_Intensity" / "Alpha_Black"; Cropping: four ints }
//
// A cluster's file matrices are relative to its link matrix L: "TransformLink" is L, the
// link's transform T is written T L^-1 and the associate model's A as A L^-1; each is brought
// back by multiplying with L and kept as translation, rotation and scaling (RWyxSkinLink).
// Each part is rounded to a fixed grid (kTrsGrid: about 1e-9 units and degrees, 1.5e-11 for
// scaling), far below any difference that matters but coarse enough to absorb the rounding of
// the products and of the decomposition, so that the matrices written again from what was read
// are the ones read: a file read and written again is the same file.
// Materials and textures join the scene in record order.

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxDeformerProperties.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "core/RMatrix.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/WyxFieldReading.h"

#include <cmath>

using wyx_read::BlockScope;

namespace {

}  // namespace

void RWyxSceneReaderWyx6::ReadMaterialRecord() {
    const RString name = file_.FieldReadString();
    if (!IsFree(name, "Material")) return;
    RWyxMaterial* material = factory_->CreateMaterial(name.Buffer());
    if (material == nullptr) return;
    Register(name, Kind::kMaterial, material, material->GetProperties());
    scene_.GetEntity()->AddMaterialUse(material);
    const BlockScope block = BlockScope::Enter(file_);
    if (!block) return;
    material->SetShadingModel(file_.FieldReadStringByName("ShadingModel", material->GetShadingModel().Buffer()));
    material->SetMultiLayer(file_.FieldReadIntByName("MultiLayer", 0) != 0);
    ReadProperties({material->GetProperties()}, material, "Material", name);
}

void RWyxSceneReaderWyx6::ReadDeformerRecord() {
    const RString name = file_.FieldReadString();
    const RString typeName = file_.FieldReadString();
    if (!IsFree(name, "Deformer")) return;
    RWyxDeformer* deformer = factory_->CreateDeformer(name.Buffer(), typeName.Buffer());
    if (deformer == nullptr) return;
    Register(name, Kind::kDeformer, deformer, deformer->GetProperties());
    scene_.AddDeformer(deformer);
    const BlockScope block = BlockScope::Enter(file_);
    if (!block) return;
    deformer->SetMultiLayer(file_.FieldReadIntByName("MultiLayer", 0) != 0);
    ReadProperties({deformer->GetProperties()}, deformer, "Deformer", name);
    if (deformer->GetDeformerType() == RWyxDeformer::kSkin) {
        deformer->SetDeformAccuracy(
            wyx_read::ReadDoubleByName(file_, "Link_DeformAcuracy", RWyxDeformer::kDefaultDeformAccuracy));
    } else {
        ReadClusterFields(*deformer, name);
    }
}

void RWyxSceneReaderWyx6::ReadClusterFields(RWyxDeformer& cluster, const RString& name) {
    RWyxSkinLink& data = cluster.GetClusterData();
    const RString label = RString("Deformer \"") + name + "\": ";
    const RString mode = file_.FieldReadStringByName("Mode", "");
    data.SetMode(mode == "Additive" ? RWyxSkinLink::kAdditive
                 : mode == "Total1" ? RWyxSkinLink::kTotal1
                                    : RWyxSkinLink::kNormal);
    if (!mode.IsEmptyText() && data.GetMode() == RWyxSkinLink::kNormal) {
        Warn(label + "the mode \"" + mode + "\" is unknown");
    }
    std::vector<RString> userData;
    wyx_read::ReadStringsByName(file_, "UserData", userData);
    userData.resize(2);
    data.SetUserData(userData[0], userData[1]);

    std::vector<int> indices;
    std::vector<double> weights;
    wyx_read::ReadIntsByName(file_, "Indexes", indices);
    wyx_read::ReadDoublesByName(file_, "Weights", weights);
    if (indices.size() != weights.size()) {
        Warn(label + RString(static_cast<int>(indices.size())) + " indices and " +
             RString(static_cast<int>(weights.size())) + " weights; the pairs past the shorter were dropped");
    }
    int negative = 0;
    for (std::size_t i = 0; i < indices.size() && i < weights.size(); ++i) {
        if (!data.AddControlPointIndex(indices[i], weights[i])) ++negative;
    }
    if (negative > 0) Warn(label + RString(negative) + " negative indices were dropped");

    RMatrix link;
    RMatrix matrix;
    if (!wyx_read::ReadMatrixByName(file_, "TransformLink", link)) {
        Warn(label + "no TransformLink; the identity is taken");
    }
    data.SetTransformLink(ClusterTRS(link));
    if (wyx_read::ReadMatrixByName(file_, "Transform", matrix)) data.SetTransform(ClusterTRS(TimesLink(matrix, link)));
    if (const BlockScope associate = BlockScope::Open(file_, "AssociateModel")) {
        if (wyx_read::ReadMatrixByName(file_, "Transform", matrix)) {
            data.SetTransformAssociateModel(ClusterTRS(TimesLink(matrix, link)));
        }
    }
    if (wyx_read::ReadMatrixByName(file_, "TransformParent", matrix)) data.SetTransformParent(ClusterTRS(matrix));
}

void RWyxSceneReaderWyx6::ReadTextureRecord() {
    const RString name = file_.FieldReadString();
    const RString typeName = file_.FieldReadString();
    if (!IsFree(name, "Texture")) return;
    RWyxTexture* texture = factory_->CreateTexture(name.Buffer());
    if (texture == nullptr) return;
    Register(name, Kind::kTexture, texture, texture->GetProperties());
    scene_.GetEntity()->AddTextureUse(texture);
    const BlockScope block = BlockScope::Enter(file_);
    if (!block) return;
    texture->SetTypeName(file_.FieldReadStringByName("Type", typeName.Buffer()));
    ReadProperties({texture->GetProperties()}, texture, "Texture", name);
    texture->SetMediaName(file_.FieldReadStringByName("Media", ""));
    texture->SetFileName(file_.FieldReadStringByName("FileName", ""));
    texture->SetRelativeFileName(file_.FieldReadStringByName("RelativeFilename", ""));
    std::vector<double> uv;
    if (wyx_read::ReadDoublesByName(file_, "ModelUVTranslation", uv) && uv.size() >= 2) {
        texture->SetModelUVTranslation(uv[0], uv[1]);
    }
    if (wyx_read::ReadDoublesByName(file_, "ModelUVScaling", uv) && uv.size() >= 2) {
        texture->SetModelUVScaling(uv[0], uv[1]);
    }
    texture->SetAlphaSource(AlphaSourceOf(file_.FieldReadStringByName("Texture_Alpha_Source", "None")));
    std::vector<int> cropping;
    wyx_read::ReadIntsByName(file_, "Cropping", cropping);
    CopyCounted(cropping, RWyxTexture::kCroppingCount, RString("Texture \"") + name + "\": Cropping",
                [texture](std::size_t i, int value) { texture->SetCropping(static_cast<int>(i), value); });
}
