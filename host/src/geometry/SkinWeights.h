#ifndef VEXA_HOST_SKINWEIGHTS_H
#define VEXA_HOST_SKINWEIGHTS_H

// The influences and weights of a skin cluster, kept in its plugs: influence j is the node
// whose "worldMatrix[0]" feeds "matrix[j]"; "weightList[p].weights[j]" is the weight of point
// p for influence j (0 when it holds no value).

#include "host/src/scene/Node.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <vector>

namespace vexa_host {

// The indices of "matrix" that an influence feeds, ascending. The influences of the last skin
// asked are kept until its connections change, so each answer below needs no walk over them.
VEXA_API std::vector<int> influenceIndices(const Node& skin);
// Whether an influence feeds "matrix[index]".
VEXA_API bool hasInfluence(const Node& skin, int index);
// The node whose connection into "matrix[index]" was made first; null for none.
VEXA_API Node* influenceAt(const Node& skin, int index);
// The smallest index that the influence feeds before any other node; -1 when none.
VEXA_API int indexOfInfluence(const Node& skin, const Node& influence);

VEXA_API float skinWeight(const Node& skin, int point, int influence);
VEXA_API VStatus setSkinWeight(Node& skin, int point, int influence, float weight);

// The weight plugs of one skin, read and written one after another as skinWeight and
// setSkinWeight do: the plug is found once and given each point and influence in turn, not
// spelt and parsed for every weight.
class VEXA_API SkinWeightPlugs {
public:
    explicit SkinWeightPlugs(const Node& skin);
    float weight(const Node& skin, int point, int influence);
    VStatus setWeight(Node& skin, int point, int influence, float weight);
    // "weightList[point].weights[influence]" of the skin.
    const PlugPath& at(int point, int influence);

private:
    PlugPath path_;
};
// The influences that hold a weight at the point, ascending.
VEXA_API std::vector<int> weightedInfluences(const Node& skin, int point);

// Scales the weights of the influences not in `kept` so that all the point's weights add up
// to 1; the weights are left as they are when those others add up to 0.
VEXA_API VStatus normalizeOthers(Node& skin, int point, const std::vector<int>& kept);
// Scales all the point's weights to add up to 1 (nothing when they add up to 0).
VEXA_API VStatus normalizePoint(Node& skin, int point);
// Drops the point's weights below the value (they read 0 afterwards).
VEXA_API void pruneWeights(Node& skin, int point, double below);

}  // namespace vexa_host

#endif
