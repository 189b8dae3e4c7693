#include "attributes/RWyxGeometry.h"

#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RDataType.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <memory>
#include <utility>

namespace {

const char* const kErrorMessages[] = {
    "Index out of range.",
    "Shape is null.",
    "Skin link is null.",
    "No object factory to make copies with.",
    "Control-point index out of range.",
    "Array size does not match the geometry.",
    "Shape already added.",
    "Shape name is empty.",
    "Shape name already used.",
    "Shape channel not found.",
};

constexpr const char* kShapeDataTypeName = "Shape";

struct CurveNodeDestroyer {
    void operator()(RFCurveNode* node) const { RFCurveNode::Destroy(node); }
};
using OwnedCurveNode = std::unique_ptr<RFCurveNode, CurveNodeDestroyer>;

// The key of a name in the shape index: equal for names that compare equal ignoring case.
std::string FoldedName(const char* name) { return std::string(RString(name).ToUpperCase().Buffer()); }

bool IsInside(int index, std::size_t count) { return index >= 0 && static_cast<std::size_t>(index) < count; }

RString PreparedChannelName(int shapeIndex) {
    char text[32];
    std::snprintf(text, sizeof text, "Shape %02d", shapeIndex);
    return RString(text);
}

// Puts `replacement` at the place of the root's child `index` and answers that child, taken
// out but not deleted. The children after it are taken out and put back so that the order
// (which the writers follow) stays.
RFCurveNode* ReplaceChild(RFCurveNode& root, int index, RFCurveNode* replacement) {
    std::vector<RFCurveNode*> following;
    while (root.GetChildCount() > index + 1) {
        following.push_back(root.GetChild(index + 1));
        root.RemoveChild(index + 1);
    }
    RFCurveNode* replaced = root.GetChild(index);
    root.RemoveChild(index);
    root.AddChild(replacement);
    for (RFCurveNode* child : following) root.AddChild(child);
    return replaced;
}

// Point x 3x3 part + translation row; w is the point's own (NURBS weights live there).
void TransformKeepingW(RVector4& point, const RMatrix& matrix) {
    const double w = point.w;
    MatrixTransformPoint(point, matrix, point);
    point.w = w;
}

// The matrix that turns normals: the inverse transpose of the 3x3 part, up to a positive
// factor (the normals are made unit length afterwards). That is the cofactor matrix, whose
// rows are the cross products of the other two axis rows, signed by the determinant so that a
// mirroring pivot turns the normals round. It holds for any pivot, also one whose axis rows
// are not orthogonal (a shear), and needs no inverse: a flattened axis gives a finite matrix.
// The part is first scaled to elements of at most 1 (a positive factor, which keeps the
// directions), so that the products cannot overflow for a huge pivot.
RMatrix NormalMatrixOf(const RMatrix& matrix) {
    double largest = 0.0;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) largest = std::max(largest, std::fabs(matrix[row][column]));
    }
    const double unit = largest > 0.0 && std::isfinite(largest) ? largest : 1.0;
    RVector4 rows[3];
    for (int row = 0; row < 3; ++row) {
        rows[row] = RVector4(matrix[row][0] / unit, matrix[row][1] / unit, matrix[row][2] / unit, 0.0);
    }
    const RVector4 cofactors[3] = {rows[1].Cross3(rows[2]), rows[2].Cross3(rows[0]), rows[0].Cross3(rows[1])};
    const double sign = rows[0].Dot3(cofactors[0]) < 0.0 ? -1.0 : 1.0;
    RMatrix normals;
    for (int row = 0; row < 3; ++row) {
        normals[row][0] = sign * cofactors[row].x;
        normals[row][1] = sign * cofactors[row].y;
        normals[row][2] = sign * cofactors[row].z;
    }
    return normals;
}

void TransformNormals(RWyxLayerContainer& container, const RMatrix& normalMatrix) {
    for (int i = 0; i < container.GetLayerCount(); ++i) {
        RWyxLayerElementNormal* normals = container.GetLayer(i)->GetNormals();
        if (normals == nullptr) continue;
        for (RVector4& normal : normals->DirectArray()) {
            const double w = normal.w;
            MatrixTransformVector(normal, normalMatrix, normal);
            normal.Normalize3();
            normal.w = w;
        }
    }
}

