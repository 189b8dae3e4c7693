// The object factory's operations on the kinds of the attributes layer: node attributes,
// skin links, materials, shapes, textures, gobos, poses, generic nodes, deformers and
// thumbnails.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxThumbnail.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <new>
#include <utility>

namespace {

template <typename T, typename... Args>
T* NewOrNull(Args&&... args) {
    return new (std::nothrow) T(std::forward<Args>(args)...);
}

// Materials, textures, gobos, poses, generic nodes and deformers let go of their connections
// while they are whole.
template <typename T>
void PrepareAndDelete(T* object) {
    object->PrepareDestroy();
    delete object;
}

template <typename T>
void DeleteObject(T* object) {
    delete object;
}

// A new attribute recorded in the attribute list; null when it cannot be recorded.
template <typename T>
T* RecordAttribute(RFactoryObjectList<RWyxNodeAttribute>& list, T* attribute) {
    if (attribute == nullptr) return nullptr;
    if (!list.Append(attribute)) {
        delete attribute;
        return nullptr;
    }
    return attribute;
}

}  // namespace

// ---- allocation ----------------------------------------------------------------------------------

RWyxNull* RWyxObjectFactory::NewNull() { return NewOrNull<RWyxNull>(this); }
RWyxMarker* RWyxObjectFactory::NewMarker() { return NewOrNull<RWyxMarker>(this); }
RWyxCamera* RWyxObjectFactory::NewCamera() { return NewOrNull<RWyxCamera>(this); }
RWyxLight* RWyxObjectFactory::NewLight() { return NewOrNull<RWyxLight>(this); }
RWyxSkeleton* RWyxObjectFactory::NewSkeleton() { return NewOrNull<RWyxSkeleton>(this); }
RWyxMesh* RWyxObjectFactory::NewMesh() { return NewOrNull<RWyxMesh>(this); }
RWyxPatch* RWyxObjectFactory::NewPatch() { return NewOrNull<RWyxPatch>(this); }
RWyxNurb* RWyxObjectFactory::NewNurb() { return NewOrNull<RWyxNurb>(this); }
RWyxOptical* RWyxObjectFactory::NewOptical() { return NewOrNull<RWyxOptical>(this); }
RWyxSkinLink* RWyxObjectFactory::NewSkinLink() { return NewOrNull<RWyxSkinLink>(); }

RWyxMaterial* RWyxObjectFactory::NewMaterial(const RString& fullName) {
    return NewOrNull<RWyxMaterial>(this, fullName);
}

RWyxShape* RWyxObjectFactory::NewShape() { return NewOrNull<RWyxShape>(this); }

RWyxTexture* RWyxObjectFactory::NewTexture(const RString& fullName) { return NewOrNull<RWyxTexture>(this, fullName); }

RWyxGobo* RWyxObjectFactory::NewGobo(const RString& name) { return NewOrNull<RWyxGobo>(this, name); }

RWyxPose* RWyxObjectFactory::NewPose(const RString& fullName, bool bindPose) {
    return NewOrNull<RWyxPose>(this, fullName, bindPose);
}

RWyxGenericNode* RWyxObjectFactory::NewGenericNode(const char* name) {
    return name != nullptr ? NewOrNull<RWyxGenericNode>(this, RString(name)) : nullptr;
}

RWyxDeformer* RWyxObjectFactory::NewDeformer(const char* fullName, const char* typeName) {
    if (fullName == nullptr || typeName == nullptr) return nullptr;
    return NewOrNull<RWyxDeformer>(this, RString(fullName), typeName);
}

RWyxThumbnail* RWyxObjectFactory::NewThumbnail() { return NewOrNull<RWyxThumbnail>(); }

// ---- creation and recording -------------------------------------------------------------------------

