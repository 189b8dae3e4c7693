#include "attributes/RWyxChannelAttribute.h"

#include "core/RDataType.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>
#include <variant>

namespace {

constexpr int kVectorComponents = 3;
const char* const kComponentNames[kVectorComponents] = {"X", "Y", "Z"};

bool IsVectorRow(const RWyxPropertyTable& table, int row) {
    const int typeCode = table.GetTypeCode(row);
    return typeCode == kPropertyTypeVector3 || typeCode == kPropertyTypeColorRGB;
}

// The curve of one component of a channel: the channel's own for a scalar, its child's for
// a vector. Null when the channel lacks it.
RFCurve* ComponentCurve(const RFCurveNode& channel, bool vector, int component) {
    if (!vector) return channel.GetCurve();
    const RFCurveNode* child = channel.GetChild(channel.GetChildIndexByName(kComponentNames[component]));
    return child != nullptr ? child->GetCurve() : nullptr;
}

RFCurve* NewCurve(double defaultValue) {
    RFCurve* curve = RFCurve::Create();
    curve->SetDefaultValue(RWyxTakeNodeContainer::ToCurveValue(defaultValue));
    return curve;
}

}  // namespace

RWyxChannelAttribute::RWyxChannelAttribute(RWyxObjectFactory* factory, RWyxAttributeProperties* properties,
                                           RWyxPropertyTable& table)
    : RWyxNodeAttribute(factory), properties_(properties), table_(table) {
    properties_->SetAttribute(this);
}

// The properties object may outlive the attribute (its end may wait for a lock): it must not
// call back.
RWyxChannelAttribute::~RWyxChannelAttribute() { properties_->SetAttribute(nullptr); }

int RWyxChannelAttribute::RowOf(const RProperty& property) const { return table_.RowOf(property); }

bool RWyxChannelAttribute::IsFiniteValue(const RPropertyValue& value) {
    if (const double* number = std::get_if<double>(&value)) return std::isfinite(*number);
    if (const RVector4* vector = std::get_if<RVector4>(&value)) {
        return std::isfinite(vector->x) && std::isfinite(vector->y) && std::isfinite(vector->z) &&
               std::isfinite(vector->w);
    }
    return true;
}

bool RWyxChannelAttribute::AcceptsPropertyValue(const RProperty& property, const RPropertyValue& value) const {
    const int row = RowOf(property);
    return row < 0 || AcceptsValue(row, value);
}

void RWyxChannelAttribute::OnPropertyValueChanged(const RProperty& property) {
    const int row = RowOf(property);
    if (row >= 0) OnValueChanged(row);
}

void RWyxChannelAttribute::OnValueChanged(int row) {
    RWyxNode* node = GetNode();
    const RProperty* property = table_.GetProperty(row);
    if (node != nullptr && property != nullptr && IsAnimatableRow(row)) {
        node->UpdateDefaultTakeChannel(*property, GetChannelName(row));
    }
}

const char* RWyxChannelAttribute::GetChannelName(int row) const {
    const RWyxPropertyRow* entry = table_.GetRow(row);
    return entry != nullptr ? entry->name : nullptr;
}

bool RWyxChannelAttribute::IsAnimatableRow(int row) const {
    const RWyxPropertyRow* entry = table_.GetRow(row);
    return entry != nullptr && (entry->flags & RWyxPropertyRow::kAnimatable) != 0;
}

void RWyxChannelAttribute::AddChannels(RWyxTakeNode& takeNode) {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    if (root == nullptr) return;
    const bool linked = takeNode.TemplateLinksProperties();
    for (int row = 0; row < table_.GetRowCount(); ++row) {
        if (!IsAnimatableRow(row) || table_.GetProperty(row) == nullptr) continue;
        if (root->GetChildIndexByName(GetChannelName(row)) < 0) root->AddChild(NewChannel(row, linked));
    }
}

// A scalar channel carries its curve itself; a vector channel one child per component.
RFCurveNode* RWyxChannelAttribute::NewChannel(int row, bool linked) const {
    RProperty* property = table_.GetProperty(row);
    RFCurveNode* channel = RFCurveNode::Create(GetChannelName(row), property->GetDataType());
    const bool vector = IsVectorRow(table_, row);
    const RVector4 values = vector ? table_.GetVector(row) : RVector4(table_.GetNumber(row), 0.0, 0.0, 0.0);
    for (int component = 0; component < (vector ? kVectorComponents : 1); ++component) {
        RFCurve* curve = NewCurve(*values.Component(component));
        if (vector) {
            RFCurveNode* leaf = RFCurveNode::Create(kComponentNames[component], nullptr);
            leaf->SetCurve(curve, true);
            channel->AddChild(leaf);
        } else {
            channel->SetCurve(curve, true);
        }
        if (linked && GetNode() != nullptr) GetNode()->LinkPropertyToCurve(property, component, curve);
    }
    return channel;
}

void RWyxChannelAttribute::RemoveChannels(RWyxTakeNode& takeNode) {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    if (root == nullptr) return;
    for (int row = 0; row < table_.GetRowCount(); ++row) {
        // Deleting the curves ends their links to the properties.
        if (IsAnimatableRow(row)) root->DeleteChild(root->GetChildIndexByName(GetChannelName(row)));
    }
}

void RWyxChannelAttribute::CollectProperties(std::vector<RProperty*>& properties) const {
    for (int i = 0; i < properties_->GetPropertyCount(); ++i) properties.push_back(properties_->GetProperty(i));
}

// ---- defaults through the owner's default take ----------------------------------------------

RFCurveNode* RWyxChannelAttribute::FindDefaultChannel(int row) const {
    const RWyxNode* node = GetNode();
    const RWyxTakeNode* takeNode = node != nullptr ? node->GetDefaultTakeNode() : nullptr;
    if (takeNode == nullptr || !IsAnimatableRow(row)) return nullptr;
    const RFCurveNode* root = takeNode->GetRootCurveNode();
    return root != nullptr ? root->GetChild(root->GetChildIndexByName(GetChannelName(row))) : nullptr;
}

double RWyxChannelAttribute::GetChannelDefault(int row) const {
    const RFCurveNode* channel = FindDefaultChannel(row);
    const RFCurve* curve = channel != nullptr ? ComponentCurve(*channel, false, 0) : nullptr;
    return curve != nullptr ? curve->GetDefaultValue() : table_.GetNumber(row);
}

RVector4 RWyxChannelAttribute::GetChannelDefaultVector(int row) const {
    RVector4 value = table_.GetVector(row);
    if (const RFCurveNode* channel = FindDefaultChannel(row)) {
        for (int component = 0; component < kVectorComponents; ++component) {
            if (const RFCurve* curve = ComponentCurve(*channel, true, component)) {
                *value.Component(component) = curve->GetDefaultValue();
            }
        }
    }
    return value;
}

bool RWyxChannelAttribute::SetChannelDefault(int row, double value) { return table_.SetNumber(row, value); }

bool RWyxChannelAttribute::SetChannelDefaultVector(int row, const RVector4& value) {
    return table_.SetVector(row, value);
}

// The channels follow each property written.
void RWyxChannelAttribute::ResetProperties() { table_.ResetAll(); }
