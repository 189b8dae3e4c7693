// The transforms of a node: its local values, its two pivot sets and their pivot global
// transforms, the plain local and global matrices of the default take and of the current
// take at a time with their caches, the evaluated matrices that hierarchy walkers fill once
// per time step, and the copying of pivots and limits between the pivot sets and the node
// properties around reading and writing files.
//
// Cache validity: every cached transform records the stamp it was computed under. The transform
// stamp is the sum of two counters that only grow: the scene's (moved by the "Lcl" setters, by
// value changes of the node properties, by parenting and by take selection) and the curves'
// (moved by every curve edit, RFCurve::GetEditCountOfAllCurves). The plain matrices keep it. The
// pivot global transforms keep the pivot transform stamp, which adds a third counter, moved by
// every pivot-set setter: a pivot change leaves the plain matrices cached, which read no pivot
// value, so a walker that sets pivots node by node (the limits taken from the default pose) does
// not rebuild every global matrix from the root. A change costs one counter step, and a cache is
// recomputed on its next use once anything it reads may have changed.
//
// Every walk along the parents or over a subtree runs on an explicit list, so a hierarchy of
// any depth is safe, and a stale global matrix is recomputed from the nearest ancestor whose
// own one is current.

#include "scene/RWyxNode.h"

#include "core/EulerAngles.h"
#include "core/RProperty.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxPivotSet.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <variant>
#include <vector>