RWyxNull* RWyxObjectFactory::CreateNull() { return RecordAttribute(nodeAttributes_, NewNull()); }
RWyxMarker* RWyxObjectFactory::CreateMarker() { return RecordAttribute(nodeAttributes_, NewMarker()); }
RWyxCamera* RWyxObjectFactory::CreateCamera() { return RecordAttribute(nodeAttributes_, NewCamera()); }
RWyxLight* RWyxObjectFactory::CreateLight() { return RecordAttribute(nodeAttributes_, NewLight()); }
RWyxSkeleton* RWyxObjectFactory::CreateSkeleton() { return RecordAttribute(nodeAttributes_, NewSkeleton()); }
RWyxMesh* RWyxObjectFactory::CreateMesh() { return RecordAttribute(nodeAttributes_, NewMesh()); }
RWyxPatch* RWyxObjectFactory::CreatePatch() { return RecordAttribute(nodeAttributes_, NewPatch()); }
RWyxNurb* RWyxObjectFactory::CreateNurb() { return RecordAttribute(nodeAttributes_, NewNurb()); }
RWyxOptical* RWyxObjectFactory::CreateOptical() { return RecordAttribute(nodeAttributes_, NewOptical()); }

RWyxSkinLink* RWyxObjectFactory::CreateSkinLink() { return Record(skinLinks_, NewSkinLink(), DeleteSkinLink); }

RWyxMaterial* RWyxObjectFactory::CreateMaterial(const char* name) {
    RWyxMaterial* material = NewMaterial(BuildPrefixedName("Material::", name));
    if (material != nullptr) RenameWith(materialStrategy_.get(), *material);
    material = Record(materials_, material, DeleteMaterial);
    materialNames_.Add(material);
    return material;
}

RWyxShape* RWyxObjectFactory::CreateShape() { return Record(shapes_, NewOrNull<RWyxShape>(this), DeleteShape); }

RWyxTexture* RWyxObjectFactory::CreateTexture(const char* name) {
    RWyxTexture* texture = NewTexture(BuildPrefixedName("Texture::", name));
    if (texture != nullptr) RenameWith(textureStrategy_.get(), *texture);
    texture = Record(textures_, texture, DeleteTexture);
    textureNames_.Add(texture);
    return texture;
}

// A gobo keeps the name exactly as given, as FindGobo looks for it.
RWyxGobo* RWyxObjectFactory::CreateGobo(const char* name) {
    return Record(gobos_, NewGobo(RString(name != nullptr ? name : "")), DeleteGobo);
}

RWyxPose* RWyxObjectFactory::CreatePose(const char* name, bool bindPose) {
    return Record(poses_, NewPose(BuildPrefixedName("Pose::", name), bindPose), DeletePose);
}

RWyxGenericNode* RWyxObjectFactory::CreateGenericNode(const char* name) {
    return Record(genericNodes_, NewGenericNode(name), DeleteGenericNode);
}

// ---- destruction --------------------------------------------------------------------------------------

void RWyxObjectFactory::DeleteSkinLink(RWyxSkinLink* skinLink) { DeleteObject(skinLink); }
void RWyxObjectFactory::DeleteMaterial(RWyxMaterial* material) { PrepareAndDelete(material); }
void RWyxObjectFactory::DeleteShape(RWyxShape* shape) { DeleteObject(shape); }
void RWyxObjectFactory::DeleteTexture(RWyxTexture* texture) { PrepareAndDelete(texture); }
void RWyxObjectFactory::DeleteGobo(RWyxGobo* gobo) { PrepareAndDelete(gobo); }
void RWyxObjectFactory::DeletePose(RWyxPose* pose) { PrepareAndDelete(pose); }
void RWyxObjectFactory::DeleteGenericNode(RWyxGenericNode* genericNode) { PrepareAndDelete(genericNode); }
void RWyxObjectFactory::DeleteDeformer(RWyxDeformer* deformer) { PrepareAndDelete(deformer); }
void RWyxObjectFactory::DeleteThumbnail(RWyxThumbnail* thumbnail) { DeleteObject(thumbnail); }

