#ifndef WYX_FORMATS_GEOMETRY_RWYXGEOMETRYCONVERTER_H
#define WYX_FORMATS_GEOMETRY_RWYXGEOMETRYCONVERTER_H

// Converts between the geometry kinds (tessellates NURBS and patches into meshes and the
// like). Made by the object factory and destroyed through it. Completed by the geometry-
// conversion work: for now it holds the factory that made it.

class RWyxObjectFactory;

class RWyxGeometryConverter {
public:
    explicit RWyxGeometryConverter(RWyxObjectFactory* factory) : factory_(factory) {}
    RWyxGeometryConverter(const RWyxGeometryConverter&) = delete;
    RWyxGeometryConverter& operator=(const RWyxGeometryConverter&) = delete;
    ~RWyxGeometryConverter() = default;

    RWyxObjectFactory* GetFactory() const { return factory_; }

private:
    RWyxObjectFactory* factory_;  // not owned
};

#endif