void TransformControlPoints(RWyxLayerContainer& container, const RMatrix& pivot, const RMatrix& normalMatrix) {
    RVector4* points = container.GetControlPoints();
    for (int i = 0; i < container.GetControlPointsCount(); ++i) TransformKeepingW(points[i], pivot);
    TransformNormals(container, normalMatrix);
}

}  // namespace

struct RWyxGeometry::ShapeChannelRecord {
    RWyxTakeNode* takeNode;
    RFCurveNode* renamed;     // in the take node; only compared, never followed, until found there
    OwnedCurveNode original;  // taken out of the take node while the renamed channel is there
};

RWyxGeometry::RWyxGeometry(RWyxObjectFactory* factory)
    : RWyxLayerContainer(factory), error_(kErrorMessages, static_cast<int>(std::size(kErrorMessages))) {}

RWyxGeometry::~RWyxGeometry() = default;

// ---- pivot --------------------------------------------------------------------------------------

void RWyxGeometry::GetPivot(RMatrix& out) const { MatrixCopyAffine(out, pivot_); }

void RWyxGeometry::SetPivot(const RMatrix& matrix) { MatrixCopyAffine(pivot_, matrix); }

void RWyxGeometry::CopyPivot(const RWyxGeometry& other) { SetPivot(other.pivot_); }

void RWyxGeometry::ApplyPivotToControlPoints() {
    const RMatrix normalMatrix = NormalMatrixOf(pivot_);
    TransformControlPoints(*this, pivot_, normalMatrix);
    for (const ShapeEntry& entry : shapes_) TransformControlPoints(*entry.shape, pivot_, normalMatrix);
    pivot_.SetIdentity();
}

// ---- skin links -----------------------------------------------------------------------------------

int RWyxGeometry::AddDeformer(RWyxSkinLink* link) {
    if (link == nullptr) {
        SetError(kErrorNullSkinLink);
        return -1;
    }
    const auto present = std::find(deformers_.begin(), deformers_.end(), link);
    if (present != deformers_.end()) return static_cast<int>(present - deformers_.begin());
    deformers_.push_back(link);
    return GetDeformerCount() - 1;
}

RWyxSkinLink* RWyxGeometry::GetDeformer(int index) {
    if (!IsInside(index, deformers_.size())) {
        SetError(kErrorIndexOutOfRange);
        return nullptr;
    }
    return deformers_[static_cast<std::size_t>(index)];
}

bool RWyxGeometry::CopyDeformers(const RWyxGeometry& other) {
    if (&other == this) return true;
    RWyxObjectFactory* factory = GetFactory();
    if (factory == nullptr && !other.deformers_.empty()) {
        SetError(kErrorNoFactory);
        return false;
    }
    std::vector<RWyxSkinLink*> copies;
    for (const RWyxSkinLink* link : other.deformers_) {
        RWyxSkinLink* copy = factory->CreateSkinLink();
        if (copy == nullptr) {
            for (RWyxSkinLink* made : copies) factory->DestroySkinLink(made);
            return false;
        }
        copy->Assign(*link);
        copies.push_back(copy);
    }
    for (RWyxSkinLink* own : deformers_) {
        const bool sharedWithOther = std::find(other.deformers_.begin(), other.deformers_.end(), own) !=
                                     other.deformers_.end();
        if (factory != nullptr && !sharedWithOther) factory->DestroySkinLink(own);
    }
    deformers_ = std::move(copies);
    return true;
}

// ---- shapes ---------------------------------------------------------------------------------------------

int RWyxGeometry::AddShape(RWyxShape* shape, const char* name) {
    int refusal = -1;
    if (shape == nullptr) {
        refusal = kErrorNullShape;
    } else if (listedShapes_.count(shape) != 0) {
        refusal = kErrorShapeAlreadyAdded;
    } else if (name == nullptr || *name == '\0') {
        refusal = kErrorEmptyShapeName;
    } else if (FindShape(name) >= 0 || ChannelNameTaken(name)) {
        refusal = kErrorShapeNameUsed;
    }
    if (refusal >= 0) {
        SetError(refusal);
        return -1;
    }
    ListShape(shape, RString(name));
    for (RWyxTakeNode* takeNode : OwnerTakeNodes()) AddShapeChannel(*takeNode, shapes_.back().name);
    return GetShapeCount() - 1;
}

