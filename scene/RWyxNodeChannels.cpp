// The channel template of a node: the curve nodes a new, empty take node of a node gets.

#include "core/RDataType.h"
#include "core/RProperty.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxTakeNode.h"

#include <cstring>
#include <variant>

namespace {

const char* const kTransformProperties[] = {"Lcl Translation", "Lcl Rotation", "Lcl Scaling"};
const char* const kTransformChannels[] = {"T", "R", "S"};
const char* const kComponentNames[] = {"X", "Y", "Z"};
const float kComponentColors[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
const float kVisibilityColor[3] = {0.75f, 0.0f, 0.0f};

bool IsTemplateChannelProperty(const char* name) {
    for (const char* transform : kTransformProperties) {
        if (std::strcmp(name, transform) == 0) return true;
    }
    return std::strcmp(name, "Visibility") == 0;
}

RFCurve* NewCurve(double defaultValue, const float* color) {
    RFCurve* curve = RFCurve::Create();
    curve->SetDefaultValue(RWyxTakeNodeContainer::ToCurveValue(defaultValue));
    curve->SetColor(color);
    return curve;
}

// The vector value of a property; `fallback` when the property is missing or holds none.
RVector4 VectorValue(const RProperty* property, const RVector4& fallback) {
    if (property == nullptr) return fallback;
    const RPropertyValue value = property->GetValue();
    const RVector4* vector = std::get_if<RVector4>(&value);
    return vector != nullptr ? *vector : fallback;
}

// The values the template gives a transform channel's curves: the property's, or the
// identity's where the property is missing.
RVector4 TransformChannelValue(const RProperty* property, int channel) {
    const double missing = channel == 2 ? 1.0 : 0.0;
    return VectorValue(property, RVector4(missing, missing, missing, 1.0));
}

double VisibilityChannelValue(const RProperty* property) { return property != nullptr ? property->GetDouble() : 1.0; }

// The data types of the transform channels and of "Visibility": fixed types of the type table.
const RDataType* TransformDataType(int channel) {
    static const RDataType* const types[3] = {RDataType::FindByName(kTransformProperties[0]),
                                              RDataType::FindByName(kTransformProperties[1]),
                                              RDataType::FindByName(kTransformProperties[2])};
    return types[channel];
}

const RDataType* VisibilityDataType() {
    static const RDataType* const type = RDataType::FindByName("Visibility");
    return type;
}

// The template's properties are the last four rows: "Lcl Translation", "Lcl Rotation",
// "Lcl Scaling" and "Visibility". Each is looked for at its row's place first, which stands for
// the lookup by name wherever nothing else could be found by it.
RProperty* FindTemplateProperty(const RWyxNodeProperties& properties, const char* name, int templateIndex) {
    int place = RWyxNodeProperties::kPropertyCount - 4 + templateIndex;
    return properties.FindPropertyFrom(name, place);
}

}  // namespace

bool RWyxNode::GetTemplateVisibilityDefault(float& value) const {
    const RProperty* property = FindTemplateProperty(*properties_, "Visibility", 3);
    value = RWyxTakeNodeContainer::ToCurveValue(VisibilityChannelValue(property));
    return true;
}

bool RWyxNode::GetTemplateTransformDefaults(int channel, float defaults[3]) const {
    if (channel < 0 || channel >= 3) return false;
    const RProperty* property = FindTemplateProperty(*properties_, kTransformProperties[channel], channel);
    const RVector4 value = TransformChannelValue(property, channel);
    for (int component = 0; component < 3; ++component) {
        defaults[component] = RWyxTakeNodeContainer::ToCurveValue(*value.Component(component));
    }
    return true;
}

void RWyxNode::CreateChannelTemplate(RWyxTakeNode& takeNode) {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    if (root == nullptr) return;
    const bool linked = takeNode.TemplateLinksProperties();

    // Each node joins its parent while it has no children: the check that a new child does not
    // reach its parent then has nothing to walk.
    if (linked) ReservePropertyCurveLinks(10);
    RFCurveNode* transform = RFCurveNode::Create("Transform", nullptr);
    root->AddChild(transform);
    transform->ReserveChildren(3);
    for (int channel = 0; channel < 3; ++channel) {
        RProperty* property = FindTemplateProperty(*properties_, kTransformProperties[channel], channel);
        const RVector4 value = TransformChannelValue(property, channel);
        RFCurveNode* node = RFCurveNode::Create(kTransformChannels[channel], TransformDataType(channel));
        transform->AddChild(node);
        node->ReserveChildren(3);
        for (int component = 0; component < 3; ++component) {
            RFCurveNode* leaf = RFCurveNode::Create(kComponentNames[component], nullptr);
            RFCurve* curve = NewCurve(*value.Component(component), kComponentColors[component]);
            leaf->SetCurve(curve, true);
            node->AddChild(leaf);
            if (linked) LinkPropertyToCurve(property, component, curve);
        }
    }

    RProperty* visibilityProperty = FindTemplateProperty(*properties_, "Visibility", 3);
    RFCurveNode* visibility = RFCurveNode::Create("Visibility", VisibilityDataType());
    RFCurve* visibilityCurve = NewCurve(VisibilityChannelValue(visibilityProperty), kVisibilityColor);
    visibility->SetCurve(visibilityCurve, true);
    if (linked) LinkPropertyToCurve(visibilityProperty, 0, visibilityCurve);
    root->AddChild(visibility);

    for (int i = 0; i < properties_->GetPropertyCount(); ++i) {
        RProperty* property = properties_->GetProperty(i);
        if (property != nullptr && property->IsAnimatable() && !IsTemplateChannelProperty(property->GetName())) {
            CreatePropertyCurveNode(takeNode, *property);
        }
    }
    if (attribute_ != nullptr) attribute_->AddChannels(takeNode);
}
