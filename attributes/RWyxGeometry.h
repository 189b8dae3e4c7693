#ifndef WYX_ATTRIBUTES_RWYXGEOMETRY_H
#define WYX_ATTRIBUTES_RWYXGEOMETRY_H

// The base of the geometry attributes (mesh, NURBS, patch): on top of the control points and
// layers, the geometry's own pivot matrix, its skin links (deformers) and its blend shapes
// with their weight channels.
//
// Skin links and shapes are made by the object factory and owned by it; the geometry refers
// to them. The copy operations (CopyDeformers, CopyShapes, AssignGeometry) make new ones
// through the geometry's factory, so a copy never shares a link or a shape with its source
// and changing one never changes the other; the ones they replace are destroyed through the
// factory (unless the source still refers to them).
//
// Every shape has a weight channel (values in percent) in each take node of the owner node,
// named as the shape, of data type "Shape": made when the shape is added or the geometry is
// attached, removed when it is detached. For the version-5 writer the channels can be renamed
// "Shape 00", "Shape 01" ... on a take node for the length of a write and renamed back.
//
// Failures are values (-1, null, false) with a code on GetError().

#include "attributes/RWyxLayerContainer.h"
#include "core/RError.h"
#include "core/RMatrix.h"
#include "core/RString.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class RFCurve;
class RFCurveNode;
class RWyxObjectFactory;
class RWyxShape;
class RWyxSkinLink;
class RWyxTakeNode;

class RWyxGeometry : public RWyxLayerContainer {
public:
    // Error codes of GetError().
    static constexpr int kErrorIndexOutOfRange = 0;
    static constexpr int kErrorNullShape = 1;
    static constexpr int kErrorNullSkinLink = 2;
    static constexpr int kErrorNoFactory = 3;
    static constexpr int kErrorControlPointIndex = 4;
    static constexpr int kErrorSizeMismatch = 5;
    static constexpr int kErrorShapeAlreadyAdded = 6;
    static constexpr int kErrorEmptyShapeName = 7;
    static constexpr int kErrorShapeNameUsed = 8;
    static constexpr int kErrorShapeChannelNotFound = 9;

    ~RWyxGeometry() override;

    const RError& GetError() const { return error_; }

    // ---- pivot -----------------------------------------------------------------------------------
    // Copy the axis rows and translation row out of and into the geometry's own matrix.
    void GetPivot(RMatrix& out) const;
    void SetPivot(const RMatrix& matrix);
    const RMatrix& GetPivotMatrix() const { return pivot_; }
    void CopyPivot(const RWyxGeometry& other);
    // Bakes the pivot into the geometry: every control point (of the geometry and of its
    // shapes) becomes point x 3x3 part + translation row, its w kept; every normal is turned by
    // the inverse transpose of the 3x3 part (exact for any pivot, shears included) and made unit
    // length; a flattened pivot gives finite normals (zero where nothing is left to face). The
    // pivot is then the identity, so that nothing (a writer) applies it a second time.
    void ApplyPivotToControlPoints();

    // ---- skin links ---------------------------------------------------------------------------------
    // Answers the link's index (its present index when it is there already); -1 for null.
    int AddDeformer(RWyxSkinLink* link);
    int GetDeformerCount() const { return static_cast<int>(deformers_.size()); }
    // Null, with kErrorIndexOutOfRange, outside 0 to count - 1.
    RWyxSkinLink* GetDeformer(int index);
    // Forgets the links; destroys nothing.
    void ClearDeformers() { deformers_.clear(); }
    // Replaces the links by new copies of the other's. False, nothing changed, when there is
    // no factory to make them.
    bool CopyDeformers(const RWyxGeometry& other);

    // ---- shapes ------------------------------------------------------------------------------------------
    // Answers the new index, after making the shape's channel in every take node of the owner.
    // -1 with kErrorNullShape, kErrorShapeAlreadyAdded, kErrorEmptyShapeName, or
    // kErrorShapeNameUsed: another shape has the name (names compare ignoring case, as
    // channels are found), or a take node of the owner has a channel of that name that is not
    // a shape channel. A shape channel of the name already there becomes the shape's.
    int AddShape(RWyxShape* shape, const char* name);
    int GetShapeCount() const { return static_cast<int>(shapes_.size()); }
    // Null, with kErrorIndexOutOfRange, outside 0 to count - 1.
    RWyxShape* GetShape(int index);
    const char* GetShapeName(int index);
    // The index of the shape of that name (ignoring case); -1 when none.
    int FindShape(const char* name) const;
    // Replaces the shapes by new copies of the other's, under the same names. Channels of
    // names that remain are kept with their curves. False, nothing changed, without a factory.
    bool CopyShapes(const RWyxGeometry& other);

