#include "formats/geometry/RWyxWriterObj.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "core/FilePaths.h"
#include "core/RNamePair.h"
#include "fileio/RWriteFailure.h"
#include "formats/geometry/ExportDeformation.h"
#include "formats/geometry/GeometryExport.h"
#include "formats/geometry/GeometryTextWriter.h"
#include "formats/geometry/RStreamOptionsObj.h"
#include "platform/RFileReplacement.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <new>

namespace {

constexpr const char* kObjHeader = "# \n# Ostrelle OBJ file\n# Created with Rusvane WYX\n# \n";
constexpr const char* kFileKind = "an OBJ file";
constexpr const char* kMtlHeader = "# \n# Ostrelle material file\n# Created with Rusvane WYX\n# \n";

bool MeshUsesMaterials(RWyxMesh& mesh) { return mesh.GetMaterialCount() > 0 || mesh.GetTextureCount() > 0; }

// The entry of an index element for a polygon: by polygon its own, by control point the one
// of its first corner, else the first; -1 when there is none.
int IndexForPolygon(const RWyxMesh& mesh, const int* indices, int count, int mapping, int polygon) {
    if (indices == nullptr) return -1;
    int position = 0;
    if (mapping == RWyxMesh::kKindByPolygon) {
        position = polygon;
    } else if (mapping == RWyxMesh::kKindByControlPoint) {
        position = mesh.GetPolygonVertex(polygon, 0);
    }
    return position >= 0 && position < count ? indices[position] : -1;
}

// A name as an OBJ or MTL statement holds it: a control character (a line break, a tab, ...)
// would end the line or split the name, and a backslash at the end (blanks after it are
// trimmed) would make the reader join the next line to this one; each becomes '_'. Material
// names are one word ("usemtl" and "newmtl" take the first word of their line): with
// oneWord, every blank becomes '_' too.
RString StatementName(const RString& name, bool oneWord = false) {
    RString safe = name.ControlCharsReplaced('_', oneWord);
    int last = safe.GetLength() - 1;
    while (last >= 0 && safe[static_cast<unsigned>(last)] == ' ') {
        --last;
    }
    if (last >= 0 && safe[static_cast<unsigned>(last)] == '\\') {
        safe[static_cast<unsigned>(last)] = '_';
    }
    return safe;
}

// The file name a record's texture is written under ("map_Kd") and copied to: the texture's
// file name without its folder, as a statement holds it; empty without a texture of standard
// use that names a file.
RString MapFileName(const RObjMaterialRecord& record) {
    const RWyxTexture* texture = record.GetTexture();
    if (texture == nullptr || texture->GetTextureUse() != 0 || texture->GetFileName().IsEmptyText()) return RString("");
    RString fileName;
    GetFileName(fileName, texture->GetFileName().Buffer(), true);
    return StatementName(fileName);
}

bool HasNormalElement(const RWyxMesh& mesh) {
    const RWyxLayer* layer = mesh.GetLayer(0);
    return layer != nullptr && layer->GetNormals() != nullptr && layer->GetNormals()->GetDirectCount() > 0;
}

}  // namespace

// The "vt" and "vn" numbers of every polygon corner of one mesh, -1 where it has none.
struct RWyxWriterObj::MeshCorners {
    int vertexBase = 1;
    std::vector<int> uvs;
    std::vector<int> normals;
};

RWyxWriterObj::RWyxWriterObj(RWyxObjectFactory* factory, RWyxIO* owner)
    : RWyxGeometryFileWriter(factory, owner, true) {}

RWyxWriterObj::~RWyxWriterObj() { CloseMaterialLibrary(); }

RStreamOptionsPtr RWyxWriterObj::GetWriteOptions() { return RStreamOptionsPtr(RStreamOptionsObj::Create()); }

RString RWyxWriterObj::MaterialLibraryPath(const char* outputPath) {
    RString extension;
    GetFileExtension(extension, outputPath);
    if (extension.IsEmptyText()) return RString(outputPath) + ".mtl";
    RString path;
    ChangeFileExtension(path, outputPath, ".mtl");
    return path;
}

