#ifndef WYX_FORMATS_GEOMETRY_RWYXWRITERDXF_H
#define WYX_FORMATS_GEOMETRY_RWYXWRITERDXF_H

// Writes the polygon meshes of a scene as an ASCII DXF file (release 10, "AC1008"): one layer
// per mesh node and its mesh as polyface meshes (POLYLINE with VERTEX records) in world space,
// with DXF colour numbers approximated from the material colours (DxfColors). NURBS surfaces
// and patches become meshes first and, with Force Triangulation, meshes become triangles (in
// the scene itself); with Evaluate Link/Shape deformations the points are written as the
// shapes and links move them (computed aside: the scene's points stay as they are).
//
// Layout: "999" comment; HEADER ($ACADVER, $UCSORG, $UCSXDIR, $TILEMODE, $UCSYDIR); TABLES
// (when the root has children: LTYPE "CONTINUOUS" and LAYER with one record per mesh node);
// an empty BLOCKS section; ENTITIES; EOF. Group codes stand right-aligned in three columns.
//
// A scene point (x, y, z) is written as (x, -z, y), a rotation, so face records name their
// corners in the polygon's order and each face keeps the side it faces; a polygon of more
// than four corners is split into triangles that keep its winding (the polygon split of the
// geometry converter). The counts in a POLYLINE header are the records written
// after it; a mesh whose points or face records pass the 16-bit limit of the format
// (kMaxPolyfaceCount) is written as several polyface meshes on its layer. Layer names are the
// node names cleaned to letters, digits, "_", "-" and "$", at most kMaxLayerNameLength long,
// and made unique ignoring case.
//
// Write fails with error 4 without RStreamOptionsDxf, error 5 without a root node or for a mesh
// with a point that is NaN or infinite in world space (a DXF coordinate is a real number:
// RWyxGeometryFileWriter::RefuseNonFinite), and when the file could not be written whole error
// 3 ("Out of disk space") for a full disk or quota, error 5 for any other reason, whose text
// the message names (RWyxWriter::FailWriteWhole); the file goes to a temporary file that
// FileClose puts in place (RWyxGeometryFileWriter), so that a failed write leaves the target as
// it was.

#include "core/RVector4.h"
#include "formats/geometry/RWyxGeometryFileWriter.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class GeometryTextWriter;
class RWyxMesh;
class RWyxNode;

class RWyxWriterDxf : public RWyxGeometryFileWriter {
public:
    static constexpr int kMaxPolyfaceCount = 32767;
    static constexpr int kMaxLayerNameLength = 31;

    explicit RWyxWriterDxf(RWyxObjectFactory* factory, RWyxIO* owner = nullptr);

    RStreamOptionsPtr GetWriteOptions() override;

    // The layer names given so far, in order, with a set of them in lower case beside the
    // list for the uniqueness test.
    class LayerNames {
    public:
        const std::vector<std::string>& List() const { return names_; }
        // Whether the name is given already, ignoring case.
        bool Has(const std::string& name) const;
        void Add(const std::string& name);

    private:
        friend class RWyxWriterDxf;
        std::vector<std::string> names_;
        std::set<std::string> lowered_;
        // The first kMaxLayerNameLength - 2 characters of a cleaned base, in lower case -> the
        // first suffix number not tried for them.
        std::map<std::string, int> nextCounter_;
    };

    // The node name as a layer name: cleaned, cut to length and made unique against (and
    // added to) the names given, compared ignoring case.
    static std::string LayerName(const char* nodeName, LayerNames& taken);

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;

private:
    struct FaceRecord;

    void WriteHeader(GeometryTextWriter& out) const;
    void WriteTables(GeometryTextWriter& out, bool rootHasChildren, const std::vector<RWyxNode*>& meshNodes,
                     const std::vector<std::string>& layers) const;
    // False when the mesh was refused (a point that is not finite in world space).
    bool WriteMeshNode(GeometryTextWriter& out, RWyxNode& node, const std::string& layer);
    std::vector<FaceRecord> CollectFaceRecords(RWyxMesh& mesh, const std::vector<RVector4>& points,
                                               int meshColour);
    void WritePolyface(GeometryTextWriter& out, const std::string& layer, int meshColour,
                       const std::vector<RVector4>& points, const std::vector<int>& pointColours,
                       const std::vector<int>& vertices, const std::vector<FaceRecord>& records, std::size_t begin,
                       std::size_t end, const std::vector<int>& local) const;

    bool forceTriangulation_ = true;
    bool evaluateDeformations_ = true;
};

#endif
