#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <utility>

#include "core/RDataType.h"
#include "curves/RCurveTreeMemory.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxTakeNodeContainer.h"

namespace {

const char* const kMessages[] = {"Curve not found"};

// Where a named accessor finds its curve: the names looked up in turn from the root (null:
// skipped), or, with a type name, the first node of that data type below them.
struct ChannelPath {
    const char* nodeName;
    const char* channelName;
    const char* componentName;
    const char* typeName;
};

constexpr ChannelPath Transform(const char* letter, const char* axis) {
    return {"Transform", letter, axis, nullptr};
}
constexpr ChannelPath Component(const char* channel, const char* axis) {
    return {nullptr, channel, axis, nullptr};
}
constexpr ChannelPath Named(const char* name) {
    return {nullptr, nullptr, name, nullptr};
}
constexpr ChannelPath OfType(const char* typeName) {
    return {nullptr, nullptr, nullptr, typeName};
}

// In the order of RWyxTakeNode::Channel.
constexpr ChannelPath kChannels[] = {
    Transform("T", "X"), Transform("T", "Y"), Transform("T", "Z"),
    Transform("R", "X"), Transform("R", "Y"), Transform("R", "Z"),
    Transform("S", "X"), Transform("S", "Y"), Transform("S", "Z"),
    OfType("Visibility"),
    Component("Color", "X"), Component("Color", "Y"), Component("Color", "Z"),
    Named("Intensity"), Named("Cone angle"), Named("Fog"),
    Named("FieldOfView"), Named("FieldOfViewX"), Named("FieldOfViewY"),
    Named("OpticalCenterX"), Named("OpticalCenterY"),
    Named("Roll"), Named("TurnTable"),
    Component("BackgroundColor (Color)", "X"), Component("BackgroundColor (Color)", "Y"),
    Component("BackgroundColor (Color)", "Z"),
    Named("Camera Index"),
    OfType("Occlusion"), OfType("IK Reach Translation"), OfType("IK Reach Rotation"),
    Component("Translation", "X"), Component("Translation", "Y"), Component("Translation", "Z"),
    Component("Rotation", "X"), Component("Rotation", "Y"), Component("Rotation", "Z"),
    Component("Scaling", "X"), Component("Scaling", "Y"), Component("Scaling", "Z"),
    Named("Alpha"),
    Component("Emissive", "X"), Component("Emissive", "Y"), Component("Emissive", "Z"),
    Component("Ambient", "X"), Component("Ambient", "Y"), Component("Ambient", "Z"),
    Component("Diffuse", "X"), Component("Diffuse", "Y"), Component("Diffuse", "Z"),
    Component("Specular", "X"), Component("Specular", "Y"), Component("Specular", "Z"),
    Named("Opacity"), Named("Reflectivity"), Named("Shininess"),
};
static_assert(sizeof(kChannels) / sizeof(kChannels[0]) == RWyxTakeNode::ChannelCount,
              "one path per channel");

// The flags a copy keeps besides what Clone copies; the copy owns its children whatever the
// original did, so the non-owning flag is not among them.
constexpr uint32_t kCopiedFlags = RFCurveNode::FlagLayeringEnabled | RFCurveNode::FlagCacheAnyTime;

// What Clone and CopyFrom leave out, node by node and layer by layer: the animated property,
// the flags above and the time warps (shared, one more reference each).
void CopyLinks(const RFCurveNode& from, RFCurveNode& to) {
    to.SetProperty(from.GetProperty());
    to.SetFlag(kCopiedFlags, false);
    to.SetFlag(from.GetFlags() & kCopiedFlags, true);
    if (from.GetTimeWarp() != nullptr) {
        to.SetTimeWarp(from.GetTimeWarp());
    }
    const int pairs = std::min(from.GetChildCount(), to.GetChildCount());
    for (int i = 0; i < pairs; ++i) {
        CopyLinks(*from.GetChild(i), *to.GetChild(i));
    }
    if (from.GetNextLayer() != nullptr && to.GetNextLayer() != nullptr) {
        CopyLinks(*from.GetNextLayer(), *to.GetNextLayer());
    }
}

// A tree of the source's structure with copies of its curves and layer chains.
RFCurveNode* CopyTree(RFCurveNode& source) {
    const RCurveTreeMemory::Scope together;
    RFCurveNode* copy = source.Clone(false, false, true, -1);
    copy->CopyFrom(source, false);
    CopyLinks(source, *copy);
    return copy;
}

// A node that does not own its children only refers to them: they are taken out, never
// deleted, and so are the children that such a child refers to in turn.
void DetachReferencedChildren(RFCurveNode& node) {
    for (int i = node.GetChildCount() - 1; i >= 0; --i) {
        RFCurveNode* child = node.GetChild(i);
        if (child != nullptr && child->IsNonOwning()) {
            DetachReferencedChildren(*child);
            node.RemoveChild(i);
        }
    }
}

}  // namespace

RWyxTakeNode::RWyxTakeNode(const RString& name)
    : name_(name), root_(RFCurveNode::Create("Defaults", nullptr)), error_(kMessages, 1) {}

