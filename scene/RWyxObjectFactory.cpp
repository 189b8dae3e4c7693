#include "scene/RWyxObjectFactory.h"

#include "core/RClassRegistry.h"
#include "core/RWyxUserProperty.h"
#include "fileio/RImageConverter.h"
#include "fileio/RWyxFileExporter.h"
#include "fileio/RWyxFileImporter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <unordered_set>
#include <utility>

namespace {

const char* const kFactoryMessages[] = {"Object not found", ""};
constexpr int kFactoryMessageCount = 2;

// A new T, or null when memory cannot be had.
template <typename T, typename... Args>
T* NewOrNull(Args&&... args) {
    return new (std::nothrow) T(std::forward<Args>(args)...);
}

template <typename T>
void Delete(T* object) {
    delete object;
}

// Each attribute of a destroyed subtree leaves the attribute list by a search from the list's
// end. The subtree's attributes go there first, the first to be destroyed last, so that every
// search ends at its first step whatever order the attributes were made in (made in the
// other order than the tree's, the searches took time growing with the square of the count).
void GatherAttributesAtTheEnd(RFactoryObjectList<RWyxNodeAttribute>& list, const std::vector<RWyxNode*>& subtree) {
    std::vector<const RWyxNodeAttribute*> attributes;
    for (const RWyxNode* current : subtree) {
        if (const RWyxNodeAttribute* attribute = current->GetNodeAttribute()) attributes.push_back(attribute);
    }
    if (attributes.size() > 1) list.MoveToEnd(attributes);
}

}  // namespace

// The text after the first separator is a tail of the name itself: it is found in place
// and copied once, after the prefix.
RString BuildPrefixedName(const char* prefix, const char* name) {
    const char* rest = name != nullptr ? name : "";
    if (const char* separator = std::strstr(rest, "::")) rest = separator + 2;
    if (*rest == '\0') rest = "Name";
    RString result(prefix != nullptr ? prefix : "");
    result += rest;
    return result;
}

const char* DeformerNamePrefix(const char* typeName) {
    return typeName != nullptr && RString(typeName).CompareIgnoringCase("Cluster") == 0 ? "SubDeformer::"
                                                                                        : "Deformer::";
}

// ---- construction and destruction ---------------------------------------------------------------

RWyxObjectFactory::RWyxObjectFactory() : error_(kFactoryMessages, kFactoryMessageCount) {
    // The process's own reference first, so that this factory's is never the one that
    // starts the object model for the whole process.
    EnsureSdkLoaded();
    SdkInitialize();
}

RWyxObjectFactory::~RWyxObjectFactory() {
    DestroyAll();
    nodeStrategy_.reset();
    materialStrategy_.reset();
    textureStrategy_.reset();
    SdkTerminate();
}

bool RWyxObjectFactory::NotFound() {
    error_.SetErrorCode(kErrorObjectNotFound);
    return false;
}

int RWyxObjectFactory::GetObjectCount(ObjectKind kind) const {
    switch (kind) {
        case kScenes: return scenes_.GetCount();
        case kNodes: return nodes_.GetCount();
        case kNodeAttributes: return nodeAttributes_.GetCount();
        case kSkinLinks: return skinLinks_.GetCount();
        case kMaterials: return materials_.GetCount();
        case kShapes: return shapes_.GetCount();
        case kTextures: return textures_.GetCount();
        case kGobos: return gobos_.GetCount();
        case kPoses: return poses_.GetCount();
        case kUserProperties: return userProperties_.GetCount();
        case kThumbnails: return thumbnails_.GetCount();
        case kSceneInfos: return sceneInfos_.GetCount();
        case kGenericNodes: return genericNodes_.GetCount();
        case kDeformers: return deformers_.GetCount();
        case kGeometryConverters: return geometryConverters_.GetCount();
        case kImageConverters: return imageConverters_.GetCount();
        case kFileExporters: return fileExporters_.GetCount();
        case kFileImporters: return fileImporters_.GetCount();
        case kObjectKindCount: break;
    }
    return 0;
}

// ---- creation operations of the scene layer's own kinds ------------------------------------------

RWyxScene* RWyxObjectFactory::NewScene() { return NewOrNull<RWyxScene>(this); }

