#include "curves/LayerPlotting.h"

#include <algorithm>
#include <utility>

#include "curves/CurveTime.h"
#include "curves/LayerCombination.h"
#include "curves/RAnimationSettings.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterGimbleKiller.h"
#include "curves/RFCurveFilterSupport.h"
#include "curves/RFCurveFilterUnroll.h"
#include "curves/RFCurveNode.h"
#include "curves/RKeyUtilities.h"
#include "curves/SampleTimes.h"

namespace {

void LayerIdentity(int layerType, std::vector<double>& out) {
    FillLayerIdentity(layerType, out.data(), static_cast<int>(out.size()));
}

template <typename Visit>
void ForEachCurve(RFCurveNode& node, const Visit& visit) {
    if (node.GetCurve() != nullptr) {
        visit(*node.GetCurve());
    }
    for (int i = 0; i < node.GetChildCount(); ++i) {
        ForEachCurve(*node.GetChild(i), visit);
    }
}

// The combined values of the merged layers, at a time or of their default values.
class LayeredValues {
public:
    LayeredValues(const RFCurveNode& node, std::vector<RFCurveNode*> layers)
        : layerType_(node.GetLayerType()),
          rotationOrder_(node.GetRotationOrder()),
          layers_(std::move(layers)),
          hints_(layers_.size(), 0),
          combined_(static_cast<std::size_t>(node.GetRawValueCount())),
          values_(combined_.size()) {}

    const double* At(RTime time) {
        LayerIdentity(layerType_, combined_);
        for (std::size_t i = 0; i < layers_.size(); ++i) {
            layers_[i]->EvaluateRaw(values_.data(), time, &hints_[i]);
            CombineIn();
        }
        return combined_.data();
    }

    const double* Defaults() {
        LayerIdentity(layerType_, combined_);
        for (const RFCurveNode* layer : layers_) {
            layer->GetDefaultValues(values_.data());
            CombineIn();
        }
        return combined_.data();
    }

    const double* Identity() {
        LayerIdentity(layerType_, combined_);
        return combined_.data();
    }

    const std::vector<RFCurveNode*>& Layers() const { return layers_; }

private:
    void CombineIn() {
        CombineLayerValuesByType(layerType_, rotationOrder_, combined_.data(), values_.data(),
                                 static_cast<int>(combined_.size()));
    }

    int layerType_;
    int rotationOrder_;
    std::vector<RFCurveNode*> layers_;
    std::vector<int> hints_;
    std::vector<double> combined_;
    std::vector<double> values_;
};

// The layers of the chain that the options merge; a layer whose values are not laid out as
// the base node's cannot be combined and is left out.
std::vector<RFCurveNode*> SelectLayers(RFCurveNode& node, const RLayerPlotOptions& options) {
    const int count = node.GetRawValueCount();
    const std::vector<int>& wanted = options.layerIDs;
    std::vector<RFCurveNode*> layers;
    for (RFCurveNode* layer = &node; layer != nullptr; layer = layer->GetNextLayer()) {
        const bool chosen = wanted.empty() || std::find(wanted.begin(), wanted.end(), layer->GetLayerID()) != wanted.end();
        if (chosen && layer->GetRawValueCount() == count) {
            layers.push_back(layer);
        }
    }
    return layers;
}

RFCurveNode* FindOrAddLayer(RFCurveNode& node, int layerID) {
    if (node.FindLayer(layerID) == nullptr) {
        node.AddLayer(layerID);
    }
    return node.FindLayer(layerID);
}

// Unlinks a layer (not the base) from the chain and deletes it.
void RemoveLayer(RFCurveNode& base, RFCurveNode* layer) {
    RFCurveNode* previous = &base;
    while (previous != nullptr && previous->GetNextLayer() != layer) {
        previous = previous->GetNextLayer();
    }
    if (previous == nullptr) {
        return;
    }
    RFCurveNode* next = layer->GetNextLayer();
    layer->SetLayer(nullptr, false);
    previous->SetLayer(next, false);
    RFCurveNode::Destroy(layer);
}

// Moves the plotted curves into the target, channel by channel; each takes the colour and
// selection of the curve it replaces.
void TransferCurves(RFCurveNode& target, RFCurveNode& plotted) {
    if (plotted.GetCurve() != nullptr) {
        RFCurve* curve = plotted.SetCurve(nullptr, false);
        if (const RFCurve* old = target.GetCurve()) {
            curve->CopyLookFrom(*old);
        }
        target.SetCurve(curve, true);
    }
    const int children = std::min(target.GetChildCount(), plotted.GetChildCount());
    for (int i = 0; i < children; ++i) {
        TransferCurves(*target.GetChild(i), *plotted.GetChild(i));
    }
}

// Period steps from start up to stop, and stop itself; false past kMaxResampledKeys.
bool PeriodSteps(RTime start, RTime stop, RTime period, std::vector<RTime>& times) {
    const uint64_t steps =
        curve_time::TicksBetween(start.GetTicks(), stop.GetTicks()) / static_cast<uint64_t>(period.GetTicks());
    if (steps + 2 > static_cast<uint64_t>(kMaxResampledKeys)) {
        return false;
    }
    times.reserve(static_cast<std::size_t>(steps) + 2);
    for (int k = 0; k <= static_cast<int>(steps); ++k) {
        times.push_back(start + period * k);
    }
    if (times.back() < stop) {
        times.push_back(stop);
    }
    return true;
}

void AddLayerKeyTimes(const std::vector<RFCurveNode*>& layers, RTime start, RTime stop, std::vector<RTime>& times) {
    std::vector<RTime> keyTimes;
    for (RFCurveNode* layer : layers) {
        ForEachCurve(*layer, [&](RFCurve& curve) { sample_times::CollectKeyTimes(curve, start, stop, keyTimes); });
    }
    sample_times::Merge(times, std::move(keyTimes));
}

// Samples the merged layers at the times into the target layer, then takes the merged
// layers out of the result so that they are not applied a second time.
bool Plot(RFCurveNode& node, std::vector<RFCurveNode*> layers, const std::vector<RTime>& times, RTime start,
          RTime stop, const RLayerPlotOptions& options) {
    if (layers.empty() || node.GetRawValueCount() == 0) {
        return false;
    }
    RFCurveNode* target = FindOrAddLayer(node, options.targetLayerID);
    if (target == nullptr) {
        return false;
    }
    LayeredValues values(node, std::move(layers));
    TemporaryNodeCopy plotted(node.Clone(false, false, true, -1));
    const bool rotation = node.GetLayerType() == RFCurveNode::LayerRotation;
    for (RTime time : times) {
        plotted->AddKeyValues(time, values.At(time), rotation);
    }

    if (!options.mergeIntoSpan) {
        plotted->SetDefaultValues(values.Defaults());
        TransferCurves(*target, *plotted);
        for (RFCurveNode* layer : values.Layers()) {
            if (layer == target) {
                continue;
            }
            if (layer == &node) {
                // The base cannot leave the chain: it keeps no animation of its own.
                ForEachCurve(node, [](RFCurve& curve) { curve.ClearKeys(); });
                node.SetDefaultValues(values.Identity());
            } else {
                RemoveLayer(node, layer);
            }
        }
    } else {
        target->ReplaceSpan(*plotted, start, stop, true, false);
        for (RFCurveNode* layer : values.Layers()) {
            if (layer != target) {
                TemporaryNodeCopy neutral(layer->Clone(false, false, true, -1));
                neutral->SetDefaultValues(values.Identity());
                layer->ReplaceSpan(*neutral, start, stop, true, true);
            }
        }
    }
    node.InvalidateCache(0, true);
    return true;
}

}  // namespace

