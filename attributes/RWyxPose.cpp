#include "attributes/RWyxPose.h"

#include "attributes/RWyxPoseProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

// The fewest buckets of a name index.
constexpr std::size_t kMinBuckets = 8;

}  // namespace

RWyxPose::RWyxPose(RWyxObjectFactory* factory, const RString& name, bool bindPose)
    : RWyxPropertyOwner(factory, name), bindPose_(bindPose) {
    AdoptProperties(RWyxPoseProperties::Create(this));
}

RWyxPose::~RWyxPose() {
    for (const Entry& entry : entries_) Unfile(entry.nodeName.Buffer());
}

RWyxPoseProperties* RWyxPose::GetProperties() const {
    return static_cast<RWyxPoseProperties*>(GetOwnedProperties());
}

// ---- entries ---------------------------------------------------------------------------------------

bool RWyxPose::SameData(const RMatrix& held, bool heldLocal, const RMatrix& matrix, bool local) {
    return heldLocal == local && MatrixCompare(held, matrix, kMatrixTolerance) == 0;
}

int RWyxPose::Add(const char* nodeName, const RMatrix& matrix, bool local) {
    if (nodeName == nullptr) return -1;
    const int present = Find(nodeName);
    if (present >= 0) {
        const Entry& held = entries_[static_cast<size_t>(present)];
        return SameData(held.matrix, held.local, matrix, local) ? present : -1;
    }
    if (bindPose_ && ConflictsWithOtherBindPoses(nodeName, matrix, local)) return -1;
    Entry entry{RString(nodeName), RMatrix(), local, -1};
    entry.matrix.AssignAll(matrix);
    entries_.push_back(entry);
    // At most one entry per bucket on average: the index doubles as the entries grow.
    if (entries_.size() > buckets_.size()) {
        Reindex(std::max(kMinBuckets, 2 * buckets_.size()));
    } else {
        Link(GetCount() - 1);
    }
    // The pose held no entry of the name: the new one is its first.
    File(nodeName);
    return GetCount() - 1;
}

bool RWyxPose::ConflictsWithOtherBindPoses(const char* nodeName, const RMatrix& matrix, bool local) const {
    const RWyxObjectFactory* factory = GetFactory();
    if (factory == nullptr) return false;
    if (HasForeignPoses(*factory)) {
        std::vector<RWyxPose*> poses;
        std::vector<int> indices;
        ScanBindPoses(*factory, nodeName, poses, indices);
        for (size_t i = 0; i < poses.size(); ++i) {
            const Entry& held = poses[i]->entries_[static_cast<size_t>(indices[i])];
            if (poses[i] != this && !SameData(held.matrix, held.local, matrix, local)) return true;
        }
        return false;
    }
    const auto groups = factory->bindPoseHolders_.find(nodeName);
    if (groups == factory->bindPoseHolders_.end()) return false;
    // A group that agrees agrees for each of its poses; of one that does not, a registered pose
    // conflicts. This pose holds no entry of the name, so it is in no group.
    for (const RWyxObjectFactory::BindPoseGroup& group : groups->second) {
        if (SameData(group.matrix, group.local, matrix, local)) continue;
        for (const RWyxPose* pose : group.poses) {
            if (IsRegistered(*factory, *pose)) return true;
        }
    }
    return false;
}

int RWyxPose::Find(const char* nodeName) const {
    if (nodeName == nullptr || buckets_.empty()) return -1;
    // A renamed entry can share its name with another: the first of them answers.
    int first = -1;
    for (int i = buckets_[BucketOf(nodeName)]; i >= 0; i = entries_[static_cast<size_t>(i)].next) {
        if ((first < 0 || i < first) && std::strcmp(entries_[static_cast<size_t>(i)].nodeName.Buffer(), nodeName) == 0) {
            first = i;
        }
    }
    return first;
}

const char* RWyxPose::GetNodeName(int index) const {
    return IsEntryIndex(index) ? entries_[static_cast<size_t>(index)].nodeName.Buffer() : nullptr;
}

const RMatrix& RWyxPose::GetMatrix(int index) const {
    return IsEntryIndex(index) ? entries_[static_cast<size_t>(index)].matrix : RMatrix::Identity();
}

bool RWyxPose::IsLocalMatrix(int index) const {
    return IsEntryIndex(index) && entries_[static_cast<size_t>(index)].local;
}

bool RWyxPose::SetNodeName(int index, const char* nodeName) {
    if (!IsEntryIndex(index) || nodeName == nullptr || *nodeName == '\0') return false;
    const RString old = entries_[static_cast<size_t>(index)].nodeName;
    Unlink(index);
    entries_[static_cast<size_t>(index)].nodeName = nodeName;
    Link(index);
    // The first entry of either name may be another now.
    const char* renamed = entries_[static_cast<size_t>(index)].nodeName.Buffer();
    Unfile(old.Buffer());
    File(old.Buffer());
    Unfile(renamed);
    File(renamed);
    return true;
}

bool RWyxPose::Remove(int index) {
    if (!IsEntryIndex(index)) return false;
    const RString old = entries_[static_cast<size_t>(index)].nodeName;
    entries_.erase(entries_.begin() + index);
    // The later entries moved down by one: the chains are rebuilt, as the erase moved them anyway.
    Reindex(buckets_.size());
    Unfile(old.Buffer());
    File(old.Buffer());
    return true;
}

// ---- the name index ----------------------------------------------------------------------------------

