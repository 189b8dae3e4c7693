#ifndef WYX_SCENE_RWYXTAKENODECONTAINER_H
#define WYX_SCENE_RWYXTAKENODECONTAINER_H

// The base of every animatable scene object (nodes; materials, textures, poses, deformers and
// the like). It keeps the object's take nodes, one per take, the first always "Default", and
// the index of the current one; it builds a take node's channels from the object's
// animatable properties; and it keeps each animatable property linked to the curves of the
// default take that animate it, so that the curve's default value and the property's value
// stay equal in both directions.
//
// What a derived class does:
// - passes its own RError to the constructor (it may still be unconstructed then: the
//   container only uses it after construction); every failure of the container is set
//   there with code 0 and one of the texts "Index out of range", "Unknown take node name",
//   "Take node does not exist", "Cannot remove default take node", "Take node already
//   exists";
// - calls CreateDefaultTakeNode in its constructor once its properties exist (the take
//   "Default", index 0, current);
// - implements CreateChannelTemplate (build the channels of a new, empty take node; usually
//   CreatePropertyCurveNode for each animatable property) and CollectProperties;
// - calls UpdateCurveDefaults when the value of one of its properties changes (its
//   properties object's user-property notification is the place).
//
// User properties: adding one to the object (AddUserProperty) makes its channels in every
// take node (ConnectPropertyCurves); removing one (RemoveUserProperty) deletes them
// (DisconnectPropertyCurves). A class that must first make the property on its properties
// object overrides OnUserPropertyAdded and calls the container's version afterwards.
//
// Channel lookup: the channel of a property is the root's child of the property's name;
// the properties "Lcl Translation", "Lcl Rotation" and "Lcl Scaling" have the channels "T",
// "R" and "S", which sit below "Transform".

#include <memory>
#include <unordered_map>
#include <vector>

#include "core/RError.h"
#include "core/RString.h"
#include "core/RTime.h"
#include "core/RWyxSceneObject.h"

class RCurveChangeRecord;
class RDataType;
class RFCurve;
class RFCurveNode;
class RObject;
class RProperty;
class RWyxPropertyHandler;
class RWyxObjectFactory;
class RWyxTakeNode;

class RWyxTakeNodeContainer : public RWyxSceneObject {
public:
    // The code every failure of the container is set with on the derived class's RError.
    static constexpr int kTakeNodeErrorCode = 0;
    static constexpr const char* kDefaultTakeName = "Default";

    // No take node yet (current index -1). The error object stays the derived class's.
    RWyxTakeNodeContainer(void* manager, const RString& name, RError& error);
    // Deletes the take nodes (last first), then unlinks what is still linked.
    ~RWyxTakeNodeContainer() override;

    // ---- hooks of the scene-object base ---------------------------------------------------
    // ConnectPropertyCurves.
    void OnUserPropertyAdded(RWyxUserProperty& userProperty) override;
    // DisconnectPropertyCurves.
    void OnUserPropertyRemoved(RWyxUserProperty& userProperty) override;