void RWyxGeometry::ListShape(RWyxShape* shape, const RString& name) {
    shapes_.push_back(ShapeEntry{shape, name});
    shapeOfName_.emplace(FoldedName(name.Buffer()), GetShapeCount() - 1);
    listedShapes_.insert(shape);
}

bool RWyxGeometry::ChannelNameTaken(const char* name) const {
    const RString wanted(name);
    const std::vector<RWyxTakeNode*> takeNodes = OwnerTakeNodes();
    return std::any_of(takeNodes.begin(), takeNodes.end(), [&](const RWyxTakeNode* takeNode) {
        return FindChannelNamed(*takeNode, wanted) != nullptr && FindShapeChannel(*takeNode, wanted) == nullptr;
    });
}

RWyxShape* RWyxGeometry::GetShape(int index) {
    if (!IsInside(index, shapes_.size())) {
        SetError(kErrorIndexOutOfRange);
        return nullptr;
    }
    return shapes_[static_cast<std::size_t>(index)].shape;
}

const char* RWyxGeometry::GetShapeName(int index) {
    if (!IsInside(index, shapes_.size())) {
        SetError(kErrorIndexOutOfRange);
        return nullptr;
    }
    return shapes_[static_cast<std::size_t>(index)].name.Buffer();
}

int RWyxGeometry::FindShape(const char* name) const {
    if (name == nullptr) return -1;
    const auto found = shapeOfName_.find(FoldedName(name));
    return found != shapeOfName_.end() ? found->second : -1;
}

bool RWyxGeometry::CopyShapes(const RWyxGeometry& other) {
    if (&other == this) return true;
    RWyxObjectFactory* factory = GetFactory();
    if (factory == nullptr && !other.shapes_.empty()) {
        SetError(kErrorNoFactory);
        return false;
    }
    std::vector<ShapeEntry> copies;
    for (const ShapeEntry& entry : other.shapes_) {
        RWyxShape* copy = factory->CreateShape();
        if (copy == nullptr) {
            for (const ShapeEntry& made : copies) factory->DestroyShape(made.shape);
            return false;
        }
        copy->Assign(*entry.shape);
        copies.push_back(ShapeEntry{copy, entry.name});
    }
    const std::vector<RWyxTakeNode*> takeNodes = OwnerTakeNodes();
    // The copies carry the other's names: its index answers which of ours remain.
    for (const ShapeEntry& own : shapes_) {
        if (other.FindShape(own.name.Buffer()) < 0) {
            for (RWyxTakeNode* takeNode : takeNodes) RemoveShapeChannel(*takeNode, own.name);
        }
        if (factory != nullptr && other.listedShapes_.count(own.shape) == 0) factory->DestroyShape(own.shape);
    }
    shapes_.clear();
    shapeOfName_.clear();
    listedShapes_.clear();
    for (const ShapeEntry& copy : copies) ListShape(copy.shape, copy.name);
    for (RWyxTakeNode* takeNode : takeNodes) AddChannels(*takeNode);
    return true;
}

int RWyxGeometry::GatherShapePoints(const std::vector<int>& sources, int oldCount) {
    int unfit = 0;
    for (const ShapeEntry& entry : shapes_) {
        if (entry.shape->GetControlPointsCount() != oldCount || !entry.shape->GatherControlPointData(sources)) ++unfit;
    }
    if (unfit > 0) SetError(kErrorSizeMismatch);
    return unfit;
}

// ---- deformer renumbering -------------------------------------------------------------------------------

