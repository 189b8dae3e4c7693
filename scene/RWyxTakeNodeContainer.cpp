#include "scene/RWyxTakeNodeContainer.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <variant>

#include "core/RDataType.h"
#include "core/RObject.h"
#include "core/RPlugRef.h"
#include "core/RProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "curves/RCurveChangeRecord.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

// A property component kept equal to a curve's default value.
struct RWyxTakeNodeContainer::PropertyCurveLink {
    // Weak: a property removed from its object leaves the link without effect.
    RPlugRef property;
    int component;
    RFCurve* curve;
    RWyxTakeNodeContainer* container;
};

namespace {

const char* const kIndexOutOfRange = "Index out of range";
const char* const kUnknownTakeNodeName = "Unknown take node name";
const char* const kTakeNodeDoesNotExist = "Take node does not exist";
const char* const kCannotRemoveDefault = "Cannot remove default take node";
const char* const kTakeNodeAlreadyExists = "Take node already exists";

constexpr int kMaxComponents = 4;
const char* const kComponentNames[kMaxComponents] = {"X", "Y", "Z", "toto"};

// Sets a flag for the lifetime of the guard and restores what it was.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = previous_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
    bool previous_;
};

// Components of a property's value: the data type's when it has several, else 3 for vectors
// and colours, 4 for four-vectors and colours with alpha, else 1 (a scalar).
int ComponentCount(const RProperty& property) {
    const RDataType* dataType = property.GetDataType();
    if (dataType != nullptr && dataType->GetComponentCount() > 1) {
        return dataType->GetComponentCount();
    }
    switch (property.GetTypeCode()) {
        case kPropertyTypeVector3:
        case kPropertyTypeColorRGB:
            return 3;
        case kPropertyTypeVector4:
        case kPropertyTypeColorRGBA:
            return 4;
        default:
            return 1;
    }
}

// The property's value, one double per component; answers the count, 0 when the value
// cannot be animated (more components than channels have names, or no vector where one is
// expected).
int ReadComponents(const RProperty& property, double values[kMaxComponents]) {
    const int count = ComponentCount(property);
    if (count == 1) {
        values[0] = property.GetDouble();
        return 1;
    }
    if (count > kMaxComponents) {
        return 0;
    }
    const RPropertyValue value = property.GetValue();
    const RVector4* vector = std::get_if<RVector4>(&value);
    if (vector == nullptr) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        values[i] = *vector->Component(i);
    }
    return count;
}

// The listeners hear of the new default once.
void WriteDefault(RFCurve& curve, double value) {
    curve.BeginEdit();
    curve.SetDefaultValue(RWyxTakeNodeContainer::ToCurveValue(value));
    curve.EndEdit();
}

RFCurve& EnsureCurve(RFCurveNode& node) {
    if (node.GetCurve() == nullptr) {
        node.SetCurve(RFCurve::Create(), true);
    }
    return *node.GetCurve();
}

// The node whose curve holds component `index` of a channel of `count` components: the
// channel itself for a scalar, else its index-th child, created with the component's name
// when missing. The node gets a curve when it has none.
bool IsDefaultTakeName(const char* name) {
    return RString(name).CompareIgnoringCase(RWyxTakeNodeContainer::kDefaultTakeName) == 0;
}

RFCurveNode& ComponentNode(RFCurveNode& channel, int count, int index) {
    RFCurveNode* node = &channel;
    if (count > 1) {
        node = channel.GetChild(index);
        if (node == nullptr) {
            node = RFCurveNode::Create(kComponentNames[index], nullptr);
            channel.AddChild(node);
        }
    }
    EnsureCurve(*node);
    return *node;
}

}  // namespace

RWyxTakeNodeContainer::RWyxTakeNodeContainer(void* manager, const RString& name, RError& error)
    : RWyxSceneObject(manager, name), error_(error) {}