bool RWyxWriterObj::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    RWyxNode* root = BeginWrite(scene, options, RStreamOptionsObj::ClassId());
    if (root == nullptr) return false;
    const auto& objOptions = static_cast<const RStreamOptionsObj&>(*options);
    forceTriangulation_ = objOptions.IsOn(RStreamOptionsObj::kForceTriangulation);
    evaluateDeformations_ = objOptions.IsOn(RStreamOptionsObj::kEvaluateDeformations);
    textureCopies_.clear();
    try {
        const std::vector<RWyxNode*> nodes = CollectNodesDepthFirst(*root);
        CountWarnings(ConvertNodesForExport(*GetFactory(), nodes, forceTriangulation_, MessageText()));
        materialsNeeded_ = false;
        for (RWyxNode* node : nodes) {
            if (RWyxMesh* mesh = node->GetMesh()) materialsNeeded_ = materialsNeeded_ || MeshUsesMaterials(*mesh);
        }
        outputPath_ = GetPath();
        vertexNumber_ = uvNumber_ = normalNumber_ = 1;
        GeometryTextWriter out(File());
        out.Text(kObjHeader);
        if (materialsNeeded_) materialsNeeded_ = OpenMaterialLibrary(out);
        for (RWyxNode* node : nodes) {
            RWyxMesh* mesh = node->GetMesh();
            if (mesh != nullptr && !WriteMesh(*node, *mesh, out)) {
                CloseMaterialLibrary();
                return false;
            }
        }
        // The file whose stream failed first is named, with its reason.
        const bool written = out.Flush() ? mtl_ == nullptr || mtl_->Flush() ||
                                               FailStream(*mtl_, MaterialLibraryPath(outputPath_.Buffer()))
                                         : FailStream(out, outputPath_);
        // Copied by FileClose once both files are in place: a refused or failed write, or one
        // never closed, leaves nothing beside the output.
        for (std::size_t i = 0; written && i < records_.size(); ++i) {
            const RString map = MapFileName(records_[i]);
            if (!map.IsEmptyText()) textureCopies_.emplace_back(records_[i].GetTexture()->GetFileName(), map);
        }
        CloseMaterialLibrary();
        return written;
    } catch (const std::bad_alloc&) {
        CloseMaterialLibrary();
        SetError(kErrorUnidentified, "Out of memory while writing the OBJ file");
        return false;
    }
}

bool RWyxWriterObj::FileClose() {
    const bool closed = RWyxGeometryFileWriter::FileClose();
    for (std::size_t i = 0; closed && i < textureCopies_.size(); ++i) {
        CopyTexture(textureCopies_[i].first, textureCopies_[i].second);
    }
    textureCopies_.clear();
    return closed;
}

bool RWyxWriterObj::OpenMaterialLibrary(GeometryTextWriter& out) {
    const RString path = MaterialLibraryPath(outputPath_.Buffer());
    int reason = 0;
    std::FILE* library = BeginCompanion(path.Buffer(), reason);
    if (library == nullptr) {
        Warn(WithFailureReason(RString("Unable to create the material file \"") + path + "\"", reason) + "\n");
        return false;
    }
    mtl_ = std::make_unique<GeometryTextWriter>(library);
    mtl_->Text(kMtlHeader);
    RString name;
    GetFileName(name, path.Buffer(), true);
    out.Text("mtllib ").Text(name.Buffer()).Text("\n\n");
    RNamePair defaultName{RString("default")};
    materialNames_.MakeUnique(defaultName);
    defaultMaterial_ = GetFactory()->CreateMaterial(defaultName.GetCurrent().Buffer());
    return true;
}

void RWyxWriterObj::CloseMaterialLibrary() {
    mtl_.reset();  // flushes into the library, which FileClose puts in place
    if (defaultMaterial_ != nullptr) GetFactory()->DestroyMaterial(defaultMaterial_);
    defaultMaterial_ = nullptr;
    records_.clear();
    recordIndex_.clear();
    materialNames_.Clear();
}