RWyxNode* RWyxObjectFactory::NewNode(const RString& fullName) { return NewOrNull<RWyxNode>(this, fullName); }

RWyxUserProperty* RWyxObjectFactory::NewUserPropertyFor(RProperty* property) {
    return property != nullptr ? NewOrNull<RWyxUserProperty>(this, property) : nullptr;
}

RWyxUserProperty* RWyxObjectFactory::NewUserProperty(const char* name, const char* typeName, const char* label) {
    if (name == nullptr || label == nullptr) return nullptr;
    return NewOrNull<RWyxUserProperty>(this, name, typeName, label);
}

RWyxSceneInfo* RWyxObjectFactory::NewSceneInfo() { return NewOrNull<RWyxSceneInfo>(); }

RImageConverter* RWyxObjectFactory::NewImageConverter() { return NewOrNull<RImageConverter>(this); }

RWyxFileExporter* RWyxObjectFactory::NewFileExporter() { return NewOrNull<RWyxFileExporter>(this); }

RWyxFileImporter* RWyxObjectFactory::NewFileImporter() { return NewOrNull<RWyxFileImporter>(this); }

// ---- public creation -------------------------------------------------------------------------------

RWyxScene* RWyxObjectFactory::CreateScene() { return Record(scenes_, NewScene(), Delete<RWyxScene>); }

RWyxNode* RWyxObjectFactory::CreateNode(const char* name) {
    RWyxNode* node = NewNode(BuildPrefixedName("Model::", name));
    if (node == nullptr) return nullptr;
    RenameWith(nodeStrategy_.get(), *node);
    if (!RecordNode(node)) {
        DeleteNode(node);
        return nullptr;
    }
    return node;
}

void RWyxObjectFactory::OnNodeNameChanging(RWyxNode* node) { nodeNames_.MarkRenamed(node); }

bool RWyxObjectFactory::RecordNode(RWyxNode* node) {
    if (!nodes_.Append(node)) return false;
    nodeNames_.Add(node);
    return true;
}

void RWyxObjectFactory::RenameWith(RRenamingStrategy* strategy, RWyxSceneObject& object) {
    if (strategy != nullptr) strategy->Rename(object.GetNamePair());
}

RWyxUserProperty* RWyxObjectFactory::CreateUserProperty(const char* name, const char* typeName, const char* label) {
    return Record(userProperties_, NewUserProperty(name, typeName, label), Delete<RWyxUserProperty>);
}

RWyxUserProperty* RWyxObjectFactory::CreateUserPropertyFor(RProperty* property) {
    return Record(userProperties_, NewUserPropertyFor(property), Delete<RWyxUserProperty>);
}

RWyxDeformer* RWyxObjectFactory::CreateDeformer(const char* name, const char* typeName) {
    // A null name fails like a null type: nothing is made, nothing recorded.
    if (name == nullptr || typeName == nullptr) return nullptr;
    const RString fullName = BuildPrefixedName(DeformerNamePrefix(typeName), name);
    return Record(deformers_, NewDeformer(fullName.Buffer(), typeName), DeleteDeformer);
}

RWyxThumbnail* RWyxObjectFactory::CreateThumbnail() { return Record(thumbnails_, NewThumbnail(), DeleteThumbnail); }

RWyxSceneInfo* RWyxObjectFactory::CreateSceneInfo() {
    return Record(sceneInfos_, NewSceneInfo(), Delete<RWyxSceneInfo>);
}

RWyxGeometryConverter* RWyxObjectFactory::CreateGeometryConverter() {
    return Record(geometryConverters_, NewGeometryConverter(), DeleteGeometryConverter);
}

RImageConverter* RWyxObjectFactory::CreateImageConverter() {
    return Record(imageConverters_, NewImageConverter(), Delete<RImageConverter>);
}

RWyxFileExporter* RWyxObjectFactory::CreateFileExporter() {
    return Record(fileExporters_, NewFileExporter(), Delete<RWyxFileExporter>);
}

RWyxFileImporter* RWyxObjectFactory::CreateFileImporter() {
    return Record(fileImporters_, NewFileImporter(), Delete<RWyxFileImporter>);
}

