#ifndef WYX_WYXREADER_RWYXTAKEINFOREADER_H
#define WYX_WYXREADER_RWYXTAKEINFOREADER_H

// The take descriptions of a version-6 file, as its header tells them before the file is read,
// and the "Thumbnail" blocks of takes and of the scene info.
//
// Where the descriptions are: in the binary forms the "Summary" of the extension section holds
// "Takes" { Version; Current; Take: name { Comments; LocalTime; ReferenceTime; Thumbnail } };
// the ASCII form has no extension section, and there (and in a binary file without one) the
// main section's "Takes" block is read instead, whose "Take" blocks carry the same fields
// beside the animation. Both list the same takes with the same spans when the writer made them.
// "Current" of the main section is the one the reader selects after reading the takes; the
// Summary's is used only when the main section has none.
//
// "Thumbnail" { Version: 100; Format: 0 RGB / 1 RGBA; Size: 1 64 x 64 / 2 128 x 128;
// ImageEncoding: 0; ImageData: one int per byte }. A thumbnail whose format, size or encoding
// is unknown, or whose bytes do not fill the image exactly, is dropped with a warning; bytes
// outside 0 to 255 keep their low eight bits, with a warning.

#include "core/RString.h"

#include <memory>
#include <vector>

class RWyxFile;
class RWyxObjectFactory;
class RWyxReadWarnings;
class RWyxTakeInfo;
class RWyxThumbnail;

class RWyxTakeInfoReader {
public:
    // The factory makes the thumbnails (and owns them); warnings go to `warnings`.
    RWyxTakeInfoReader(RWyxFile& file, RWyxObjectFactory* factory, RWyxReadWarnings& warnings);

    // The next "Thumbnail" field at the current level, made through the factory; null when
    // there is none, without a factory, or when it is dropped.
    RWyxThumbnail* ReadThumbnail(const RString& owner);
    // "Comments", "LocalTime", "ReferenceTime" and "Thumbnail" at the current level (a take's
    // block) into the info.
    void ReadTakeInfoFields(RWyxTakeInfo& info);

    // The takes of the file, in file order, each selected, its import name its name; current
    // gets the current take's name: the Summary's when it has takes, else the main section's.
    void ReadTakeInfos(std::vector<std::unique_ptr<RWyxTakeInfo>>& takes, RString& current);

private:
    void ReadTakesBlock(std::vector<std::unique_ptr<RWyxTakeInfo>>& takes, RString& current);
    bool ReadImage(RWyxThumbnail& thumbnail, const RString& owner);

    RWyxFile& file_;
    RWyxObjectFactory* factory_;
    RWyxReadWarnings& warnings_;
};

#endif