void ApplyRotationFilterByMode(RFCurveNode& node, RTime start, RTime stop) {
    switch (GetRotationFilterMode()) {
        case kRotationFilterGimbleKiller: {
            RFCurveFilterGimbleKiller filter;
            filter.SetSpan(start, stop);
            filter.Apply(node, true);
            break;
        }
        case kRotationFilterUnroll: {
            RFCurveFilterUnroll filter;
            filter.SetSpan(start, stop);
            filter.Apply(node, true);
            break;
        }
        default:
            break;
    }
}

void CombineLayerValues(const RFCurveNode& node, double* out, const double* accumulated, const double* layerValues) {
    const int count = node.GetRawValueCount();
    if (out != accumulated) {
        std::copy(accumulated, accumulated + count, out);
    }
    CombineLayerValuesByType(node.GetLayerType(), node.GetRotationOrder(), out, layerValues, count);
}

bool GetLayeredAnimationSpan(const RFCurveNode& node, RTime& start, RTime& stop) {
    RTime first(RTime::kInfinitelyLate);
    RTime last(RTime::kInfinitelyEarly);
    bool keyed = false;
    for (const RFCurveNode* layer = &node; layer != nullptr; layer = layer->GetNextLayer()) {
        keyed = layer->GetTimeSpan(first, last) || keyed;
    }
    // The warp maps outer times to the local times the keys live in: the plot also covers
    // the local times it reaches over its own keys.
    const RFCurveNode* warp = node.GetTimeWarp();
    RTime warpFirst(RTime::kInfinitelyLate);
    RTime warpLast(RTime::kInfinitelyEarly);
    if (warp != nullptr && warp->GetRawValueCount() > 0 && warp->GetTimeSpan(warpFirst, warpLast)) {
        std::vector<double> value(static_cast<std::size_t>(warp->GetRawValueCount()));
        for (RTime outer : {warpFirst, warpLast}) {
            warp->EvaluateRaw(value.data(), outer);
            RTime local;
            local.FromSeconds(value[0]);
            first = std::min(first, local);
            last = std::max(last, local);
        }
        keyed = true;
    }
    if (keyed) {
        start = first;
        stop = last;
    }
    return keyed;
}

bool PlotNodeAnimation(RFCurveNode& node) {
    if (node.GetNextLayer() == nullptr) {
        return false;
    }
    const RLayerPlotOptions options;
    RTime start;
    RTime stop;
    std::vector<RTime> times;
    if (GetLayeredAnimationSpan(node, start, stop) && !PeriodSteps(start, stop, GetPlotPeriod(), times)) {
        return false;
    }
    return Plot(node, SelectLayers(node, options), times, start, stop, options);
}

bool PlotNodeAnimation(RFCurveNode& node, RTime start, RTime stop, RTime period, const RLayerPlotOptions& options) {
    std::vector<RTime> times;
    if (period.GetTicks() <= 0 || stop < start || !PeriodSteps(start, stop, period, times)) {
        return false;
    }
    std::vector<RFCurveNode*> layers = SelectLayers(node, options);
    if (options.sampleLayerKeyTimes) {
        AddLayerKeyTimes(layers, start, stop, times);
    }
    return Plot(node, std::move(layers), times, start, stop, options);
}
