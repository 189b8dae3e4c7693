#ifndef WYX_CORE_RTYPEDPROPERTY_H
#define WYX_CORE_RTYPEDPROPERTY_H

// Properties that hold a value of one C++ type.
//
// A typed property keeps its value in a cache, or is bound to a getter and a setter of its
// owner: reading then asks the getter (and the cache follows), writing calls the setter.
// Every write is bracketed by the relays kRelayValueChanging and kRelayValueChanged.

#include "core/RObject.h"
#include "core/RProperty.h"

#include <functional>
#include <utility>

template <typename T>
class RTypedProperty : public RProperty {
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;

    // A property of the given type code, holding `initial`.
    RTypedProperty(int typeCode, T initial) : value_(std::move(initial)) { SetTypeCode(typeCode); }

    // Declares the property on its owner, bound to the owner's accessors when given. A getter
    // without a setter makes the property read-only.
    void Declare(const char* name, RObject* owner, Getter getter = Getter(), Setter setter = Setter()) {
        RProperty::Declare(name, owner);
        getter_ = std::move(getter);
        setter_ = std::move(setter);
        SetReadOnly(getter_ && !setter_);
    }

    // The current value: the owner's, when a getter is bound.
    const T& Get() const {
        if (getter_) value_ = getter_();
        return value_;
    }

    // Stores the value, or hands it to the owner's setter.
    bool Set(const T& value) {
        RPlugLock lock(this);  // the handlers of the relays may destroy the property
        RRelayEvent relay;
        relay.code = kRelayValueChanging;
        relay.sender = this;
        RelayA(relay);
        if (setter_) {
            setter_(value);
        } else {
            value_ = value;
        }
        relay.code = kRelayValueChanged;
        RelayA(relay);
        return true;
    }

    RPropertyValue GetValue() const override { return Get(); }
    bool SetValue(const RPropertyValue& value) override {
        const T* typed = std::get_if<T>(&value);
        return typed != nullptr && Set(*typed);
    }

    bool IsBound() const { return static_cast<bool>(getter_) || static_cast<bool>(setter_); }

private:
    mutable T value_;
    Getter getter_;
    Setter setter_;
};

// Integers (type code 1) and enumerations (6).
using RIntegerProperty = RTypedProperty<int>;
// Flags (type code 2) and actions (16).
using RBoolProperty = RTypedProperty<bool>;
// Numbers (type code 4).
using RNumberProperty = RTypedProperty<double>;
// Times (type code 7).
using RTimeProperty = RTypedProperty<RTime>;
// Vectors (type code 13, w = 1), colours (14, w = 1) and colours with alpha (15).
using RVectorProperty = RTypedProperty<RVector4>;
// Texts (type code 8).
using RStringProperty = RTypedProperty<RString>;

#endif
