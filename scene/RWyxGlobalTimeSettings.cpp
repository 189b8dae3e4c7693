#include "scene/RWyxGlobalTimeSettings.h"

#include "core/RTimeMode.h"

namespace {

const char* const kTimeSettingsMessages[] = {"Index out of range."};

}  // namespace

RWyxGlobalTimeSettings::RWyxGlobalTimeSettings() : error_(kTimeSettingsMessages, 1) { Reset(); }

void RWyxGlobalTimeSettings::Reset() {
    timeMode_ = kFallbackTimeMode;
    timeFormat_ = kFallbackTimeFormat;
    snapOnFrames_ = false;
    RemoveAllTimeMarkers();
}

int RWyxGlobalTimeSettings::GetTimeMode() const {
    if (timeMode_ != kUnsetTimeMode) return timeMode_;
    const int processMode = DefaultTimeMode();
    return processMode != kUnsetTimeMode ? processMode : kFallbackTimeMode;
}

int RWyxGlobalTimeSettings::GetTimeFormat() const {
    if (timeFormat_ != kUnsetTimeFormat) return timeFormat_;
    const int processFormat = DefaultTimeFormat();
    return processFormat != kUnsetTimeFormat ? processFormat : kFallbackTimeFormat;
}

int RWyxGlobalTimeSettings::AddTimeMarker(const RWyxTimeMarker& marker) {
    markers_.push_back(marker);
    return GetTimeMarkerCount() - 1;
}

const RWyxTimeMarker* RWyxGlobalTimeSettings::GetTimeMarker(int index) {
    if (!IsMarkerIndex(index)) {
        error_.SetErrorCode(kErrorIndexOutOfRange);
        return nullptr;
    }
    return &markers_[static_cast<size_t>(index)];
}

void RWyxGlobalTimeSettings::RemoveAllTimeMarkers() {
    while (!markers_.empty()) markers_.pop_back();
    referenceIndex_ = -1;
}

bool RWyxGlobalTimeSettings::SetReferenceTimeIndex(int index) {
    if (!IsMarkerIndex(index)) {
        error_.SetErrorCode(kErrorIndexOutOfRange);
        return false;
    }
    referenceIndex_ = index;
    return true;
}
