// The bind-pose pass of the import: before the deformations are made, every host transform of
// a bind pose's member is set to the member's matrix (local to its parent), and afterwards set
// back to what it was, so that skins bind in the pose the file was bound in.

#include "hostimport/ImportNodePasses.h"
#include "hostimport/MatrixPlugs.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxPose.h"
#include "core/RWyxLogFile.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RRenamingStrategy.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <string>
#include <unordered_map>

namespace {

const char* const kPreMark = "__Pre_";
const char* const kPostMark = "__Post_";
const char* const kNoBindPose = "This .wyx file does not contain a BindPose section. ";
const char* const kGoToBindPose = "Executing the command 'Go to Bind Pose' may not give the expected results.";

bool Contains(const RString& text, const char* part) { return text.FindText(part) >= 0; }

bool IsHelperMember(const RString& name) { return Contains(name, kPreMark) || Contains(name, kPostMark); }

const VDagPath* PathOf(const RWyxNode* node) {
    return node != nullptr ? static_cast<const VexaNode*>(node)->GetDagPath() : nullptr;
}

// The host transform of the node's host node; the identity when it has none.
RMatrix HostTransformOf(const RWyxNode* node) {
    RMatrix matrix;
    if (const VDagPath* path = PathOf(node)) {
        PrintStatusError(GetTransformMatrix(*path, matrix), "Cannot read the transform of a bind pose member");
    }
    return matrix;
}

std::vector<RWyxPose*> BindPosesOf(const RWyxScene& scene) {
    std::vector<RWyxPose*> poses;
    for (int i = 0; i < scene.GetPoseCount(); ++i) {
        RWyxPose* pose = scene.GetPose(i);
        if (pose != nullptr && pose->GetPoseType() == 'b') poses.push_back(pose);
    }
    return poses;
}

}  // namespace

// What the members of every bind pose are looked up in, made once for all the poses: the
// nodes of the name table by their initial names (without "Model::"), the first in key order
// for a name held twice; and the place of each node of the tree in pre-order.
struct WyxVexaImportSession::BindPoseLookups {
    std::unordered_map<std::string, VexaNode*> byName;
    PreOrderPlaces places;
};

void WyxVexaImportSession::ApplyBindPoses() {
    bindPoseLists_.clear();
    const std::vector<RWyxPose*> poses = BindPosesOf(*scene_);
    if (poses.empty()) WarnAboutMissingBindPose();
    if (GetPluginOptions()->GetBoolOption(kImportNullsToPivot) && legacyPivot_) TransferPostNodeMatrices();
    if (poses.empty()) return;
    BindPoseLookups lookups;
    for (int i = nameTable_.GetCount() - 1; i >= 0; --i) {
        auto* node = reinterpret_cast<VexaNode*>(nameTable_.ValueAt(i));
        lookups.byName[RRenamingStrategy::NameWithoutPrefix(node->GetInitialName()).Buffer()] = node;
    }
    lookups.places = PlacesInPreOrder(rootNode_);
    for (RWyxPose* pose : poses) {
        std::vector<BindPoseRecord> records = CollectBindPoseRecords(*pose, lookups);
        for (size_t k = 0; k < records.size(); ++k) {
            if (records[k].node->IsMerged()) continue;
            RMatrix local = BindPoseLocalMatrix(records, k);
            RemovePrePostRotation(*records[k].node, local);
            PrintStatusError(SetTransformFromMatrix(*records[k].node->GetDagPath(), local),
                             "Cannot set the transform of a bind pose member");
        }
        bindPoseLists_.push_back(std::move(records));
    }
}

void WyxVexaImportSession::RestoreBindPoses() {
    for (auto list = bindPoseLists_.rbegin(); list != bindPoseLists_.rend(); ++list) {
        for (const BindPoseRecord& record : *list) {
            if (record.node->IsMerged()) continue;
            PrintStatusError(SetTransformFromMatrix(*record.node->GetDagPath(), record.savedMatrix),
                             "Cannot set the transform of a bind pose member back");
        }
    }
    bindPoseLists_.clear();
}