RWyxTakeNodeContainer::~RWyxTakeNodeContainer() {
    // The links are this container's own listeners and go with it: every linked curve lets
    // go of them first, so that the curves its take nodes destroy tell no one (the other
    // listeners of a curve still hear), and a curve that lives on elsewhere calls no gone
    // container.
    for (const auto& link : links_) {
        link->curve->RemoveListener(OnLinkedCurveChanged, link.get());
    }
    links_.clear();
    linksByCurve_.clear();
    while (!takeNodes_.empty()) {
        std::unique_ptr<RWyxTakeNode> last = std::move(takeNodes_.back());
        takeNodes_.pop_back();
    }
    currentIndex_ = -1;
}

void RWyxTakeNodeContainer::SetTakeNodeError(const char* text) {
    error_.SetError(kTakeNodeErrorCode, text);
}

// ---- hooks --------------------------------------------------------------------------------

bool RWyxTakeNodeContainer::GetTemplateTransformDefaults(int, float[3]) const { return false; }

bool RWyxTakeNodeContainer::GetTemplateVisibilityDefault(float&) const { return false; }

void RWyxTakeNodeContainer::OnUserPropertyAdded(RWyxUserProperty& userProperty) {
    ConnectPropertyCurves(userProperty);
}

void RWyxTakeNodeContainer::OnUserPropertyRemoved(RWyxUserProperty& userProperty) {
    DisconnectPropertyCurves(userProperty);
}

// ---- take nodes ---------------------------------------------------------------------------

int RWyxTakeNodeContainer::FindTakeNodeIndex(const char* name) const {
    for (int i = 0; i < GetTakeNodeCount(); ++i) {
        if (takeNodes_[static_cast<size_t>(i)]->GetName() == name) {
            return i;
        }
    }
    return -1;
}

RWyxTakeNode* RWyxTakeNodeContainer::AddTakeNode(const char* name) {
    if (name == nullptr) {
        SetTakeNodeError(kUnknownTakeNodeName);
        return nullptr;
    }
    if (FindTakeNodeIndex(name) >= 0) {
        SetTakeNodeError(kTakeNodeAlreadyExists);
        return nullptr;
    }
    std::unique_ptr<RWyxTakeNode> takeNode;
    const RWyxTakeNode* defaultTake = GetDefaultTakeNode();
    if (defaultTake != nullptr && (defaultTake->IsTreeMade() || !CanDeferTakeTrees())) {
        takeNode = std::make_unique<RWyxTakeNode>(*defaultTake);
        takeNode->SetName(name);
    } else if (defaultTake != nullptr) {
        // The default take is all template still: so is its copy.
        takeNode.reset(new RWyxTakeNode(RString(name), *this, false));
    } else if (CanDeferTakeTrees()) {
        takeNode.reset(new RWyxTakeNode(RString(name), *this, IsDefaultTakeName(name)));
    } else {
        takeNode = std::make_unique<RWyxTakeNode>(RString(name));
        CreateChannelTemplate(*takeNode);
    }
    takeNodes_.push_back(std::move(takeNode));
    return takeNodes_.back().get();
}

RWyxTakeNode* RWyxTakeNodeContainer::CreateDefaultTakeNode() {
    RWyxTakeNode* takeNode = AddTakeNode(kDefaultTakeName);
    currentIndex_ = 0;
    return takeNode;
}

bool RWyxTakeNodeContainer::RemoveTakeNode(int index) {
    if (index == 0) {
        SetTakeNodeError(kCannotRemoveDefault);
        return false;
    }
    if (index < 0 || index >= GetTakeNodeCount()) {
        SetTakeNodeError(kIndexOutOfRange);
        return false;
    }
    // The current take stays the same take: its index follows the removal.
    if (currentIndex_ >= index) {
        --currentIndex_;
    }
    std::unique_ptr<RWyxTakeNode> removed = std::move(takeNodes_[static_cast<size_t>(index)]);
    takeNodes_.erase(takeNodes_.begin() + index);
    return true;
}

