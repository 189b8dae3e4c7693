#include "hostimport/PrePostRotationNodes.h"

#include "attributes/RWyxSkeleton.h"
#include "curves/RFCurve.h"
#include "plugin/VexaObjectFactory.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

#include <cstring>
#include <vector>

namespace {

const char* const kPreMark = "__Pre_";
const char* const kPostMark = "__Post_";
const RWyxTakeNode::Channel kTranslation[3] = {RWyxTakeNode::TranslationX, RWyxTakeNode::TranslationY,
                                               RWyxTakeNode::TranslationZ};
const RWyxTakeNode::Channel kRotation[3] = {RWyxTakeNode::RotationX, RWyxTakeNode::RotationY, RWyxTakeNode::RotationZ};

bool IsHelper(const RWyxNode* node, const char* mark) { return node != nullptr && node->GetName().FindText(mark) >= 0; }

RVector4 Xyz(const RVector4* vector) { return vector != nullptr ? RVector4(vector->x, vector->y, vector->z, 0.0) : RVector4(); }

RVector4 DefaultTranslation(const RWyxNode& node) {
    RVector4 translation;
    node.GetDefaultTranslation(translation);
    return translation;
}

RVector4 DefaultRotation(const RWyxNode& node) {
    RVector4 rotation;
    node.GetDefaultRotation(rotation);
    return rotation;
}

// The node's take node of that name, made first when it has none.
RWyxTakeNode* TakeNodeNamed(RWyxNode& node, const char* name) {
    node.AddTakeNode(name);
    for (int t = 0; t < node.GetTakeNodeCount(); ++t) {
        if (std::strcmp(node.GetTakeNodeName(t), name) == 0) return node.GetTakeNode(t);
    }
    return nullptr;
}

// In every take of `from`, `to` gets copies of its translation curves, keys and defaults.
void CopyTranslationCurves(RWyxNode& from, RWyxNode& to) {
    for (int t = 0; t < from.GetTakeNodeCount(); ++t) {
        RWyxTakeNode* source = from.GetTakeNode(t);
        RWyxTakeNode* target = TakeNodeNamed(to, from.GetTakeNodeName(t));
        if (source == nullptr || target == nullptr) continue;
        for (RWyxTakeNode::Channel channel : kTranslation) {
            const RFCurve* curve = source->GetChannelCurve(channel);
            if (RFCurve* copy = target->GetChannelCurve(channel); curve != nullptr && copy != nullptr) {
                copy->CopyFrom(*curve, true);
            }
        }
    }
}

// K takes the place of its pre node P: P's translation and its rotation as pre-rotation. P
// leaves the tree unless it holds other nodes, which keep it as their parent.
void FoldPreNode(RWyxNode& k, RWyxNode& p) {
    k.SetDefaultTranslation(DefaultTranslation(p));
    const RVector4 rotation = DefaultRotation(p);
    k.SetPreRotation(0, rotation.x, rotation.y, rotation.z, 1.0);
    RWyxNode* above = p.GetParent();
    if (above != nullptr) above->AddChild(&k);
    if (above != nullptr && p.GetChildCount() == 0) above->RemoveChild(&p);
    CopyTranslationCurves(p, k);
}

// K takes its post node Q's rotation as post-rotation and Q's children; Q leaves the tree.
void FoldPostNode(RWyxNode& k, RWyxNode& q) {
    const RVector4 rotation = DefaultRotation(q);
    k.SetPostRotation(0, rotation.x, rotation.y, rotation.z, 1.0);
    k.RemoveChild(&q);
    while (q.GetChildCount() > 0) k.AddChild(q.GetChild(0));
}

// The helper's own node: its first child; the helper itself when it has none.
RWyxNode* OwnNodeOf(RWyxNode* child) {
    if (IsHelper(child, kPostMark) && child->GetChildCount() > 0) child = child->GetChild(0);
    if (IsHelper(child, kPreMark) && child->GetChildCount() > 0) child = child->GetChild(0);
    return child;
}

// ---- export ---------------------------------------------------------------------------------------------

RString HelperName(const RWyxNode& node, const char* mark) {
    const RString current = node.GetNameWithoutPrefix();
    const int at = current.FindText("ncl");
    if (at > 0) {
        RString initial = node.GetInitialName();
        const int separator = initial.FindText("::");
        if (separator >= 0) initial = initial.SubstringFrom(separator + 2);
        return initial + mark + current.LastChars(at);
    }
    return current + mark;
}

void GiveLimbNodeSkeleton(const RWyxNode& node, RWyxNode& helper, VexaObjectFactory& factory) {
    const RWyxSkeleton* skeleton = node.GetSkeleton();
    if (skeleton == nullptr) return;
    RWyxSkeleton* limb = factory.CreateSkeleton();
    if (limb == nullptr) return;
    limb->SetSkeletonType(RWyxSkeleton::kLimbNode);
    limb->SetSize(skeleton->GetSize());
    helper.SetNodeAttribute(limb);
}

// Puts `replacement` where `node` is among its parent's children, then `node` below it.
void InsertAbove(RWyxNode& node, RWyxNode& replacement) {
    RWyxNode* parent = node.GetParent();
    if (parent != nullptr) {
        std::vector<RWyxNode*> after;
        int index = 0;
        while (parent->GetChild(index) != &node) ++index;
        for (int i = index + 1; i < parent->GetChildCount(); ++i) after.push_back(parent->GetChild(i));
        parent->AddChild(&replacement);
        for (RWyxNode* sibling : after) parent->AddChild(sibling);
    }
    replacement.AddChild(&node);
}

void SetCurveDefaults(RWyxTakeNode& takeNode, const RWyxTakeNode::Channel (&channels)[3], const RVector4& value) {
    const double values[3] = {value.x, value.y, value.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (RFCurve* curve = takeNode.GetChannelCurve(channels[axis])) curve->SetDefaultValue(static_cast<float>(values[axis]));
    }
}

// False when the factory made no node (the node is left as it was).
bool MakePreNode(RWyxNode& node, VexaObjectFactory& factory) {
    RWyxNode* pre = factory.CreateNode(HelperName(node, kPreMark).Buffer());
    if (pre == nullptr) return false;
    GiveLimbNodeSkeleton(node, *pre, factory);
    InsertAbove(node, *pre);
    const RVector4 preRotation = Xyz(node.GetPreRotation(0));
    const RVector4 translation = DefaultTranslation(node);
    pre->SetDefaultRotation(preRotation);
    pre->SetDefaultTranslation(translation);
    node.SetDefaultTranslation(RVector4());
    node.SetPreRotation(0, 0.0, 0.0, 0.0, 1.0);
    CopyTranslationCurves(node, *pre);
    for (int t = 0; t < node.GetTakeNodeCount(); ++t) {
        RWyxTakeNode* own = node.GetTakeNode(t);
        RWyxTakeNode* helper = TakeNodeNamed(*pre, node.GetTakeNodeName(t));
        for (RWyxTakeNode::Channel channel : kTranslation) {
            if (RFCurve* curve = own->GetChannelCurve(channel)) {
                curve->ClearKeys();
                curve->SetDefaultValue(0.0f);
            }
        }
        if (helper == nullptr) continue;
        SetCurveDefaults(*helper, kTranslation, translation);
        SetCurveDefaults(*helper, kRotation, preRotation);
    }
    return true;
}

// False when the factory made no node (the node is left as it was).
bool MakePostNode(RWyxNode& node, VexaObjectFactory& factory) {
    RWyxNode* post = factory.CreateNode(HelperName(node, kPostMark).Buffer());
    if (post == nullptr) return false;
    if (node.GetTakeNodeCount() > 0) post->AddTakeNode(node.GetTakeNodeName(0));
    GiveLimbNodeSkeleton(node, *post, factory);
    while (node.GetChildCount() > 0) post->AddChild(node.GetChild(0));
    node.AddChild(post);
    post->SetDefaultRotation(Xyz(node.GetPostRotation(0)));
    node.SetPostRotation(0, 0.0, 0.0, 0.0, 1.0);
    return true;
}

bool IsNonZero(const RVector4* rotation) {
    const RVector4 value = Xyz(rotation);
    return value.x != 0.0 || value.y != 0.0 || value.z != 0.0;
}

// The helpers of one node on export: true when a pre or a post node was made for it. A helper
// the factory cannot make is not counted, so that the node's parent does not visit it again
// and again.
bool MakeHelpers(RWyxNode& node, VexaObjectFactory& factory) {
    bool made = false;
    if (IsNonZero(node.GetPreRotation(0))) made = MakePreNode(node, factory);
    if (IsNonZero(node.GetPostRotation(0))) made = MakePostNode(node, factory) || made;
    return made;
}

// ---- the walks ------------------------------------------------------------------------------------------
//
// Both walks keep a stack of their own (a hierarchy of any depth leaves the thread's stack alone)
// whose entries stand for the calls of a recursive walk over the node's children, and visit the
// nodes in the same order that walk does, the tree changing under them as they go.

// A call of the import's split on a node: its children from the last to the first (an index
// past the children the node has by then is passed over); for the child taken last, the calls
// it still owes: its own node, then the pre node that stayed.
struct SplitCall {
    explicit SplitCall(RWyxNode* n) : node(n), index(n->GetChildCount()) {}
    RWyxNode* node;
    int index;  // the child taken last
    // Once per call: a helper folded among the children leaves the later ones' pivots alone.
    bool preFound = false;
    bool postFound = false;
    RWyxNode* owed[2] = {nullptr, nullptr};
};

RWyxNode* TakeOwedCall(SplitCall& call) {
    for (RWyxNode*& owed : call.owed) {
        if (owed == nullptr) continue;
        RWyxNode* taken = owed;
        owed = nullptr;
        return taken;
    }
    return nullptr;
}

// Folds the helpers of the call's next child into that child's own node; false when no child is
// left.
bool FoldNextChild(SplitCall& call) {
    RWyxNode* node = call.node;
    do {
        --call.index;
    } while (call.index >= node->GetChildCount());
    if (call.index < 0) return false;
    RWyxNode* k = OwnNodeOf(node->GetChild(call.index));
    RWyxNode* parent = k->GetParent();
    RWyxNode* keptPre = nullptr;
    if (IsHelper(parent, kPreMark) && parent != node) {
        call.preFound = true;
        FoldPreNode(*k, *parent);
        if (parent->GetParent() != nullptr) keptPre = parent;
    }
    RWyxNode* first = k->GetChild(0);
    if (IsHelper(first, kPostMark)) {
        call.postFound = true;
        FoldPostNode(*k, *first);
    }
    if (!call.preFound && !call.postFound) {
        k->SetPivotState(0, 0);
        k->SetPivotState(1, 0);
    }
    call.owed[0] = k;
    call.owed[1] = keptPre;
    return true;
}

// A call of the export's merge on a node: its helpers made, then its children in order; a child
// whose call made a helper is visited again at the same index, which its pre node holds now.
struct MergeCall {
    RWyxNode* node;
    int index;  // the child visited next
    bool made;  // the call's answer
};

}  // namespace

