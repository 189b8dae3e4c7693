#ifndef WYX_FORMATS_MOTION_RWYXREADERBRD_H
#define WYX_FORMATS_MOTION_RWYXREADERBRD_H

// The BRD reader (importer format id 13): scans the rows once into markers (sorted by id,
// their samples by frame), then makes a node "Marker<id>" with an optical-marker attribute per
// marker, keyed at every frame of the file's span (occluded where the marker has no row),
// under "BRD:optical" or "BRD:reference".
//
// The scan refuses what would make memory or time outrun the file: a span whose keys (frames
// times markers) exceed kKeysPerRow per row read, and a frame rate that is negative, not a
// number or above kMaxFrameRate (rows whose times run backwards). Rows that all carry one time
// give the default rate. The options' start time is the first frame's recorded time.

#include "core/RTime.h"
#include "formats/motion/RBrdFile.h"
#include "formats/motion/RBrdMarker.h"
#include "formats/motion/RWyxReaderMotion.h"

#include <cstdint>
#include <map>
#include <vector>

class RWyxNode;
class RWyxScene;

class RWyxReaderBrd : public RWyxReaderMotion {
public:
    // The most keys (frames of the span times markers) per row read.
    static constexpr std::int64_t kKeysPerRow = 64;

    explicit RWyxReaderBrd(RWyxObjectFactory* factory) : RWyxReaderMotion(factory) {}

    // Start time, frame count and rate of the scan, ImportAsOpticalSegments 0,
    // ImportSetOccludedToLastValidPosition 1.
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

    // Reads every row once; later calls answer at once.
    bool Scan();
    int GetMarkerCount() const { return static_cast<int>(markers_.size()); }
    const RBrdMarker* GetMarker(int index) const;
    int GetFrameCount() const { return frameCount_; }
    double GetFrameRate() const { return frameRate_; }
    int GetFirstFrame() const { return firstFrame_; }

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RBrdFile>(false); }
    void OnClose() override;

private:
    void AddSample(int markerId, const RBrdSample& sample);
    bool CheckSpan(std::int64_t rows);
    // A marker node with the take for every marker; empty when one could not be made.
    std::vector<RWyxNode*> CreateMarkerNodes(const char* takeName);
    bool FillAnimation(const RStreamOptionsMotion& options, const std::vector<RWyxNode*>& nodes, const char* takeName);
    RWyxNode* CreateParent(const RStreamOptionsMotion& options, const std::vector<RWyxNode*>& nodes);

    bool scanned_ = false;
    std::map<int, RBrdMarker> markers_;
    std::vector<const RBrdMarker*> markerOrder_;
    int frameCount_ = 0;
    double frameRate_ = 0.0;
    int firstFrame_ = 0;
    RTime firstTime_;
    int lastFrame_ = 0;
    RTime lastTime_;
};

#endif