    // The weight curve of shape index in the take node; null with kErrorIndexOutOfRange for a
    // bad index, kErrorShapeChannelNotFound when the take node lacks the channel.
    RFCurve* GetShapeChannel(RWyxTakeNode* takeNode, int index);

    // The version-5 writer's helpers. Prepare renames each shape's channel in the take node to
    // "Shape %02d" (its index) and records what it did (a take node prepared already is left
    // alone); Restore gives the take node's channels their names back; ClearShapeChannelRecords
    // forgets all records (the renamed channels keep their curves).
    void PrepareShapeChannels(RWyxTakeNode& takeNode);
    void RestoreShapeChannels(RWyxTakeNode& takeNode);
    void ClearShapeChannelRecords();

    // ---- channels of the owner's take nodes --------------------------------------------------------------
    // The shapes' channels the take node lacks.
    void AddChannels(RWyxTakeNode& takeNode) override;
    // Deletes the shapes' channels.
    void RemoveChannels(RWyxTakeNode& takeNode) override;

protected:
    explicit RWyxGeometry(RWyxObjectFactory* factory);

    // The geometry part of the other: control points, layers, pivot, copies of its skin links
    // and shapes. False, nothing changed, when links or shapes cannot be copied.
    bool AssignGeometry(const RWyxGeometry& other);

    void SetError(int code) { error_.SetErrorCode(code); }

    // Control-point renumbering for the mesh's merge and unweld.
    // Merge: every pair (k, w) of every link moves to oldToNew[k]; when several pairs of a link
    // land on one point, the pair of the point that is kept (keptPoint[new] == k) wins, else the
    // first. Unweld: every pair (k, w) is also given to each new point n >= oldCount with
    // sources[n] == k. Pairs whose index lies outside the old points are dropped. Both answer
    // the number of pairs dropped.
    int MergeDeformerPoints(const std::vector<int>& oldToNew, const std::vector<int>& keptPoint);
    int ExtendDeformerPoints(const std::vector<int>& sources, int oldCount);
    // GatherControlPointData on every shape whose point count is oldCount; answers the number
    // of shapes that did not fit (left as they were).
    int GatherShapePoints(const std::vector<int>& sources, int oldCount);

private:
    struct ShapeEntry {
        RWyxShape* shape;
        RString name;
    };
    struct ShapeChannelRecord;

    // The shape channel's curve node in the take node; null when missing.
    RFCurveNode* FindShapeChannel(const RWyxTakeNode& takeNode, const RString& name) const;
    // The place among the root's children of the channel of the shape type found by the name; -1.
    int ShapeChannelIndex(const RFCurveNode& root, const RString& name) const;
    // The take node's channel of that name, whatever its kind; null when none.
    RFCurveNode* FindChannelNamed(const RWyxTakeNode& takeNode, const RString& name) const;
    // True when a take node of the owner has a channel of that name that is not a shape
    // channel (the node's own, such as "Visibility"). A shape channel of the name (one read
    // from a file before its shape was added) is the shape's to take.
    bool ChannelNameTaken(const char* name) const;
    void AddShapeChannel(RWyxTakeNode& takeNode, const RString& name) const;
    void RemoveShapeChannel(RWyxTakeNode& takeNode, const RString& name) const;
    // Every take node of the owner node, in order (none when detached).
    std::vector<RWyxTakeNode*> OwnerTakeNodes() const;
    // Lists a shape at the end of shapes_ and in the indexes beside it.
    void ListShape(RWyxShape* shape, const RString& name);

    RError error_;
    RMatrix pivot_;
    std::vector<RWyxSkinLink*> deformers_;
    std::vector<ShapeEntry> shapes_;
    // Beside shapes_ (kept with every change of it): the index of each shape name folded to
    // upper case, as names compare ignoring case, and the shapes listed.
    std::unordered_map<std::string, int> shapeOfName_;
    std::unordered_set<const RWyxShape*> listedShapes_;
    std::vector<ShapeChannelRecord> channelRecords_;
};

#endif