void SplitPrePostNodes(RWyxNode* node, int /*direction*/, VexaObjectFactory& /*factory*/) {
    if (node == nullptr) return;
    std::vector<SplitCall> calls;
    calls.emplace_back(node);
    while (!calls.empty()) {
        // A copy, written back before the stack grows: a reference into it would not outlive that.
        SplitCall call = calls.back();
        RWyxNode* const owed = TakeOwedCall(call);
        const bool childFolded = owed == nullptr && FoldNextChild(call);
        calls.back() = call;
        if (owed != nullptr) {
            calls.emplace_back(owed);
        } else if (!childFolded) {
            calls.pop_back();
        }
    }
}

bool MergePrePostNodes(RWyxNode* node, int /*argument*/, VexaObjectFactory& factory) {
    if (node == nullptr) return false;
    std::vector<MergeCall> calls{{node, 0, MakeHelpers(*node, factory)}};
    while (true) {
        // A copy, as in the split: the stack may grow below.
        const MergeCall call = calls.back();
        if (call.index < call.node->GetChildCount()) {
            RWyxNode* child = call.node->GetChild(call.index);
            ++calls.back().index;
            if (child != nullptr) calls.push_back({child, 0, MakeHelpers(*child, factory)});
            continue;
        }
        const bool made = call.made;
        calls.pop_back();
        if (calls.empty()) return made;
        if (made) --calls.back().index;
    }
}
