#ifndef WYX_ATTRIBUTES_RWYXTHUMBNAIL_H
#define WYX_ATTRIBUTES_RWYXTHUMBNAIL_H

// The preview picture of a take or a scene. Made by the object factory without an owner and
// destroyed through it. Completed by the thumbnail work: for now it is an empty record.

class RWyxThumbnail {
public:
    RWyxThumbnail() = default;
    RWyxThumbnail(const RWyxThumbnail&) = delete;
    RWyxThumbnail& operator=(const RWyxThumbnail&) = delete;
    ~RWyxThumbnail() = default;
};

#endif