std::unique_ptr<RWyxUserProperty> RWyxObjectFactory::HandOverUserProperty(RWyxUserProperty* userProperty) {
    if (userProperty == nullptr || !userProperties_.Remove(userProperty)) {
        NotFound();
        return nullptr;
    }
    return std::unique_ptr<RWyxUserProperty>(userProperty);
}

// ---- destruction -------------------------------------------------------------------------------------

bool RWyxObjectFactory::DestroyScene(RWyxScene* scene, bool recursive) {
    if (scene == nullptr || scenes_.IndexOf(scene) < 0) return NotFound();
    RWyxNode* root = recursive ? scene->GetRootNode() : nullptr;
    scenes_.Remove(scene);
    delete scene;
    return root != nullptr ? DestroyNode(root, true) : true;
}

void RWyxObjectFactory::DeleteNode(RWyxNode* node) {
    node->PrepareDestroy();
    delete node;
}

// The subtree is gathered on an explicit stack, so a hierarchy of any depth is safe. Only a
// node linked below two parents or more can be reached twice: those are recorded as seen and
// taken once. The others, nearly all, need no record (a heap block each in a set); the start
// node is never taken again, so no link can make the walk go round.
bool RWyxObjectFactory::CollectRecordedSubtree(RWyxNode* node, std::vector<RWyxNode*>& subtree) {
    bool allRecorded = true;
    std::unordered_set<const RWyxNode*> seenWithParents;
    std::vector<RWyxNode*> pending{node};
    while (!pending.empty()) {
        RWyxNode* current = pending.back();
        pending.pop_back();
        if (current == node && !subtree.empty()) continue;
        const bool severalParents = current->GetProperties()->GetParentPropertiesCount() > 1;
        if (severalParents && !seenWithParents.insert(current).second) continue;
        if (current != node && !nodeNames_.Contains(current)) {
            // A child this factory does not record stays alive; its subtree is left alone.
            allRecorded = false;
            continue;
        }
        subtree.push_back(current);
        for (int i = current->GetChildCount() - 1; i >= 0; --i) {
            if (RWyxNode* child = current->GetChild(i)) pending.push_back(child);
        }
    }
    return allRecorded;
}

void RWyxObjectFactory::RemoveNodes(const std::vector<RWyxNode*>& nodes) {
    if (nodes.size() == 1) {
        nodes_.Remove(nodes.front());
    } else {
        std::vector<const RWyxNode*> sorted(nodes.begin(), nodes.end());
        std::sort(sorted.begin(), sorted.end(), std::less<const RWyxNode*>());
        nodes_.RemoveAll(sorted);
    }
    for (const RWyxNode* node : nodes) nodeNames_.Remove(node);
}

// Recursively, the nodes go from the last reached to the first, so every node goes after its
// descendants and each leaves its parent's connections from the end.
bool RWyxObjectFactory::DestroyNode(RWyxNode* node, bool recursive) {
    if (node == nullptr || !nodeNames_.Contains(node)) return NotFound();
    if (!recursive) {
        RemoveNodes({node});
        DeleteNode(node);
        return true;
    }
    std::vector<RWyxNode*> subtree;
    bool result = CollectRecordedSubtree(node, subtree);
    RemoveNodes(subtree);
    GatherAttributesAtTheEnd(nodeAttributes_, subtree);
    for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
        RWyxNode* current = *it;
        if (RWyxNodeAttribute* attribute = current->GetNodeAttribute()) {
            if (!DestroyNodeAttribute(attribute)) result = false;
        }
        DeleteNode(current);
    }
    return result;
}

bool RWyxObjectFactory::DestroyNodeAttribute(RWyxNodeAttribute* attribute) {
    return DestroyRecorded(nodeAttributes_, attribute, DeleteNodeAttribute);
}

void RWyxObjectFactory::DeleteNodeAttribute(RWyxNodeAttribute* attribute) {
    if (RWyxNode* node = attribute->GetNode()) node->SetNodeAttribute(nullptr);
    delete attribute;
}

bool RWyxObjectFactory::DestroyUserProperty(RWyxUserProperty* userProperty) {
    return DestroyRecorded(userProperties_, userProperty, Delete<RWyxUserProperty>);
}