namespace {

const char* const kTranslationProperty = "Lcl Translation";
const char* const kRotationProperty = "Lcl Rotation";
const char* const kScalingProperty = "Lcl Scaling";
const char* const kChannelNames[3] = {"T", "R", "S"};

// Above this distance from its default a pivot value read from a file counts as set.
constexpr double kPivotTolerance = 1e-6;

// The scene's half of the transform stamp.
std::atomic<std::uint64_t> sceneTransformEdits{0};
// What the pivot transform stamp adds: the edits of pivot-set values.
std::atomic<std::uint64_t> pivotSetEdits{0};

void CountPivotSetEdit() { pivotSetEdits.fetch_add(1, std::memory_order_relaxed); }

RVector4 StartValue(int channel) {
    return channel == 2 ? RVector4(1.0, 1.0, 1.0, 0.0) : RVector4(0.0, 0.0, 0.0, 0.0);
}

// x, y and z of the vector property; false, out untouched, without it.
bool ReadVectorProperty(const RWyxNodeProperties& properties, const char* name, RVector4& out) {
    const RProperty* property = properties.FindProperty(name);
    if (property == nullptr) return false;
    const RPropertyValue value = property->GetValue();
    const RVector4* vector = std::get_if<RVector4>(&value);
    if (vector == nullptr) return false;
    out.x = vector->x;
    out.y = vector->y;
    out.z = vector->z;
    return true;
}

void WriteVectorProperty(RWyxNodeProperties& properties, const char* name, const RVector4& value) {
    // The properties object tells of the change (which moves the transform stamp).
    if (RProperty* property = properties.FindProperty(name)) property->SetValue(value);
}

void SetPivotVector(RWyxNodeProperties& properties, int set, RVector4 RWyxPivotSet::*field, const RVector4& value) {
    RWyxPivotSet* pivots = properties.GetPivotSet(set);
    if (pivots == nullptr) return;
    pivots->*field = value;
    CountPivotSetEdit();
}

const RVector4* PivotVector(const RWyxNodeProperties& properties, int set, RVector4 RWyxPivotSet::*field) {
    const RWyxPivotSet* pivots = properties.GetPivotSet(set);
    return pivots != nullptr ? &(pivots->*field) : nullptr;
}

RMatrix RotationMatrix(const RVector4& degrees) {
    RMatrix rotation;
    EulerVectorXYZToMatrix(rotation, degrees);
    return rotation;
}

// vector times the transpose of the 3x3 part: component j is row j dotted with the vector.
RVector4 TimesTransposed(const RVector4& vector, const RMatrix& matrix) {
    double out[3];
    for (int row = 0; row < 3; ++row) {
        out[row] = vector.x * matrix[row][0] + vector.y * matrix[row][1] + vector.z * matrix[row][2];
    }
    return RVector4(out[0], out[1], out[2], 0.0);
}

RVector4 Sum3(const RVector4& a, const RVector4& b) { return RVector4(a.x + b.x, a.y + b.y, a.z + b.z, a.w); }

RVector4 Difference3(const RVector4& a, const RVector4& b) { return RVector4(a.x - b.x, a.y - b.y, a.z - b.z, a.w); }

bool IsCurrent(const RWyxPivotSet& pivots) {
    return pivots.cacheValid != 0 && pivots.cacheStamp == RWyxNode::GetPivotTransformStamp();
}

RWyxPivotSet& PivotSetOf(const RWyxNode& node, int set) { return *node.GetProperties()->GetPivotSet(set); }

// The pivot global transform of one node, its parent's being current (see the header).
void ComputePivotGlobal(RWyxNode& node, int set) {
    RWyxPivotSet& pivots = PivotSetOf(node, set);
    const RWyxNode* parent = node.GetParent();
    const RWyxPivotSet* parentPivots = parent != nullptr ? &PivotSetOf(*parent, set) : nullptr;

    RVector4 translation = StartValue(0);
    RVector4 rotation = StartValue(1);
    RVector4 scaling = StartValue(2);
    node.GetDefaultTranslation(translation);
    node.GetDefaultRotation(rotation);
    node.GetDefaultScaling(scaling);

    const bool inUse = pivots.IsInUse();
    if (inUse) translation = Sum3(translation, pivots.rotationPivot);
    if (parentPivots != nullptr && parentPivots->IsInUse()) {
        // The parent's rotation pivot, which its own translation carries, is taken back out.
        const RVector4 compensation =
            TimesTransposed(parentPivots->rotationPivot, RotationMatrix(parentPivots->postRotation));
        translation = Difference3(translation, compensation);
    }
    RMatrix preRotation;
    RMatrix postRotation;
    if (inUse) {
        translation = Sum3(translation, pivots.rotationOffset);
        preRotation = RotationMatrix(pivots.preRotation);
        postRotation = RotationMatrix(pivots.postRotation);
    }
    // Scaling, then post-rotation, rotation, pre-rotation and translation.
    RMatrix local;
    ScaleMatrixRows(local, postRotation, scaling);
    MatrixMultiplyRotation(local, RotationMatrix(rotation), local);
    MatrixMultiplyRotation(local, preRotation, local);
    MatrixSetTranslation(local, translation.x, translation.y, translation.z);

    if (parentPivots != nullptr) {
        MatrixMultiplyAffine(pivots.pivotGlobalTransform, parentPivots->pivotGlobalTransform, local);
    } else {
        MatrixCopyAffine(pivots.pivotGlobalTransform, local);
    }
    pivots.cacheValid = 1;
    pivots.cacheStamp = RWyxNode::GetPivotTransformStamp();
}

// Calls visit(node) for the node and, with recursive, for every node below it, each before
// its children.
template <typename Visit>
void ForSubtree(RWyxNode& top, bool recursive, Visit visit) {
    if (!recursive) {
        visit(top);
        return;
    }
    std::vector<RWyxNode*> pending{&top};
    while (!pending.empty()) {
        RWyxNode* node = pending.back();
        pending.pop_back();
        visit(*node);
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            if (RWyxNode* child = node->GetChild(i)) pending.push_back(child);
        }
    }
}

// Runs fill over a buffer of `count` values (on the stack for the usual few), then takes the
// first three into x, y and z of value; the components it has no value for stay as they are.
template <typename Fill>
void TakeChannelValues(int count, RVector4& value, Fill fill) {
    if (count <= 0) return;
    constexpr int kInlineCount = 8;
    double inlineValues[kInlineCount];
    std::vector<double> heapValues;
    double* values = inlineValues;
    if (count > kInlineCount) {
        heapValues.resize(static_cast<size_t>(count));
        values = heapValues.data();
    }
    fill(values);
    for (int i = 0; i < std::min(count, 3); ++i) *value.Component(i) = values[i];
}

RMatrix ComposeLocal(const RVector4& translation, const RVector4& rotation, const RVector4& scaling) {
    RMatrix local;
    MatrixFromTRS(local, translation, rotation, scaling, 0);
    return local;
}

}  // namespace