int RWyxGeometry::MergeDeformerPoints(const std::vector<int>& oldToNew, const std::vector<int>& keptPoint) {
    int dropped = 0;
    std::vector<int> slotOfPoint(keptPoint.size(), -1);
    for (RWyxSkinLink* link : deformers_) {
        const int* indices = link->GetControlPointIndices();
        const double* weights = link->GetControlPointWeights();
        std::vector<int> newIndices;
        std::vector<double> newWeights;
        for (int i = 0; i < link->GetControlPointIndicesCount(); ++i) {
            if (!IsInside(indices[i], oldToNew.size())) {
                ++dropped;
                continue;
            }
            const int target = oldToNew[static_cast<std::size_t>(indices[i])];
            int& slot = slotOfPoint[static_cast<std::size_t>(target)];
            if (slot < 0) {
                slot = static_cast<int>(newIndices.size());
                newIndices.push_back(target);
                newWeights.push_back(weights[i]);
            } else if (keptPoint[static_cast<std::size_t>(target)] == indices[i]) {
                newWeights[static_cast<std::size_t>(slot)] = weights[i];
            }
        }
        for (const int target : newIndices) slotOfPoint[static_cast<std::size_t>(target)] = -1;
        link->SetControlPoints(std::move(newIndices), std::move(newWeights));
    }
    if (dropped > 0) SetError(kErrorControlPointIndex);
    return dropped;
}

int RWyxGeometry::ExtendDeformerPoints(const std::vector<int>& sources, int oldCount) {
    // The new points of each old point, in order: firstNew/nextNew chain them.
    std::vector<int> firstNew(static_cast<std::size_t>(oldCount), -1);
    std::vector<int> nextNew(sources.size(), -1);
    for (int n = static_cast<int>(sources.size()) - 1; n >= oldCount; --n) {
        const int source = sources[static_cast<std::size_t>(n)];
        if (!IsInside(source, firstNew.size())) continue;
        nextNew[static_cast<std::size_t>(n)] = firstNew[static_cast<std::size_t>(source)];
        firstNew[static_cast<std::size_t>(source)] = n;
    }
    int dropped = 0;
    for (RWyxSkinLink* link : deformers_) {
        std::vector<int> indices;
        std::vector<double> weights;
        const int* oldIndices = link->GetControlPointIndices();
        const double* oldWeights = link->GetControlPointWeights();
        for (int i = 0; i < link->GetControlPointIndicesCount(); ++i) {
            if (!IsInside(oldIndices[i], firstNew.size())) {
                ++dropped;
                continue;
            }
            indices.push_back(oldIndices[i]);
            weights.push_back(oldWeights[i]);
            for (int n = firstNew[static_cast<std::size_t>(oldIndices[i])]; n >= 0; n = nextNew[static_cast<std::size_t>(n)]) {
                indices.push_back(n);
                weights.push_back(oldWeights[i]);
            }
        }
        link->SetControlPoints(std::move(indices), std::move(weights));
    }
    if (dropped > 0) SetError(kErrorControlPointIndex);
    return dropped;
}

// ---- assignment -----------------------------------------------------------------------------------------

bool RWyxGeometry::AssignGeometry(const RWyxGeometry& other) {
    if (&other == this) return true;
    if (GetFactory() == nullptr && (!other.deformers_.empty() || !other.shapes_.empty())) {
        SetError(kErrorNoFactory);
        return false;
    }
    if (!CopyDeformers(other) || !CopyShapes(other)) return false;
    AssignLayerContainer(other);
    CopyPivot(other);
    return true;
}

// ---- shape channels ---------------------------------------------------------------------------------------

std::vector<RWyxTakeNode*> RWyxGeometry::OwnerTakeNodes() const {
    std::vector<RWyxTakeNode*> takeNodes;
    RWyxNode* node = GetNode();
    if (node == nullptr) return takeNodes;
    for (int i = 0; i < node->GetTakeNodeCount(); ++i) {
        if (RWyxTakeNode* takeNode = node->GetTakeNode(i)) takeNodes.push_back(takeNode);
    }
    return takeNodes;
}

// Only a channel of the shape data type: a channel of the node of the same name (a shape
// named "Visibility") is never taken for the shape's weights.
RFCurveNode* RWyxGeometry::FindShapeChannel(const RWyxTakeNode& takeNode, const RString& name) const {
    const RFCurveNode* root = takeNode.GetRootCurveNode();
    return root != nullptr ? root->GetChild(ShapeChannelIndex(*root, name)) : nullptr;
}

int RWyxGeometry::ShapeChannelIndex(const RFCurveNode& root, const RString& name) const {
    const int index = root.GetChildIndexByName(name.Buffer());
    const RFCurveNode* channel = root.GetChild(index);
    return channel != nullptr && channel->GetDataType() == RDataType::FindByName(kShapeDataTypeName) ? index : -1;
}

