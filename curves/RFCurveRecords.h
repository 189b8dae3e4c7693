#ifndef WYX_CURVES_RFCURVERECORDS_H
#define WYX_CURVES_RFCURVERECORDS_H

// A function curve stored as a group of fields of a WYX file, at the level where the caller
// writes it:
//   "Default"             the default value (always)
//   "KeyVer", "KeyCount"  4004 and the key count        } only for a curve with keys
//   "Key"                 the keys, one after the other } when not writing defaults only
//   "Pre-Extrapolation",  a block with "Type" (a letter) and "Repetition", when the
//   "Post-Extrapolation"  extrapolation is not the plain constant one
//   "Color"               red, green, blue (on request)
//
// One key is its time, its value and its interpolation letter ("C" Constant, "L" Linear,
// "U" Cubic), then for Constant "n" (next value) or "s", for Cubic a tangent letter with its
// numbers: "t" tension, continuity, bias; "s" / "b" User / UserBreak slopes; "p" / "q" Auto /
// AutoBreak ratios; "a" an Auto key with ratios 0; "d" an Auto key followed by a User key
// (its incoming slope). Slopes and ratios are followed by a weight letter ("n", "r", "l",
// "a") and the weights it names.
//
// The reader also takes key versions 4000 and 4002 and the older codings (interpolation
// letters "B", "H", "I", "O", "R", "T", each key with its own tangents, "B" keys with Bezier
// control values). A file is untrusted input: the key count is bounded by the values
// present before anything is allocated, and a key that cannot be read (a missing time or
// letter, an unknown letter, a number a float cannot hold, a time not after the last good
// key's) is dropped without touching the keys already read. A "Default" or "Color" that a
// float cannot hold leaves the curve's own. A caller that asks is told how many of each.
// A number that rounds to the largest float is held as it: the ASCII form's 15 digits write
// that float a little above it.

#include "curves/RFCurve.h"

class RWyxFile;

class RFCurveRecords {
public:
    // The key version written.
    static constexpr int kKeyVersion = 4004;

    // Writes the fields at the file's current level; with defaultOnly only "Default".
    // autoSlopes writes Auto keys with the slopes they evaluate to (as User keys) for
    // readers that do not compute auto tangents. False when the file holds an error after
    // writing.
    static bool Write(const RFCurve& curve, RWyxFile& file, bool defaultOnly, bool withColor,
                      bool autoSlopes);
    // What reads left out, counted up by each read given it: keys that could not be read,
    // and a "Default" or "Color" no float holds.
    struct Losses {
        int keys = 0;
        int numbers = 0;
    };

    // Reads into the curve; called with the "Default" field current (it is left). What is
    // left out is added to losses when given.
    static void Read(RFCurve& curve, RWyxFile& file, bool defaultOnly, bool withColor,
                     Losses* losses = nullptr);
    // When a "Default" field is found at the current level: clears the keys of the curve
    // (a new curve, for RFCurve::Destroy, when null is given), reads it and answers it.
    // Null, nothing created, when there is no "Default" field.
    static RFCurve* ReadDefaultBlock(RWyxFile& file, RFCurve* curve, bool defaultOnly,
                                     bool withColor, Losses* losses = nullptr);
    // ReadDefaultBlock into a new curve.
    static RFCurve* CreateFromFile(RWyxFile& file, bool defaultOnly, bool withColor,
                                   Losses* losses = nullptr);
};

#endif