// ---- the transform stamp -------------------------------------------------------------------------

std::uint64_t RWyxNode::GetTransformStamp() {
    return sceneTransformEdits.load(std::memory_order_relaxed) + RFCurve::GetEditCountOfAllCurves();
}

std::uint64_t RWyxNode::GetPivotTransformStamp() {
    return GetTransformStamp() + pivotSetEdits.load(std::memory_order_relaxed);
}

void RWyxNode::InvalidateTransformCaches() { sceneTransformEdits.fetch_add(1, std::memory_order_relaxed); }

RWyxNode::MatrixCache& RWyxNode::Current(MatrixCache& cache) {
    const std::uint64_t stamp = GetTransformStamp();
    if (cache.stamp != stamp) {
        cache.Reset();
        cache.channelTake = nullptr;
        cache.stamp = stamp;
    }
    return cache;
}

// ---- local values ----------------------------------------------------------------------------------

void RWyxNode::SetDefaultTranslation(const RVector4& value) {
    WriteVectorProperty(*properties_, kTranslationProperty, value);
}

RVector4& RWyxNode::GetDefaultTranslation(RVector4& out) const {
    ReadVectorProperty(*properties_, kTranslationProperty, out);
    return out;
}

void RWyxNode::SetDefaultRotation(const RVector4& value) { WriteVectorProperty(*properties_, kRotationProperty, value); }

RVector4& RWyxNode::GetDefaultRotation(RVector4& out) const {
    ReadVectorProperty(*properties_, kRotationProperty, out);
    return out;
}

void RWyxNode::SetDefaultScaling(const RVector4& value) { WriteVectorProperty(*properties_, kScalingProperty, value); }

RVector4& RWyxNode::GetDefaultScaling(RVector4& out) const {
    ReadVectorProperty(*properties_, kScalingProperty, out);
    return out;
}

// ---- pivot sets --------------------------------------------------------------------------------------

void RWyxNode::SetPivotState(int set, int state) {
    if (RWyxPivotSet* pivots = properties_->GetPivotSet(set)) {
        pivots->pivotState = state;
        CountPivotSetEdit();
    }
}

int& RWyxNode::GetPivotState(int set, int& out) const {
    if (const RWyxPivotSet* pivots = properties_->GetPivotSet(set)) out = pivots->pivotState;
    return out;
}

void RWyxNode::SetRotationOrder(int set, int order) {
    if (RWyxPivotSet* pivots = properties_->GetPivotSet(set)) {
        pivots->rotationOrder = order;
        CountPivotSetEdit();
    }
}

int& RWyxNode::GetRotationOrder(int set, int& out) const {
    if (const RWyxPivotSet* pivots = properties_->GetPivotSet(set)) out = pivots->rotationOrder;
    return out;
}

void RWyxNode::SetRotationSpaceForLimitOnly(int set, bool flag) {
    if (RWyxPivotSet* pivots = properties_->GetPivotSet(set)) {
        pivots->rotationSpaceForLimitOnly = flag ? 1 : 0;
        CountPivotSetEdit();
    }
}

bool RWyxNode::GetRotationSpaceForLimitOnly(int set) const {
    const RWyxPivotSet* pivots = properties_->GetPivotSet(set);
    return pivots != nullptr && pivots->rotationSpaceForLimitOnly != 0;
}

void RWyxNode::SetRotationOffset(int set, double x, double y, double z, double w) {
    SetPivotVector(*properties_, set, &RWyxPivotSet::rotationOffset, RVector4(x, y, z, w));
}

const RVector4* RWyxNode::GetRotationOffset(int set) const {
    return PivotVector(*properties_, set, &RWyxPivotSet::rotationOffset);
}

void RWyxNode::SetRotationPivot(int set, double x, double y, double z, double w) {
    SetPivotVector(*properties_, set, &RWyxPivotSet::rotationPivot, RVector4(x, y, z, w));
}

const RVector4* RWyxNode::GetRotationPivot(int set) const {
    return PivotVector(*properties_, set, &RWyxPivotSet::rotationPivot);
}

void RWyxNode::SetPreRotation(int set, double x, double y, double z, double w) {
    SetPivotVector(*properties_, set, &RWyxPivotSet::preRotation, RVector4(x, y, z, w));
}

