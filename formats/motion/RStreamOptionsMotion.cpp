#include "formats/motion/RStreamOptionsMotion.h"

#include "core/RTimeMode.h"

#include <cstdint>

RStreamOptionsMotion* RStreamOptionsMotion::Create() { return CreatePlugObject<RStreamOptionsMotion>(nullptr); }

RStreamOptionsMotion* RStreamOptionsMotion::CreateWith(std::initializer_list<std::pair<int, int>> options) {
    RStreamOptionsMotion* made = Create();
    for (const auto& [index, value] : options) {
        made->SetOption(index, value);
    }
    return made;
}

RStreamOptionsMotion::RStreamOptionsMotion() { ResetOwnValues(); }

RStreamOptionsMotion::~RStreamOptionsMotion() { ReleaseAsfScene(); }

void RStreamOptionsMotion::ResetHooks() {
    RStreamOptions::ResetHooks();
    ResetOwnValues();
}

void RStreamOptionsMotion::ResetOwnValues() {
    text_ = "";
    startTime_ = RTime();
    frameCount_ = 0;
    SetFrameRate(0, 0.0);
    ReleaseAsfScene();
    for (int& option : options_) {
        option = kUnset;
    }
}

void RStreamOptionsMotion::ReleaseAsfScene() {
    if (ownsAsfScene_ && asfScene_ != nullptr) {
        asfScene_->Destroy();
    }
    asfScene_ = nullptr;
    ownsAsfScene_ = false;
}

void RStreamOptionsMotion::SetFrameRate(int mode, double rate) {
    if (mode != 0) {
        timeMode_ = mode;
        frameRate_ = FramesPerSecond(mode);
    } else if (rate == 0.0) {
        timeMode_ = DefaultTimeMode();
        frameRate_ = FramesPerSecond(timeMode_);
    } else {
        timeMode_ = ModeFromFrameRate(rate, kModeTolerance);
        frameRate_ = rate;
    }
}

RTime RStreamOptionsMotion::GetFramePeriod() const {
    RTime period;
    if (timeMode_ != 0) {
        period.SetFromTimecode(0, 0, 0, 1, 0, timeMode_);
    } else if (frameRate_ > 0.0) {
        period.FromSeconds(1.0 / frameRate_);
    }
    return period;
}

bool RStreamOptionsMotion::FramesFitTimeRange(int count) const {
    if (count <= 1) {
        return count >= 0 && !startTime_.IsInfinitelyEarly() && !startTime_.IsInfinitelyLate();
    }
    const std::int64_t period = GetFramePeriod().GetTicks();
    if (period <= 0) {
        return false;
    }
    const std::int64_t steps = count - 1;
    if (steps > (RTime::kInfinitelyLate - 1) / period) {
        return false;
    }
    const RTime last = startTime_ + RTime(period * steps);
    return !last.IsInfinitelyLate() && !startTime_.IsInfinitelyEarly() && last > startTime_;
}

void RStreamOptionsMotion::SetOption(int index, int value) {
    if (index >= 0 && index < kMotionOptionCount) {
        options_[index] = value;
    }
}

int RStreamOptionsMotion::GetOption(int index) const {
    return index >= 0 && index < kMotionOptionCount ? options_[index] : kUnset;
}

void RStreamOptionsMotion::SetAsfScene(RObject* scene, bool owned) {
    if (scene != asfScene_) {
        ReleaseAsfScene();
    }
    asfScene_ = scene;
    ownsAsfScene_ = owned && scene != nullptr;
}
