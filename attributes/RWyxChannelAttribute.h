#ifndef WYX_ATTRIBUTES_RWYXCHANNELATTRIBUTE_H
#define WYX_ATTRIBUTES_RWYXCHANNELATTRIBUTE_H

// The base of the attribute kinds whose values live in a properties object made from one
// property table (null, marker, skeleton, camera, light).
//
// The attribute owns its properties object. The animatable rows of the table are the kind's
// channels: attaching the attribute adds one channel per animatable row to every take node of
// the owner node (named as the row, unless the kind names it otherwise, and of the row's data
// type, so that the take node's typed look-ups find it); detaching removes them. In the
// owner's default take node the channel's curves and the property are linked both ways, so
// that a curve default written by a reader reaches the property.
//
// The "default" of an animatable value is the default value of its channel in the owner's
// first (default) take node. A detached attribute, or one whose owner lacks the channel,
// answers and keeps the property's value instead: no accessor needs an owner node.
//
// The attribute's rules hold whoever writes a value: its setters write the property, and every
// write, through a setter or straight through the property, is first offered to the kind's
// checks (a refused value stays out) and then followed by what depends on it (the channel's
// defaults in the owner's default take; the kind's other values).

#include "attributes/RWyxAttributeProperties.h"
#include "attributes/RWyxPropertyTable.h"
#include "core/RObject.h"
#include "core/RVector4.h"
#include "scene/RWyxNodeAttribute.h"

#include <memory>
#include <vector>

class RFCurveNode;

class RWyxChannelAttribute : public RWyxNodeAttribute {
public:
    // Adds the channels of the animatable rows the take node lacks; in the default take
    // (named "Default", any case) they are linked to the properties.
    void AddChannels(RWyxTakeNode& takeNode) override;
    // Deletes the channels of the animatable rows, with their curves and links.
    void RemoveChannels(RWyxTakeNode& takeNode) override;
    // Every property of the properties object, in order.
    void CollectProperties(std::vector<RProperty*>& properties) const override;

    RObject* GetPropertiesObject() const { return properties_.get(); }
    // The channel name of a row; the property name unless the kind names it otherwise.
    virtual const char* GetChannelName(int row) const;

    // Told by the properties object: whether a value may be written to one of its properties
    // (AcceptsValue for the property's row), and that one was written (OnValueChanged).
    bool AcceptsPropertyValue(const RProperty& property, const RPropertyValue& value) const;
    void OnPropertyValueChanged(const RProperty& property);

protected:
    // Takes the properties object (made with its properties) and the table that made them.
    RWyxChannelAttribute(RWyxObjectFactory* factory, RWyxAttributeProperties* properties, RWyxPropertyTable& table);
    ~RWyxChannelAttribute() override;

    // The kind's rules for a row's value; every value is accepted here.
    virtual bool AcceptsValue(int /*row*/, const RPropertyValue& /*value*/) const { return true; }
    // After a row's value changed: an animatable row's channel defaults in the owner's default
    // take follow the property (unless the curves wrote it). A kind that keeps other values in
    // step does so first, then calls this.
    virtual void OnValueChanged(int row);

    RWyxPropertyTable& Table() const { return table_; }

    // The row's channel in the owner's default take node; null when detached or missing.
    RFCurveNode* FindDefaultChannel(int row) const;
    // The channel's default value (component by component for a vector), else the property's.
    double GetChannelDefault(int row) const;
    RVector4 GetChannelDefaultVector(int row) const;
    // Writes the property, and with it the channel's defaults when the owner has the channel
    // (the property keeps the exact value, the curves its nearest float); false when the
    // value is refused.
    bool SetChannelDefault(int row, double value);
    bool SetChannelDefaultVector(int row, const RVector4& value);
    // Every property back to its row's default, the channel defaults of the owner's default
    // take with them.
    void ResetProperties();

    // The row of one of this object's properties; -1 for any other property.
    int RowOf(const RProperty& property) const;
    // False for a number, or a vector with a component, that is infinite or not a number.
    static bool IsFiniteValue(const RPropertyValue& value);

private:
    bool IsAnimatableRow(int row) const;
    // The row's channel with curves at the property's value, linked to it when asked.
    RFCurveNode* NewChannel(int row, bool linked) const;

    std::unique_ptr<RWyxAttributeProperties, RPlugDestroyer> properties_;
    RWyxPropertyTable& table_;
};

#endif