const RVector4* RWyxNode::GetPreRotation(int set) const {
    return PivotVector(*properties_, set, &RWyxPivotSet::preRotation);
}

void RWyxNode::SetPostRotation(int set, double x, double y, double z, double w) {
    SetPivotVector(*properties_, set, &RWyxPivotSet::postRotation, RVector4(x, y, z, w));
}

const RVector4* RWyxNode::GetPostRotation(int set) const {
    return PivotVector(*properties_, set, &RWyxPivotSet::postRotation);
}

void RWyxNode::SetScalingOffset(int set, double x, double y, double z, double w) {
    SetPivotVector(*properties_, set, &RWyxPivotSet::scalingOffset, RVector4(x, y, z, w));
}

const RVector4* RWyxNode::GetScalingOffset(int set) const {
    return PivotVector(*properties_, set, &RWyxPivotSet::scalingOffset);
}

void RWyxNode::SetScalingPivot(int set, double x, double y, double z, double w) {
    SetPivotVector(*properties_, set, &RWyxPivotSet::scalingPivot, RVector4(x, y, z, w));
}

const RVector4* RWyxNode::GetScalingPivot(int set) const {
    return PivotVector(*properties_, set, &RWyxPivotSet::scalingPivot);
}

RVector4& RWyxNode::GetGeometricTranslation(RVector4& out, int set) const {
    if (const RVector4* value = PivotVector(*properties_, set, &RWyxPivotSet::geometricTranslation)) out = *value;
    return out;
}

RVector4& RWyxNode::GetGeometricRotation(RVector4& out, int set) const {
    if (const RVector4* value = PivotVector(*properties_, set, &RWyxPivotSet::geometricRotation)) out = *value;
    return out;
}

RVector4& RWyxNode::GetGeometricScaling(RVector4& out, int set) const {
    if (const RVector4* value = PivotVector(*properties_, set, &RWyxPivotSet::geometricScaling)) out = *value;
    return out;
}

// ---- pivot global transforms ----------------------------------------------------------------------

const RMatrix* RWyxNode::GetPivotGlobalTransform(int set, bool force) {
    RWyxPivotSet* pivots = properties_->GetPivotSet(set);
    if (pivots == nullptr) return nullptr;
    if (force) {
        RWyxNode* top = this;
        while (RWyxNode* parent = top->GetParent()) top = parent;
        ForSubtree(*top, true, [set](RWyxNode& node) { ComputePivotGlobal(node, set); });
    } else if (!IsCurrent(*pivots)) {
        // This node and its ancestors up to the nearest current one, computed from the top.
        std::vector<RWyxNode*> stale{this};
        for (RWyxNode* node = GetParent(); node != nullptr && !IsCurrent(PivotSetOf(*node, set));
             node = node->GetParent()) {
            stale.push_back(node);
        }
        for (auto node = stale.rbegin(); node != stale.rend(); ++node) ComputePivotGlobal(**node, set);
    }
    return &pivots->pivotGlobalTransform;
}

RVector4& RWyxNode::GetPivotGlobalTranslation(RVector4& out, int set, bool force) {
    if (const RMatrix* transform = GetPivotGlobalTransform(set, force)) out = transform->GetTranslation();
    return out;
}

RVector4& RWyxNode::GetPivotGlobalRotation(RVector4& out, int set, bool force) {
    // The rows are normalised with a zero row kept at zero, so zero scaling gives finite angles.
    if (const RMatrix* transform = GetPivotGlobalTransform(set, force)) MatrixToEulerRotation(out, *transform);
    return out;
}

RVector4& RWyxNode::GetPivotGlobalScaling(RVector4& out, int set, bool force) {
    if (const RMatrix* transform = GetPivotGlobalTransform(set, force)) MatrixToScaling(out, *transform);
    return out;
}

// ---- plain matrices --------------------------------------------------------------------------------

