#ifndef WYX_SCENE_RWYXSCENE_H
#define WYX_SCENE_RWYXSCENE_H

// The container a reader fills and a writer reads: the scene's entity container with its
// root node, its settings, takes and character objects. Made, recorded and destroyed by the
// object factory (CreateScene, DestroyScene). Completed by the scene work: for now it holds
// the factory that made it and has no root node yet.

class RWyxNode;
class RWyxObjectFactory;

class RWyxScene {
public:
    explicit RWyxScene(RWyxObjectFactory* factory) : factory_(factory) {}
    RWyxScene(const RWyxScene&) = delete;
    RWyxScene& operator=(const RWyxScene&) = delete;
    virtual ~RWyxScene() = default;

    RWyxObjectFactory* GetFactory() const { return factory_; }
    // The root of the scene's hierarchy; none until the scene builds its entity container.
    RWyxNode* GetRootNode() const { return nullptr; }

private:
    RWyxObjectFactory* factory_;
};

#endif
