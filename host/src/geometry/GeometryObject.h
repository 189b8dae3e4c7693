#ifndef VEXA_HOST_GEOMETRYOBJECT_H
#define VEXA_HOST_GEOMETRYOBJECT_H

// A VObject that holds geometry data rather than a node: what VPlug::getValue gives for a data
// plug, and what VFnMesh and VFnNurbsSurface work on when they are given one. It answers
// kMeshGeometry for mesh data and kNurbsSurfaceGeometry for surface data. Edits through a
// function set replace the data it holds (the plug it was read from keeps its value until
// the object is set back with VPlug::setValue).

#include "host/src/scene/ObjectRecord.h"
#include "host/src/scene/PlugValue.h"

#include <vexa/VObject.h>
#include <vexa/VexaExport.h>

#include <memory>

namespace vexa_host {

class VEXA_API GeometryObject : public ObjectRecord {
public:
    explicit GeometryObject(std::shared_ptr<const DataValue> data) : data_(std::move(data)) {}

    VFn::Type apiType() const override;
    bool hasFn(VFn::Type type) const override;
    const char* apiTypeName() const override;

    const std::shared_ptr<const DataValue>& data() const { return data_; }
    void setData(std::shared_ptr<const DataValue> data) { data_ = std::move(data); }

private:
    std::shared_ptr<const DataValue> data_;
};

VEXA_API VObject geometryObject(std::shared_ptr<const DataValue> data);
// The record behind a geometry object; null for any other object.
VEXA_API GeometryObject* geometryObjectOf(const VObject& object);

}  // namespace vexa_host

#endif