void RWyxNode::FindChannels(MatrixCache& cache, const RWyxTakeNode& takeNode, bool defaults) {
    if (cache.channelTake == &takeNode) return;
    const RFCurveNode* root = takeNode.GetRootCurveNode();
    for (int i = 0; i < 3; ++i) {
        RFCurveNode* channel = root != nullptr ? root->FindByPath(kChannelNames[i]) : nullptr;
        cache.channels[i] = channel;
        cache.channelValueCounts[i] =
            channel == nullptr ? 0 : (defaults ? channel->GetRawValueCount() : channel->GetValueCount());
    }
    cache.channelTake = &takeNode;
}

const RMatrix& RWyxNode::DefaultLocal() {
    MatrixCache& cache = Current(Evaluation().defaultTake);
    if (cache.localValid) return cache.local;
    RVector4 values[3] = {StartValue(0), StartValue(1), StartValue(2)};
    if (const RWyxTakeNode* takeNode = GetDefaultTakeNode()) {
        FindChannels(cache, *takeNode, true);
        for (int i = 0; i < 3; ++i) {
            if (const RFCurveNode* channel = cache.channels[i]) {
                TakeChannelValues(cache.channelValueCounts[i], values[i],
                                  [channel](double* out) { channel->GetDefaultValues(out); });
            }
        }
    }
    cache.local = ComposeLocal(values[0], values[1], values[2]);
    cache.localValid = true;
    return cache.local;
}

const RMatrix& RWyxNode::LocalAt(RTime time) {
    MatrixCache& cache = Current(Evaluation().currentTake);
    if (cache.localValid && cache.localTime == time) return cache.local;
    RVector4 values[3] = {StartValue(0), StartValue(1), StartValue(2)};
    if (GetCurrentTakeNodeIndex() >= 0) {
        if (const RWyxTakeNode* takeNode = GetCurrentTakeNode()) {
            FindChannels(cache, *takeNode, false);
            for (int i = 0; i < 3; ++i) {
                RFCurveNode* channel = cache.channels[i];
                if (channel == nullptr) continue;
                // This cache is the one that counts: the curve node's own cache would answer the
                // values of the same time from before an edit.
                int* hint = &cache.curveHints[i];
                TakeChannelValues(cache.channelValueCounts[i], values[i],
                                  [channel, time, hint](double* out) { channel->Evaluate(out, time, hint, false); });
            }
        }
    }
    cache.local = ComposeLocal(values[0], values[1], values[2]);
    cache.localTime = time;
    cache.localValid = true;
    return cache.local;
}

const RMatrix& RWyxNode::DefaultGlobal() {
    const auto isCurrent = [](RWyxNode& node) { return Current(node.Evaluation().defaultTake).globalValid; };
    const auto compose = [](RWyxNode& node, const RWyxNode* parent) {
        const RMatrix& local = node.DefaultLocal();
        MatrixCache& cache = node.Evaluation().defaultTake;
        if (parent != nullptr) {
            MatrixMultiplyAffine(cache.global, parent->ReadEvaluation().defaultTake.global, local);
        } else {
            MatrixCopyAffine(cache.global, local);
        }
        cache.globalValid = true;
    };
    if (isCurrent(*this)) return Evaluation().defaultTake.global;
    RWyxNode* parent = GetParent();
    if (parent != nullptr && !isCurrent(*parent)) {
        // The ancestors whose matrix is stale, nearest first; they are composed from the top.
        std::vector<RWyxNode*> stale;
        for (RWyxNode* node = parent; node != nullptr && !isCurrent(*node); node = node->GetParent()) {
            stale.push_back(node);
        }
        for (auto node = stale.rbegin(); node != stale.rend(); ++node) compose(**node, (*node)->GetParent());
    }
    compose(*this, parent);
    return Evaluation().defaultTake.global;
}

const RMatrix& RWyxNode::GlobalAt(RTime time) {
    const auto isCurrent = [time](RWyxNode& node) {
        const MatrixCache& cache = Current(node.Evaluation().currentTake);
        return cache.globalValid && cache.globalTime == time;
    };
    const auto compose = [time](RWyxNode& node, const RWyxNode* parent) {
        const RMatrix& local = node.LocalAt(time);
        MatrixCache& cache = node.Evaluation().currentTake;
        if (parent != nullptr) {
            MatrixMultiplyAffine(cache.global, parent->ReadEvaluation().currentTake.global, local);
        } else {
            MatrixCopyAffine(cache.global, local);
        }
        cache.globalTime = time;
        cache.globalValid = true;
    };
    if (isCurrent(*this)) return Evaluation().currentTake.global;
    RWyxNode* parent = GetParent();
    if (parent != nullptr && !isCurrent(*parent)) {
        std::vector<RWyxNode*> stale;
        for (RWyxNode* node = parent; node != nullptr && !isCurrent(*node); node = node->GetParent()) {
            stale.push_back(node);
        }
        for (auto node = stale.rbegin(); node != stale.rend(); ++node) compose(**node, (*node)->GetParent());
    }
    compose(*this, parent);
    return Evaluation().currentTake.global;
}

