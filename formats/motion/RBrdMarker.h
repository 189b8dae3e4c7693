#ifndef WYX_FORMATS_MOTION_RBRDMARKER_H
#define WYX_FORMATS_MOTION_RBRDMARKER_H

// The rows of a BRD file for one marker id: a sample per frame (position, orientation
// quaternion, recorded time), kept sorted by frame with no frame twice.
//
// Rows arrive in any order: AddSample appends, and Sort (run once after the rows are read)
// orders them by frame, a later row of a frame replacing an earlier one. Sorting once keeps
// a file of rows in reverse order as cheap as one in order.

#include "core/RTime.h"
#include "core/RVector4.h"

#include <vector>

struct RBrdSample {
    int frame = 0;
    RVector4 position;
    RVector4 quaternion{0.0, 0.0, 0.0, 1.0};  // x, y, z, w
    RTime time;
};

class RBrdMarker {
public:
    explicit RBrdMarker(int markerId) : id_(markerId) {}

    int GetId() const { return id_; }
    void AddSample(const RBrdSample& sample);
    void Sort();
    int GetSampleCount() const { return static_cast<int>(samples_.size()); }
    const RBrdSample& GetSample(int index) const { return samples_[static_cast<std::size_t>(index)]; }
    // Searches from the cursor (negative counts as 0) while the frames are not greater than
    // the frame: found, the position and quaternion are copied, the cursor moves past the
    // sample and the answer is true; a greater frame met first leaves the cursor on it.
    bool FindSample(int frame, RVector4& position, RVector4& quaternion, int& cursor) const;

private:
    int id_;
    std::vector<RBrdSample> samples_;
    bool sorted_ = true;
};

#endif
