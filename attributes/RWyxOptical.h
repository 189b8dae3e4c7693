#ifndef WYX_ATTRIBUTES_RWYXOPTICAL_H
#define WYX_ATTRIBUTES_RWYXOPTICAL_H

// The optical attribute of a node: it marks the parent node of imported optical marker data
// and has no values of its own. Made by the object factory and destroyed through it.

#include "scene/RWyxNodeAttribute.h"

class RWyxOptical : public RWyxNodeAttribute {
public:
    explicit RWyxOptical(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return kOptical; }
    // "Optical".
    RString GetTypeName() const override { return RString("Optical"); }
    // {"Marker"}: optical data is a kind of marker data.
    std::unique_ptr<RWyxStringList> GetTypeNameList() const override;
};

#endif