RMatrix RWyxNode::GetDefaultLocalMatrix() { return DefaultLocal(); }

RMatrix RWyxNode::GetDefaultGlobalMatrix() { return DefaultGlobal(); }

RMatrix RWyxNode::GetLocalMatrixAt(RTime time) { return LocalAt(time); }

RMatrix RWyxNode::GetGlobalMatrixAt(RTime time) { return GlobalAt(time); }

// ---- evaluated matrices ----------------------------------------------------------------------------

void RWyxNode::StoreDefaultLocalMatrix(bool recursive) {
    ForSubtree(*this, recursive, [](RWyxNode& node) { node.Evaluation().local = node.DefaultLocal(); });
}

void RWyxNode::EvaluateLocalMatrix(RTime time, bool recursive) {
    ForSubtree(*this, recursive, [time](RWyxNode& node) {
        node.Evaluation().local = node.IsEvaluatedByDefaults() ? node.DefaultLocal() : node.LocalAt(time);
    });
}

void RWyxNode::EvaluateGlobalMatrix(int evaluationId, bool recursive) {
    if (evaluationId_ == evaluationId) return;
    const auto compose = [evaluationId](RWyxNode& node) {
        node.evaluationId_ = evaluationId;
        if (const RWyxNode* parent = node.GetParent()) {
            MatrixMultiplyAffine(node.Evaluation().global, parent->ReadEvaluation().global, node.Evaluation().local);
        } else {
            MatrixCopyAffine(node.Evaluation().global, node.Evaluation().local);
        }
    };
    // The ancestors not evaluated with the id yet go first, from the top.
    std::vector<RWyxNode*> path{this};
    for (RWyxNode* node = GetParent(); node != nullptr && node->evaluationId_ != evaluationId;
         node = node->GetParent()) {
        path.push_back(node);
    }
    for (auto node = path.rbegin(); node != path.rend(); ++node) compose(**node);
    if (!recursive) return;
    // A node that carries the id already keeps its matrix, and so does its subtree.
    std::vector<RWyxNode*> pending;
    for (int i = GetChildCount() - 1; i >= 0; --i) {
        if (RWyxNode* child = GetChild(i)) pending.push_back(child);
    }
    while (!pending.empty()) {
        RWyxNode* node = pending.back();
        pending.pop_back();
        if (node->evaluationId_ == evaluationId) continue;
        compose(*node);
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            if (RWyxNode* child = node->GetChild(i)) pending.push_back(child);
        }
    }
}

void RWyxNode::SetEvaluationId(int evaluationId, bool recursive) {
    ForSubtree(*this, recursive, [evaluationId](RWyxNode& node) { node.evaluationId_ = evaluationId; });
}

void RWyxNode::SetGlobalMatrix(const RMatrix& matrix) { MatrixCopyAffine(Evaluation().global, matrix); }

// ---- pivots and limits around files -----------------------------------------------------------------