    // ---- operations of the derived classes ------------------------------------------------
    // Selects the first take node whose name equals the name exactly. Otherwise "Unknown take
    // node name", the default take (index 0) becomes current, false.
    virtual bool SetCurrentTakeNodeByName(const char* name);
    // Selects the take node when 0 <= index < count. Otherwise "Index out of range", the
    // default take becomes current, false.
    virtual bool SetCurrentTakeNodeByIndex(int index);
    // Widens start and stop to the key interval of the current take node. False, both
    // untouched, when it has no keys, or with "Take node does not exist" when there is no
    // current take node.
    virtual bool GetAnimationInterval(RTime& start, RTime& stop);
    // Builds the object's channels in a new, empty take node.
    virtual void CreateChannelTemplate(RWyxTakeNode& takeNode) = 0;
    // The defaults the template gives the X, Y and Z curves of a transform channel (0
    // translation, 1 rotation, 2 scaling), as the curves hold them; false when the template
    // makes no such curves (the base class's answer).
    virtual bool GetTemplateTransformDefaults(int channel, float defaults[3]) const;
    // The same for the template's visibility curve.
    virtual bool GetTemplateVisibilityDefault(float& value) const;
    // Appends the object's properties, in order (UpdateAllCurveDefaults goes through them).
    virtual void CollectProperties(std::vector<RProperty*>& properties) const = 0;
    // For an animatable user property: marks its property for the writers (state bit 8) and,
    // in every take node, finds its channel or makes it (with a curve for a scalar, with a
    // curve per component otherwise), links the default take's curves to the property and
    // writes the property's value as the channel's defaults.
    virtual void ConnectPropertyCurves(RWyxUserProperty& userProperty);
    // Deletes the property's channel (the root's child of its name) from every take node,
    // with its curves and their links.
    virtual void DisconnectPropertyCurves(RWyxUserProperty& userProperty);

    // ---- take nodes -----------------------------------------------------------------------
    // A new take node at the end: a copy of the default take node (curves, keys and defaults)
    // under the name, or, while there is none, an empty one filled by CreateChannelTemplate.
    // The current take does not change. Null with "Take node already exists" when a take node
    // has exactly this name (null with "Unknown take node name" for a null name).
    RWyxTakeNode* AddTakeNode(const char* name);
    // AddTakeNode ("Default"), then the default take is current. Answers the new take node.
    RWyxTakeNode* CreateDefaultTakeNode();
    // Deletes the take node at the index. The take that was current stays current (its index
    // moves down when a take before it goes); when it is the one removed, the take before it
    // becomes current. False with "Cannot remove default take node" for index 0, with "Index
    // out of range" for an index outside the list.
    bool RemoveTakeNode(int index);
    int GetTakeNodeCount() const { return static_cast<int>(takeNodes_.size()); }
    // Null with "Take node does not exist" for an index outside the list.
    RWyxTakeNode* GetTakeNode(int index);
    const char* GetTakeNodeName(int index);
    // Index 0; null, without an error, when there is no take node.
    RWyxTakeNode* GetDefaultTakeNode() const;
    // Null with "Take node does not exist" when there is none.
    RWyxTakeNode* GetCurrentTakeNode();
    const char* GetCurrentTakeNodeName();
    // -1 before the first take node exists.
    int GetCurrentTakeNodeIndex() const { return currentIndex_; }

    // True when a take node other than the default one has keys on that curve (the take
    // node's FindCurve and FindCurveByType).
    bool IsAnimatedInAnyTake(const char* nodeName, const char* channelName, const char* componentName);
    bool IsAnimatedInAnyTakeByType(const char* nodeName, const char* channelName, const RDataType* dataType);

