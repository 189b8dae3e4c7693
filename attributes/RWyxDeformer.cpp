#include "attributes/RWyxDeformer.h"

#include "attributes/RWyxDeformerProperties.h"

namespace {

int DeformerTypeOf(const RString& typeName) {
    return typeName.CompareIgnoringCase("Cluster") == 0 ? RWyxDeformer::kCluster : RWyxDeformer::kSkin;
}

}  // namespace

RWyxDeformer::RWyxDeformer(RWyxObjectFactory* factory, const RString& name, const char* typeName)
    : RWyxPropertyOwner(factory, name),
      type_(DeformerTypeOf(RString(typeName != nullptr ? typeName : ""))),
      typeName_(typeName != nullptr ? typeName : "") {
    AdoptProperties(RWyxDeformerProperties::Create(this));
}

RWyxDeformerProperties* RWyxDeformer::GetProperties() const {
    return static_cast<RWyxDeformerProperties*>(GetOwnedProperties());
}

bool RWyxDeformer::CopyFromSkinLink(const RWyxSkinLink& link) {
    if (type_ != kCluster) return false;
    cluster_.AssignClusterData(link);
    return true;
}

bool RWyxDeformer::CopyToSkinLink(RWyxSkinLink& link) const {
    if (type_ != kCluster) return false;
    link.AssignClusterData(cluster_);
    return true;
}
