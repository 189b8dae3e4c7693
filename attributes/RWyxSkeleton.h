#ifndef WYX_ATTRIBUTES_RWYXSKELETON_H
#define WYX_ATTRIBUTES_RWYXSKELETON_H

// The attribute of a skeleton joint: a root, a limb or a limb node (and a second kind of root,
// written as a root), with its display size, limb length and colour. Made by the object
// factory and destroyed through it.

#include "attributes/RWyxChannelAttribute.h"
#include "attributes/RWyxSkeletonProperties.h"
#include "core/RWyxColor.h"

class RWyxSkeleton : public RWyxChannelAttribute {
public:
    // Skeleton types.
    static constexpr int kRoot = 0;
    static constexpr int kLimb = 1;
    static constexpr int kLimbNode = 2;
    static constexpr int kEffectorRoot = 3;  // a second kind of root

    // A limb node.
    explicit RWyxSkeleton(RWyxObjectFactory* factory);

    int GetAttributeType() const override { return kSkeleton; }
    // "Root" (types 0 and 3), "Limb" or "LimbNode".
    RString GetTypeName() const override;
    // {"Null", "Skeleton", "Root"} for the roots, {"Skeleton"} for limbs and limb nodes.
    std::unique_ptr<RWyxStringList> GetTypeNameList() const override;

    // Type 0 to 3; false, nothing changed, for any other value.
    bool SetSkeletonType(int type);
    int GetSkeletonType() const { return type_; }

    void SetSize(double size) { Table().SetNumber(RWyxSkeletonProperties::kSize, size); }
    double GetSize() const { return Table().GetNumber(RWyxSkeletonProperties::kSize); }
    void SetLimbLength(double length) { Table().SetNumber(RWyxSkeletonProperties::kLimbLength, length); }
    double GetLimbLength() const { return Table().GetNumber(RWyxSkeletonProperties::kLimbLength); }
    // Alpha is not kept (1 when read).
    void SetColor(const RWyxColor& color);
    RWyxColor GetColor() const;

    RWyxSkeletonProperties* GetProperties() const {
        return static_cast<RWyxSkeletonProperties*>(GetPropertiesObject());
    }

private:
    RWyxSkeleton(RWyxObjectFactory* factory, RWyxSkeletonProperties* properties);

    bool IsRoot() const { return type_ == kRoot || type_ == kEffectorRoot; }

    int type_ = kLimbNode;
};

#endif
