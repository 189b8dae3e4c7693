#ifndef WYX_CORE_RWYXUSERPROPERTY_H
#define WYX_CORE_RWYXUSERPROPERTY_H

// A user-defined property of a scene object: a named value of a simple type with a label,
// a range and flags.
//
// A user property is either a stand-alone record (as read from a file before its owner has
// a properties object) or a wrapper around a real property of a properties object. A
// wrapper refers to its property weakly: once the property is gone, the wrapper behaves as
// having none (getters give defaults, setters do nothing).

#include "core/RPlugRef.h"
#include "core/RString.h"
#include "core/RVector4.h"

#include <cstdint>
#include <optional>

class RPlug;
class RProperty;
class RWyxPropertyHandler;
class RWyxSceneObject;
class RWyxUserProperty;

enum RWyxUserPropertyType {
    kUserPropertyUnidentified = 0,
    kUserPropertyBool = 1,
    kUserPropertyReal = 2,
    kUserPropertyColor = 3,
    kUserPropertyInteger = 4,
    kUserPropertyVector = 5,
};

// What a user property tells after each change of its value.
class RWyxUserPropertyObserver {
public:
    virtual void OnUserPropertyChanged(RWyxUserProperty& userProperty) = 0;

protected:
    ~RWyxUserPropertyObserver() = default;
};

class RWyxUserProperty {
public:
    // User flags; a wrapped property carries them as the info flags 2, 64 and 128.
    static constexpr std::uint32_t kFlagAnimatable = 1;
    static constexpr std::uint32_t kFlagUserProperty = 2;
    static constexpr std::uint32_t kFlagExtra = 4;

    // A stand-alone record; the type from its name (NameToType). Range unbounded, flags 0.
    RWyxUserProperty(void* owner, const char* name, const char* typeName, const char* label);
    // A wrapper around an existing property (a null property makes a wrapper of nothing).
    RWyxUserProperty(void* owner, RProperty* property);
    RWyxUserProperty(const RWyxUserProperty&) = delete;
    RWyxUserProperty& operator=(const RWyxUserProperty&) = delete;

    // "Unidentified", "Bool", "Real", "Color", "Integer", "Vector"; null outside 0 to 5.
    static const char* TypeToName(int type);
    // Exact comparison with those names; 0 for any other text or null.
    static RWyxUserPropertyType NameToType(const char* name);

    const char* GetName() const;
    // With the fallback, an empty label gives the name.
    const char* GetLabel(bool fallback) const;
    // For a wrapper, from its property's type code.
    RWyxUserPropertyType GetType() const;

    // Values live in the wrapped property only: a record or a wrapper whose property is gone
    // ignores the setters (false) and gives defaults. Each stored value is told to the
    // notification target.
    bool SetBool(bool value);
    bool SetInteger(int value);
    bool SetDouble(double value);
    // The colour's red, green and blue; a colour with alpha gets alpha 1.
    bool SetColor(const RVector4& color);
    // A vector property takes (x, y, z, 1); a colour property takes (x, y, z) as its colour.
    bool SetVector(double x, double y, double z);
    bool GetBool() const;
    int GetInteger() const;
    double GetDouble() const;
    // Red, green, blue and alpha (1 for a colour without alpha); (0, 0, 0, 1) for non-colours.
    RVector4 GetColor() const;
    // A vector, or a colour's first three components, with w = 1; (0, 0, 0, 1) otherwise.
    RVector4 GetVector() const;

    // A wrapper keeps its flags in its property's info flags; a record keeps them itself.
    void SetFlag(std::uint32_t flag, bool on);
    bool GetFlag(std::uint32_t flag) const;

    void SetMin(double minimum);
    void SetMax(double maximum);
    // -HUGE_VAL and +HUGE_VAL when no range is set (and for a wrapper whose property is gone).
    double GetMin() const;
    double GetMax() const;

    // True when it wraps that (non-null) property.
    bool IsSameProperty(const RProperty* property) const;
    // The wrapped property while it lives; null otherwise.
    RProperty* GetProperty() const;
    // True once the user property wraps a property, even when that property is gone.
    bool IsWrapper() const { return !record_.has_value(); }

    // The object told about value changes; null for none. When the target's life is bound
    // to a plug, that plug is given too and the target is no longer told once the plug is gone.
    void SetNotifyTarget(RWyxUserPropertyObserver* target, const RPlug* targetPlug = nullptr);
    void* GetOwner() const { return owner_; }

    // Info flags of a property that stand for the user flags of a mask.
    static std::uint32_t UserFlagsToPropertyFlags(std::uint32_t userFlags);

private:
    friend class RWyxPropertyHandler;
    friend class RWyxSceneObject;  // marks the list that owns it (listedIn_)

    struct Record {
        RString name;
        RWyxUserPropertyType type = kUserPropertyUnidentified;
        RString label;
        double minimum;
        double maximum;
        std::uint32_t flags = 0;
    };

    // Turns the record into a wrapper of the property (made from it by a properties object).
    void WrapProperty(RProperty* property);
    const Record* GetRecord() const { return record_ ? &*record_ : nullptr; }
    // The property's type code while it lives; 0 otherwise.
    int WrappedTypeCode() const;
    bool NotifyIf(bool stored);

    RPlugRef property_;
    RWyxUserPropertyObserver* target_ = nullptr;
    RPlugRef targetPlug_;
    bool targetBoundToPlug_ = false;
    std::optional<Record> record_;
    void* owner_;
    const RWyxSceneObject* listedIn_ = nullptr;  // the scene object whose list owns it
    const RProperty* indexedUnder_ = nullptr;     // its key in that list's index by property
};

#endif