bool RWyxWriterObj::WriteMesh(RWyxNode& node, RWyxMesh& mesh, GeometryTextWriter& out) {
    out.Text("g ").Text(StatementName(node.GetNameWithoutPrefix()).Buffer()).Char('\n');
    MeshCorners corners;
    corners.vertexBase = vertexNumber_;
    std::vector<RVector4> deformedNormals;
    if (!WritePoints(node, mesh, out, deformedNormals)) return false;
    WriteTextureCoordinates(mesh, out, corners);
    if (!WriteNormals(node, mesh, deformedNormals, out, corners)) return false;
    WriteFaces(mesh, out, corners);
    return true;
}

bool RWyxWriterObj::WritePoints(RWyxNode& node, RWyxMesh& mesh, GeometryTextWriter& out,
                                std::vector<RVector4>& normals) {
    const RMatrix matrix = ExportMatrix(node);
    DeformedMesh deformed;
    const RVector4* points = mesh.GetControlPoints();
    if (evaluateDeformations_ && HasExportDeformation(mesh)) {
        deformed = EvaluateExportDeformation(node, mesh);
        CountWarnings(deformed.skippedShapes + deformed.skippedLinkIndices);
        points = deformed.points.data();
        normals = std::move(deformed.normals);
    }
    for (int k = 0; k < mesh.GetControlPointsCount(); ++k) {
        const RVector4 p = TransformExportPoint(matrix, points[k]);
        if (!IsFinitePoint(p)) return RefuseNonFinite(node, RString("point ") + k + " in world space", kFileKind);
        out.Text("v ").Fixed(p.x).Char(' ').Fixed(p.y).Char(' ').Fixed(p.z).Char('\n');
    }
    vertexNumber_ += mesh.GetControlPointsCount();
    return true;
}

void RWyxWriterObj::WriteTextureCoordinates(RWyxMesh& mesh, GeometryTextWriter& out, MeshCorners& corners) {
    const int count = mesh.GetTextureUVCount();
    const RVector2* uvs = mesh.GetTextureUVs();
    corners.uvs.assign(static_cast<std::size_t>(mesh.GetPolygonVertexCount()), -1);
    if (count <= 0 || uvs == nullptr) return;
    const int mapping = mesh.GetTextureUVMappingKind();
    const int textureCount = mesh.GetTextureCount();
    const bool perCorner = textureCount > 0 && mesh.GetTextureMappingKind() == RWyxMesh::kKindByPolygon;
    const auto uvIndexOf = [&](int polygon, int vertex) {
        if (mapping == RWyxMesh::kKindByPolygonVertex) return mesh.GetTextureUVIndex(polygon, vertex);
        if (mapping == RWyxMesh::kKindByControlPoint) {
            const int point = mesh.GetPolygonVertex(polygon, vertex);
            return point < count ? point : -1;
        }
        return mapping == RWyxMesh::kKindAllSame ? 0 : -1;
    };
    const auto line = [&out](const RVector2& uv, bool swap) {
        out.Text("vt ").Fixed(swap ? uv.v : uv.u).Char(' ').Fixed(swap ? uv.u : uv.v).Char('\n');
    };
    const int base = uvNumber_;
    std::size_t corner = 0;
    if (perCorner) {
        const int* textureIndices = mesh.GetTextureIndices();
        for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
            const int textureIndex = IndexForPolygon(mesh, textureIndices, mesh.GetTextureIndexCount(),
                                                     RWyxMesh::kKindByPolygon, p);
            const RWyxTexture* texture = textureIndex >= 0 ? mesh.GetTexture(textureIndex) : nullptr;
            const bool swap = texture != nullptr && texture->GetSwapUV();
            for (int v = 0; v < mesh.GetPolygonSize(p); ++v, ++corner) {
                const int index = uvIndexOf(p, v);
                if (index < 0) continue;
                line(uvs[index], swap);
                corners.uvs[corner] = uvNumber_++;
            }
        }
        return;
    }
    const RWyxTexture* last = textureCount > 0 ? mesh.GetTexture(textureCount - 1) : nullptr;
    const bool swap = last != nullptr && last->GetSwapUV();
    for (int i = 0; i < count; ++i) line(uvs[i], swap);
    uvNumber_ += count;
    for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
        for (int v = 0; v < mesh.GetPolygonSize(p); ++v, ++corner) {
            const int index = uvIndexOf(p, v);
            corners.uvs[corner] = index >= 0 ? base + index : -1;
        }
    }
}

