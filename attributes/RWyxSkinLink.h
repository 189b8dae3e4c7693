#ifndef WYX_ATTRIBUTES_RWYXSKINLINK_H
#define WYX_ATTRIBUTES_RWYXSKINLINK_H

// How a geometry is bound to one link node (cluster data: control-point indices, weights and
// matrices). Made by the object factory without an owner and destroyed through it.
// Completed by the deformer work: for now it is an empty record.

class RWyxSkinLink {
public:
    RWyxSkinLink() = default;
    RWyxSkinLink(const RWyxSkinLink&) = delete;
    RWyxSkinLink& operator=(const RWyxSkinLink&) = delete;
    virtual ~RWyxSkinLink() = default;
};

#endif
