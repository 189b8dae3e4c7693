#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKSCENESETTINGS_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKSCENESETTINGS_H

// Scene-wide settings of a 3DS database: the mesh settings and the background, kept as
// direct children of the mesh data chunk 0x3D3D, and the keyframer settings under 0xB000.
//
// Mesh settings: 0x0100 master scale (float), 0x1400 shadow bias (float), 0x1460 ray-trace
// bias (float), 0x1420 shadow map size (16-bit; 512 when absent), 0x1450 shadow filter
// (float), 0x2100 ambient light (colour children), 0x1500 object constants (3 floats).
// Background: 0x1100 bitmap name (at most 12 characters), 0x1200 solid colour, 0x1300
// gradient (midpoint float, then top, middle and bottom colours), and the switch 0x1101
// (bitmap), 0x1201 (solid) or 0x1301 (gradient) without data.
// Colour chunks: 0x0010 three floats, 0x0011 three bytes, 0x0013 three floats (linear),
// 0x0012 three bytes (linear). The ambient light's bytes read as byte / 256.
// Keyframer: 0xB00A header (animation length), 0xB009 current frame, 0xB008 segment.

#include "formats/3ds/toolkit/FtkTypes.h"

#include <cstdint>
#include <memory>
#include <string>

struct FtkDatabase;

struct FtkShadowSettings {
    std::uint8_t type = 0;  // set by no operation here
    float bias = 1.0f;
    float rayBias = 1.0f;
    std::uint16_t mapSize = 512;
    float filter = 3.0f;
};

struct FtkMeshSettings {
    float masterScale = 1.0f;
    FtkShadowSettings shadow;
    FtkColor ambientLight;  // 0.39216 each (set by FtkInitMeshSettings)
    FtkPoint objectConstants;
};

enum FtkBackgroundKind : std::uint32_t {
    kFtkNoBackground = 0,
    kFtkSolidBackground = 1,
    kFtkGradientBackground = 2,
    kFtkBitmapBackground = 3,
};

struct FtkBackground {
    bool hasBitmap = false;  // the bitmap name is set (it may be empty)
    std::string bitmap;
    FtkColor solid;
    float gradientMidpoint = 0.5f;
    FtkColor gradientTop;
    FtkColor gradientMiddle;
    FtkColor gradientBottom;
    std::uint32_t active = kFtkNoBackground;
};

struct FtkKeyframerSettings {
    std::uint32_t animationLength = 30;
    std::uint32_t currentFrame = 0;
    std::uint32_t useSegment = 0;
    std::uint32_t segmentBegin = 0;
    std::uint32_t segmentEnd = 30;
};

void FtkInitMeshSettings(std::unique_ptr<FtkMeshSettings>& settings);
void FtkReleaseMeshSettings(std::unique_ptr<FtkMeshSettings>& settings);
// Resets the record to its defaults and reads it; without 0x3D3D the record is left as it was.
void FtkGetMeshSettings(FtkDatabase* database, FtkMeshSettings* settings);
void FtkPutMeshSettings(FtkDatabase* database, const FtkMeshSettings* settings);

void FtkInitBackground(std::unique_ptr<FtkBackground>& background);
void FtkReleaseBackground(std::unique_ptr<FtkBackground>& background);
void FtkGetBackground(FtkDatabase* database, FtkBackground* background);
void FtkPutBackground(FtkDatabase* database, const FtkBackground* background);

void FtkInitKeyframerSettings(std::unique_ptr<FtkKeyframerSettings>& settings);
// Length 30, current frame 0.
void FtkInitKeyframerRange(FtkKeyframerSettings* settings);
// Not in use, frames 0 to 30.
void FtkInitKeyframerSegment(FtkKeyframerSettings* settings);
void FtkReleaseKeyframerSettings(std::unique_ptr<FtkKeyframerSettings>& settings);
void FtkPutKeyframerSettings(FtkDatabase* database, const FtkKeyframerSettings* settings);
void FtkPutKeyframerRange(FtkDatabase* database, const FtkKeyframerSettings* settings);
void FtkPutKeyframerSegment(FtkDatabase* database, const FtkKeyframerSettings* settings);

// Reads a colour from the children of a colour container: the first plain colour (0x0010 or
// 0x0011), overridden by the first linear one (0x0013 or 0x0012); floatsFirst says which form
// of each is looked for first. Bytes are multiplied by byteScale. False when the container
// holds none of the four.
bool FtkReadColorChildren(struct FtkChunk* parent, bool floatsFirst, float byteScale, FtkColor& color);
// Appends a 0x0010 and a 0x0013 child, both holding the colour.
void FtkAddColorChildren(struct FtkChunk* parent, const FtkColor& color);

#endif