    // ---- property curves ------------------------------------------------------------------
    // Makes the property's channel under the take node's root, unless the root has a child
    // of that name already: a curve for a scalar; for a vector or colour a node with one
    // child per component ("X", "Y", "Z", and "toto" for a fourth), each with a curve. In the
    // take "Default" (any case) the curves are linked to the property. The channel's defaults
    // take the property's value. Properties of more than four components get no channel.
    void CreatePropertyCurveNode(RWyxTakeNode& takeNode, RProperty& property);
    // From now on a change of the curve's default value writes the component (0 for a
    // scalar, 0 to 3 for a vector or colour) of the property, until the curve is destroyed
    // or the container is. False for null arguments or a component outside 0 to 3; linking
    // the same triple again keeps one link (true).
    bool LinkPropertyToCurve(RProperty* property, int component, RFCurve* curve);
    // Room for that many more links, for a caller about to make them.
    void ReservePropertyCurveLinks(int count);
    // For an animatable user property: writes its value as the defaults of its channel in the
    // current and in the default take node (creating the channel's missing curves).
    void UpdateCurveDefaults(RWyxUserProperty& userProperty);
    // The same for the property itself (an animatable one); the derived classes call it for
    // the properties a user property wraps (HasUserPropertyFor).
    void UpdateCurveDefaults(const RProperty& property);
    // Writes the property's value as the defaults of the channel of that name (a child of the
    // root) in the default take node, when it has one; nothing while the property takes its
    // value from a linked curve. For the properties of an attribute, whose channels may be
    // named otherwise.
    void UpdateDefaultTakeChannel(const RProperty& property, const char* channelName);
    // Writes the value of every property CollectProperties lists into the defaults of its
    // channel in the default take node, where the channel exists.
    void UpdateAllCurveDefaults();
    // A property value as a curve value: curves hold floats, so a double beyond their range
    // saturates at the largest float instead of overflowing; NaN stays NaN.
    static float ToCurveValue(double value);
    // "T", "R" and "S" for "Lcl Translation", "Lcl Rotation" and "Lcl Scaling"; any other
    // name as it is.
    static const char* PropertyNameToChannel(const char* name);
    // Makes the trees of the take nodes that wait for it (other than the default take's with
    // copiesOnly); see CanDeferTakeTrees.
    void MakeTakeTrees(bool copiesOnly);
    // The links in force (those of a default take whose tree is not made yet included: its
    // tree is made).
    int GetPropertyCurveLinkCount();

protected:
    // True when the trees of new take nodes may wait until first asked for (RWyxTakeNode): the
    // derived class then makes them (MakeTakeTrees) before anything its template reads changes,
    // except the values of animatable properties, which the copies alone must keep as they
    // were (copiesOnly). False here.
    virtual bool CanDeferTakeTrees() const { return false; }

    // Gives every property of `properties` a user-property wrapper owned by this object, made
    // when first asked for: by the factory and handed over when there is one, else here. Call
    // once, from the constructor, after the take "Default" is made and before any user
    // property is added: the template made the channels of the animatable properties already,
    // which only get the writers' mark here.
    void AddUserPropertyWrappers(RWyxPropertyHandler& properties, RWyxObjectFactory* factory);
    std::unique_ptr<RWyxUserProperty> MakeUserPropertyFor(RProperty* property) const override;

private:
    struct PropertyCurveLink;

    void SetTakeNodeError(const char* text);
    int FindTakeNodeIndex(const char* name) const;
    // The channel of a property name below a take node's root; null when it has none.
    static RFCurveNode* FindChannel(const RWyxTakeNode& takeNode, const char* propertyName);
    // Writes the property's value into the channel's curve defaults (see the source).
    void WriteChannelDefaults(RFCurveNode& channel, const RProperty& property);
    // Links every curve of a channel to the property's components.
    void LinkChannel(RFCurveNode& channel, RProperty& property);
    static void OnLinkedCurveChanged(RFCurve& curve, const RCurveChangeRecord& record, void* link);
    void WriteLinkedProperty(const PropertyCurveLink& link, float value);
    void RemoveLink(const PropertyCurveLink* link);
    bool HasLink(const RProperty* property, int component, const RFCurve* curve) const;
    void IndexNewestLink();

    std::vector<std::unique_ptr<RWyxTakeNode>> takeNodes_;
    std::vector<std::unique_ptr<PropertyCurveLink>> links_;
    // The links of each curve, once the object has kIndexedLinks links (empty before): asking
    // whether a link exists then looks at that curve's few, not at every link of the object.
    static constexpr std::size_t kIndexedLinks = 32;
    std::unordered_multimap<const RFCurve*, const PropertyCurveLink*> linksByCurve_;
    RWyxObjectFactory* wrapperFactory_ = nullptr;  // makes the deferred wrappers
    int currentIndex_ = -1;
    RError& error_;
    // Break the loop property -> curve defaults -> linked property -> ...: while the one
    // direction writes, the other stands still.
    bool writingCurveDefaults_ = false;
    bool writingLinkedProperty_ = false;
};

#endif
