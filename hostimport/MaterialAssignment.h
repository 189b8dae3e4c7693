#ifndef WYX_HOSTIMPORT_MATERIALASSIGNMENT_H
#define WYX_HOSTIMPORT_MATERIALASSIGNMENT_H

// What the material import keeps of one shader given to one geometry, for the textures that
// follow: the shader, the first SDK polygon given it (-1: the whole geometry), and the
// textures the geometry's texture layers put on those polygons, each once, in the order of
// the layers, with the blend mode and the index of the layer each came from, and whether it
// takes a file node of its own (one that maps on the mesh with other UVs than the texture's
// first file node there).

#include <vexa/VObject.h>

#include <cstddef>
#include <vector>

class RWyxLayerContainer;
class RWyxTexture;

struct MaterialAssignment {
    const RWyxLayerContainer* geometry = nullptr;
    int polygon = -1;
    VObject shader;
    std::vector<int> blendModes;
    std::vector<int> layers;
    std::vector<const RWyxTexture*> textures;
    std::vector<bool> ownFiles;

    bool OwnFile(std::size_t k) const { return k < ownFiles.size() && ownFiles[k]; }
};

#endif