void RWyxTakeNodeContainer::MakeTakeTrees(bool copiesOnly) {
    for (size_t i = copiesOnly ? 1 : 0; i < takeNodes_.size(); ++i) {
        if (!takeNodes_[i]->IsTreeMade()) takeNodes_[i]->GetRootCurveNode();
    }
}

int RWyxTakeNodeContainer::GetPropertyCurveLinkCount() {
    // The links of a default take not made yet are those its template makes.
    if (const RWyxTakeNode* defaultTake = GetDefaultTakeNode()) defaultTake->GetRootCurveNode();
    return static_cast<int>(links_.size());
}

RWyxTakeNode* RWyxTakeNodeContainer::GetTakeNode(int index) {
    if (index < 0 || index >= GetTakeNodeCount()) {
        SetTakeNodeError(kTakeNodeDoesNotExist);
        return nullptr;
    }
    return takeNodes_[static_cast<size_t>(index)].get();
}

const char* RWyxTakeNodeContainer::GetTakeNodeName(int index) {
    const RWyxTakeNode* takeNode = GetTakeNode(index);
    return takeNode != nullptr ? takeNode->GetName().Buffer() : nullptr;
}

RWyxTakeNode* RWyxTakeNodeContainer::GetDefaultTakeNode() const {
    return takeNodes_.empty() ? nullptr : takeNodes_.front().get();
}

RWyxTakeNode* RWyxTakeNodeContainer::GetCurrentTakeNode() {
    return GetTakeNode(currentIndex_);
}

const char* RWyxTakeNodeContainer::GetCurrentTakeNodeName() {
    return GetTakeNodeName(currentIndex_);
}

bool RWyxTakeNodeContainer::SetCurrentTakeNodeByName(const char* name) {
    const int index = name != nullptr ? FindTakeNodeIndex(name) : -1;
    if (index < 0) {
        SetTakeNodeError(kUnknownTakeNodeName);
        currentIndex_ = 0;
        return false;
    }
    currentIndex_ = index;
    return true;
}

bool RWyxTakeNodeContainer::SetCurrentTakeNodeByIndex(int index) {
    if (index < 0 || index >= GetTakeNodeCount()) {
        SetTakeNodeError(kIndexOutOfRange);
        currentIndex_ = 0;
        return false;
    }
    currentIndex_ = index;
    return true;
}

bool RWyxTakeNodeContainer::GetAnimationInterval(RTime& start, RTime& stop) {
    const RWyxTakeNode* current = GetCurrentTakeNode();
    return current != nullptr && current->GetAnimationInterval(start, stop);
}

bool RWyxTakeNodeContainer::IsAnimatedInAnyTake(const char* nodeName, const char* channelName,
                                                const char* componentName) {
    for (size_t i = 1; i < takeNodes_.size(); ++i) {
        if (takeNodes_[i]->HasKeys(nodeName, channelName, componentName)) {
            return true;
        }
    }
    return false;
}

bool RWyxTakeNodeContainer::IsAnimatedInAnyTakeByType(const char* nodeName, const char* channelName,
                                                      const RDataType* dataType) {
    for (size_t i = 1; i < takeNodes_.size(); ++i) {
        if (takeNodes_[i]->HasKeysByType(nodeName, channelName, dataType)) {
            return true;
        }
    }
    return false;
}

// ---- channels of properties ----------------------------------------------------------------