namespace {

// NaN differs from every value: a pivot a file holds as NaN is the file's, not the default.
bool DiffersFrom(const RVector4& vector, double value) {
    return !(std::fabs(vector.x - value) <= kPivotTolerance) || !(std::fabs(vector.y - value) <= kPivotTolerance) ||
           !(std::fabs(vector.z - value) <= kPivotTolerance);
}

bool PivotPropertiesAreSet(const RWyxNodeProperties& properties) {
    const RVector4 zeroByDefault[] = {
        properties.GetRotationOffset(),       properties.GetRotationPivot(),
        properties.GetRotationPivotUpdateOffset(), properties.GetScalingOffset(),
        properties.GetScalingPivot(),         properties.GetScalingPivotUpdateOffset(),
        properties.GetPreRotation(),          properties.GetPostRotation(),
        properties.GetGeometricTranslation(), properties.GetGeometricRotation(),
    };
    const bool anyVectorSet = std::any_of(std::begin(zeroByDefault), std::end(zeroByDefault),
                                          [](const RVector4& vector) { return DiffersFrom(vector, 0.0); });
    return anyVectorSet || DiffersFrom(properties.GetGeometricScaling(), 1.0) || properties.GetRotationOrder() != 0;
}

// One component's limits in the form both sides share.
struct LimitValues {
    bool active = false;
    bool minSwitches[3] = {false, false, false};
    bool maxSwitches[3] = {false, false, false};
    RVector4 minimum;
    RVector4 maximum;

    bool operator==(const LimitValues& other) const {
        return active == other.active && std::equal(minSwitches, minSwitches + 3, other.minSwitches) &&
               std::equal(maxSwitches, maxSwitches + 3, other.maxSwitches) && minimum == other.minimum &&
               maximum == other.maximum;
    }
};

LimitValues PropertyLimits(const RWyxNodeProperties& p, int component) {
    LimitValues values;
    switch (component) {
        case RWyxNodeLimits::kTranslation:
            values = {p.GetTranslationActive(),
                      {p.GetTranslationMinX(), p.GetTranslationMinY(), p.GetTranslationMinZ()},
                      {p.GetTranslationMaxX(), p.GetTranslationMaxY(), p.GetTranslationMaxZ()},
                      p.GetTranslationMin(),
                      p.GetTranslationMax()};
            break;
        case RWyxNodeLimits::kRotation:
            values = {p.GetRotationActive(),
                      {p.GetRotationMinX(), p.GetRotationMinY(), p.GetRotationMinZ()},
                      {p.GetRotationMaxX(), p.GetRotationMaxY(), p.GetRotationMaxZ()},
                      p.GetRotationMin(),
                      p.GetRotationMax()};
            break;
        default:
            values = {p.GetScalingActive(),
                      {p.GetScalingMinX(), p.GetScalingMinY(), p.GetScalingMinZ()},
                      {p.GetScalingMaxX(), p.GetScalingMaxY(), p.GetScalingMaxZ()},
                      p.GetScalingMin(),
                      p.GetScalingMax()};
            break;
    }
    return values;
}

void StorePropertyLimits(RWyxNodeProperties& p, int component, const LimitValues& v) {
    const auto byte = [](bool flag) { return static_cast<std::uint8_t>(flag ? 1 : 0); };
    switch (component) {
        case RWyxNodeLimits::kTranslation:
            p.SetTranslationActive(byte(v.active));
            p.SetTranslationMinX(byte(v.minSwitches[0]));
            p.SetTranslationMinY(byte(v.minSwitches[1]));
            p.SetTranslationMinZ(byte(v.minSwitches[2]));
            p.SetTranslationMaxX(byte(v.maxSwitches[0]));
            p.SetTranslationMaxY(byte(v.maxSwitches[1]));
            p.SetTranslationMaxZ(byte(v.maxSwitches[2]));
            p.SetTranslationMin(v.minimum);
            p.SetTranslationMax(v.maximum);
            break;
        case RWyxNodeLimits::kRotation:
            p.SetRotationActive(byte(v.active));
            p.SetRotationMinX(byte(v.minSwitches[0]));
            p.SetRotationMinY(byte(v.minSwitches[1]));
            p.SetRotationMinZ(byte(v.minSwitches[2]));
            p.SetRotationMaxX(byte(v.maxSwitches[0]));
            p.SetRotationMaxY(byte(v.maxSwitches[1]));
            p.SetRotationMaxZ(byte(v.maxSwitches[2]));
            p.SetRotationMin(v.minimum);
            p.SetRotationMax(v.maximum);
            break;
        default:
            p.SetScalingActive(byte(v.active));
            p.SetScalingMinX(byte(v.minSwitches[0]));
            p.SetScalingMinY(byte(v.minSwitches[1]));
            p.SetScalingMinZ(byte(v.minSwitches[2]));
            p.SetScalingMaxX(byte(v.maxSwitches[0]));
            p.SetScalingMaxY(byte(v.maxSwitches[1]));
            p.SetScalingMaxZ(byte(v.maxSwitches[2]));
            p.SetScalingMin(v.minimum);
            p.SetScalingMax(v.maximum);
            break;
    }
}

LimitValues LimitsOf(const RWyxNodeLimits& limits, int component) {
    LimitValues values;
    values.active = limits.GetActive(component);
    for (int axis = 0; axis < 3; ++axis) {
        values.minSwitches[axis] = limits.GetMinSwitch(component, axis);
        values.maxSwitches[axis] = limits.GetMaxSwitch(component, axis);
    }
    limits.GetMin(component, values.minimum);
    limits.GetMax(component, values.maximum);
    return values;
}

void StoreLimits(RWyxNodeLimits& limits, int component, const LimitValues& v) {
    limits.SetActive(component, v.active);
    limits.SetMinSwitches(component, v.minSwitches[0], v.minSwitches[1], v.minSwitches[2]);
    limits.SetMaxSwitches(component, v.maxSwitches[0], v.maxSwitches[1], v.maxSwitches[2]);
    limits.SetMin(component, v.minimum);
    limits.SetMax(component, v.maximum);
}

}  // namespace

