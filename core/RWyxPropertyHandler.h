#ifndef WYX_CORE_RWYXPROPERTYHANDLER_H
#define WYX_CORE_RWYXPROPERTYHANDLER_H

// The properties object of a scene class: an object whose properties are the class's
// animatable values, and which turns user-property records into real properties.
//
// Scene classes derive their own properties objects from it and answer the user-property
// notifications there; the handler itself ignores them.

#include "core/RObject.h"
#include "core/RWyxUserProperty.h"

class RWyxSceneObject;

class RWyxPropertyHandler : public RObject, public RWyxUserPropertyObserver {
    WYX_DECLARE_CLASS(RWyxPropertyHandler)

public:
    RWyxPropertyHandler() = default;

    // As RObject's, with the animatable flag set after the property is made.
    RProperty* CreateProperty(const char* name, int typeCode, const RDataType* dataType, bool animatable,
                              bool userFlag, RPlug* argument) override;

    // Makes a property of this handler from a stand-alone user property (its type's data
    // type, flags, range and label) and turns the user property into its wrapper, with this
    // handler as notification target. False for null, for a user property that already
    // wraps a property, or when its type has no data type.
    bool CreateUserProperty(RWyxUserProperty* userProperty);

    // Removes the property from this handler (destroying it when the handler owns it) and
    // clears the pointer. False when the pointer is null or the property is not this
    // handler's.
    bool ReleaseAndClear(RProperty*& property);

    void OnUserPropertyChanged(RWyxUserProperty& /*userProperty*/) override {}

    // The scene object whose deferred user properties wrap this handler's properties: it is
    // told of every property that leaves, before it leaves. Null for none.
    void SetWrapperList(RWyxSceneObject* list) { wrapperList_ = list; }
    // Inline: a dying object's every property passes here twice.
    bool OnPropertyEvent(int code, RProperty* property, const char* name) override {
        // Code 9: the property is about to leave the list.
        if (code == 9 && wrapperList_ != nullptr) TellWrapperListOfLeaving(property);
        return RObject::OnPropertyEvent(code, property, name);
    }

protected:
    ~RWyxPropertyHandler() override = default;

    bool HasWrapperList() const { return wrapperList_ != nullptr; }

private:
    void TellWrapperListOfLeaving(RProperty* property);

    RWyxSceneObject* wrapperList_ = nullptr;
};

#endif
