// The version-6 read: the order of the sections, the "Objects" dispatch, the names of the
// file's objects and the translation of the file form into the scene's in-memory form.

#include "wyxreader/RWyxSceneReaderWyx6.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RObject.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxPropertyFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "wyxreader/RWyxReadWarnings.h"
#include "wyxreader/WyxFieldReading.h"

#include <functional>
#include <iterator>

namespace {

const char* const kRootName = "Model::Scene";

std::string Key(const RString& name) { return std::string(name.Buffer(), static_cast<std::size_t>(name.GetLength())); }

}  // namespace

std::size_t RWyxSceneReaderWyx6::PlugPairHash::operator()(const std::pair<const RPlug*, const RPlug*>& pair) const {
    const std::size_t first = std::hash<const RPlug*>()(pair.first);
    return first ^ (std::hash<const RPlug*>()(pair.second) + 0x9e3779b97f4a7c15ULL + (first << 6) + (first >> 2));
}

RWyxSceneReaderWyx6::RWyxSceneReaderWyx6(RWyxPropertyFile& file, RWyxScene& scene, const RStreamOptionsWyx& options,
                                         RWyxReadWarnings& warnings)
    : RWyxSceneReaderWyx(file, scene, options, warnings) {}

RWyxSceneReaderWyx6::~RWyxSceneReaderWyx6() = default;

void RWyxSceneReaderWyx6::Read() {
    if (factory_ == nullptr) {
        Warn("The scene has no object factory: nothing was read");
        return;
    }
    ReadObjectsSection();
    ResolveCharacterLinks();
    RegisterRoot();
    ReadConnectionsSection();
    PlaceOrphans();
    TranslateBack();
    if (options_.GetFlag(RStreamOptionsWyx::kFlagTakes)) ReadTakesSection();
    ReadVersion5Section();
    ReadSummarySection();
    SelectCurrentTake(hasTakesCurrent_ ? takesCurrent_ : summaryCurrent_);
}

wyx_read::BlockScope RWyxSceneReaderWyx6::OpenMainBlock(const char* name) {
    if (!file_.ProjectOpenSection(RWyxFile::kMainSection)) return wyx_read::BlockScope::Nothing(file_);
    return wyx_read::BlockScope::Open(file_, name);
}

// ---- Objects ----------------------------------------------------------------------------------------

void RWyxSceneReaderWyx6::ReadObjectsSection() {
    const wyx_read::BlockScope block = OpenMainBlock("Objects");
    if (block) {
        // Room for every record of the block as an object (and the root, registered later),
        // so that the table is not grown record by record.
        const auto records = static_cast<std::size_t>(file_.FieldGetCount());
        objects_.reserve(objects_.size() + records + 1);
        models_.reserve(models_.size() + records);
    }
    for (int i = 0; block && i < file_.FieldGetCount(); ++i) {
        const RString field = file_.FieldGetName(i);
        if (!file_.FieldReadBeginAt(i)) continue;
        ReadRecord(field);
        file_.FieldReadEnd();
    }
}

void RWyxSceneReaderWyx6::ReadRecord(const RString& field) {
    using Reader = void (RWyxSceneReaderWyx6::*)();
    static const std::pair<const char*, Reader> kReaders[] = {
        {"Model", &RWyxSceneReaderWyx6::ReadModelRecord},
        {"GenericNode", &RWyxSceneReaderWyx6::ReadGenericNodeRecord},
        {"Pose", &RWyxSceneReaderWyx6::ReadPoseRecord},
        {"Material", &RWyxSceneReaderWyx6::ReadMaterialRecord},
        {"Deformer", &RWyxSceneReaderWyx6::ReadDeformerRecord},
        {"Texture", &RWyxSceneReaderWyx6::ReadTextureRecord},
        {"ControlSetPlug", &RWyxSceneReaderWyx6::ReadControlSetPlugRecord},
        {"Constraint", &RWyxSceneReaderWyx6::ReadCharacterRecord},
    };
    for (const auto& [name, reader] : kReaders) {
        if (field == name) {
            (this->*reader)();
            return;
        }
    }
    Warn(RString("Objects: a record \"") + field + "\" of no known kind was skipped");
}

bool RWyxSceneReaderWyx6::IsFree(const RString& name, const char* record) {
    if (Find(name) == nullptr) return true;
    Warn(RString(record) + " \"" + name + "\": a second object of this name was skipped");
    return false;
}

void RWyxSceneReaderWyx6::Register(const RString& name, Kind kind, RWyxTakeNodeContainer* object, RPlug* properties) {
    objects_.emplace(Key(name), FileObject{kind, object, properties});
}

const RWyxSceneReaderWyx6::FileObject* RWyxSceneReaderWyx6::Find(const RString& name) const {
    return Find(std::string_view(name.Buffer(), static_cast<std::size_t>(name.GetLength())));
}

