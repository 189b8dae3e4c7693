#ifndef WYX_ATTRIBUTES_RWYXPOSE_H
#define WYX_ATTRIBUTES_RWYXPOSE_H

// A bind pose (type code 'b', "BindPose") or rest pose ('r', "RestPose"): the matrices of a
// set of nodes at one moment, each entry {node name, 4x4 matrix, local flag}. Named "Pose::"
// plus the given name, made by the object factory with its take "Default" and destroyed
// through it; a scene registers it (RWyxScene::AddPose) without owning it.
//
// One node has one matrix in a pose and, for bind poses, the same matrix in every bind pose
// of the scenes of its factory: Add refuses (-1) an entry that would say otherwise. Entries
// are equal when their names are equal byte for byte, their local flags agree and their
// matrices agree within kMatrixTolerance in the twelve affine elements.
//
// A bind pose keeps its factory told which node names it holds and what its first entry of
// each holds (the factory's index of them), as entries come, are renamed and go, and until it
// is destroyed: the other bind poses that hold a name are found, and compared with one group
// of alike entries at a time, without a look into each bind pose of the factory's scenes. A
// pose must not outlive its factory.

#include "attributes/RWyxPropertyOwner.h"
#include "core/RMatrix.h"
#include "core/RString.h"

#include <cstddef>
#include <vector>

class RWyxObjectFactory;
class RWyxPoseProperties;

class RWyxPose : public RWyxPropertyOwner {
public:
    static constexpr char kBindPose = 'b';
    static constexpr char kRestPose = 'r';
    static constexpr double kMatrixTolerance = 1e-6;

    // `name` is the full name.
    RWyxPose(RWyxObjectFactory* factory, const RString& name, bool bindPose);
    // Leaves the factory's index of bind poses.
    ~RWyxPose() override;

    int GetTypeId() const override { return 9; }
    // "BindPose" or "RestPose".
    RString GetTypeDescription() const override { return RString(GetTypeName()); }
    const char* GetTypeName() const { return bindPose_ ? "BindPose" : "RestPose"; }
    bool IsBindPose() const { return bindPose_; }
    // 'b' or 'r'.
    char GetPoseType() const { return bindPose_ ? kBindPose : kRestPose; }
    RWyxPoseProperties* GetProperties() const;

    // ---- entries -----------------------------------------------------------------------------
    // The index of the new entry; the index of an equal entry already there; -1 for a null
    // name, or when the node has another matrix (or flag) in this pose or, for a bind pose,
    // in another bind pose registered in a scene of the factory.
    int Add(const char* nodeName, const RMatrix& matrix, bool local);
    // The first entry of that node name; -1 when none (or for null).
    int Find(const char* nodeName) const;
    int GetCount() const { return static_cast<int>(entries_.size()); }
    // Null out of range.
    const char* GetNodeName(int index) const;
    // The identity out of range.
    const RMatrix& GetMatrix(int index) const;
    // False out of range.
    bool IsLocalMatrix(int index) const;
    // Renames entry index; false, nothing changed, out of range or for a null or empty name.
    bool SetNodeName(int index, const char* nodeName);
    // Removes entry index; false out of range.
    bool Remove(int index);

    // Every bind pose registered in a scene of the factory (each pose once, in the order of
    // the scenes and their poses) that holds an entry of that node name, with the index of the
    // first such entry. True when any was found.
    static bool FindBindPoses(const RWyxObjectFactory* factory, const char* nodeName, std::vector<RWyxPose*>& poses,
                              std::vector<int>& indices);

private:
    struct Entry {
        RString nodeName;
        RMatrix matrix;
        bool local;
        int next;  // the next entry of the same name bucket, -1 at the end
    };

    bool IsEntryIndex(int index) const { return index >= 0 && index < GetCount(); }
    static bool SameData(const RMatrix& held, bool heldLocal, const RMatrix& matrix, bool local);
    // True when another bind pose of the factory's scenes has the node with other data.
    bool ConflictsWithOtherBindPoses(const char* nodeName, const RMatrix& matrix, bool local) const;

    // ---- the factory's index of the bind poses that hold each name ------------------------------
    // Files this bind pose in the group of the name that its first entry of the name agrees
    // with; nothing when it holds none.
    void File(const char* nodeName);
    // Takes this bind pose out of the name's groups.
    void Unfile(const char* nodeName);
    // Whether a scene of the factory registers a pose another factory made: such poses are in
    // no index of this factory, and every registered pose is looked into instead.
    static bool HasForeignPoses(const RWyxObjectFactory& factory);
    static bool IsRegistered(const RWyxObjectFactory& factory, const RWyxPose& pose);
    // The look into every pose the scenes register, each once, in the order of the scenes and
    // their poses.
    static bool ScanBindPoses(const RWyxObjectFactory& factory, const char* nodeName, std::vector<RWyxPose*>& poses,
                              std::vector<int>& indices);

    // ---- the name index: buckets of entries by a hash of their names, chained through next ----
    std::size_t BucketOf(const char* nodeName) const;
    void Link(int index);
    void Unlink(int index);
    // Rebuilds every chain over bucketCount buckets (a power of two).
    void Reindex(std::size_t bucketCount);

    bool bindPose_;
    std::vector<Entry> entries_;
    std::vector<int> buckets_;  // the first entry of each bucket, -1 for none
};

#endif