bool RWyxObjectFactory::DestroySkinLink(RWyxSkinLink* skinLink) {
    return DestroyRecorded(skinLinks_, skinLink, DeleteSkinLink);
}

bool RWyxObjectFactory::DestroyMaterial(RWyxMaterial* material) {
    materialNames_.Remove(material);
    return DestroyRecorded(materials_, material, DeleteMaterial);
}

bool RWyxObjectFactory::DestroyShape(RWyxShape* shape) { return DestroyRecorded(shapes_, shape, DeleteShape); }

bool RWyxObjectFactory::DestroyTexture(RWyxTexture* texture) {
    textureNames_.Remove(texture);
    return DestroyRecorded(textures_, texture, DeleteTexture);
}

// The index is emptied before the objects go, so that a lookup made while they go finds none
// (as the emptied list does), and again after, for any recorded meanwhile.
void RWyxObjectFactory::DestroyAllMaterials() {
    materialNames_.Clear();
    DestroyList(materials_, DeleteMaterial);
    materialNames_.Clear();
}

void RWyxObjectFactory::DestroyAllTextures() {
    textureNames_.Clear();
    DestroyList(textures_, DeleteTexture);
    textureNames_.Clear();
}

bool RWyxObjectFactory::DestroyGobo(RWyxGobo* gobo) { return DestroyRecorded(gobos_, gobo, DeleteGobo); }

bool RWyxObjectFactory::DestroyPose(RWyxPose* pose) {
    if (pose == nullptr || poses_.IndexOf(pose) < 0) return NotFound();
    for (int i = 0; i < scenes_.GetCount(); ++i) scenes_.At(i)->RemovePose(pose);
    return DestroyRecorded(poses_, pose, DeletePose);
}

bool RWyxObjectFactory::DestroyGenericNode(RWyxGenericNode* genericNode) {
    return DestroyRecorded(genericNodes_, genericNode, DeleteGenericNode);
}

bool RWyxObjectFactory::DestroyDeformer(RWyxDeformer* deformer) {
    if (deformer == nullptr || deformers_.IndexOf(deformer) < 0) return NotFound();
    for (int i = 0; i < scenes_.GetCount(); ++i) scenes_.At(i)->ForgetDeformer(deformer);
    return DestroyRecorded(deformers_, deformer, DeleteDeformer);
}

bool RWyxObjectFactory::DestroyThumbnail(RWyxThumbnail* thumbnail) {
    return DestroyRecorded(thumbnails_, thumbnail, DeleteThumbnail);
}

// ---- finding ------------------------------------------------------------------------------------------

RWyxMaterial* RWyxObjectFactory::FindMaterial(const char* name, int occurrence) {
    return FoundOrNotFound(
        static_cast<RWyxMaterial*>(materialNames_.Find(BuildPrefixedName("Material::", name), occurrence)));
}

RWyxTexture* RWyxObjectFactory::FindTexture(const char* name, int occurrence) {
    return FoundOrNotFound(
        static_cast<RWyxTexture*>(textureNames_.Find(BuildPrefixedName("Texture::", name), occurrence)));
}

void RWyxObjectFactory::OnMaterialNameChanging(RWyxMaterial* material) { materialNames_.MarkRenamed(material); }

void RWyxObjectFactory::OnTextureNameChanging(RWyxTexture* texture) { textureNames_.MarkRenamed(texture); }

// A gobo keeps the name it was made with (no "Model::" in front), so the name is looked for
// as it stands.
RWyxGobo* RWyxObjectFactory::FindGobo(const char* name, int occurrence) {
    return FindByName(gobos_, RString(name != nullptr ? name : ""), occurrence);
}

RWyxPose* RWyxObjectFactory::FindPose(const char* name) {
    return FindByName(poses_, RString(name != nullptr ? name : ""), 0);
}

RWyxGenericNode* RWyxObjectFactory::FindGenericNode(const char* name) {
    return FindByName(genericNodes_, RString(name != nullptr ? name : ""), 0);
}
