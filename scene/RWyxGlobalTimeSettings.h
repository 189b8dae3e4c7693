#ifndef WYX_SCENE_RWYXGLOBALTIMESETTINGS_H
#define WYX_SCENE_RWYXGLOBALTIMESETTINGS_H

// The time settings of a scene: its time mode (frame rate), the text format of its times,
// whether editing snaps on frames, and its time markers, one of which may be the reference.
// The scene owns them and resets them with its Clear; the readers and writers fill and write
// them field by field.
//
// A stored mode of 0 and a stored format of 2 mean "unset": the getters then answer the
// process-wide default, and when that is unset too, mode 6 (30 fps) and format 1 (frame
// count).
//
// Failures: an index outside the markers sets "Index out of range." (code 0) and answers null
// or false, the settings unchanged.

#include "core/RError.h"
#include "core/RString.h"
#include "core/RTime.h"

#include <vector>

// A named moment of the scene's time line ("Loop" in files).
struct RWyxTimeMarker {
    RWyxTimeMarker() = default;
    RWyxTimeMarker(const RString& markerName, RTime markerTime, bool markerLoop)
        : name(markerName), time(markerTime), loop(markerLoop) {}

    RString name;
    RTime time;
    bool loop = false;
};

class RWyxGlobalTimeSettings {
public:
    static constexpr int kErrorIndexOutOfRange = 0;
    static constexpr int kUnsetTimeMode = 0;
    static constexpr int kUnsetTimeFormat = 2;
    static constexpr int kFallbackTimeMode = 6;
    static constexpr int kFallbackTimeFormat = 1;

    // Reset.
    RWyxGlobalTimeSettings();
    RWyxGlobalTimeSettings(const RWyxGlobalTimeSettings&) = delete;
    RWyxGlobalTimeSettings& operator=(const RWyxGlobalTimeSettings&) = delete;

    // Mode 6, format 1, no snapping, no markers, no reference marker.
    void Reset();

    // The stored mode unless unset, else the process default unless unset, else 6.
    int GetTimeMode() const;
    // The stored field itself (0 when unset).
    int GetStoredTimeMode() const { return timeMode_; }
    void SetTimeMode(int mode) { timeMode_ = mode; }
    // The stored format unless unset, else the process default unless unset, else 1.
    int GetTimeFormat() const;
    int GetStoredTimeFormat() const { return timeFormat_; }
    void SetTimeFormat(int format) { timeFormat_ = format; }
    bool GetSnapOnFrames() const { return snapOnFrames_; }
    void SetSnapOnFrames(bool snap) { snapOnFrames_ = snap; }

    // Appends a copy; answers its index.
    int AddTimeMarker(const RWyxTimeMarker& marker);
    int GetTimeMarkerCount() const { return static_cast<int>(markers_.size()); }
    // Null with code 0 out of range.
    const RWyxTimeMarker* GetTimeMarker(int index);
    // Every marker goes; no marker is the reference any more.
    void RemoveAllTimeMarkers();
    // False with code 0, nothing changed, unless 0 <= index < marker count.
    bool SetReferenceTimeIndex(int index);
    // -1 when no marker is the reference.
    int GetReferenceTimeIndex() const { return referenceIndex_; }

    RError& GetError() { return error_; }
    const RError& GetError() const { return error_; }

private:
    bool IsMarkerIndex(int index) const { return index >= 0 && index < GetTimeMarkerCount(); }

    int timeMode_ = kFallbackTimeMode;
    int timeFormat_ = kFallbackTimeFormat;
    bool snapOnFrames_ = false;
    std::vector<RWyxTimeMarker> markers_;
    int referenceIndex_ = -1;
    RError error_;
};

#endif
