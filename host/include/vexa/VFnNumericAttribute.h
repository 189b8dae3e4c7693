#ifndef VEXA_VFNNUMERICATTRIBUTE_H
#define VEXA_VFNNUMERICATTRIBUTE_H

// Numeric attributes: one number, or a compound of two or three numbers (k2..., k3..., colours,
// points) whose children are named after it with "X", "Y", "Z" (colours: "R", "G", "B"; short
// names with "x", "y", "z" or "r", "g", "b"). A single number is of type kNumericAttribute
// (544); three doubles kAttribute3Double (715), three floats kAttribute3Float (716). Values set
// through a plug are clamped to the hard minimum and maximum when there are any; soft limits
// are only hints for the user.

#include <vexa/VFnAttribute.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnNumericAttribute : public VFnAttribute {
public:
    enum NumericType {
        kInvalid = 0, kBoolean = 1, kByte = 2, kChar = 3, kShort = 4, k2Short = 5, k3Short = 6,
        kLong = 7, kInt = 7, k2Long = 8, k3Long = 9, kFloat = 10, k2Float = 11, k3Float = 12,
        kDouble = 13, k2Double = 14, k3Double = 15, kLast = 16,
    };

    VFnNumericAttribute() = default;
    explicit VFnNumericAttribute(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kNumericAttribute; }
    VStatus setObject(const VObject& object) override;

    // A new attribute, not yet on any node. Two- and three-number types make a compound.
    VObject create(const VString& longName, const VString& shortName, NumericType type,
                   double defaultValue = 0.0, VStatus* status = nullptr);
    VObject createColor(const VString& longName, const VString& shortName, VStatus* status = nullptr);
    VObject createPoint(const VString& longName, const VString& shortName, VStatus* status = nullptr);

    NumericType unitType(VStatus* status = nullptr) const;
    VStatus getDefault(double& value) const;
    VStatus getDefault(double& x, double& y, double& z) const;
    VStatus setDefault(double value);
    VStatus setDefault(double x, double y, double z);

    bool hasMin(VStatus* status = nullptr) const;
    bool hasMax(VStatus* status = nullptr) const;
    bool hasSoftMin(VStatus* status = nullptr) const;
    bool hasSoftMax(VStatus* status = nullptr) const;
    VStatus getMin(double& value) const;
    VStatus getMax(double& value) const;
    VStatus getSoftMin(double& value) const;
    VStatus getSoftMax(double& value) const;
    VStatus setMin(double value);
    VStatus setMax(double value);
    VStatus setSoftMin(double value);
    VStatus setSoftMax(double value);
};

#endif
