#ifndef WYX_FORMATS_MOTION_RWYXREADERMARKER_H
#define WYX_FORMATS_MOTION_RWYXREADERMARKER_H

// The import road of the optical-marker formats (C3D, TRC, AOA, MCD). The format's marker
// file parses the header, the names and one frame at a time; this base turns them into one
// node per marker (an optical-marker attribute, translation and occlusion curves in a take
// named after the file) under "<short name>:optical" or "<short name>:reference".
//
// Counts are claims the file must back: a header may claim no more markers than one frame of
// the file's format can hold in the file's bytes, and the keys made (frames read times the
// nodes) may not outnumber the file's bytes, so that memory and time grow with the file, never
// faster. Frames are read as they come. Elements a frame holds beyond the header's markers get
// nodes "*Unnamed_<n>", at most kMaxMarkers nodes in all.
//
// Errors: "File not opened" (3), "Stream options not set" (6), "File is corrupted" (0) for a
// bad header, names, frame or end and for duplicate names (the scene then stays as it was).

#include "core/RString.h"
#include "formats/motion/RMarkerFile.h"
#include "formats/motion/RWyxReaderMotion.h"

#include <memory>
#include <vector>

class RWyxReaderMarker : public RWyxReaderMotion {
public:
    // The most nodes one read makes.
    static constexpr int kMaxMarkers = 1 << 16;

    RWyxReaderMarker(RWyxObjectFactory* factory, const char* displayName, const char* shortName);
    ~RWyxReaderMarker() override;

    // The header's start, frame count and rate (a custom rate), then the format's defaults.
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

    const RString& GetDisplayName() const { return displayName_; }
    const RString& GetShortName() const { return shortName_; }

protected:
    // The format's marker file, not yet open.
    virtual std::unique_ptr<RMarkerFile> CreateMarkerFile() const = 0;
    // Puts the format's default options in; the file is open and its header was read.
    virtual void SetDefaultOptions(RStreamOptionsMotion& options) = 0;

    RMarkerFile* GetMarkerFile() const { return file_.get(); }

    bool OpenSource(const char* path, const void* data, std::size_t size) override;
    void CloseSource() override { file_.reset(); }
    bool HasSource() const override { return file_ != nullptr; }
    std::string GetSourceErrorText() const override;

private:
    struct Header {
        int markers = 0;
        RTime start;
        int frames = 0;
        double rate = 0.0;
        double scale = 1.0;
    };

    bool ReadCheckedHeader(Header& header);
    bool ReadMarkerNames(const RStreamOptionsMotion& options, int markers, std::vector<RString>& names);
    void RenameDuplicateNames(const RStreamOptionsMotion& options, std::vector<RString>& names);
    bool ReadFrames(const RStreamOptionsMotion& options, int markers, std::vector<RMarkerFrame>& frames,
                    int& extra);
    // Refuses, before any node is made, names that the nodes made would repeat.
    bool RefuseDuplicateNodeNames(const RStreamOptionsMotion& options, const std::vector<RString>& names, int extra);
    RWyxNode* CreateNodes(const RStreamOptionsMotion& options, const std::vector<RString>& names, int extra,
                          std::vector<RWyxNode*>& nodes);
    bool KeyNodes(const RStreamOptionsMotion& options, const std::vector<RWyxNode*>& nodes,
                  const std::vector<RMarkerFrame>& frames, double scale);

    std::unique_ptr<RMarkerFile> file_;
    RString displayName_;
    RString shortName_;
};

#endif
