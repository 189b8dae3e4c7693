// The numbers of a scene that a WYX file cannot carry as they are, found before anything is
// written: NaN and the infinities where the writers' arithmetic spreads them to other numbers
// (a geometry's points and normals through its pivot, a shape's deltas) and where the reader
// refuses them (every number of a curve, a float of the file; the version-5 layout carries a
// model's animatable properties as the defaults of its default take's channels, which hold
// an infinity as the largest float). Elsewhere (property blocks, UVs, matrices, link weights,
// knots) such a number is written as it is and read back alike.

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RProperty.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "fileio/RStreamOptionsWyx.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "wyxwriter/RWyxWriterWyx.h"
#include "wyxwriter/WyxNodeWalk.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

bool IsFinite(const RVector4& vector) {
    return std::isfinite(vector.x) && std::isfinite(vector.y) && std::isfinite(vector.z);
}

RString Seconds(RTime time) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", time.ToSeconds());
    return RString(text);
}

// The first number of the curve that is not finite, among those a take's write keeps: its
// default, its colour, each key's value and tangent numbers. Empty when none is.
RString CurveFault(const RFCurve& curve) {
    if (!std::isfinite(curve.GetDefaultValue())) return RString("the default value");
    float rgb[3];
    curve.GetColor(rgb);
    if (!std::isfinite(rgb[0]) || !std::isfinite(rgb[1]) || !std::isfinite(rgb[2])) return RString("the colour");
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        const RCurveKey& key = curve.GetKey(k);
        bool finite = std::isfinite(key.GetValue());
        if (key.GetInterpolation() == RCurveKey::Cubic) {
            finite = finite && std::isfinite(key.GetRawData(0)) && std::isfinite(key.GetRawData(1));
            // Data 2 is a float of its own only for a Tcb key (its bias); others keep words there.
            if (key.GetTangentMode() == RCurveKey::Tcb) finite = finite && std::isfinite(key.GetRawData(2));
        }
        if (!finite) return RString("the key at ") + Seconds(key.GetTime());
    }
    return RString("");
}

// The first fault of a channel tree as the writer stores it (the node's curve, its channels,
// then its next layers), 'channel "<path>": <what>'; empty when there is none.
RString ChannelFault(const RFCurveNode& node, const RString& path) {
    for (const RFCurveNode* layer = &node; layer != nullptr; layer = layer->GetNextLayer()) {
        const RString where = layer == &node ? path : path + " (layer " + layer->GetLayerID() + ")";
        const RString fault = layer->GetCurve() != nullptr ? CurveFault(*layer->GetCurve()) : RString("");
        if (!fault.IsEmptyText()) return RString("channel \"") + where + "\": " + fault;
        for (int i = 0; i < layer->GetChildCount(); ++i) {
            const RFCurveNode* child = layer->GetChild(i);
            const RString inner = child != nullptr ? ChannelFault(*child, where + "/" + child->GetName()) : RString("");
            if (!inner.IsEmptyText()) return inner;
        }
    }
    return RString("");
}

// The first animatable property of the object whose number is not finite; empty when none is.
RString PropertyFault(const RWyxTakeNodeContainer& object) {
    std::vector<RProperty*> properties;
    object.CollectProperties(properties);
    for (const RProperty* property : properties) {
        if (property == nullptr || (property->GetFlags() & RProperty::kAnimatable) == 0) continue;
        const RPropertyValue value = property->GetValue();
        const double* number = std::get_if<double>(&value);
        const RVector4* vector = std::get_if<RVector4>(&value);
        if ((number != nullptr && !std::isfinite(*number)) || (vector != nullptr && !IsFinite(*vector))) {
            return RString("property \"") + property->GetName() + "\"";
        }
    }
    return RString("");
}

// The first fault of the object's takes that a write stores ('take "<name>", channel ...'):
// not the default take, whose channels are no take's animation, nor a take whose info is not
// selected. Empty when there is none.
RString TakeFault(RWyxTakeNodeContainer& owner, RWyxScene& scene) {
    for (int t = 1; t < owner.GetTakeNodeCount(); ++t) {
        const RWyxTakeNode& take = *owner.GetTakeNode(t);
        const RWyxTakeInfo* info = scene.GetTakeInfo(take.GetName().Buffer());
        const RFCurveNode* channels = take.GetRootCurveNode();
        if ((info != nullptr && !info->selected) || channels == nullptr) continue;
        for (int i = 0; i < channels->GetChildCount(); ++i) {
            const RFCurveNode& channel = *channels->GetChild(i);
            const RString fault = ChannelFault(channel, channel.GetName());
            if (!fault.IsEmptyText()) return RString("take \"") + take.GetName() + "\", " + fault;
        }
    }
    return RString("");
}

}  // namespace

