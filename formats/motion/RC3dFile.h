#ifndef WYX_FORMATS_MOTION_RC3DFILE_H
#define WYX_FORMATS_MOTION_RC3DFILE_H

// The C3D file library: the 512-byte header block, the parameter section of groups and typed
// parameters, and point frames, in any of the three processor layouts a file may use
// (1 Intel: little-endian, IEEE floats; 2 DEC: little-endian, DEC F-floats; 3 MIPS:
// big-endian, IEEE floats). The layout is the byte at offset 3 of the parameter section minus
// 83 (anything but 1 to 3 counts as Intel).
//
// Reading: from a file or from bytes in memory, through a buffer of one block; a read past the
// end answers false. Every count the file gives is taken as a claim: names are cut to their
// field, a value's dimensions may claim no more than a record can hold, records are bounded
// by their offsets, the header's events by the header block.
//
// Writing: into an output buffer that the owner hands to the file; little-endian words and
// DEC floats (the layout written is DEC). Values the layout cannot hold (a word out of 16
// bits, a float beyond the DEC range, a record longer than its offset word can say) are
// refused, never written wrapped.

#include "core/RFileStream.h"
#include "formats/motion/RC3dParameter.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RC3dFile {
public:
    static constexpr int kBlockSize = 512;
    static constexpr int kIntel = 1;
    static constexpr int kDec = 2;
    static constexpr int kMips = 3;
    // The events a header block holds.
    static constexpr int kMaxEvents = 18;
    // Offsets in the header block.
    static constexpr int kEventKeyOffset = 298;

    struct Header {
        int parameterBlock = 0;  // 1-based
        int points = 0;
        int analogPerFrame = 0;
        int firstFrame = 0;
        int lastFrame = 0;
        int maxGap = 0;
        float scale = 0.0f;  // negative: points are floats
        int dataStart = 0;   // 1-based block
        int analogSamples = 0;
        float frameRate = 0.0f;
    };

    struct Event {
        std::string label;
        float time = 0.0f;
        int display = 0;
    };

    struct Point {
        double x = 0.0;
        double y = 0.0;
        double z = 0.0;
        double residual = 0.0;
        int cameras = 0;
        bool valid = false;
    };

    RC3dFile();
    virtual ~RC3dFile();
    RC3dFile(const RC3dFile&) = delete;
    RC3dFile& operator=(const RC3dFile&) = delete;

    // ---- the source read -------------------------------------------------------------------
    bool OpenSource(const char* path);
    // The bytes stay the caller's until CloseSource.
    void OpenSourceBytes(const void* data, std::size_t size);
    void CloseSource();
    bool HasSource() const { return file_ != nullptr || memory_ != nullptr; }
    std::int64_t GetSourceSize() const { return sourceSize_; }

    // ---- header ----------------------------------------------------------------------------
    // The header block (after the processor type): false for a short file, a first word
    // without the key, or a parameter or data start block of 0.
    bool ReadHeader();
    const Header& GetHeader() const { return header_; }
    const std::vector<Event>& GetEvents() const { return events_; }
    int GetProcessorType() const { return processor_; }

    // ---- buffered reading ------------------------------------------------------------------
    // Makes the buffer hold the (zero-based) block; false past the end.
    bool SeekBlock(std::int64_t block);
    bool ReadByte(std::uint8_t& out);
    bool ReadBytes(void* out, std::size_t count);
    bool ReadWord(std::uint16_t& out);
    bool ReadFloat(float& out);
    bool Skip(std::int64_t count);

    // Moves to the parameter section's first record; false when it is not there.
    bool BeginParameters();
    // The next record; false at the section's end (a name length or id of 0, or the end of
    // the file). The read position is then at the following record, whatever the record held.
    bool ReadRecord(RC3dParameter& record);
    // One point (integer points when scale >= 0, else floats), then skip bytes. False at the
    // end of the file or for a float coordinate that is not finite.
    bool ReadPoint(Point& out, double scale, std::int64_t skip, double unit);

    // ---- writing ---------------------------------------------------------------------------
    std::vector<std::uint8_t>& Output() { return output_; }
    void PutByte(int value) { output_.push_back(static_cast<std::uint8_t>(value)); }
    void PutBytes(const void* data, std::size_t count);
    void PutWord(int value);
    // A word whose value ApplyPatches puts in again (with the value given here).
    void PutPatchedWord(int value);
    bool PutDecFloat(float value);
    void PutFill(std::size_t count, int value) { output_.insert(output_.end(), count, static_cast<std::uint8_t>(value)); }
    void PutHeader(const Header& header);
    // The four bytes before the records: key, blocks of the section, processor (DEC).
    void WriteParameterHeader(int blocks);
    // False when the record's value or text cannot be written (too long for the offset word).
    bool PutRecord(const RC3dParameter& record);
    // scale < 0: floats X/u, Y/u, Z/u and 0 (valid) or -1; else words (1 / (s u)) X ... with a
    // residual byte 0 and a camera byte 0 or 0x80. False when a value does not fit.
    bool PutPoint(double scale, double x, double y, double z, double unit, bool valid);
    void ApplyPatches();
    // Changes the value the patch (0 the first word, 1 the data start) puts in.
    void SetPatchValue(std::size_t index, int value);

    // ---- float layouts ---------------------------------------------------------------------
    static float DecodeFloat(const std::uint8_t bytes[4], int processor);
    // The float in DEC layout; false when DEC cannot hold it (infinity, not a number, 2^127 or
    // more). Zero, negative zero and values below the smallest DEC number give four zeros.
    static bool EncodeDecFloat(float value, std::uint8_t out[4]);

private:
    struct Patch {
        std::size_t position;
        std::uint16_t value;
    };

    int ReadProcessorType(int parameterBlock);
    bool ReadEvents();
    bool LoadBlock(std::int64_t block);
    bool ReadValue(RC3dParameter& record, std::int64_t& budget);

    std::unique_ptr<RFileStream> file_;
    const std::uint8_t* memory_ = nullptr;
    std::int64_t sourceSize_ = 0;
    std::uint8_t buffer_[kBlockSize] = {};
    int position_ = 0;
    int valid_ = 0;
    std::int64_t block_ = -1;
    bool sectionEnded_ = true;

    Header header_;
    std::vector<Event> events_;
    int processor_ = kIntel;

    std::vector<std::uint8_t> output_;
    std::vector<Patch> patches_;
};

#endif
