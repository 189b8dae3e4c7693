// Skin links carried from a surface's control points to the vertices of its mesh.

#include "formats/geometry/RWyxGeometryConverter.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxSkinLink.h"
#include "formats/geometry/RInfluenceTable.h"
#include "scene/RWyxObjectFactory.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Link table: list L of side 0 holds the (control point, weight) pairs of source link L.
// Pairs naming no control point are left out.
void FillLinkTable(const std::vector<RWyxSkinLink*>& links, RInfluenceTable& linkTable) {
    for (std::size_t l = 0; l < links.size(); ++l) {
        const RWyxSkinLink& link = *links[l];
        const int* indices = link.GetControlPointIndices();
        const double* weights = link.GetControlPointWeights();
        for (int k = 0; k < link.GetControlPointIndicesCount(); ++k) {
            linkTable.Add(static_cast<int>(l), indices[k], weights[k]);
        }
    }
}

// The weight of link `l` on every generated vertex: the sum, over its control points c, of
// |link weight x influence of c on the vertex|; the vertices it reaches in increasing order.
void ComputeLinkWeights(int l, const RInfluenceTable& linkTable, const RInfluenceTable& table,
                        std::vector<double>& accumulated, std::vector<int>& touched, RWyxSkinLink& link) {
    touched.clear();
    for (int e = 0; e < linkTable.GetEntryCount(0, l); ++e) {
        const RInfluenceTable::Entry& pair = *linkTable.GetEntry(0, l, e);
        for (int f = 0; f < table.GetEntryCount(0, pair.index); ++f) {
            const RInfluenceTable::Entry& influence = *table.GetEntry(0, pair.index, f);
            double& sum = accumulated[static_cast<std::size_t>(influence.index)];
            if (sum == 0.0) touched.push_back(influence.index);
            sum += std::fabs(pair.weight * influence.weight);
        }
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (const int vertex : touched) {
        double& sum = accumulated[static_cast<std::size_t>(vertex)];
        if (sum != 0.0) link.AddControlPointIndex(vertex, sum);
        sum = 0.0;
    }
}

}  // namespace

bool RWyxGeometryConverter::TransferSkinLinks(RWyxGeometry& source, RWyxMesh& mesh, RInfluenceTable& table) {
    std::vector<RWyxSkinLink*> sourceLinks;
    for (int i = 0; i < source.GetDeformerCount(); ++i) sourceLinks.push_back(source.GetDeformer(i));
    for (int i = 0; i < mesh.GetDeformerCount(); ++i) factory_->DestroySkinLink(mesh.GetDeformer(i));
    mesh.ClearDeformers();
    std::vector<RWyxSkinLink*> newLinks;
    if (!BuildSkinLinks(sourceLinks, source.GetControlPointsCount(), newLinks, mesh.GetControlPointsCount(), table)) {
        for (RWyxSkinLink* link : newLinks) factory_->DestroySkinLink(link);
        return false;
    }
    for (RWyxSkinLink* link : newLinks) mesh.AddDeformer(link);
    return true;
}

bool RWyxGeometryConverter::BuildSkinLinks(const std::vector<RWyxSkinLink*>& sourceLinks, int sourcePointCount,
                                           std::vector<RWyxSkinLink*>& newLinks, int meshPointCount,
                                           RInfluenceTable& table) {
    if (sourceLinks.empty()) return true;
    // Every new link takes the first link's mode; "neither" becomes Total1, its weights
    // normalised per control point first.
    const int mode = sourceLinks.front()->GetMode();
    table.Normalize(1, true);
    RInfluenceTable linkTable(static_cast<int>(sourceLinks.size()), sourcePointCount);
    FillLinkTable(sourceLinks, linkTable);
    if (mode == RWyxSkinLink::kNormal) linkTable.Normalize(1, true);

    std::vector<double> accumulated(static_cast<std::size_t>(meshPointCount), 0.0);
    std::vector<int> touched;
    for (std::size_t l = 0; l < sourceLinks.size(); ++l) {
        RWyxSkinLink* link = factory_->CreateSkinLink();
        if (link == nullptr) return Fail(kErrorCannotCreate);
        newLinks.push_back(link);
        // The link node, associate model, names, user data and matrices; new weights.
        link->Assign(*sourceLinks[l]);
        link->ClearControlPoints();
        link->SetMode(mode != RWyxSkinLink::kNormal ? mode : RWyxSkinLink::kTotal1);
        ComputeLinkWeights(static_cast<int>(l), linkTable, table, accumulated, touched, *link);
    }
    return true;
}
