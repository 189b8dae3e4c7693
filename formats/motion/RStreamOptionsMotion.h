#ifndef WYX_FORMATS_MOTION_RSTREAMOPTIONSMOTION_H
#define WYX_FORMATS_MOTION_RSTREAMOPTIONSMOTION_H

// The one stream-options class of the motion formats (BVH, HTR, TRC, ASF, AMC, C3D, AOA,
// MCD, VPM, MOV, BRD), a registered class of the object model: the WYX writers recognise these
// options by their class and write a motion scene with them. A reader's options operation
// fills the time span and frame rate it found in the file and puts in the defaults of the
// options its format offers; a writer's puts in the export options it offers. An option a
// format does not offer stays -1.
//
// The options may also carry the ASF skeleton that an ASF read or write leaves for the AMC
// read or write that follows; when they own it, a reset or their end destroys it.

#include "core/RString.h"
#include "core/RTime.h"
#include "fileio/RStreamOptions.h"

#include <initializer_list>
#include <utility>

// The option slots of the motion formats.
enum RMotionOptionIndex {
    kMotionTranslation = 0,
    kMotionRotation = 1,
    kMotionScaling = 2,
    kMotionUnusedSegments = 3,
    kMotionImportAsOpticalSegments = 4,
    kMotionImportExactZeroAsOccluded = 5,
    kMotionImportSetOccludedToLastValidPosition = 6,
    kMotionImportActorPrefix = 7,
    kMotionImportCreateReferenceNode = 8,
    kMotionImportDummyNodes = 9,
    kMotionImportLimits = 10,
    kMotionExportGapsAsValidData = 11,
    kMotionExportC3DRealFormat = 12,
    kMotionExportFromGlobalPosition = 13,
    kMotionExportRequireSingleRootNode = 14,
    kMotionExportFrameRate = 15,
    kMotionExportFrameRange = 16,
    kMotionRenameDuplicateNames = 17,
    kMotionOptionCount = 18
};

class RStreamOptionsMotion : public RStreamOptions {
    WYX_DECLARE_CLASS(RStreamOptionsMotion)

public:
    // The value of an option the format does not offer.
    static constexpr int kUnset = -1;
    // How close a rate must come to a time mode's rate to take that mode.
    static constexpr double kModeTolerance = 0.001;
    // The highest frame rate a reader accepts from a file; above it the file is refused.
    static constexpr double kMaxFrameRate = 100000.0;

    // New options with their reset values; they end with Destroy().
    static RStreamOptionsMotion* Create();
    // New options with the given (index, value) options set: a format's defaults.
    static RStreamOptionsMotion* CreateWith(std::initializer_list<std::pair<int, int>> options);

    RStreamOptionsMotion();

    // The options' reset: default hooks, empty text, start 0, no frames, the default time
    // mode and its rate, no skeleton (an owned one destroyed), every option -1.
    void ResetHooks() override;
    void Reset() { ResetHooks(); }

    const RString& GetText() const { return text_; }
    void SetText(const char* text) { text_ = text != nullptr ? text : ""; }

    void SetStartTime(RTime time) { startTime_ = time; }
    RTime GetStartTime() const { return startTime_; }
    // A negative count is stored as 0.
    void SetFrameCount(int count) { frameCount_ = count < 0 ? 0 : count; }
    int GetFrameCount() const { return frameCount_; }

    // A mode 1 to 13 is stored with its own rate (rate ignored). Mode 0 with rate 0 takes the
    // default mode and its rate; mode 0 with another rate keeps the rate and, as the mode,
    // the first mode whose rate lies within kModeTolerance of it, or 0 (a custom rate).
    void SetFrameRate(int mode, double rate);
    int GetTimeMode() const { return timeMode_; }
    double GetFrameRate() const { return frameRate_; }
    // One frame of the mode, or with mode 0 one second divided by the rate (truncated).
    RTime GetFramePeriod() const;

    // Whether count frames from the start time, one period apart, stay inside the time range
    // (the last frame's time neither infinitely late nor infinitely early). True for 0.
    bool FramesFitTimeRange(int count) const;

    // Indexes 0 to 17; others are ignored (set) or read -1 (get).
    void SetOption(int index, int value);
    int GetOption(int index) const;

    // The skeleton handed from an ASF read or write to the AMC one. An owned object replaced
    // here is destroyed first.
    void SetAsfScene(RObject* scene, bool owned);
    RObject* GetAsfScene() const { return asfScene_; }
    bool OwnsAsfScene() const { return ownsAsfScene_; }

protected:
    ~RStreamOptionsMotion() override;

private:
    void ResetOwnValues();
    void ReleaseAsfScene();

    RString text_;
    RTime startTime_;
    int frameCount_ = 0;
    int timeMode_ = 0;
    double frameRate_ = 0.0;
    RObject* asfScene_ = nullptr;
    bool ownsAsfScene_ = false;
    int options_[kMotionOptionCount] = {};
};

#endif
