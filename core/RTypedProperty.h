#ifndef WYX_CORE_RTYPEDPROPERTY_H
#define WYX_CORE_RTYPEDPROPERTY_H

// Properties that hold a value of one C++ type.
//
// A typed property keeps its value in a cache, or is bound to a getter and a setter of its
// owner: reading then asks the getter (and the cache follows), writing calls the setter.
// Every write is bracketed by the relays kRelayValueChanging and kRelayValueChanged. The
// accessors are kept apart from the property, made only for a bound one.

#include "core/RObject.h"
#include "core/RProperty.h"

#include <functional>
#include <memory>
#include <utility>

template <typename T>
class RTypedProperty : public RProperty {
public:
    using Getter = std::function<T()>;
    using Setter = std::function<void(const T&)>;

    // A property of the given type code, holding `initial`.
    RTypedProperty(int typeCode, T initial) : value_(std::move(initial)) { SetTypeCode(typeCode); }
    // A built-in property of a class, described by the row of its table, holding `initial`.
    RTypedProperty(const RPropertyInfo& description, T initial)
        : RProperty(description), value_(std::move(initial)) {}

    // Declares the property on its owner, bound to the owner's accessors when given. A getter
    // without a setter makes the property read-only.
    void Declare(const char* name, RObject* owner, Getter getter = Getter(), Setter setter = Setter()) {
        RProperty::Declare(name, owner);
        accessors_.reset();
        if (getter || setter) accessors_ = std::make_unique<Accessors>(Accessors{std::move(getter), std::move(setter)});
        SetReadOnly(accessors_ != nullptr && accessors_->getter && !accessors_->setter);
    }

    // The current value: the owner's, when a getter is bound.
    const T& Get() const {
        if (accessors_ != nullptr && accessors_->getter) value_ = accessors_->getter();
        return value_;
    }

    // Stores the value, or hands it to the owner's setter; false when the owner refuses it.
    bool Set(const T& value) {
        return WriteValue(value, [this, &value] {
            if (accessors_ != nullptr && accessors_->setter) {
                accessors_->setter(value);
            } else {
                value_ = value;
            }
        });
    }

    RPropertyValue GetValue() const override { return Get(); }
    bool SetValue(const RPropertyValue& value) override {
        const T* typed = std::get_if<T>(&value);
        return typed != nullptr && Set(*typed);
    }

    bool IsBound() const { return accessors_ != nullptr; }

private:
    struct Accessors {
        Getter getter;
        Setter setter;
    };

    mutable T value_;
    std::unique_ptr<Accessors> accessors_;
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

// A built-in property whose value is a field of its owner: reading answers the field, writing
// stores into it, through `Store` when the field keeps its values in a normal form (a vector
// with w = 1, say). Its description is the row of the owner class's table. The owner takes
// the property out of its list before the field goes.
template <typename T>
void StoreFieldAsGiven(T& field, const T& value) {
    field = value;
}

template <typename T, void (*Store)(T& field, const T& value) = &StoreFieldAsGiven<T>>
class RFieldProperty : public RProperty {
public:
    RFieldProperty(const RPropertyInfo& description, T& field) : RProperty(description), field_(&field) {}

    const T& Get() const { return *field_; }
    bool Set(const T& value) {
        return WriteValue(value, [this, &value] { Store(*field_, value); });
    }

    RPropertyValue GetValue() const override { return *field_; }
    bool SetValue(const RPropertyValue& value) override {
        const T* typed = std::get_if<T>(&value);
        return typed != nullptr && Set(*typed);
    }

private:
    T* field_;
};

#endif