void RWyxNode::ReadPivotsAndLimitsFromProperties() {
    const RWyxNodeProperties& p = *properties_;
    if (PivotPropertiesAreSet(p)) {
        RWyxPivotSet& first = *properties_->GetPivotSet(0);
        first.rotationOffset = p.GetRotationOffset();
        first.rotationPivot = p.GetRotationPivot();
        first.rotationPivotUpdateOffset = p.GetRotationPivotUpdateOffset();
        first.preRotation = p.GetPreRotation();
        first.postRotation = p.GetPostRotation();
        first.scalingOffset = p.GetScalingOffset();
        first.scalingPivot = p.GetScalingPivot();
        first.scalingPivotUpdateOffset = p.GetScalingPivotUpdateOffset();
        first.geometricTranslation = p.GetGeometricTranslation();
        first.geometricRotation = p.GetGeometricRotation();
        first.geometricScaling = p.GetGeometricScaling();
        first.rotationOrder = p.GetRotationOrder();
        first.rotationSpaceForLimitOnly = p.GetRotationSpaceForLimitOnly() ? 1 : 0;
        first.pivotState = RWyxPivotSet::kInUse;
        first.cacheValid = 0;
        properties_->GetPivotSet(1)->Reset();
        CountPivotSetEdit();
    }
    bool limitsDiffer = false;
    for (int component = 0; component < RWyxNodeLimits::kComponentCount; ++component) {
        limitsDiffer = limitsDiffer || !(PropertyLimits(p, component) == LimitsOf(*limits_, component));
    }
    if (!limitsDiffer) return;
    for (int component = 0; component < RWyxNodeLimits::kComponentCount; ++component) {
        StoreLimits(*limits_, component, PropertyLimits(p, component));
    }
}

void RWyxNode::WritePivotsAndLimitsToProperties() {
    RWyxNodeProperties& p = *properties_;
    const RWyxPivotSet& first = *std::as_const(p).GetPivotSet(0);
    p.SetRotationOffset(first.rotationOffset);
    p.SetRotationPivot(first.rotationPivot);
    p.SetRotationPivotUpdateOffset(first.rotationPivotUpdateOffset);
    p.SetPreRotation(first.preRotation);
    p.SetPostRotation(first.postRotation);
    p.SetScalingOffset(first.scalingOffset);
    p.SetScalingPivot(first.scalingPivot);
    p.SetScalingPivotUpdateOffset(first.scalingPivotUpdateOffset);
    p.SetGeometricTranslation(first.geometricTranslation);
    p.SetGeometricRotation(first.geometricRotation);
    p.SetGeometricScaling(first.geometricScaling);
    p.SetRotationOrder(first.rotationOrder);
    p.SetRotationSpaceForLimitOnly(first.rotationSpaceForLimitOnly);
    for (int component = 0; component < RWyxNodeLimits::kComponentCount; ++component) {
        StorePropertyLimits(p, component, LimitsOf(*limits_, component));
    }
}
