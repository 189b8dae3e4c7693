#include "formats/3ds/toolkit/FtkMeshObject.h"

#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkRecord.h"

#include <new>

namespace {

// Brings the array to count elements, new ones equal to `fresh`; frees it for 0.
template <typename Element>
void Fit(std::vector<Element>& array, std::size_t count, const Element& fresh) {
    if (count == 0) {
        std::vector<Element>().swap(array);
        return;
    }
    try {
        array.resize(count, fresh);
    } catch (const std::bad_alloc&) {
        FtkSetError(ERR_NO_MEM);
    }
}

}  // namespace

void FtkInitMeshObject(std::unique_ptr<FtkMeshObject>& mesh, std::uint16_t vertexCount, std::uint16_t faceCount,
                       std::uint32_t mask) {
    if (!FtkResetRecord(mesh)) {
        return;
    }
    mesh->vertexCount = vertexCount;
    mesh->faceCount = faceCount;
    std::uint32_t arrays = kFtkMeshVertices | kFtkMeshFaces;
    if ((mask & kFtkMeshTexVerts) != 0) {
        mesh->texVertCount = vertexCount;
        arrays |= kFtkMeshTexVerts;
    }
    if ((mask & kFtkMeshVertexFlags) != 0) {
        mesh->vertexFlagCount = vertexCount;
        arrays |= kFtkMeshVertexFlags;
    }
    arrays |= mask & kFtkMeshSmoothGroups;
    FtkAllocMeshArrays(mesh.get(), arrays);
}

void FtkAllocMeshArrays(FtkMeshObject* mesh, std::uint32_t mask) {
    if (mesh == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    if ((mask & kFtkMeshVertices) != 0) Fit(mesh->vertices, mesh->vertexCount, FtkPoint());
    if ((mask & kFtkMeshTexVerts) != 0) Fit(mesh->texVerts, mesh->texVertCount, FtkTexVert());
    if ((mask & kFtkMeshFaces) != 0) Fit(mesh->faces, mesh->faceCount, FtkFace());
    if ((mask & kFtkMeshMaterials) != 0) Fit(mesh->materials, mesh->materialCount, FtkMaterialGroup());
    if ((mask & kFtkMeshSmoothGroups) != 0) Fit(mesh->smoothGroups, mesh->faceCount, std::uint32_t{0});
    if ((mask & kFtkMeshProcData) != 0) Fit(mesh->procData, mesh->procDataSize, std::uint8_t{0});
    if ((mask & kFtkMeshVertexFlags) != 0) Fit(mesh->vertexFlags, mesh->vertexCount, std::uint16_t{0});
}

void FtkReleaseMeshArrays(FtkMeshObject* mesh, std::uint32_t mask) {
    if (mesh == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    if ((mask & kFtkMeshVertices) != 0) std::vector<FtkPoint>().swap(mesh->vertices);
    if ((mask & kFtkMeshTexVerts) != 0) std::vector<FtkTexVert>().swap(mesh->texVerts);
    if ((mask & kFtkMeshFaces) != 0) std::vector<FtkFace>().swap(mesh->faces);
    if ((mask & kFtkMeshMaterials) != 0) std::vector<FtkMaterialGroup>().swap(mesh->materials);
    if ((mask & kFtkMeshSmoothGroups) != 0) std::vector<std::uint32_t>().swap(mesh->smoothGroups);
    if ((mask & kFtkMeshProcData) != 0) std::vector<std::uint8_t>().swap(mesh->procData);
    if ((mask & kFtkMeshVertexFlags) != 0) std::vector<std::uint16_t>().swap(mesh->vertexFlags);
}

void FtkReleaseMeshObject(std::unique_ptr<FtkMeshObject>& mesh) { mesh.reset(); }

void FtkAllocMaterialGroupFaces(FtkMeshObject* mesh, std::uint16_t group, std::uint16_t faceCount) {
    if (mesh == nullptr || faceCount == 0) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    if (mesh->faceCount == 0 || mesh->faces.empty() || group >= mesh->materialCount || group >= mesh->materials.size()) {
        FtkSetError(ERR_INVALID_DATA);
        return;
    }
    FtkMaterialGroup& entry = mesh->materials[group];
    entry.faceIndices.assign(faceCount, 0);
    entry.faceCount = faceCount;
}
