#include "curves/RAnimationSettings.h"

namespace {

struct AnimationSettings {
    RTime framePeriod{RTime::kTicksPerSecond / 30};
    int rotationFilterMode = kRotationFilterUnroll;
    double unrollPrecision = 0.25;
    bool unrollPath = false;
    bool constantKeyReduction = true;
};

const AnimationSettings& Settings() {
    static const AnimationSettings settings;
    return settings;
}

}  // namespace

const RTime& GetPlotPeriod() {
    return Settings().framePeriod;
}

int GetRotationFilterMode() {
    return Settings().rotationFilterMode;
}

double GetUnrollPrecision() {
    return Settings().unrollPrecision;
}

bool GetUnrollPath() {
    return Settings().unrollPath;
}

bool IsConstantKeyReductionOn() {
    return Settings().constantKeyReduction;
}