void WyxVexaImportSession::WarnAboutMissingBindPose() {
    int deformers = 0;
    CountGeometryDeformers(rootNode_, deformers);
    if (deformers == 0 || GetPluginOptions()->GetImportMode() == WyxPluginOptions::kExclusiveMerge) return;
    if (log_ != nullptr) {
        log_->AddLine(kNoBindPose);
        log_->AddLine(kGoToBindPose);
    }
    ShowDialog("WYX import Warning", RString(kNoBindPose) + "\n" + kGoToBindPose);
}

void WyxVexaImportSession::TransferPostNodeMatrices() {
    struct PostMatrix {
        RString name;
        RMatrix matrix;
    };
    std::vector<PostMatrix> transfers;
    for (RWyxPose* pose : BindPosesOf(*scene_)) {
        for (int i = 0; i < pose->GetCount(); ++i) {
            const RString name = pose->GetNodeName(i);
            if (IsHelperMember(name)) continue;
            const int post = pose->Find((name + kPostMark).Buffer());
            transfers.push_back({name, pose->GetMatrix(post >= 0 ? post : i)});
        }
    }
    for (const PostMatrix& transfer : transfers) {
        std::vector<RWyxPose*> poses;
        std::vector<int> members;
        if (!RWyxPose::FindBindPoses(&factory_, transfer.name.Buffer(), poses, members)) continue;
        for (size_t p = 0; p < poses.size(); ++p) poses[p]->Remove(members[p]);
        for (RWyxPose* pose : poses) pose->Add(transfer.name.Buffer(), transfer.matrix, false);
    }
}

std::vector<WyxVexaImportSession::BindPoseRecord> WyxVexaImportSession::CollectBindPoseRecords(
    RWyxPose& pose, const BindPoseLookups& lookups) {
    for (int i = 0; i < pose.GetCount(); ++i) {
        if (Contains(RRenamingStrategy::NameWithoutPrefix(pose.GetNodeName(i)), "RootNode")) {
            pose.Remove(i);
            break;
        }
    }
    const auto& byName = lookups.byName;
    const bool skipHelpers = GetPluginOptions()->GetBoolOption(kImportNullsToPivot) && legacyPivot_;
    std::vector<BindPoseRecord> records;
    for (int i = 0; i < pose.GetCount(); ++i) {
        const RString name = RRenamingStrategy::NameWithoutPrefix(pose.GetNodeName(i));
        if (skipHelpers && IsHelperMember(name)) continue;
        const auto found = byName.find(name.Buffer());
        if (found == byName.end() || found->second->GetDagPath() == nullptr) continue;
        BindPoseRecord record;
        record.node = found->second;
        record.poseMatrix = pose.GetMatrix(i);
        record.savedMatrix = HostTransformOf(record.node);
        records.push_back(record);
    }
    SortPoseRecordsByHierarchy(records, lookups.places);
    return records;
}

RMatrix WyxVexaImportSession::BindPoseLocalMatrix(const std::vector<BindPoseRecord>& records, size_t index) const {
    const BindPoseRecord& record = records[index];
    const RWyxNode* parent = record.node->GetParent();
    RMatrix parentMatrix;
    bool inPose = false;
    for (size_t k = index; parent != nullptr && k-- > 0;) {
        if (records[k].node->GetInitialName() == parent->GetInitialName()) {
            parentMatrix = records[k].poseMatrix;
            inPose = true;
            break;
        }
    }
    if (!inPose && parent != nullptr && !Contains(parent->GetName(), "RootNode")) parentMatrix = HostTransformOf(parent);
    // The member's matrix is global: its local matrix is the global one, then the inverse of the
    // parent's (a point goes through the global matrix first).
    RMatrix inverse;
    MatrixInverseOrthogonal(inverse, parentMatrix);
    RMatrix local;
    MatrixMultiplyAffine(local, inverse, record.poseMatrix);
    return local;
}
