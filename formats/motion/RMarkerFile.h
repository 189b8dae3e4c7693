#ifndef WYX_FORMATS_MOTION_RMARKERFILE_H
#define WYX_FORMATS_MOTION_RMARKERFILE_H

// The interface of an optical-marker file (C3D, TRC, AOA, MCD): the marker reader and writer
// bases read and write every such format through it, one frame at a time.
//
// A marker frame holds one element per marker in marker order: x, y, z and the occlusion
// value w (0.0 visible, 1.0 a gap). ReadFrame appends to the frame it is given, so that a file
// may deliver more or fewer elements than its header's marker count.
//
// Reading parses the bytes of a file or of a span in memory; GetSourceSize answers how many
// there are, so that counts the file claims can be weighed against what it holds. The write
// operations answer false, with GetLastErrorText saying why, for what the format cannot hold;
// Close puts a written file in place (non-zero when it could not) and Abandon drops it.

#include "core/RString.h"
#include "core/RTime.h"
#include "core/RVector4.h"
#include "fileio/RWriteFailure.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using RMarkerFrame = std::vector<RVector4>;

class RMarkerFile {
public:
    static constexpr int kInterfaceId = 39402;

    virtual ~RMarkerFile() = default;

    // This interface for the ids 0 and kInterfaceId, else null.
    RMarkerFile* Query(int id) { return id == 0 || id == kInterfaceId ? this : nullptr; }

    // 0 on success. The mode is "r" or "w" (binary formats add nothing: they read and write
    // bytes whatever the mode).
    virtual int Open(const char* path, const char* mode) = 0;
    // Reads the bytes (kept by the caller until Close) as a file opened with "r".
    virtual void OpenBytes(const void* data, std::size_t size) = 0;
    // 0 on success; non-zero when nothing was open or a written file could not be put in place.
    virtual int Close() = 0;
    virtual void Abandon() = 0;
    virtual std::int64_t GetSourceSize() const = 0;
    // The fewest bytes one marker of a frame takes in the format: a header may claim no more
    // markers than the file holds frames of.
    virtual int GetMarkerBytes() const { return 1; }
    // Why the file was refused or could not be written; empty when nothing was said.
    virtual std::string GetLastErrorText() const = 0;
    // Whether the system refused a write of the file (or Close could not put it in place), as
    // against the format refusing what it cannot hold, and why.
    virtual const RWriteFailure& GetWriteFailure() const = 0;

    // ---- reading --------------------------------------------------------------------------
    // Frame rate in frames per second; scale multiplies every position read.
    virtual bool ReadHeader(int& markers, RTime& start, int& frames, double& rate, double& scale) = 0;
    // Assigns the names of the markers; names holds one (empty) text per marker.
    virtual bool ReadNames(std::vector<RString>& names, bool keepActorPrefix) = 0;
    // Appends the frame's elements; on success moves time and counter on.
    virtual bool ReadFrame(RMarkerFrame& frame, int markers, RTime& time, int& counter, RTime period,
                           bool exactZeroIsOccluded) = 0;
    // True when the file ended as expected.
    virtual bool EndRead() = 0;

    // ---- writing --------------------------------------------------------------------------
    // Scale -1.0 asks for real numbers where the format offers them, 1.0 for its default.
    virtual bool WriteHeader(int markers, RTime start, int frames, double rate, double scale) = 0;
    virtual bool WriteNames(const std::vector<RString>& names) = 0;
    // The name a read of the file gives the marker written with the name at the place (0 on),
    // before the object factory makes a node of it: the name itself unless the format
    // changes it.
    virtual RString NameAsRead(const RString& name, int /*index*/) const { return name; }
    // Positions of the markers in centimetres; number counts from 1.
    virtual bool WriteFrame(const RVector4* positions, int markers, RTime time, int number) = 0;
    virtual bool Finish() = 0;
};

#endif