bool RWyxWriterObj::WriteNormals(RWyxNode& node, RWyxMesh& mesh, const std::vector<RVector4>& deformed,
                                 GeometryTextWriter& out, MeshCorners& corners) {
    corners.normals.assign(static_cast<std::size_t>(mesh.GetPolygonVertexCount()), -1);
    if (!HasNormalElement(mesh)) return true;
    const RMatrix inverse = InverseAffineMatrix(ExportMatrix(node));
    const auto line = [&out, &inverse](const RVector4& normal) {
        const RVector4 n = TransformExportNormal(inverse, normal);
        out.Text("vn ").Fixed(n.x).Char(' ').Fixed(n.y).Char(' ').Fixed(n.z).Char('\n');
    };
    // A normal that is not finite would be written as none (zero): refused instead.
    std::size_t corner = 0;
    if (NormalsMapByControlPoint(mesh)) {
        const int count = mesh.GetControlPointsCount();
        const RVector4* normals = deformed.size() == static_cast<std::size_t>(count) ? deformed.data() : mesh.GetNormals();
        for (int k = 0; k < count; ++k) {
            if (!IsFinitePoint(normals[k])) return RefuseNonFinite(node, RString("normal of point ") + k, kFileKind);
            line(normals[k]);
        }
        for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
            for (int v = 0; v < mesh.GetPolygonSize(p); ++v, ++corner) {
                const int point = mesh.GetPolygonVertex(p, v);
                corners.normals[corner] = point >= 0 ? normalNumber_ + point : -1;
            }
        }
        normalNumber_ += count;
        return true;
    }
    for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
        for (int v = 0; v < mesh.GetPolygonSize(p); ++v, ++corner) {
            RVector4 normal;
            if (!mesh.GetPolygonVertexNormal(p, v, normal)) continue;
            if (!IsFinitePoint(normal)) {
                return RefuseNonFinite(node, RString("normal of polygon ") + p + ", corner " + v, kFileKind);
            }
            line(normal);
            corners.normals[corner] = normalNumber_++;
        }
    }
    return true;
}

void RWyxWriterObj::WriteFaces(RWyxMesh& mesh, GeometryTextWriter& out, const MeshCorners& corners) {
    const int materialMapping = mesh.GetMaterialMappingKind();
    const int textureMapping = mesh.GetTextureMappingKind();
    std::size_t current = records_.size() + 1;  // none yet
    std::size_t corner = 0;
    int badCorners = 0;
    for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
        if (materialsNeeded_) {
            const int materialIndex = IndexForPolygon(mesh, mesh.GetMaterialIndices(), mesh.GetMaterialIndexCount(),
                                                      materialMapping, p);
            const int textureIndex = IndexForPolygon(mesh, mesh.GetTextureIndices(), mesh.GetTextureIndexCount(),
                                                     textureMapping, p);
            RWyxMaterial* material = materialIndex >= 0 ? mesh.GetMaterial(materialIndex) : nullptr;
            if (material == nullptr) material = mesh.GetMaterialCount() > 0 ? mesh.GetMaterial(0) : nullptr;
            if (material == nullptr) material = defaultMaterial_;
            RWyxTexture* texture = textureIndex >= 0 ? mesh.GetTexture(textureIndex) : nullptr;
            const std::size_t record = Record(material, texture);
            if (record != current) out.Text("usemtl ").Text(records_[record].GetName().Buffer()).Char('\n');
            current = record;
        }
        out.Char('f');
        for (int v = 0; v < mesh.GetPolygonSize(p); ++v, ++corner) {
            const int point = mesh.GetPolygonVertex(p, v);
            if (point < 0) {
                ++badCorners;
                continue;
            }
            out.Char(' ').Int(corners.vertexBase + point);
            const int uv = corners.uvs[corner];
            const int normal = corners.normals[corner];
            if (uv < 0 && normal < 0) continue;
            out.Char('/');
            if (uv >= 0) out.Int(uv);
            if (normal >= 0) out.Char('/').Int(normal);
        }
        out.Char('\n');
    }
    if (badCorners > 0) {
        Warn(RString("Mesh corners naming no control point left out: ") + badCorners + "\n");
    }
}