RFCurveNode* RWyxGeometry::FindChannelNamed(const RWyxTakeNode& takeNode, const RString& name) const {
    const RFCurveNode* root = takeNode.GetRootCurveNode();
    return root != nullptr ? root->GetChild(root->GetChildIndexByName(name.Buffer())) : nullptr;
}

void RWyxGeometry::AddShapeChannel(RWyxTakeNode& takeNode, const RString& name) const {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    if (root == nullptr || FindChannelNamed(takeNode, name) != nullptr) return;
    RFCurveNode* channel = RFCurveNode::Create(name.Buffer(), RDataType::FindByName(kShapeDataTypeName));
    channel->SetCurve(RFCurve::Create(), true);
    root->AddChild(channel);
}

// Only a channel of the shape data type goes: a node channel of the same name stays.
void RWyxGeometry::RemoveShapeChannel(RWyxTakeNode& takeNode, const RString& name) const {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    if (root != nullptr) root->DeleteChild(ShapeChannelIndex(*root, name));
}

void RWyxGeometry::AddChannels(RWyxTakeNode& takeNode) {
    for (const ShapeEntry& entry : shapes_) AddShapeChannel(takeNode, entry.name);
}

// Last shape first: its channel is among the take's last children, so that each removal leaves
// the others where they are. Which channel goes for a name does not hang on the order.
void RWyxGeometry::RemoveChannels(RWyxTakeNode& takeNode) {
    for (auto entry = shapes_.rbegin(); entry != shapes_.rend(); ++entry) RemoveShapeChannel(takeNode, entry->name);
}

RFCurve* RWyxGeometry::GetShapeChannel(RWyxTakeNode* takeNode, int index) {
    if (!IsInside(index, shapes_.size())) {
        SetError(kErrorIndexOutOfRange);
        return nullptr;
    }
    const RFCurveNode* channel =
        takeNode != nullptr ? FindShapeChannel(*takeNode, shapes_[static_cast<std::size_t>(index)].name) : nullptr;
    if (channel == nullptr || channel->GetCurve() == nullptr) {
        SetError(kErrorShapeChannelNotFound);
        return nullptr;
    }
    return channel->GetCurve();
}

// Every shape's channel is found before any is renamed, so that a shape whose own name looks
// like a version-5 name is not mistaken for another one's renamed channel.
void RWyxGeometry::PrepareShapeChannels(RWyxTakeNode& takeNode) {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    const auto ofTakeNode = [&takeNode](const ShapeChannelRecord& r) { return r.takeNode == &takeNode; };
    if (root == nullptr || std::any_of(channelRecords_.begin(), channelRecords_.end(), ofTakeNode)) return;
    std::vector<RFCurveNode*> channels;
    for (const ShapeEntry& entry : shapes_) channels.push_back(FindShapeChannel(takeNode, entry.name));
    for (std::size_t i = 0; i < channels.size(); ++i) {
        RFCurveNode* original = channels[i];
        if (original == nullptr) continue;
        const RString preparedName = PreparedChannelName(static_cast<int>(i));
        RFCurveNode* renamed = RFCurveNode::Create(preparedName.Buffer(), original->GetDataType());
        renamed->CopyFrom(*original, true);
        ReplaceChild(*root, root->GetChildIndex(original), renamed);
        channelRecords_.push_back(ShapeChannelRecord{&takeNode, renamed, OwnedCurveNode(original)});
    }
}

// A renamed channel that is no longer in the take node leaves its original to go with the
// record.
void RWyxGeometry::RestoreShapeChannels(RWyxTakeNode& takeNode) {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    for (ShapeChannelRecord& record : channelRecords_) {
        const int index = record.takeNode == &takeNode && root != nullptr ? root->GetChildIndex(record.renamed) : -1;
        if (index < 0) continue;
        record.original->CopyFrom(*record.renamed, true);
        ReplaceChild(*root, index, record.original.release());
        RFCurveNode::Destroy(record.renamed);
    }
    const auto ofTakeNode = [&takeNode](const ShapeChannelRecord& r) { return r.takeNode == &takeNode; };
    channelRecords_.erase(std::remove_if(channelRecords_.begin(), channelRecords_.end(), ofTakeNode),
                          channelRecords_.end());
}

void RWyxGeometry::ClearShapeChannelRecords() { channelRecords_.clear(); }
