#ifndef WYX_ATTRIBUTES_RWYXMARKER_H
#define WYX_ATTRIBUTES_RWYXMARKER_H

// The marker attribute of a node: a marker, an optical marker, or an IK or FK effector. The
// kind decides the node's MultiLayer flag (effectors) and MultiTake value (optical markers).
// Made by the object factory and destroyed through it. Completed by the node-attribute work:
// for now it holds its marker type.

#include "scene/RWyxNodeAttribute.h"

class RWyxMarker : public RWyxNodeAttribute {
public:
    // Marker types.
    static constexpr int kMarker = 0;
    static constexpr int kOpticalMarker = 1;
    static constexpr int kIKEffector = 2;
    static constexpr int kFKEffector = 3;

    explicit RWyxMarker(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return RWyxNodeAttribute::kMarker; }
    RString GetTypeName() const override { return RString("Marker"); }

    int GetType() const { return type_; }
    void SetType(int type) { type_ = type; }

private:
    int type_ = kMarker;
};

#endif