const RWyxSceneReaderWyx6::FileObject* RWyxSceneReaderWyx6::Find(std::string_view name) const {
    const auto found = objects_.find(std::string(name));
    return found != objects_.end() ? &found->second : nullptr;
}

// The writer names the root "Model::Scene", or the first of "Model::Scene 1", "Model::Scene 2"
// ... that no model of the file has.
void RWyxSceneReaderWyx6::RegisterRoot() {
    RString name(kRootName);
    for (int suffix = 1; Find(name) != nullptr; ++suffix) name = RString(kRootName) + " " + RString(suffix);
    rootName_ = name;
    RWyxNode* root = scene_.GetRootNode();
    if (root != nullptr) Register(rootName_, Kind::kModel, root, root->GetProperties());
}

void RWyxSceneReaderWyx6::PlaceOrphans() {
    RWyxNode* root = scene_.GetRootNode();
    if (root == nullptr) return;
    for (RWyxNode* node : models_) {
        if (node->GetParent() != nullptr) continue;
        if (root->AddChild(node)) {
            Warn(RString("Model \"") + node->GetName() +
                 "\": no connection places it in the hierarchy; put below the root");
        } else {
            Warn(RString("Model \"") + node->GetName() +
                 "\": no connection places it and it cannot join the scene; left out");
        }
    }
}

// ---- the scene's in-memory form ------------------------------------------------------------------------

void RWyxSceneReaderWyx6::TranslateBack() {
    scene_.CollectLayerMaterials();
    scene_.CollectLayerTextures();
    scene_.BuildSkinLinksFromDeformers();
    scene_.DestroyDeformers();
    // The deformers are gone: their names name nothing from here on.
    for (auto entry = objects_.begin(); entry != objects_.end();) {
        entry = entry->second.kind == Kind::kDeformer ? objects_.erase(entry) : std::next(entry);
    }
    CheckObjectIndices();
    CheckSkinLinks();
}

// Material and texture indices (to direct) name positions among the objects connected to the
// node; one past them names nothing.
void RWyxSceneReaderWyx6::CheckObjectIndices() {
    for (RWyxNode* node : models_) {
        RWyxGeometry* geometry = node->GetGeometry();
        for (int l = 0; geometry != nullptr && l < geometry->GetLayerCount(); ++l) {
            for (const int kind : {RWyxLayerElement::kMaterial, RWyxLayerElement::kTexture}) {
                RWyxLayerElement* element = geometry->GetLayer(l)->GetElement(kind);
                if (element == nullptr || element->GetReferenceMode() != RWyxLayerElement::kIndexToDirect) continue;
                CheckDirectIndices(*element, RString("Model \"") + node->GetName() + "\", layer " + RString(l) +
                                                 (kind == RWyxLayerElement::kMaterial ? " materials" : " textures"));
            }
        }
    }
}

// Cluster indices name control points of the geometry the skin deforms.
void RWyxSceneReaderWyx6::CheckSkinLinks() {
    for (RWyxNode* node : models_) {
        RWyxGeometry* geometry = node->GetGeometry();
        for (int d = 0; geometry != nullptr && d < geometry->GetDeformerCount(); ++d) {
            RWyxSkinLink* link = geometry->GetDeformer(d);
            const int count = link->GetControlPointIndicesCount();
            std::vector<int> indices;
            std::vector<double> weights;
            for (int i = 0; i < count; ++i) {
                if (link->GetControlPointIndices()[i] >= geometry->GetControlPointsCount()) continue;
                indices.push_back(link->GetControlPointIndices()[i]);
                weights.push_back(link->GetControlPointWeights()[i]);
            }
            if (static_cast<int>(indices.size()) == count) continue;
            Warn(RString("Model \"") + node->GetName() + "\": " + RString(count - static_cast<int>(indices.size())) +
                 " cluster indices past its " + RString(geometry->GetControlPointsCount()) +
                 " control points were dropped");
            link->SetControlPoints(std::move(indices), std::move(weights));
        }
    }
}

// ---- property blocks --------------------------------------------------------------------------------------

// The record's label ("Model \"name\"") is made only for warnings.
void RWyxSceneReaderWyx6::ReadProperties(const std::vector<RObject*>& targets, RWyxSceneObject* owner,
                                         const char* recordKind, const RString& name) {
    propertyFile_.ClearMessageText();
    propertyFile_.ReadPropertyBlock(targets, owner);
    if (!propertyFile_.GetMessageText().IsEmptyText()) {
        warnings_.AddLines(propertyFile_.GetMessageText(), RString(recordKind) + " \"" + name + "\": ");
    }
    propertyFile_.ClearMessageText();
}
