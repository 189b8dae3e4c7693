#ifndef VEXA_HOST_ATTRIBUTEDEF_H
#define VEXA_HOST_ATTRIBUTEDEF_H

// An attribute: what a node holds under one name. Static attributes belong to a node type
// and are shared by all its nodes; dynamic ones are added to single nodes. Compounds own their
// children; a child knows its parent.
//
// Kinds: numeric (one number of a VFnNumericAttribute::NumericType), compound (children;
// numeric compounds of two or three numbers carry the compound's numeric type), string,
// matrix (16 doubles), message (connections only, no value) and data (a shared, typed value
// such as geometry).

#include "host/src/scene/ObjectRecord.h"

#include <vexa/VFnNumericAttribute.h>
#include <vexa/VexaExport.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexa_host {

enum class AttributeKind { Numeric, Compound, String, Matrix, Message, Data };
// What a numeric value measures: the command runner shows distances and angles in UI units,
// and animation curves on such plugs get the matching curve type.
enum class UnitKind { None, Distance, Angle, Time };

class AttributeDef;
using AttributePtr = std::shared_ptr<AttributeDef>;

class VEXA_API AttributeDef : public ObjectRecord {
public:
    AttributeDef(std::string longName, std::string shortName, AttributeKind kind);

    VFn::Type apiType() const override;
    bool hasFn(VFn::Type type) const override;
    const char* apiTypeName() const override;
    AttributeDef* asAttribute() final { return this; }

    bool isNumericLeaf() const { return kind == AttributeKind::Numeric; }
    bool isCompound() const { return kind == AttributeKind::Compound; }
    bool hasValue() const { return kind != AttributeKind::Compound && kind != AttributeKind::Message; }
    // Boolean, byte, char, short, long. Inline: every number written to a plug asks it.
    bool isIntegral() const {
        switch (numericType) {
        case VFnNumericAttribute::kBoolean:
        case VFnNumericAttribute::kByte:
        case VFnNumericAttribute::kChar:
        case VFnNumericAttribute::kShort:
        case VFnNumericAttribute::kLong: return true;
        default: return false;
        }
    }
    bool isNamed(const std::string& name) const { return name == longName || name == shortName; }
    // Searches the children (and their children) by long or short name.
    AttributePtr findDescendant(const std::string& name) const;
    int childIndex(const AttributeDef* child) const;  // -1 when not a child

    std::string longName;
    std::string shortName;
    AttributeKind kind;
    int numericType = 0;  // VFnNumericAttribute::NumericType
    UnitKind unit = UnitKind::None;
    double defaultValue = 0.0;
    std::string defaultText;
    std::string dataType;  // for data attributes
    bool array = false;
    bool keyable = false;
    bool storable = true;
    bool hidden = false;
    bool connectable = true;
    bool readable = true;
    bool writable = true;
    bool usedAsColor = false;
    bool internal = false;
    bool dynamic = false;
    // The place in the flat attribute list of the first type that registered it (its derived
    // types keep it there); -1 for dynamic attributes.
    int typeIndex = -1;
    std::optional<double> minimum, maximum, softMinimum, softMaximum;
    std::vector<AttributePtr> children;
    AttributeDef* parent = nullptr;
    // Whether its three children are named like it with "X", "Y" and "Z" appended: -1 until
    // first asked (names do not change once an attribute is made).
    mutable signed char xyzChildren = -1;
};

// Builders for type tables and function sets.
VEXA_API AttributePtr makeNumeric(const std::string& longName, const std::string& shortName, int numericType,
                                  double defaultValue = 0.0, UnitKind unit = UnitKind::None);
// A compound of one numeric child per suffix ("X", "Y", "Z"), named long+suffix and
// short+suffix in lower case ("translateX", "tx").
VEXA_API AttributePtr makeNumericCompound(const std::string& longName, const std::string& shortName, int numericType,
                                          const std::vector<std::string>& suffixes, double defaultValue = 0.0,
                                          UnitKind unit = UnitKind::None);
VEXA_API AttributePtr makeCompound(const std::string& longName, const std::string& shortName,
                                   std::vector<AttributePtr> children);
VEXA_API AttributePtr makeTyped(const std::string& longName, const std::string& shortName, AttributeKind kind,
                                const std::string& dataType = std::string());
// The numeric type of one child of a compound of the given type (k3Double -> kDouble ...).
int childNumericType(int compoundType);
int componentCount(int numericType);  // 1, 2 or 3

}  // namespace vexa_host

#endif
