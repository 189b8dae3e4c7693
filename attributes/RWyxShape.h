#ifndef WYX_ATTRIBUTES_RWYXSHAPE_H
#define WYX_ATTRIBUTES_RWYXSHAPE_H

// A blend shape of a geometry: control points that the geometry morphs towards. Made by the
// object factory and destroyed through it. Completed by the geometry work: for now it holds
// the factory that made it.

class RWyxObjectFactory;

class RWyxShape {
public:
    explicit RWyxShape(RWyxObjectFactory* factory) : factory_(factory) {}
    RWyxShape(const RWyxShape&) = delete;
    RWyxShape& operator=(const RWyxShape&) = delete;
    virtual ~RWyxShape() = default;

    RWyxObjectFactory* GetFactory() const { return factory_; }

private:
    RWyxObjectFactory* factory_;
};

#endif
