#ifndef WYX_SCENE_RWYXSCENEINFO_H
#define WYX_SCENE_RWYXSCENEINFO_H

// The document record of a scene: title, subject, author, keywords, revision, comment, a
// version number and a thumbnail. Made by the object factory and owned by the scene it is
// handed to. Files store the texts as "Title", "Subject", "Author", "Keywords", "Revision" and
// "Comment", the number as "Version" and the picture as the "Thumbnail" block. The thumbnail
// belongs to the object factory (the record only points at it, and copies share it).

#include "core/RString.h"

class RWyxThumbnail;

class RWyxSceneInfo {
public:
    RWyxSceneInfo() = default;
    RWyxSceneInfo(const RWyxSceneInfo&) = default;
    RWyxSceneInfo& operator=(const RWyxSceneInfo&) = default;
    ~RWyxSceneInfo() = default;

    // All texts empty, version 0, no thumbnail.
    void Clear();

    void SetVersion(int version) { version_ = version; }
    int GetVersion() const { return version_; }
    // Null when there is none.
    RWyxThumbnail* GetThumbnail() const { return thumbnail_; }
    void SetThumbnail(RWyxThumbnail* thumbnail) { thumbnail_ = thumbnail; }

    RString title;
    RString subject;
    RString author;
    RString keywords;
    RString revision;
    RString comment;

private:
    int version_ = 0;
    RWyxThumbnail* thumbnail_ = nullptr;
};

#endif
