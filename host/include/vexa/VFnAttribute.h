#ifndef VEXA_VFNATTRIBUTE_H
#define VEXA_VFNATTRIBUTE_H

// The function set of attributes: names, flags, children. Flags can be changed until the
// attribute is added to a node; afterwards changes reach every node that has it.

#include <vexa/VFnBase.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnAttribute : public VFnBase {
public:
    VFnAttribute() = default;
    explicit VFnAttribute(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kAttribute; }
    VStatus setObject(const VObject& object) override;

    VString name(VStatus* status = nullptr) const;
    VString shortName(VStatus* status = nullptr) const;
    VObject parent(VStatus* status = nullptr) const;  // the compound above, or null
    unsigned numChildren(VStatus* status = nullptr) const;
    VObject child(unsigned index, VStatus* status = nullptr) const;
    bool isDynamic(VStatus* status = nullptr) const;

    bool isKeyable(VStatus* status = nullptr) const;
    VStatus setKeyable(bool on);
    bool isStorable(VStatus* status = nullptr) const;
    VStatus setStorable(bool on);
    bool isHidden(VStatus* status = nullptr) const;
    VStatus setHidden(bool on);
    bool isConnectable(VStatus* status = nullptr) const;
    VStatus setConnectable(bool on);
    bool isReadable(VStatus* status = nullptr) const;
    VStatus setReadable(bool on);
    bool isWritable(VStatus* status = nullptr) const;
    VStatus setWritable(bool on);
    bool isArray(VStatus* status = nullptr) const;
    VStatus setArray(bool on);
    bool isUsedAsColor(VStatus* status = nullptr) const;
    VStatus setUsedAsColor(bool on);
    bool internal(VStatus* status = nullptr) const;
    VStatus setInternal(bool on);
};

#endif