RString RWyxWriterWyx::GeometryFault(RWyxGeometry& geometry) {
    const RMatrix& pivot = geometry.GetPivotMatrix();
    const RVector4* points = geometry.GetControlPoints();
    const int count = geometry.GetControlPointsCount();
    const bool weights = geometry.GetAttributeType() == RWyxNodeAttribute::kNurb;
    for (int i = 0; i < count; ++i) {
        if (!IsFinite(pivot.TransformPoint(points[i]))) return RString("control point ") + i;
        if (weights && !std::isfinite(points[i].w)) return RString("the weight of control point ") + i;
    }
    for (int l = 0; l < geometry.GetLayerCount(); ++l) {
        const RWyxLayerElementNormal* normals = geometry.GetLayer(l)->GetNormals();
        if (normals == nullptr) continue;
        const std::vector<RVector4> turned = TurnedByPivot(geometry, normals->DirectArray());
        for (std::size_t i = 0; i < turned.size(); ++i) {
            if (!IsFinite(turned[i])) return RString("normal ") + static_cast<int>(i) + " of layer " + l;
        }
    }
    for (int s = 0; s < geometry.GetShapeCount(); ++s) {
        const RWyxShape* shape = geometry.GetShape(s);
        if (shape == nullptr || shape->GetControlPointsCount() != count) continue;  // written without change
        const RString of = RString(" of shape \"") + geometry.GetShapeName(s) + "\"";
        std::vector<int> indices(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) indices[static_cast<std::size_t>(i)] = i;
        const std::vector<RVector4> moves = ShapeDeltas(geometry, indices, shape->GetControlPoints(), points, true);
        for (int i = 0; i < count; ++i) {
            if (!IsFinite(moves[static_cast<std::size_t>(i)])) return RString("control point ") + i + of;
        }
        const std::vector<RVector4>* base = NormalsByControlPoint(geometry);
        const std::vector<RVector4>* moved = NormalsByControlPoint(*shape);
        if (geometry.GetAttributeType() != RWyxNodeAttribute::kMesh || base == nullptr || moved == nullptr) continue;
        const std::vector<RVector4> turns = ShapeDeltas(geometry, indices, moved->data(), base->data(), false);
        for (int i = 0; i < count; ++i) {
            if (!IsFinite(turns[static_cast<std::size_t>(i)])) return RString("normal ") + i + of;
        }
    }
    return RString("");
}

bool RWyxWriterWyx::RefuseNonFiniteNumbers(RWyxScene& scene, bool takes, bool defaultChannels) {
    const auto refuse = [this](const RString& object, const RString& fault) {
        Refuse(object + ": " + fault + " lies beyond the real numbers a WYX file holds");
        return false;
    };
    const bool geometry = Flag(RStreamOptionsWyx::kFlagGeometry);
    std::vector<RWyxTakeNodeContainer*> animated;
    if (RWyxNode* switcher = scene.GetCameraSwitcherNode()) animated.push_back(switcher);
    const RWyxNode* culprit = nullptr;
    RString fault;
    ForEachNodeBelow(*scene.GetRootNode(), [&](RWyxNode& node) {
        animated.push_back(&node);
        if (culprit != nullptr) return;
        RWyxGeometry* shaped = node.GetGeometry();
        fault = geometry && shaped != nullptr ? GeometryFault(*shaped) : RString("");
        // The version-5 default take's channels hold the animatable properties' values.
        if (fault.IsEmptyText() && defaultChannels) fault = PropertyFault(node);
        if (!fault.IsEmptyText()) culprit = &node;
    });
    if (culprit != nullptr) return refuse(culprit->GetName(), fault);
    if (!takes) return true;
    RWyxEntityContainer& entity = *scene.GetEntity();
    for (int i = 0; i < scene.GetGenericNodeCount(); ++i) animated.push_back(scene.GetGenericNode(i));
    for (int i = 0; i < scene.GetCharacterCount(); ++i) animated.push_back(scene.GetCharacter(i));
    for (int i = 0; i < entity.GetTextureCount(); ++i) animated.push_back(entity.GetTexture(i));
    for (int i = 0; i < entity.GetMaterialCount(); ++i) animated.push_back(entity.GetMaterial(i));
    for (RWyxTakeNodeContainer* owner : animated) {
        fault = owner != nullptr ? TakeFault(*owner, scene) : RString("");
        if (!fault.IsEmptyText()) return refuse(owner->GetName(), fault);
    }
    return true;
}