std::size_t RWyxPose::BucketOf(const char* nodeName) const {
    return std::hash<std::string_view>()(std::string_view(nodeName)) & (buckets_.size() - 1);
}

void RWyxPose::Link(int index) {
    Entry& entry = entries_[static_cast<size_t>(index)];
    int& head = buckets_[BucketOf(entry.nodeName.Buffer())];
    entry.next = head;
    head = index;
}

void RWyxPose::Unlink(int index) {
    int* link = &buckets_[BucketOf(entries_[static_cast<size_t>(index)].nodeName.Buffer())];
    while (*link != index) {
        link = &entries_[static_cast<size_t>(*link)].next;
    }
    *link = entries_[static_cast<size_t>(index)].next;
}

void RWyxPose::Reindex(std::size_t bucketCount) {
    buckets_.assign(bucketCount, -1);
    for (int i = 0; i < GetCount(); ++i) {
        Link(i);
    }
}

// ---- the factory's index of the bind poses that hold each name -------------------------------------------

void RWyxPose::File(const char* nodeName) {
    RWyxObjectFactory* factory = GetFactory();
    const int first = Find(nodeName);
    if (!bindPose_ || factory == nullptr || first < 0) return;
    const Entry& entry = entries_[static_cast<size_t>(first)];
    std::vector<RWyxObjectFactory::BindPoseGroup>& groups = factory->bindPoseHolders_[nodeName];
    for (RWyxObjectFactory::BindPoseGroup& group : groups) {
        if (group.local == entry.local && MatrixCompare(group.matrix, entry.matrix, 0.0) == 0) {
            group.poses.push_back(this);
            return;
        }
    }
    groups.emplace_back();
    groups.back().matrix.AssignAll(entry.matrix);
    groups.back().local = entry.local;
    groups.back().poses.push_back(this);
}

void RWyxPose::Unfile(const char* nodeName) {
    RWyxObjectFactory* factory = GetFactory();
    if (!bindPose_ || factory == nullptr) return;
    const auto found = factory->bindPoseHolders_.find(nodeName);
    if (found == factory->bindPoseHolders_.end()) return;  // a name held twice, left already
    std::vector<RWyxObjectFactory::BindPoseGroup>& groups = found->second;
    for (auto group = groups.begin(); group != groups.end(); ++group) {
        const auto place = std::find(group->poses.begin(), group->poses.end(), this);
        if (place == group->poses.end()) continue;
        group->poses.erase(place);
        if (group->poses.empty()) groups.erase(group);
        break;
    }
    if (groups.empty()) factory->bindPoseHolders_.erase(found);
}

bool RWyxPose::HasForeignPoses(const RWyxObjectFactory& factory) {
    for (int s = 0; s < factory.GetSceneCount(); ++s) {
        if (factory.GetScene(s)->GetForeignPoseCount() > 0) return true;
    }
    return false;
}

bool RWyxPose::IsRegistered(const RWyxObjectFactory& factory, const RWyxPose& pose) {
    for (int s = 0; s < factory.GetSceneCount(); ++s) {
        if (factory.GetScene(s)->GetPoseIndex(&pose) >= 0) return true;
    }
    return false;
}

bool RWyxPose::ScanBindPoses(const RWyxObjectFactory& factory, const char* nodeName, std::vector<RWyxPose*>& poses,
                             std::vector<int>& indices) {
    for (int s = 0; s < factory.GetSceneCount(); ++s) {
        const RWyxScene* scene = factory.GetScene(s);
        for (int p = 0; p < scene->GetPoseCount(); ++p) {
            RWyxPose* pose = scene->GetPose(p);
            if (pose == nullptr || !pose->IsBindPose()) continue;
            if (std::find(poses.begin(), poses.end(), pose) != poses.end()) continue;
            const int index = pose->Find(nodeName);
            if (index < 0) continue;
            poses.push_back(pose);
            indices.push_back(index);
        }
    }
    return !poses.empty();
}

// ---- the look-up over a factory's scenes ----------------------------------------------------------------

bool RWyxPose::FindBindPoses(const RWyxObjectFactory* factory, const char* nodeName, std::vector<RWyxPose*>& poses,
                             std::vector<int>& indices) {
    poses.clear();
    indices.clear();
    if (factory == nullptr || nodeName == nullptr) return false;
    if (HasForeignPoses(*factory)) return ScanBindPoses(*factory, nodeName, poses, indices);
    const auto groups = factory->bindPoseHolders_.find(nodeName);
    if (groups == factory->bindPoseHolders_.end()) return false;
    // Each registered holder at the first scene that registers it and its index there: in that
    // order a look into every scene meets them.
    struct Registration {
        int scene;
        int index;
        RWyxPose* pose;
    };
    std::vector<Registration> found;
    for (const RWyxObjectFactory::BindPoseGroup& group : groups->second) {
        for (RWyxPose* pose : group.poses) {
            for (int s = 0; s < factory->GetSceneCount(); ++s) {
                const int index = factory->GetScene(s)->GetPoseIndex(pose);
                if (index < 0) continue;
                found.push_back({s, index, pose});
                break;
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const Registration& a, const Registration& b) {
        return a.scene != b.scene ? a.scene < b.scene : a.index < b.index;
    });
    for (const Registration& registration : found) {
        poses.push_back(registration.pose);
        indices.push_back(registration.pose->Find(nodeName));
    }
    return !poses.empty();
}
