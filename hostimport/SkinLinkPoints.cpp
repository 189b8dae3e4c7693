#include "hostimport/SkinLinkPoints.h"

#include "attributes/RWyxNurb.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RMatrix.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"

#include <vexa/VMatrix.h>
#include <vexa/VPlug.h>

#include <algorithm>
#include <iterator>
#include <numeric>

namespace {

int WrapCount(int type, int order) {
    return type == RWyxNurb::kPeriodic || type == RWyxNurb::kClosed ? order - 1 : 0;
}

}  // namespace

void SetMatrixPlug(VPlug plug, const RMatrix& matrix, const char* failure) {
    double values[4][4];
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) values[row][column] = matrix[row][column];
    }
    PrintStatusError(plug.isNull() ? VStatus(VStatus::kNotFound, failure) : plug.setValue(VMatrix(values)), failure);
}

void SortSkinLinkByIndex(RWyxSkinLink& link) {
    const int count = link.GetControlPointIndicesCount();
    const int* indices = link.GetControlPointIndices();
    const double* weights = link.GetControlPointWeights();
    if (count < 2 || std::is_sorted(indices, indices + count)) return;
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [indices](int a, int b) { return indices[a] < indices[b]; });
    std::vector<int> sortedIndices;
    std::vector<double> sortedWeights;
    sortedIndices.reserve(order.size());
    sortedWeights.reserve(order.size());
    for (const int i : order) {
        sortedIndices.push_back(indices[i]);
        sortedWeights.push_back(weights[i]);
    }
    link.SetControlPoints(std::move(sortedIndices), std::move(sortedWeights));
}

LinkWeights CheckedLinkWeights(const RWyxSkinLink& link, int pointCount) {
    LinkWeights result;
    const int* indices = link.GetControlPointIndices();
    const double* weights = link.GetControlPointWeights();
    for (int i = 0; i < link.GetControlPointIndicesCount(); ++i) {
        const int point = indices[i];
        if (point < 0 || point >= pointCount || (!result.points.empty() && result.points.back() == point)) continue;
        result.points.push_back(point);
        result.weights.push_back(weights[i]);
    }
    return result;
}

std::vector<int> InfluencedPoints(const std::vector<RWyxSkinLink*>& links, int pointCount) {
    std::vector<int> points;
    for (const RWyxSkinLink* link : links) {
        const std::vector<int> own = CheckedLinkWeights(*link, pointCount).points;
        std::vector<int> merged;
        merged.reserve(points.size() + own.size());
        std::set_union(points.begin(), points.end(), own.begin(), own.end(), std::back_inserter(merged));
        points.swap(merged);
    }
    return points;
}

std::vector<std::pair<int, int>> PointRuns(const std::vector<int>& points) {
    std::vector<std::pair<int, int>> runs;
    for (const int point : points) {
        if (!runs.empty() && runs.back().second + 1 == point) {
            runs.back().second = point;
        } else {
            runs.emplace_back(point, point);
        }
    }
    return runs;
}

std::string RunText(const std::pair<int, int>& run) {
    const std::string first = std::to_string(run.first);
    return run.first == run.second ? "[" + first + "]" : "[" + first + ":" + std::to_string(run.second) + "]";
}

bool HostCvLayout::Read(const RWyxNurb& nurb, const VexaNode& node) {
    uCount_ = nurb.GetUCount();
    vCount_ = nurb.GetVCount();
    uWrap_ = WrapCount(nurb.GetUType(), nurb.GetUOrder());
    vWrap_ = WrapCount(nurb.GetVType(), nurb.GetVOrder());
    uRepeats_ = node.IsNurbsNonUniform(0) && uWrap_ > 0;
    vRepeats_ = node.IsNurbsNonUniform(1) && vWrap_ > 0;
    return uCount_ > 0 && vCount_ > 0 && uWrap_ >= 0 && vWrap_ >= 0 && uWrap_ <= uCount_ && vWrap_ <= vCount_ &&
           nurb.GetControlPointsCount() == uCount_ * vCount_;
}

void HostCvLayout::CvsOf(int point, std::vector<std::pair<int, int>>& cvs) const {
    cvs.clear();
    if (point < 0 || point >= PointCount()) return;
    const int u = point % uCount_;
    const int v = point / uCount_;
    const bool uRepeat = uRepeats_ && u < uWrap_;
    const bool vRepeat = vRepeats_ && v < vWrap_;
    cvs.emplace_back(v, u);
    if (uRepeat) cvs.emplace_back(v, uCount_ + u);
    if (vRepeat) cvs.emplace_back(vCount_ + v, u);
    if (uRepeat && vRepeat) cvs.emplace_back(vCount_ + v, uCount_ + u);
}