std::size_t RWyxWriterObj::Record(RWyxMaterial* material, RWyxTexture* texture) {
    const auto key = std::make_pair(static_cast<const void*>(material), static_cast<const void*>(texture));
    const auto found = recordIndex_.find(key);
    if (found != recordIndex_.end()) return found->second;
    RNamePair pair{material != nullptr ? StatementName(material->GetNameWithoutPrefix(), true)
                                       : RString("default")};
    if (material != defaultMaterial_) materialNames_.MakeUnique(pair);  // "default" was made unique
    records_.emplace_back(pair.GetCurrent().Buffer(), material, texture);
    recordIndex_.emplace(key, records_.size() - 1);
    WriteMaterialEntry(records_.back());
    return records_.size() - 1;
}

void RWyxWriterObj::WriteMaterialEntry(const RObjMaterialRecord& record) {
    GeometryTextWriter& mtl = *mtl_;
    mtl.Text("\nnewmtl ").Text(record.GetName().Buffer()).Char('\n');
    const RString map = MapFileName(record);  // copied under this name once the write is done
    if (!map.IsEmptyText()) mtl.Text("map_Kd ").Text(map.Buffer()).Char('\n');
    const RWyxMaterial* material = record.GetMaterial();
    if (material == nullptr) return;
    const auto color = [&mtl](const char* key, const RWyxColor& c) {
        mtl.Text(key).Fixed(c.GetRed()).Char(' ').Fixed(c.GetGreen()).Char(' ').Fixed(c.GetBlue()).Char('\n');
    };
    color("Ka ", material->GetAmbientColor());
    color("Kd ", material->GetDiffuseColor());
    color("Ks ", material->GetSpecularColor());
    mtl.Text("illum 2\n");
    mtl.Text("Ns ").Fixed(material->GetShininess() * 100.0).Char('\n');
    mtl.Text("d ").Fixed(material->GetOpacity()).Char('\n');
}

void RWyxWriterObj::CopyTexture(const RString& source, const RString& fileName) {
    RString folder;
    GetFileDirectory(folder, outputPath_.Buffer());
    RString target;
    MakeAbsolutePath(target, folder.Buffer(), fileName.Buffer());
    if (FileExists(target.Buffer())) return;
    std::FILE* in = nullptr;
    if (!OpenFileUtf8(in, source.Buffer(), "rb")) {
        Warn(RString("Unable to locate texture file \"") + source + "\".\n");
        return;
    }
    // Copied aside and put in place whole, so that a failed copy leaves no part of a file
    // that would stop the next export from copying it.
    platform::RFileReplacement out;
    bool copied = false;
    if (out.Begin(target.Buffer())) {
        char block[1024];
        std::size_t got = 0;
        copied = true;
        while (copied && (got = std::fread(block, 1, sizeof block, in)) > 0) {
            copied = std::fwrite(block, 1, got, out.File()) == got;
        }
        copied = copied && std::feof(in) != 0 && out.Commit();
    }
    std::fclose(in);
    if (!copied) Warn(RString("Error writing texture file \"") + target + "\".\n");
}
