#ifndef WYX_SCENE_RWYXENTITYCONTAINER_H
#define WYX_SCENE_RWYXENTITYCONTAINER_H

// The membership record of one scene: which nodes belong to it, which is its root, and the
// materials, textures, gobos, generic nodes and deformers they use. A node points at the
// container it belongs to; the parenting check of the node properties refuses to link two
// nodes of the same container when the child is a member already. Completed by the
// scene-membership work (lists, use counts and the moving of subtrees): for now it holds
// the factory that made it.

class RWyxObjectFactory;

class RWyxEntityContainer {
public:
    explicit RWyxEntityContainer(RWyxObjectFactory* factory) : factory_(factory) {}
    RWyxEntityContainer(const RWyxEntityContainer&) = delete;
    RWyxEntityContainer& operator=(const RWyxEntityContainer&) = delete;
    ~RWyxEntityContainer() = default;

    RWyxObjectFactory* GetFactory() const { return factory_; }

private:
    RWyxObjectFactory* factory_;
};

#endif
