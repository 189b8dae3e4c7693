#ifndef WYX_ATTRIBUTES_RWYXDEFORMER_H
#define WYX_ATTRIBUTES_RWYXDEFORMER_H

// The file form of skinning: a skin ("Deformer::" names) fed by clusters ("SubDeformer::"
// names), each cluster binding a geometry to one link node. In memory a geometry holds skin
// links instead; the scene translates between the two around reading and writing
// (RWyxScene::BuildDeformersFromSkinLinks, BuildSkinLinksFromDeformers).
//
// The connections carry the relations: a skin's properties object is a source of the deformed
// node's, a cluster's a source of its skin's; the link node's properties object is a source
// of the cluster's, and the associate model's a source of the cluster's property
// "SrcModelReference". The cluster keeps the rest of a skin link (its cluster data): mode,
// user data, control points with their weights and the bind matrices.
//
// Made by the object factory ("Deformer::" or "SubDeformer::" names given in full) with its
// take "Default", and destroyed through it.

#include "attributes/RWyxPropertyOwner.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RString.h"

class RWyxDeformerProperties;
class RWyxObjectFactory;

class RWyxDeformer : public RWyxPropertyOwner {
public:
    static constexpr int kSkin = 1;
    static constexpr int kCluster = 2;
    // A skin's deform accuracy when none is given (files store it as "Link_DeformAcuracy").
    static constexpr double kDefaultDeformAccuracy = 50.0;

    // `name` is the full name; the type name "Cluster" in any case makes a cluster, any other
    // a skin. The type name is kept as given (null: empty).
    RWyxDeformer(RWyxObjectFactory* factory, const RString& name, const char* typeName);

    int GetTypeId() const override { return 0; }
    // The type name as given ("Skin", "Cluster").
    RString GetTypeDescription() const override { return typeName_; }

    int GetDeformerType() const { return type_; }
    const RString& GetTypeName() const { return typeName_; }
    RWyxDeformerProperties* GetProperties() const;

    bool GetMultiLayer() const { return multiLayer_; }
    void SetMultiLayer(bool multiLayer) { multiLayer_ = multiLayer; }
    // The skin's accuracy; kept as given.
    double GetDeformAccuracy() const { return deformAccuracy_; }
    void SetDeformAccuracy(double accuracy) { deformAccuracy_ = accuracy; }

    // A cluster's data, in the shape of a skin link without link node and associate model.
    const RWyxSkinLink& GetClusterData() const { return cluster_; }
    RWyxSkinLink& GetClusterData() { return cluster_; }
    // A cluster takes the link's cluster data (RWyxSkinLink::AssignClusterData); false,
    // nothing changed, for a skin.
    bool CopyFromSkinLink(const RWyxSkinLink& link);
    // The link takes the cluster's data, keeping its own link node and associate model; false,
    // the link unchanged, for a skin.
    bool CopyToSkinLink(RWyxSkinLink& link) const;

private:
    int type_;
    RString typeName_;
    bool multiLayer_ = false;
    double deformAccuracy_ = kDefaultDeformAccuracy;
    RWyxSkinLink cluster_;
};

#endif
