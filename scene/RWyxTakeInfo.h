#ifndef WYX_SCENE_RWYXTAKEINFO_H
#define WYX_SCENE_RWYXTAKEINFO_H

// The description of one take (a named animation clip) of a scene: its name, the name it was
// read under, a comment, and its local and reference time spans. The scene keeps one record
// per take; the animation itself lives in the take nodes of the animatable objects (one take
// node of the same name per object).
//
// Files store the description as "Comments", the local span as "LocalTime" and the reference
// span as "ReferenceTime". The record is a plain value: copies take every field, and the
// thumbnail, which the object factory owns, is shared by the copies, never duplicated.

#include <cstdint>

#include "core/RString.h"
#include "core/RTime.h"

class RWyxThumbnail;

class RWyxTakeInfo {
public:
    // Empty texts, both spans 0 to 0, no thumbnail.
    RWyxTakeInfo() = default;
    RWyxTakeInfo(const RWyxTakeInfo&) = default;
    RWyxTakeInfo& operator=(const RWyxTakeInfo&) = default;
    ~RWyxTakeInfo() = default;

    // Not owned: the object factory destroys thumbnails.
    RWyxThumbnail* GetThumbnail() const { return thumbnail_; }
    void SetThumbnail(RWyxThumbnail* thumbnail) { thumbnail_ = thumbnail; }

    RString name;
    // The name under which the take was read; the reader sets it to the take name.
    RString importName;
    RString description;
    RTime localStart;
    RTime localStop;
    RTime referenceStart;
    RTime referenceStop;

    // Whether the take is chosen: the writers write only selected takes and the reader reads
    // only those its options select; the importer's take infos carry the user's choice. A
    // new take info is selected.
    bool selected = true;
    // Fields files carry along with the take without any operation giving them a meaning;
    // they are kept so that a record copied or read and written again keeps them.
    std::int64_t opaqueWord = 0;
    int opaqueSecond = 1;

private:
    RWyxThumbnail* thumbnail_ = nullptr;
};

#endif
