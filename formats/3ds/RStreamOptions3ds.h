#ifndef WYX_FORMATS_3DS_RSTREAMOPTIONS3DS_H
#define WYX_FORMATS_3DS_RSTREAMOPTIONS3DS_H

// The stream options of the 3DS reader and writer: check boxes in the numbered slots of
// RStreamOptionsBase, set at construction and by every reset.
//
//   slot  label                    default  direction
//   1     "Create Reference Node"  off      both
//   7     "Materials"              on       both
//   8     "Texture Mapping"        on       both (depends on slot 7)
//   9     "Anim"                   on       both
//   10    "Geometries"             on       both
//   11    "Lights"                 on       both
//   12    "Camera"                 on       both
//   13    "Ambient Light"          on       both
//   14    "Rescale"                on       both
//   15    "Reduce Keys"            off      reading
//   16    "Smooth Group"           on       both
//   17    "UV per polygon"         on       writing
// Slots 2 to 6 keep the base's initial values. A check box is on when its value is 1.

#include "fileio/RStreamOptionsBase.h"

class RStreamOptions3ds : public RStreamOptionsBase {
    WYX_DECLARE_CLASS(RStreamOptions3ds)

public:
    static constexpr int kCreateReferenceNode = 1;
    static constexpr int kMaterials = 7;
    static constexpr int kTextureMapping = 8;
    static constexpr int kAnimation = 9;
    static constexpr int kGeometries = 10;
    static constexpr int kLights = 11;
    static constexpr int kCamera = 12;
    static constexpr int kAmbientLight = 13;
    static constexpr int kRescale = 14;
    static constexpr int kReduceKeys = 15;
    static constexpr int kSmoothGroup = 16;
    static constexpr int kUvPerPolygon = 17;

    // New options with their reset values; they end with Destroy().
    static RStreamOptions3ds* Create();

    RStreamOptions3ds();

    // The default hooks, then every option of the table and the three own fields.
    void ResetHooks() override;

    // Whether the check box of the slot is on (its value is 1).
    bool IsOn(int slot) const { return GetOptionValue(slot) == 1; }

    int GetOwnField(int index) const { return index >= 0 && index < kOwnFieldCount ? ownFields_[index] : 0; }

protected:
    ~RStreamOptions3ds() override = default;

private:
    static constexpr int kOwnFieldCount = 3;

    void ResetOptions();

    // Three fields neither the reader nor the writer reads; the reset clears them.
    int ownFields_[kOwnFieldCount] = {};
};

#endif
