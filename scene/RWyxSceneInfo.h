#ifndef WYX_SCENE_RWYXSCENEINFO_H
#define WYX_SCENE_RWYXSCENEINFO_H

// The document record of a scene: title, subject, author, keywords, revision, comment and a
// version number. Made by the object factory and owned by the scene it is handed to. Files
// store the texts as "Title", "Subject", "Author", "Keywords", "Revision" and "Comment" and the
// number as "Version".

#include "core/RString.h"

class RWyxSceneInfo {
public:
    RWyxSceneInfo() = default;
    RWyxSceneInfo(const RWyxSceneInfo&) = default;
    RWyxSceneInfo& operator=(const RWyxSceneInfo&) = default;
    ~RWyxSceneInfo() = default;

    // All texts empty, version 0.
    void Clear();

    void SetVersion(int version) { version_ = version; }
    int GetVersion() const { return version_; }

    RString title;
    RString subject;
    RString author;
    RString keywords;
    RString revision;
    RString comment;

private:
    int version_ = 0;
};

#endif
