#ifndef WYX_ATTRIBUTES_RWYXDEFORMER_H
#define WYX_ATTRIBUTES_RWYXDEFORMER_H

// The file form of skinning: a skin ("Deformer::" names) fed by clusters ("SubDeformer::"
// names), each cluster binding a geometry to one link node. Made by the object factory and
// destroyed through it. Completed by the deformer work: for now it holds its name and kind.

#include "core/RString.h"
#include "core/RWyxSceneObject.h"

class RWyxObjectFactory;

class RWyxDeformer : public RWyxSceneObject {
public:
    static constexpr int kSkin = 1;
    static constexpr int kCluster = 2;

    // `name` is the full name; the type name "Cluster" in any case makes a cluster, any other
    // a skin.
    RWyxDeformer(RWyxObjectFactory* factory, const RString& name, const char* typeName)
        : RWyxSceneObject(factory, name),
          type_(RString(typeName != nullptr ? typeName : "").CompareIgnoringCase("Cluster") == 0 ? kCluster : kSkin) {}

    int GetTypeId() const override { return 0; }
    int GetDeformerType() const { return type_; }

private:
    int type_;
};

#endif