RWyxTakeNode::RWyxTakeNode(const RString& name, RWyxTakeNodeContainer& container, bool linked)
    : name_(name),
      root_(nullptr),
      pendingTemplate_(&container),
      templateLinks_(linked ? TemplateLinks::Linked : TemplateLinks::NotLinked),
      error_(kMessages, 1) {}

// A copy is whole: the tree of a take node that waits is made first.
RWyxTakeNode::RWyxTakeNode(const RWyxTakeNode& other)
    : name_(other.name_), root_(CopyTree(*other.GetRootCurveNode())), error_(kMessages, 1) {}

RWyxTakeNode::~RWyxTakeNode() {
    if (root_ == nullptr) {
        return;
    }
    {
        // The tree goes as one edit: caches of evaluated values need to see it once.
        const RFCurve::UncountedEdits uncounted;
        if (root_->IsNonOwning()) {
            DetachReferencedChildren(*root_);
        }
        RFCurveNode::Destroy(root_);
    }
    RFCurve::CountEditOfAllCurves();
}

RFCurveNode* RWyxTakeNode::GetRootCurveNode() const {
    if (!IsTreeMade()) {
        MakeTree();
    }
    return root_;
}

// A tree nothing has evaluated yet: making it is no edit any cache could have seen.
void RWyxTakeNode::MakeTree() const {
    const RFCurve::UncountedEdits uncounted;
    const RCurveTreeMemory::Scope together;
    RWyxTakeNodeContainer* container = std::exchange(pendingTemplate_, nullptr);
    root_ = RFCurveNode::Create("Defaults", nullptr);
    container->CreateChannelTemplate(const_cast<RWyxTakeNode&>(*this));
    templateLinks_ = TemplateLinks::ByName;
}

bool RWyxTakeNode::GetWaitingTransformDefaults(int channel, float defaults[3]) const {
    return pendingTemplate_ != nullptr && pendingTemplate_->GetTemplateTransformDefaults(channel, defaults);
}

bool RWyxTakeNode::GetWaitingVisibilityDefault(float& value) const {
    return pendingTemplate_ != nullptr && pendingTemplate_->GetTemplateVisibilityDefault(value);
}

bool RWyxTakeNode::TemplateLinksProperties() const {
    if (templateLinks_ != TemplateLinks::ByName) {
        return templateLinks_ == TemplateLinks::Linked;
    }
    return name_.CompareIgnoringCase(RWyxTakeNodeContainer::kDefaultTakeName) == 0;
}

bool RWyxTakeNode::GetAnimationInterval(RTime& start, RTime& stop) const {
    return IsTreeMade() && root_->GetTimeSpan(start, stop);
}

RFCurveNode* RWyxTakeNode::FindNode(const char* nodeName, const char* channelName) const {
    RFCurveNode* node = GetRootCurveNode();
    for (const char* name : {nodeName, channelName}) {
        if (name != nullptr && node != nullptr) {
            node = node->FindByPath(name);
        }
    }
    return node;
}

RFCurve* RWyxTakeNode::CurveOrError(const RFCurveNode* node) {
    RFCurve* curve = node != nullptr ? node->GetCurve() : nullptr;
    if (curve == nullptr) {
        error_.SetErrorCode(kErrorCurveNotFound);
    }
    return curve;
}

RFCurve* RWyxTakeNode::FindCurve(const char* nodeName, const char* channelName,
                                 const char* componentName) {
    RFCurveNode* node = FindNode(nodeName, channelName);
    if (node != nullptr && componentName != nullptr) {
        node = node->FindByPath(componentName);
    }
    return CurveOrError(node);
}

RFCurve* RWyxTakeNode::FindCurveByType(const char* nodeName, const char* channelName,
                                       const RDataType* dataType) {
    const RFCurveNode* node = FindNode(nodeName, channelName);
    const RFCurveNode* typed =
        node != nullptr && dataType != nullptr ? node->FindByDataType(dataType) : nullptr;
    return CurveOrError(typed);
}

bool RWyxTakeNode::HasKeys(const char* nodeName, const char* channelName, const char* componentName) {
    const RFCurve* curve = FindCurve(nodeName, channelName, componentName);
    return curve != nullptr && curve->GetKeyCount() > 0;
}

bool RWyxTakeNode::HasKeysByType(const char* nodeName, const char* channelName,
                                 const RDataType* dataType) {
    const RFCurve* curve = FindCurveByType(nodeName, channelName, dataType);
    return curve != nullptr && curve->GetKeyCount() > 0;
}

RFCurve* RWyxTakeNode::GetChannelCurve(Channel channel) {
    if (channel < 0 || channel >= ChannelCount) {
        error_.SetErrorCode(kErrorCurveNotFound);
        return nullptr;
    }
    const ChannelPath& path = kChannels[channel];
    if (path.typeName != nullptr) {
        return FindCurveByType(path.nodeName, path.channelName, RDataType::FindByName(path.typeName));
    }
    return FindCurve(path.nodeName, path.channelName, path.componentName);
}