bool RWyxObjectFactory::DestroySceneInfo(RWyxSceneInfo* sceneInfo) {
    return DestroyRecorded(sceneInfos_, sceneInfo, Delete<RWyxSceneInfo>);
}

bool RWyxObjectFactory::DestroyGeometryConverter(RWyxGeometryConverter* converter) {
    return DestroyRecorded(geometryConverters_, converter, DeleteGeometryConverter);
}

bool RWyxObjectFactory::DestroyImageConverter(RImageConverter* converter) {
    return DestroyRecorded(imageConverters_, converter, Delete<RImageConverter>);
}

bool RWyxObjectFactory::DestroyFileExporter(RWyxFileExporter* exporter) {
    return DestroyRecorded(fileExporters_, exporter, Delete<RWyxFileExporter>);
}

bool RWyxObjectFactory::DestroyFileImporter(RWyxFileImporter* importer) {
    return DestroyRecorded(fileImporters_, importer, Delete<RWyxFileImporter>);
}

void RWyxObjectFactory::DestroyAllNodes() {
    nodeNames_.Clear();
    DestroyList(nodes_, DeleteNode);
}

void RWyxObjectFactory::DestroyAll() {
    DestroyList(scenes_, Delete<RWyxScene>);
    DestroyList(nodeAttributes_, DeleteNodeAttribute);
    DestroyAllNodes();
    DestroyList(skinLinks_, DeleteSkinLink);
    DestroyAllMaterials();
    DestroyList(shapes_, DeleteShape);
    DestroyAllTextures();
    DestroyList(gobos_, DeleteGobo);
    DestroyList(poses_, DeletePose);
    DestroyList(userProperties_, Delete<RWyxUserProperty>);
    DestroyList(genericNodes_, DeleteGenericNode);
    DestroyList(thumbnails_, DeleteThumbnail);
    DestroyList(sceneInfos_, Delete<RWyxSceneInfo>);
    DestroyList(geometryConverters_, DeleteGeometryConverter);
    DestroyList(imageConverters_, Delete<RImageConverter>);
    DestroyList(fileExporters_, Delete<RWyxFileExporter>);
    DestroyList(fileImporters_, Delete<RWyxFileImporter>);
    DestroyList(deformers_, DeleteDeformer);
    for (RRenamingStrategy* strategy : {nodeStrategy_.get(), materialStrategy_.get(), textureStrategy_.get()}) {
        if (strategy != nullptr) strategy->OnFactoryObjectsDestroyed();
    }
}

// ---- finding -------------------------------------------------------------------------------------------

RWyxNode* RWyxObjectFactory::FindNode(const char* name, int occurrence) {
    return FoundOrNotFound(static_cast<RWyxNode*>(nodeNames_.Find(BuildPrefixedName("Model::", name), occurrence)));
}

RWyxUserProperty* RWyxObjectFactory::FindUserProperty(const char* name) {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < userProperties_.GetCount(); ++i) {
        RWyxUserProperty* userProperty = userProperties_.At(i);
        if (RString(userProperty->GetName()) == name) return userProperty;
    }
    return nullptr;
}

// ---- renaming strategies ---------------------------------------------------------------------------------

void RWyxObjectFactory::SetNodeRenamingStrategy(std::unique_ptr<RRenamingStrategy> strategy) {
    nodeStrategy_ = std::move(strategy);
}

void RWyxObjectFactory::SetMaterialRenamingStrategy(std::unique_ptr<RRenamingStrategy> strategy) {
    materialStrategy_ = std::move(strategy);
}

void RWyxObjectFactory::SetTextureRenamingStrategy(std::unique_ptr<RRenamingStrategy> strategy) {
    textureStrategy_ = std::move(strategy);
}

std::unique_ptr<RRenamingStrategy> RWyxObjectFactory::ReleaseNodeRenamingStrategy() { return std::move(nodeStrategy_); }

std::unique_ptr<RRenamingStrategy> RWyxObjectFactory::ReleaseMaterialRenamingStrategy() {
    return std::move(materialStrategy_);
}

std::unique_ptr<RRenamingStrategy> RWyxObjectFactory::ReleaseTextureRenamingStrategy() {
    return std::move(textureStrategy_);
}