float RWyxTakeNodeContainer::ToCurveValue(double value) {
    if (std::isnan(value)) {
        return static_cast<float>(value);
    }
    return static_cast<float>(std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

const char* RWyxTakeNodeContainer::PropertyNameToChannel(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    if (std::strcmp(name, "Lcl Translation") == 0) {
        return "T";
    }
    if (std::strcmp(name, "Lcl Rotation") == 0) {
        return "R";
    }
    if (std::strcmp(name, "Lcl Scaling") == 0) {
        return "S";
    }
    return name;
}

RFCurveNode* RWyxTakeNodeContainer::FindChannel(const RWyxTakeNode& takeNode, const char* propertyName) {
    const char* channelName = PropertyNameToChannel(propertyName);
    if (channelName == nullptr) {
        return nullptr;
    }
    const RFCurveNode& root = *takeNode.GetRootCurveNode();
    // The transform channels sit below "Transform"; every other channel is a child of the
    // root. A deeper search would take a property named "X" for a translation component.
    if (channelName != propertyName) {
        return root.FindByPath(channelName);
    }
    return root.GetChild(root.GetChildIndexByName(channelName));
}

void RWyxTakeNodeContainer::WriteChannelDefaults(RFCurveNode& channel, const RProperty& property) {
    double values[kMaxComponents];
    const int count = ReadComponents(property, values);
    // The curves take their value from the property: their listeners must not write it back.
    ScopedFlag writing(writingCurveDefaults_);
    for (int i = 0; i < count; ++i) {
        WriteDefault(*ComponentNode(channel, count, i).GetCurve(), values[i]);
    }
}

void RWyxTakeNodeContainer::LinkChannel(RFCurveNode& channel, RProperty& property) {
    const int count = ComponentCount(property);
    if (count > kMaxComponents) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        LinkPropertyToCurve(&property, i, ComponentNode(channel, count, i).GetCurve());
    }
}

void RWyxTakeNodeContainer::CreatePropertyCurveNode(RWyxTakeNode& takeNode, RProperty& property) {
    RFCurveNode& root = *takeNode.GetRootCurveNode();
    const int count = ComponentCount(property);
    if (root.GetChildIndexByName(property.GetName()) >= 0 || count > kMaxComponents) {
        return;
    }
    RFCurveNode* channel = root.FindOrAddChild(property.GetName(), count == 1);
    for (int i = 0; i < count; ++i) {
        ComponentNode(*channel, count, i);
    }
    if (takeNode.TemplateLinksProperties()) {
        LinkChannel(*channel, property);
    }
    WriteChannelDefaults(*channel, property);
}

void RWyxTakeNodeContainer::UpdateCurveDefaults(RWyxUserProperty& userProperty) {
    if (!userProperty.GetFlag(RWyxUserProperty::kFlagAnimatable)) {
        return;
    }
    if (const RProperty* property = userProperty.GetProperty()) {
        UpdateCurveDefaults(*property);
    }
}

void RWyxTakeNodeContainer::UpdateCurveDefaults(const RProperty& property) {
    // A property written from a linked curve: the curves hold the value already.
    if (writingLinkedProperty_ || !property.IsAnimatable()) {
        return;
    }
    RWyxTakeNode* const takeNodes[2] = {
        currentIndex_ >= 0 && currentIndex_ < GetTakeNodeCount() ? takeNodes_[static_cast<size_t>(currentIndex_)].get()
                                                                 : nullptr,
        GetDefaultTakeNode()};
    for (int i = 0; i < 2; ++i) {
        // A tree not made yet takes the value when it is made.
        const bool skipped = takeNodes[i] == nullptr || !takeNodes[i]->IsTreeMade() || (i == 1 && takeNodes[1] == takeNodes[0]);
        RFCurveNode* channel = !skipped ? FindChannel(*takeNodes[i], property.GetName()) : nullptr;
        if (channel != nullptr) {
            WriteChannelDefaults(*channel, property);
        }
    }
}

void RWyxTakeNodeContainer::UpdateDefaultTakeChannel(const RProperty& property, const char* channelName) {
    RWyxTakeNode* defaultTake = GetDefaultTakeNode();
    if (writingLinkedProperty_ || defaultTake == nullptr || channelName == nullptr) {
        return;
    }
    RFCurveNode& root = *defaultTake->GetRootCurveNode();
    if (RFCurveNode* channel = root.GetChild(root.GetChildIndexByName(channelName))) {
        WriteChannelDefaults(*channel, property);
    }
}

void RWyxTakeNodeContainer::UpdateAllCurveDefaults() {
    const RWyxTakeNode* defaultTake = GetDefaultTakeNode();
    // A tree not made yet takes the values when it is made.
    if (defaultTake == nullptr || !defaultTake->IsTreeMade()) {
        return;
    }
    std::vector<RProperty*> properties;
    CollectProperties(properties);
    for (const RProperty* property : properties) {
        RFCurveNode* channel = property != nullptr ? FindChannel(*defaultTake, property->GetName()) : nullptr;
        if (channel != nullptr) {
            WriteChannelDefaults(*channel, *property);
        }
    }
}

void RWyxTakeNodeContainer::ConnectPropertyCurves(RWyxUserProperty& userProperty) {
    if (!userProperty.GetFlag(RWyxUserProperty::kFlagAnimatable)) {
        return;
    }
    RProperty* property = userProperty.GetProperty();
    if (property != nullptr) {
        property->SetStateFlags(RProperty::kStateWriterFlag, true);
    }
    const RWyxUserPropertyType type = userProperty.GetType();
    const bool vectorType = type == kUserPropertyVector || type == kUserPropertyColor;
    const int count = property != nullptr ? ComponentCount(*property) : (vectorType ? 3 : 1);
    const char* name = userProperty.GetName();
    if (count > kMaxComponents || name == nullptr) {
        return;
    }
    const bool transformChannel = PropertyNameToChannel(name) != name;
    for (size_t i = 0; i < takeNodes_.size(); ++i) {
        RWyxTakeNode& takeNode = *takeNodes_[i];
        RFCurveNode* channel = FindChannel(takeNode, name);
        if (channel == nullptr && !transformChannel) {
            channel = takeNode.GetRootCurveNode()->FindOrAddChild(name, count == 1);
        }
        if (channel == nullptr) {
            continue;
        }
        for (int component = 0; component < count; ++component) {
            ComponentNode(*channel, count, component);
        }
        if (property != nullptr) {
            if (i == 0) {
                LinkChannel(*channel, *property);
            }
            WriteChannelDefaults(*channel, *property);
        }
    }
}

void RWyxTakeNodeContainer::DisconnectPropertyCurves(RWyxUserProperty& userProperty) {
    const char* name = userProperty.GetName();
    if (name == nullptr) {
        return;
    }
    for (const auto& takeNode : takeNodes_) {
        RFCurveNode& root = *takeNode->GetRootCurveNode();
        // Deleted, not only taken out: nothing else would free the channel and its curves,
        // and their links go with the curves.
        root.DeleteChild(root.GetChildIndexByName(name));
    }
}

// ---- property-curve links ------------------------------------------------------------------

bool RWyxTakeNodeContainer::LinkPropertyToCurve(RProperty* property, int component, RFCurve* curve) {
    if (property == nullptr || curve == nullptr || component < 0 || component >= kMaxComponents) {
        return false;
    }
    if (HasLink(property, component, curve)) {
        return true;
    }
    links_.push_back(std::make_unique<PropertyCurveLink>(PropertyCurveLink{RPlugRef(property), component, curve, this}));
    IndexNewestLink();
    curve->AddListener(OnLinkedCurveChanged, links_.back().get());
    return true;
}

// An object's few links are looked at one by one (most objects have a dozen or so, and an
// index would cost each of them a heap block a link); past kIndexedLinks, only the curve's.
bool RWyxTakeNodeContainer::HasLink(const RProperty* property, int component, const RFCurve* curve) const {
    const auto same = [&](const PropertyCurveLink& link) {
        return link.curve == curve && link.component == component && link.property.Get() == property;
    };
    if (linksByCurve_.empty()) {
        return std::any_of(links_.begin(), links_.end(), [&](const auto& link) { return same(*link); });
    }
    const auto sameCurve = linksByCurve_.equal_range(curve);
    return std::any_of(sameCurve.first, sameCurve.second, [&](const auto& entry) { return same(*entry.second); });
}

// The index, once made, holds every link; it is made when the links reach kIndexedLinks.
void RWyxTakeNodeContainer::IndexNewestLink() {
    if (!linksByCurve_.empty()) {
        linksByCurve_.emplace(links_.back()->curve, links_.back().get());
    } else if (links_.size() >= kIndexedLinks) {
        for (const auto& link : links_) linksByCurve_.emplace(link->curve, link.get());
    }
}

// Grows as push_back would, at least doubling: a container asked again and again for a few more
// links does not copy them all each time.
void RWyxTakeNodeContainer::ReservePropertyCurveLinks(int count) {
    const std::size_t needed = links_.size() + static_cast<std::size_t>(std::max(count, 0));
    if (needed > links_.capacity()) links_.reserve(std::max(needed, 2 * links_.capacity()));
}

void RWyxTakeNodeContainer::OnLinkedCurveChanged(RFCurve& curve, const RCurveChangeRecord& record, void* data) {
    PropertyCurveLink* link = static_cast<PropertyCurveLink*>(data);
    if ((record.GetKinds() & RCurveChangeRecord::DefaultChanged) != 0) {
        link->container->WriteLinkedProperty(*link, curve.GetDefaultValue());
    }
    if ((record.GetKinds() & RCurveChangeRecord::CurveDestroyed) != 0) {
        link->container->RemoveLink(link);
    }
}

void RWyxTakeNodeContainer::WriteLinkedProperty(const PropertyCurveLink& link, float value) {
    // A default the container wrote from the property: the property has the value already.
    if (writingCurveDefaults_) {
        return;
    }
    RProperty* property = static_cast<RProperty*>(link.property.Get());
    if (property == nullptr) {
        return;
    }
    ScopedFlag writing(writingLinkedProperty_);
    switch (property->GetTypeCode()) {
        case kPropertyTypeInt:
        case kPropertyTypeBool:
        case kPropertyTypeEnum:
        case kPropertyTypeFloat:
        case kPropertyTypeDouble:
            // Integers and flags are truncated (and saturated) by the property.
            property->SetDouble(value);
            return;
        default:
            break;
    }
    RPropertyValue current = property->GetValue();
    RVector4* vector = std::get_if<RVector4>(&current);
    if (vector != nullptr && link.component < ComponentCount(*property)) {
        *vector->Component(link.component) = value;
        property->SetValue(current);
    }
}

void RWyxTakeNodeContainer::RemoveLink(const PropertyCurveLink* link) {
    const auto found = std::find_if(links_.begin(), links_.end(),
                                    [link](const std::unique_ptr<PropertyCurveLink>& entry) { return entry.get() == link; });
    if (found == links_.end()) {
        return;
    }
    // Keeps the record alive until it is unregistered.
    const std::unique_ptr<PropertyCurveLink> removed = std::move(*found);
    links_.erase(found);
    const auto sameCurve = linksByCurve_.equal_range(removed->curve);
    for (auto entry = sameCurve.first; entry != sameCurve.second; ++entry) {
        if (entry->second == removed.get()) {
            linksByCurve_.erase(entry);
            break;
        }
    }
    removed->curve->RemoveListener(OnLinkedCurveChanged, removed.get());
}

void RWyxTakeNodeContainer::AddUserPropertyWrappers(RWyxPropertyHandler& properties, RWyxObjectFactory* factory) {
    wrapperFactory_ = factory;
    // Of what adding each wrapper does (ConnectPropertyCurves), the template did all but the
    // writers' mark.
    for (int i = 0; i < properties.GetPropertyCount(); ++i) {
        RProperty* property = properties.GetProperty(i);
        if (property != nullptr && property->IsAnimatable()) property->SetStateFlags(RProperty::kStateWriterFlag, true);
    }
    properties.SetWrapperList(this);
    DeferUserPropertyWrappers(properties, properties.GetPropertyCount());
}

std::unique_ptr<RWyxUserProperty> RWyxTakeNodeContainer::MakeUserPropertyFor(RProperty* property) const {
    if (wrapperFactory_ == nullptr) return RWyxSceneObject::MakeUserPropertyFor(property);
    return wrapperFactory_->HandOverUserProperty(wrapperFactory_->CreateUserPropertyFor(property));
}
