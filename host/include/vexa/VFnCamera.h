#ifndef VEXA_VFNCAMERA_H
#define VEXA_VFNCAMERA_H

// The function set of cameras. For now it names the film fits; the camera operations come
// with the camera node type.

#include <vexa/VFnDagNode.h>

class VFnCamera : public VFnDagNode {
public:
    enum FilmFit { kFillFilmFit = 0, kHorizontalFilmFit = 1, kVerticalFilmFit = 2, kOverscanFilmFit = 3, kInvalid = 4 };

    VFn::Type type() const override { return VFn::kCamera; }
};

#endif
