#ifndef WYX_ATTRIBUTES_RWYXPROPERTYOWNER_H
#define WYX_ATTRIBUTES_RWYXPROPERTYOWNER_H

// The base of the animatable scene objects of this layer whose values live in a properties
// object declared by a property table (materials and textures; poses, characters, generic
// nodes, control-set plugs and deformers as they are completed). It owns the properties
// object and builds on it what the take-node container asks of a derived class:
// - the channels of a new take node: one per animatable property, named like it;
// - the properties list: every property of the properties object, in order;
// - one user property wrapping each property (made when first asked for), so that a value
//   change of an animatable property writes the value into the defaults of its curves in the
//   current and the default take (the properties object reports the changes here);
// - user properties added later become properties of the properties object, with channels.
//
// A derived class makes its properties object in its constructor (with itself as owner) and
// hands it to AdoptProperties, which then creates the take "Default". The object factory
// calls PrepareDestroy before deleting the object: the properties object leaves every
// connection (a node or a material that uses it) while the object is whole.

#include "core/RError.h"
#include "scene/RWyxTakeNodeContainer.h"

#include <vector>

class RWyxObjectFactory;
class RWyxOwnedProperties;

class RWyxPropertyOwner : public RWyxTakeNodeContainer {
public:
    // Ends the properties object; it hears of nothing from this object afterwards.
    ~RWyxPropertyOwner() override;

    // Disconnects the properties object from everything it is connected with.
    void PrepareDestroy() override;

    // ---- what the take-node container asks ---------------------------------------------------
    // A channel for every animatable property (CreatePropertyCurveNode).
    void CreateChannelTemplate(RWyxTakeNode& takeNode) override;
    // Every property of the properties object, in order.
    void CollectProperties(std::vector<RProperty*>& properties) const override;
    // A stand-alone user property becomes a property of the properties object; then its
    // channels are made (the container's hook).
    void OnUserPropertyAdded(RWyxUserProperty& userProperty) override;
    // Its channels go; a property made for it leaves the properties object.
    void OnUserPropertyRemoved(RWyxUserProperty& userProperty) override;

    // Told by the properties object after the value of one of its animatable properties
    // changed: the value goes into the defaults of the property's curves.
    void OnPropertyValueChanged(const RProperty& property);

    RWyxObjectFactory* GetFactory() const { return factory_; }
    // The error object the take-node operations report on.
    RError& GetError() { return error_; }
    const RError& GetError() const { return error_; }

protected:
    // `factory` made the object (null for one made on its own); `name` is the full name.
    RWyxPropertyOwner(RWyxObjectFactory* factory, const RString& name);

    // Takes the properties object made for this object (its owner must be this object), makes
    // the take "Default" and wraps every property in a user property. Call once, from the
    // derived constructor.
    void AdoptProperties(RWyxOwnedProperties* properties);
    RWyxOwnedProperties* GetOwnedProperties() const { return properties_; }

private:


    RError error_;
    RWyxObjectFactory* factory_;
    RWyxOwnedProperties* properties_ = nullptr;  // owned; ends through Destroy()
};

#endif
