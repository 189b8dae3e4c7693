#ifndef WYX_FORMATS_MOTION_RMARKERTEXTFILE_H
#define WYX_FORMATS_MOTION_RMARKERTEXTFILE_H

// A text marker format (TRC, AOA, MCD): the marker-file interface over the text-file base,
// whose reading, printing and reports it uses. No comment characters, exact special words,
// reports kept but not delivered.

#include "formats/motion/RMarkerFile.h"
#include "formats/motion/RMotionTextFile.h"

class RMarkerTextFile : public RMotionTextFile, public RMarkerFile {
public:
    RMarkerTextFile(const char* formatName, const char* delimiters)
        : RMotionTextFile(formatName, delimiters, "", true, false) {}

    int Open(const char* path, const char* mode) override { return RMotionTextFile::Open(path, mode) ? 1 : 0; }
    void OpenBytes(const void* data, std::size_t size) override { RMotionTextFile::OpenBytes(data, size); }
    int Close() override { return RMotionTextFile::Close() ? 1 : 0; }
    void Abandon() override { RMotionTextFile::Abandon(); }
    std::int64_t GetSourceSize() const override { return RMotionTextFile::GetSourceSize(); }
    std::string GetLastErrorText() const override { return RMotionTextFile::GetLastErrorText(); }
    const RWriteFailure& GetWriteFailure() const override { return RMotionTextFile::GetWriteFailure(); }
    bool EndRead() override { return true; }
    // Hands the text to the file; false when it could not be written.
    bool Finish() override { return Flush(); }
};

#endif
