#ifndef WYX_WYXWRITER_RWYXSCENEPREPARATION_H
#define WYX_WYXWRITER_RWYXSCENEPREPARATION_H

// The file form of a scene for the length of one write, undone afterwards so that the
// caller's scene is the same as before.
//
// In memory a geometry's layer elements hold their materials and textures and the geometry
// holds its skin links; in files materials, textures and deformers are objects connected to
// the nodes. The constructor runs the scene's translation (RWyxScene::ConnectLayerMaterials,
// ConnectLayerTextures, BuildDeformersFromSkinLinks) after noting what it will change: the
// sources of every geometry node's properties object, the index arrays it cuts (an index past
// its element's direct array becomes -1) and the deformers the scene had. The destructor
// destroys the deformers the translation built (clusters first), disconnects the sources it
// added and puts the index arrays back.

#include <unordered_set>
#include <vector>

class RPlug;
class RWyxDeformer;
class RWyxLayerElement;
class RWyxScene;

class RWyxScenePreparation {
public:
    explicit RWyxScenePreparation(RWyxScene& scene);
    ~RWyxScenePreparation();
    RWyxScenePreparation(const RWyxScenePreparation&) = delete;
    RWyxScenePreparation& operator=(const RWyxScenePreparation&) = delete;

private:
    struct SavedSources {
        RPlug* properties;
        std::unordered_set<const RPlug*> sources;
    };
    struct SavedIndices {
        RWyxLayerElement* element;
        std::vector<int> indices;
    };

    void SaveGeometryNodes();
    void DestroyBuiltDeformers();
    void DisconnectAddedSources();

    RWyxScene& scene_;
    std::vector<SavedSources> sources_;
    std::vector<SavedIndices> indices_;
    std::unordered_set<const RWyxDeformer*> deformersBefore_;
};

#endif
