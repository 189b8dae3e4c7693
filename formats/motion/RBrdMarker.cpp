#include "formats/motion/RBrdMarker.h"

#include <algorithm>

void RBrdMarker::AddSample(const RBrdSample& sample) {
    sorted_ = sorted_ && (samples_.empty() || samples_.back().frame < sample.frame);
    samples_.push_back(sample);
}

void RBrdMarker::Sort() {
    if (sorted_) {
        return;
    }
    std::stable_sort(samples_.begin(), samples_.end(),
                     [](const RBrdSample& a, const RBrdSample& b) { return a.frame < b.frame; });
    // Of the rows of one frame the last one read stands.
    std::vector<RBrdSample> unique;
    unique.reserve(samples_.size());
    for (const RBrdSample& sample : samples_) {
        if (!unique.empty() && unique.back().frame == sample.frame) {
            unique.back() = sample;
        } else {
            unique.push_back(sample);
        }
    }
    samples_.swap(unique);
    sorted_ = true;
}

bool RBrdMarker::FindSample(int frame, RVector4& position, RVector4& quaternion, int& cursor) const {
    int index = cursor < 0 ? 0 : cursor;
    for (; index < GetSampleCount(); ++index) {
        const RBrdSample& sample = samples_[static_cast<std::size_t>(index)];
        if (sample.frame == frame) {
            position = sample.position;
            quaternion = sample.quaternion;
            cursor = index + 1;
            return true;
        }
        if (sample.frame > frame) {
            cursor = index;
            return false;
        }
    }
    cursor = index;
    return false;
}
