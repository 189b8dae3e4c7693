// Round trips through the host: files imported, exported and imported again. The sample
// character and a scene built in the host go through import, export, import, export, import,
// as they are and as ASCII and version-5 copies, the sample also with every file of its trips
// in each form: the second and third imports make the same host scene, line for line, the
// geometry of every shape and where each camera and light faces included (the scene dump holds
// neither), and against the first import nothing the file carries has changed; a copy's first
// import is the file's. What may differ from the first import, and why:
//  - disabled rotation limits of value 0 appear on every transform: the export writes the
//    rotation-limit block of every node as in use, the import then sets its axes, all off;
//  - a clamped tangent comes back fixed with the same slope: a file key has no clamped kind,
//    the export writes it as a key of fixed tangents with its slope;
//  - a material on every face of a shape is held by the shape itself: the export writes one
//    material for all polygons as such, the import assigns it to the whole shape;
//  - nodes come in another order (curves are made as their channels are met), and so do the
//    shaders in the host's shader list (the import makes them in the file's node order, the
//    export writes nodes in the host's, which the import made in name order) and the numbers
//    of the texture placements, which the import makes in the same order; -0 reads 0;
//  - the take imported is "Take 001": the export writes the host's animation as that take;
//  - the one key of a curve the import made for a value without keys (a blend shape's weight)
//    has global tangents, which come back smooth: the export writes a global first key with
//    the tangent mode 0, which the import reads as smooth;
//  - an ASCII file keeps 15 digits of a normal and the import makes normals unit vectors again,
//    which may move their last digit from one import to the next: geometry is compared to nine
//    digits, all that single precision (in which the host holds points, UVs and colours) has.
// Focused cases: layered textures whose inputs the export moves between layers, corners without
// UVs, lights' and cameras' orientation, the last key of a curve, broken keys, camera rigs, nodes
// of one name under different parents.

#include "tests/hostexport/DeformExportTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxTexture.h"
#include "core/EulerAngles.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxTakeNode.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <vexa/VAnimControl.h>
#include <vexa/VColorArray.h>
#include <vexa/VDoubleArray.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VFnSpotLight.h>
#include <vexa/VItDag.h>
#include <vexa/VMatrix.h>
#include <vexa/VPlugArray.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

namespace {

using SceneBuilder = std::function<void(RWyxObjectFactory&, RWyxNode& root)>;

// The scene written by the writer of the version, in the mode.
template <typename Writer>
bool WriteWith(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path, int mode) {
    Writer writer(&factory, nullptr);
    writer.SetFileMode(mode);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path.c_str()) && writer.Write(scene, options.get()) && writer.FileClose();
}

// A version-6 file of the nodes the builder hangs below the root, binary unless another mode
// is named.
bool WriteScene(const std::string& path, const SceneBuilder& build, int mode = RWyxWriterWyx::kFileModeBinary) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    if (scene == nullptr) return false;
    build(factory, *scene->GetRootNode());
    return WriteWith<RWyxWriterWyx6>(factory, scene, path, mode);
}

// The file read and written again by the writer of the version, in the mode.
template <typename Writer>
bool WriteCopy(const std::string& source, const std::string& path, int mode) {
    ReadBack read(source);
    return read.Read() && WriteWith<Writer>(read.Factory(), read.Scene(), path, mode);
}

// The form of the files a trip imports: the export's own (binary, version 6), or a copy of each
// file, the first one too, that the SDK's writer of the version makes in the mode.
struct Form {
    const char* name;
    bool (*copy)(const std::string& source, const std::string& path);  // null: the file as it is
};

const Form kForms[] = {
    {"binary 6", nullptr},
    {"ASCII 6",
     [](const std::string& source, const std::string& path) {
         return WriteCopy<RWyxWriterWyx6>(source, path, RWyxWriterWyx::kFileModeAscii);
     }},
    {"binary 5",
     [](const std::string& source, const std::string& path) {
         return WriteCopy<RWyxWriterWyx5>(source, path, RWyxWriterWyx::kFileModeBinary);
     }},
    {"ASCII 5",
     [](const std::string& source, const std::string& path) {
         return WriteCopy<RWyxWriterWyx5>(source, path, RWyxWriterWyx::kFileModeAscii);
     }},
};

// A node whose rotation space is in use (pre- and post-rotation applied), as the export
// writes every node.
RWyxNode* AddNode(RWyxObjectFactory& factory, RWyxNode& parent, const char* name, RWyxNodeAttribute* attribute) {
    RWyxNode* node = factory.CreateNode(name);
    if (attribute != nullptr) node->SetNodeAttribute(attribute);
    parent.AddChild(node);
    node->GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
    return node;
}

RWyxNode* AddLight(RWyxObjectFactory& factory, RWyxNode& parent, const char* name, int type) {
    RWyxLight* light = factory.CreateLight();
    light->SetLightType(type);
    return AddNode(factory, parent, name, light);
}

::testing::AssertionResult AnglesNear(const RVector4& a, const RVector4& b) {
    RMatrix ma;
    RMatrix mb;
    EulerVectorXYZToMatrix(ma, a);
    EulerVectorXYZToMatrix(mb, b);
    return matricesNear(ma, mb, 1e-9) << " (" << a.x << ", " << a.y << ", " << a.z << ") against (" << b.x << ", "
                                      << b.y << ", " << b.z << ")";
}

constexpr double kRadiansPerDegree = 0.017453292519943295;
const std::string kSample = WYX_SOURCE_DIR "/samples/character.wyx";

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lines one text has more often than the other: "- " for the first, "+ " for the second.
std::string DifferingLines(const std::string& a, const std::string& b) {
    std::map<std::string, int> count;
    for (const std::string& line : LinesOf(a)) ++count[line];
    for (const std::string& line : LinesOf(b)) --count[line];
    std::string out;
    for (const std::string& line : LinesOf(a)) {
        if (count[line] > 0 && count[line]--) out += "- " + line + "\n";
    }
    for (const std::string& line : LinesOf(b)) {
        if (count[line] < 0 && count[line]++) out += "+ " + line + "\n";
    }
    return out;
}

// The text with every match of the pattern replaced by what `replace` makes of it.
std::string ReplaceMatches(const std::string& text, const std::regex& pattern,
                           const std::function<std::string(const std::smatch&)>& replace) {
    std::string out;
    auto last = text.cbegin();
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
        out.append(last, text.cbegin() + it->position());
        out += replace(*it);
        last = text.cbegin() + it->position() + it->length();
    }
    return out.append(last, text.cend());
}

std::string Formatted(const char* format, double value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A tangent "clamped (x y)" or "fixed (x y)" as "fixed" with its slope.
std::string TangentsAsSlopes(const std::string& line) {
    static const std::regex kTangent(R"((clamped|fixed) \((\S+) (\S+)\))");
    return ReplaceMatches(line, kTangent, [](const std::smatch& tangent) {
        return Formatted("fixed slope %.5g", std::stod(tangent[3]) / std::stod(tangent[2]));
    });
}

// The part of the dump from the line that starts so up to the next node; empty when none.
std::string BlockOf(const std::string& scene, const std::string& start) {
    const size_t at = scene.find(start);
    if (at == std::string::npos) return "";
    const size_t end = scene.find("\nnode ", at + 1);
    return scene.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
}

// Whether the dump has the line that starts so, and the line among the lines that follow it up
// to the next node.
bool HasNodeLine(const std::string& scene, const char* start, const char* line) {
    const std::string block = BlockOf(scene, start);
    return !block.empty() && block.find(line) != std::string::npos;
}

// The dump as far as a file tells scenes apart: what the top of this file lists as free to
// differ is written one way, and the nodes and the connections are sorted.
std::string Carried(const std::string& scene) {
    static const std::regex kDisabledRotationLimit(R"(  (min|max)Rot[XYZ]Limit(Enable)? = 0)");
    static const std::regex kNegativeZero(R"((^|[ (])-0(?=$|[ )]))");
    static const std::regex kShaderListEntry(R"(\.shaders\[[0-9]+\])");
    static const std::regex kPlacement(R"(place2dTexture[0-9]+)");
    static const std::regex kAllFaces(R"(  member (\S+)\.f\[0:([0-9]+)\])");
    static const std::regex kMesh(R"(node mesh \S*\|([^|\s]+)\n  inMesh = mesh [0-9]+ points, ([0-9]+) polygons)");
    std::map<std::string, std::string> polygons;
    for (std::sregex_iterator it(scene.begin(), scene.end(), kMesh), end; it != end; ++it) {
        polygons[(*it)[1]] = std::to_string(std::stoi((*it)[2]) - 1);
    }
    std::vector<std::string> head;
    std::vector<std::string> nodes;
    std::vector<std::string> connections;
    for (std::string line : LinesOf(scene)) {
        if (std::regex_match(line, kDisabledRotationLimit)) continue;
        if (line.rfind("fileInfo WYXImportTake ", 0) == 0) continue;
        line = TangentsAsSlopes(std::regex_replace(line, kNegativeZero, "$010"));
        line = std::regex_replace(line, kShaderListEntry, ".shaders[]");
        line = std::regex_replace(line, kPlacement, "place2dTexture");
        std::smatch faces;
        if (std::regex_match(line, faces, kAllFaces) && polygons[faces[1]] == faces[2].str()) line = "  member " + faces[1].str();
        if (line.rfind("node ", 0) == 0) {
            nodes.push_back(line);
        } else if (line.rfind("connect ", 0) == 0) {
            connections.push_back(line);
        } else if (!nodes.empty()) {
            nodes.back() += "\n" + line;
        } else {
            head.push_back(line);
        }
    }
    static const std::regex kLoneKeyTypes(R"((  keys 1\n    key \S+ \S+) in \S+ (\(.*\)) out \S+ (\(.*\))(?=\n|$))");
    for (std::string& node : nodes) node = std::regex_replace(node, kLoneKeyTypes, "$1 in $2 out $3");
    std::sort(nodes.begin(), nodes.end());
    std::sort(connections.begin(), connections.end());
    std::string out;
    for (const auto* part : {&head, &nodes, &connections}) {
        for (const std::string& line : *part) out += line + "\n";
    }
    return out;
}

// The numbers of the dump with the 15 digits an ASCII file keeps; what lies below 1e-12 (the
// rounding left in a value worked out from numbers of the order of one) as 0.
std::string AsciiDigits(const std::string& scene) {
    static const std::regex kNumber(R"(-?[0-9]+\.[0-9]+(e[-+]?[0-9]+)?)");
    return ReplaceMatches(scene, kNumber, [](const std::smatch& number) {
        const double value = std::stod(number.str());
        return Formatted("%.15g", std::fabs(value) < 1e-12 ? 0.0 : value);
    });
}

// ---- geometry -----------------------------------------------------------------------------------

// Nine digits of each value (the top of this file says why), -0 as 0.
std::string Numbers(std::initializer_list<double> values) {
    std::string out;
    for (const double value : values) out += (out.empty() ? "(" : " ") + Formatted("%.9g", value == 0.0 ? 0.0 : value);
    return out + ")";
}

// The one node feeding the plug; null when none or several do.
VObject SourceOf(const VObject& node, const VString& plug) {
    VPlugArray sources;
    if (node.isNull() || !VFnDependencyNode(node).findPlug(plug).connectedTo(sources, true, false) ||
        sources.length() != 1) {
        return VObject();
    }
    return sources[0].node();
}

// A file texture named after its node, and a node feeding a layered texture's input as
// "inputs[<i>]:<name>", "inputs[<i>]:+<name>" where the input adds, "inputs[<i>]:*<name>" where
// it multiplies.
using NamedTextures = std::vector<std::pair<std::string, VObject>>;

// The file textures feeding the colour of the shader of each polygon's shading group: the one
// file texture, or those of a layered texture's inputs in their order; none where none does.
std::vector<NamedTextures> PolygonTextures(const VFnMesh& mesh) {
    std::vector<NamedTextures> textures(static_cast<size_t>(mesh.numPolygons()));
    VObjectArray groups;
    VIntArray groupOf;
    if (!mesh.getConnectedShaders(0, groups, groupOf)) return textures;
    for (unsigned p = 0; p < groupOf.length() && p < textures.size(); ++p) {
        const VObject group = groupOf[p] < 0 ? VObject() : groups[static_cast<unsigned>(groupOf[p])];
        const VObject color = SourceOf(SourceOf(group, "surfaceShader"), "color");
        if (!color.isNull() && color.hasFn(VFn::kFileTexture)) {
            textures[p].emplace_back(VFnDependencyNode(color).name().str(), color);
        }
        if (color.isNull() || !color.hasFn(VFn::kLayeredTexture)) continue;
        const VPlug inputs = VFnDependencyNode(color).findPlug("inputs");
        for (unsigned i = 0; i < inputs.numElements(); ++i) {
            const VString input = VString("inputs[") + static_cast<int>(inputs.elementByPhysicalIndex(i).logicalIndex()) + "]";
            const VObject file = SourceOf(color, input + ".color");
            if (file.isNull()) continue;
            const int blend = VFnDependencyNode(color).findPlug(input + ".blendMode").asInt();
            const char* const mode = blend == 4 ? "+" : blend == 6 ? "*" : "";
            textures[p].emplace_back(input.str() + ":" + mode + VFnDependencyNode(file).name().str(), file);
        }
    }
    return textures;
}

// The UV set a texture maps with on the mesh: the set it is linked to, else the current set.
VString MappingSet(const VFnMesh& mesh, const VStringArray& sets, const VObject& texture) {
    for (unsigned s = 0; s < sets.length(); ++s) {
        VObjectArray linked;
        mesh.getAssociatedUVSetTextures(sets[s], linked);
        for (unsigned t = 0; t < linked.length(); ++t) {
            if (linked[t] == texture) return sets[s];
        }
    }
    return mesh.currentUVSetName();
}

// The UV of each corner of the polygon in the set, "-" for a corner without one.
std::string CornerUVs(const VFnMesh& mesh, int polygon, unsigned corners, const VString& set) {
    VFloatArray u;
    VFloatArray v;
    const bool any = mesh.numUVs(&set) > 0 && mesh.getUVs(u, v, &set);
    std::string out;
    for (unsigned k = 0; k < corners; ++k) {
        int id = -1;
        if (any) mesh.getPolygonUVid(polygon, static_cast<int>(k), id, &set);
        out += id < 0 ? " -" : " " + Numbers({u[static_cast<unsigned>(id)], v[static_cast<unsigned>(id)]});
    }
    return out;
}

// A mesh's points, then per polygon its vertices and, corner by corner, the normal, the UV of
// every set that has UVs, the UV each of its textures maps with (PolygonTextures names them)
// and, when the mesh has any, the colour.
std::string MeshGeometry(const VDagPath& path) {
    const VFnMesh mesh(path);
    std::string out;
    for (int i = 0; i < mesh.numVertices(); ++i) {
        VPoint point;
        mesh.getPoint(i, point);
        out += "  point " + std::to_string(i) + " = " + Numbers({point.x, point.y, point.z}) + "\n";
    }
    VStringArray sets;
    mesh.getUVSetNames(sets);
    VColorArray colors;
    mesh.getFaceVertexColors(colors);
    bool colored = false;
    for (unsigned c = 0; c < colors.length(); ++c) colored = colored || colors[c] != VColor(-1.0f, -1.0f, -1.0f, -1.0f);
    const std::vector<NamedTextures> textures = PolygonTextures(mesh);
    for (int p = 0, faceVertex = 0; p < mesh.numPolygons(); ++p) {
        VIntArray vertices;
        mesh.getPolygonVertices(p, vertices);
        const std::string polygon = "  polygon " + std::to_string(p);
        std::string line = polygon + " =";
        std::string normals = polygon + " normals =";
        std::string colorLine = polygon + " colors =";
        for (unsigned k = 0; k < vertices.length(); ++k) {
            line += " " + std::to_string(vertices[k]);
            VVector normal;
            mesh.getFaceVertexNormal(p, vertices[k], normal);
            normals += " " + Numbers({normal.x, normal.y, normal.z});
            const VColor& color = colors[static_cast<unsigned>(faceVertex++)];
            colorLine += " " + Numbers({color.r, color.g, color.b, color.a});
        }
        out += line + "\n" + normals + "\n" + (colored ? colorLine + "\n" : "");
        for (unsigned s = 0; s < sets.length(); ++s) {
            if (mesh.numUVs(&sets[s]) == 0) continue;
            out += polygon + " " + sets[s].str() + " =" + CornerUVs(mesh, p, vertices.length(), sets[s]) + "\n";
        }
        for (const auto& [name, texture] : textures[static_cast<size_t>(p)]) {
            out += polygon + " " + name + " =" + CornerUVs(mesh, p, vertices.length(), MappingSet(mesh, sets, texture)) +
                   "\n";
        }
    }
    return out;
}

std::string SurfaceGeometry(const VDagPath& path) {
    const VFnNurbsSurface surface(path);
    std::string out;
    VDoubleArray knots[2];
    surface.getKnotsInU(knots[0]);
    surface.getKnotsInV(knots[1]);
    for (int d = 0; d < 2; ++d) {
        out += d == 0 ? "  knots u =" : "  knots v =";
        for (unsigned k = 0; k < knots[d].length(); ++k) out += " " + Numbers({knots[d][k]});
        out += "\n";
    }
    VPointArray cvs;
    surface.getCVs(cvs);
    for (unsigned i = 0; i < cvs.length(); ++i) {
        out += "  cv " + std::to_string(i) + " = " + Numbers({cvs[i].x, cvs[i].y, cvs[i].z, cvs[i].w}) + "\n";
    }
    return out;
}

// What the scene dump leaves out of shapes: each mesh's and surface's geometry, a block of its
// own that sorts with the nodes ("node geometry <path>").
std::string GeometryDump() {
    std::string out;
    for (const VFn::Type type : {VFn::kMesh, VFn::kNurbsSurface}) {
        for (VItDag it(VItDag::kDepthFirst, type); !it.isDone(); it.next()) {
            VDagPath path;
            it.getPath(path);
            out += "node geometry " + path.fullPathName().str() + "\n" +
                   (type == VFn::kMesh ? MeshGeometry(path) : SurfaceGeometry(path));
        }
    }
    return out;
}

// Where every camera and light faces: the axes of its world matrix made unit, a block of its own
// ("node facing <path>") that sorts with the nodes.
std::string FacingDump() {
    std::string out;
    for (const VFn::Type type : {VFn::kCamera, VFn::kLight}) {
        for (VItDag it(VItDag::kDepthFirst, type); !it.isDone(); it.next()) {
            VDagPath path;
            it.getPath(path);
            const VMatrix world = path.inclusiveMatrix();
            out += "node facing " + path.fullPathName().str() + "\n";
            for (unsigned row = 0; row < 3; ++row) {
                const double length = std::sqrt(world(row, 0) * world(row, 0) + world(row, 1) * world(row, 1) +
                                                world(row, 2) * world(row, 2));
                double axis[3];
                // What lies below 1e-12 is the rounding of a quarter turn's cosine.
                for (unsigned c = 0; c < 3; ++c) {
                    axis[c] = std::fabs(world(row, c)) < 1e-12 ? 0.0 : world(row, c) / length;
                }
                out += "  axis " + std::to_string(row) + " = " + Numbers({axis[0], axis[1], axis[2]}) + "\n";
            }
        }
    }
    return out;
}

// The built scene's UV sets named as the import names the layers the export gave them: "map1"
// the first, "second" the second, "upper" the third.
std::string ImportedSetNames(const std::string& geometry) {
    static const std::regex kFirst(" map1 = ");
    static const std::regex kSecond(" second = ");
    static const std::regex kThird(" upper = ");
    return std::regex_replace(
        std::regex_replace(std::regex_replace(geometry, kFirst, " uvSet1 = "), kSecond, " uvSet2 = "), kThird,
        " uvSet3 = ");
}

// The lines of UVs that give the UVs textures map with, not those of the sets.
std::string TextureUvLines(const std::string& lines) {
    static const std::regex kSetLine(R"(  polygon [0-9]+ (map1|second|upper|fourth|uvSet[0-9]+) = .*\n)");
    return std::regex_replace(lines, kSetLine, "");
}

// A built mesh's UV lines as an import names its sets: the set of each layer with UVs that the
// export gives the mesh, in their order ("uvSet1" the first; a set named twice where a copy of it
// comes back as a set of its own); the sets named nowhere left out.
std::string ImportedAs(const std::string& lines, const std::vector<std::string>& layers) {
    std::string out = TextureUvLines(lines);
    for (size_t n = 0; n < layers.size(); ++n) {
        const std::regex set("(  polygon [0-9]+ )" + layers[n] + "( = .*)");
        for (const std::string& line : LinesOf(lines)) {
            if (!std::regex_match(line, set)) continue;
            out += std::regex_replace(line, set, "$1uvSet" + std::to_string(n + 1) + "$2\n");
        }
    }
    return out;
}

// The lines of a mesh's geometry that give its polygons' UVs.
std::string UvLinesOf(const std::string& scene, const std::string& mesh) {
    static const std::regex kUvLine(R"(  polygon [0-9]+ (?!normals |colors )\S+ = .*)");
    std::string out;
    for (const std::string& line : LinesOf(BlockOf(scene, "node geometry " + mesh + "\n"))) {
        if (std::regex_match(line, kUvLine)) out += line + "\n";
    }
    return out;
}

// CV i of a surface of four CVs in V.
VPoint SheetCV(int i) { return VPoint(i / 4, i % 4, (i * 7) % 5 * 0.25, 1.0); }

// A rational surface "<name>" of `count` CVs, CV i as `cv` gives it: cubic in U, open or
// periodic, of the degree in V, open.
void MakeSurface(const char* name, VPoint (*cv)(int), int count, std::initializer_list<double> knotsU,
                 std::initializer_list<double> knotsV, unsigned degreeV, VFnNurbsSurface::Form formU) {
    VPointArray cvs;
    for (int i = 0; i < count; ++i) cvs.append(cv(i));
    VDoubleArray u;
    for (const double knot : knotsU) u.append(knot);
    VDoubleArray v;
    for (const double knot : knotsV) v.append(knot);
    VStatus status;
    const VObject shape = VFnNurbsSurface().create(cvs, u, v, 3, degreeV, formU, VFnNurbsSurface::kOpen, true,
                                                   VObject::kNullObj, &status);
    ASSERT_TRUE(status) << name << ": " << status.errorString().asChar();
    VFnDagNode(VFnDagNode(shape).parent(0)).setName(name);
}

class HostRoundTripTest : public AnimatedSessionTest {
protected:
    // The file imported into a new scene.
    void importNew(const std::string& path) {
        options().SetImportMode(WyxPluginOptions::kCreate);
        ASSERT_TRUE(run("WYXImport -f \"" + path + "\"")) << lastError().asChar();
    }
    // The host scene exported to the file, read back.
    std::unique_ptr<ReadBack> exportRead(const std::string& name) {
        const std::string path = file(name);
        EXPECT_TRUE(exportTo(path));
        auto back = std::make_unique<ReadBack>(path);
        EXPECT_TRUE(back->Read()) << back->Error();
        return back;
    }

    // The scene dump with the geometry of every shape and where the cameras and lights face.
    static std::string hostScene() { return dump() + GeometryDump() + FacingDump(); }
    // The part of a host scene that tells where the cameras and lights face (its end).
    static std::string facingsOf(const std::string& scene) {
        const size_t at = scene.find("node facing ");
        return at == std::string::npos ? "" : scene.substr(at);
    }

    // Import, export, import, export, import (or as many imports as asked, an export between
    // two, into trip1.wyx, trip2.wyx, ...): the host scene after each import, each file
    // imported in the form; `check` looks at the host after each import.
    std::vector<std::string> trip(const std::string& source, const Form& form = kForms[0], int imports = 3,
                                  const std::function<void()>& check = {}) {
        SCOPED_TRACE(form.name);
        std::vector<std::string> scenes;
        std::string path = source;
        for (int i = 0; i < imports; ++i) {
            if (form.copy != nullptr) {
                const std::string copy = file("form" + std::to_string(i) + ".wyx");
                EXPECT_TRUE(form.copy(path, copy));
                path = copy;
            }
            importNew(path);
            if (check) check();
            scenes.push_back(hostScene());
            if (i + 1 == imports) break;
            path = file("trip" + std::to_string(i + 1) + ".wyx");
            EXPECT_TRUE(exportTo(path));
        }
        return scenes;
    }
    // The trips of a copy of the file that the writer makes in the mode, which agree with
    // themselves.
    template <typename Writer>
    std::vector<std::string> tripCopy(const std::string& source, const std::string& name, int mode) {
        const std::string copy = file(name);
        EXPECT_TRUE(WriteCopy<Writer>(source, copy, mode));
        SCOPED_TRACE(name);
        std::vector<std::string> scenes = trip(copy);
        expectTripsAgree(scenes);
        return scenes;
    }
    // A copy's first import is the file's, to the 15 digits an ASCII file keeps of a number,
    // with the copy's textures looked for beside the file.
    void expectCopyAgrees(const std::string& first, std::string copy, const std::string& source) const {
        const std::string folder = source.substr(0, source.rfind('/'));
        for (size_t at = copy.find(folder_.Path()); at != std::string::npos; at = copy.find(folder_.Path(), at)) {
            copy.replace(at, folder_.Path().size(), folder);
            at += folder.size();
        }
        const std::string original = Carried(AsciiDigits(first));
        const std::string copied = Carried(AsciiDigits(copy));
        EXPECT_TRUE(copied == original) << "the copy's first import differs:\n" << DifferingLines(original, copied);
    }
    static void expectTripsAgree(const std::vector<std::string>& scenes) {
        ASSERT_EQ(scenes.size(), 3u);
        EXPECT_TRUE(scenes[1] == scenes[2]) << "second and third import differ:\n" << DifferingLines(scenes[1], scenes[2]);
        const std::string first = Carried(scenes[0]);
        const std::string second = Carried(scenes[1]);
        EXPECT_TRUE(first == second) << "first and second import differ:\n" << DifferingLines(first, second);
    }

    // The scene of the round trip, built in the host: lights, cameras, a skinned skeleton,
    // materials, animation of every kind, a user attribute, a blend shape, a hard-edged mesh and
    // a surface.
    void buildHostScene() {
        // A point light and a spot light each without and with a post-rotation (rotate axis).
        script("createNode transform -n bulb; createNode pointLight -n bulbShape -p bulb; setAttr bulb.translateY 5");
        script("createNode transform -n tiltedBulb; createNode pointLight -n tiltedBulbShape -p tiltedBulb");
        setAngle("tiltedBulb", "rotateAxisY", 35.0);
        script("createNode transform -n lamp; createNode spotLight -n lampShape -p lamp; setAttr lamp.translateX 4");
        script("createNode transform -n tiltedLamp; createNode spotLight -n tiltedLampShape -p tiltedLamp");
        setAngle("tiltedLamp", "rotateAxisX", -60.0);
        setAngle("tiltedLamp", "rotateY", 30.0);
        VFnSpotLight spot(hostNode("lampShape"));
        ASSERT_TRUE(spot.setConeAngle(0.5));
        ASSERT_TRUE(spot.setColor(VColor(0.25f, 0.5f, 0.75f)));
        keyPlug("lampShape", "intensity", {{0.0, 1.0}, {1.0, 2.0}});
        keyPlug("lampShape", "coneAngle", {{0.0, 0.5}, {1.0, 0.75}});
        keyPlug("tiltedBulbShape", "colorG", {{0.0, 0.25}, {1.0, 1.0}});
        // A camera with a target, its lens and its roll keyed; a camera with a post-rotation.
        const std::string shot = script("camera -n shot");  // "shot <shape>"
        script("cameraMakeNode 2 shot; setAttr shot_group.translateZ 30");
        keyPlug("shot_group", "twist", {{0.0, 0.0}, {1.0, 0.25}});
        keyPlug(shot.substr(shot.find(' ') + 1).c_str(), "focalLength", {{0.0, 35.0}, {1.0, 50.0}});
        script("camera -n eye; setAttr eye.translateY 10");
        setAngle("eye", "rotateAxisZ", 20.0);
        // Three joints skinned to a cube, with the bind pose the binding makes.
        VFnIkJoint joint;
        joint.create();
        joint.setName("hip");
        const VObject knee = joint.create(joint.object());
        VFnIkJoint(knee).setName("knee");
        VFnIkJoint(knee).setTranslation(VVector(0.0, 2.0, 0.0), VSpace::kTransform);
        const VObject ankle = joint.create(knee);
        VFnIkJoint(ankle).setName("ankle");
        VFnIkJoint(ankle).setTranslation(VVector(0.0, 2.0, 0.0), VSpace::kTransform);
        makeCube("leg");
        script("select -cl; select -tgl hip; select -tgl knee; select -tgl ankle; select -tgl leg");
        script("newSkinCluster \"-toSelectedBones -mi 5 -dr 4\"; select -cl");
        keyPlug("knee", "rotateZ", {{0.0, 0.0}, {1.0, 0.5}});
        // A textured material and a plain one.
        script("sets -e -forceElement " + makeShadingGroup("lambert", "skin") + " leg");
        script("setAttr skin.colorR 0.8; setAttr skin.colorG 0.6; setAttr skin.colorB 0.5");
        const std::string texture = AddFileTexture("skin", "/maps/skin.tga");
        makeCube("crate");
        script("sets -e -forceElement " + makeShadingGroup("phong", "paint") + " crate");
        script("setAttr paint.colorG 0.25; setAttr crate.translateX -5");
        buildGeometry();
        // A link left behind: a set of tiles linked to a texture that no shader of tiles uses.
        ASSERT_TRUE(VFnMesh(hostNode("tilesShape")).associateUVSetTexture("second", Named(texture.c_str())));
        // Translation, rotation, scaling, visibility and a user attribute, keyed.
        script("createNode transform -n mover; setAttr mover.translateY 2");
        keyPlug("mover", "translateX", {{0.0, 0.0}, {0.5, 3.0}, {1.0, 1.0}});
        keyPlug("mover", "rotateY", {{0.0, 0.0}, {0.5, 1.0}, {1.0, 1.5}}, VFnAnimCurve::kTangentSmooth);
        keyPlug("mover", "scaleZ", {{0.0, 1.0}, {1.0, 2.0}}, VFnAnimCurve::kTangentFlat);
        keyPlug("mover", "visibility", {{0.0, 1.0}, {0.5, 0.0}, {1.0, 1.0}}, VFnAnimCurve::kTangentStep);
        VFnNumericAttribute weight;
        VFnDependencyNode mover(hostNode("mover"));
        ASSERT_TRUE(mover.addAttribute(weight.create("weight", "weight", VFnNumericAttribute::kDouble)));
        keyPlug("mover", "weight", {{0.0, 0.5}, {1.0, 0.75}});
        // A camera with a pre- and a post-rotation comes from a file: the host has neither on a
        // camera's transform.
        const std::string tilted = file("tilted.wyx");
        ASSERT_TRUE(WriteScene(tilted, [](RWyxObjectFactory& factory, RWyxNode& root) {
            RWyxNode* camera = AddNode(factory, root, "tilted", factory.CreateCamera());
            camera->SetPreRotation(0, 15.0, 0.0, 0.0, 1.0);
            camera->SetPostRotation(0, 0.0, 0.0, 20.0, 1.0);
            camera->SetDefaultRotation(RVector4(5.0, 10.0, 0.0, 0.0));
        }));
        options().SetImportMode(WyxPluginOptions::kMerge);
        ASSERT_TRUE(run("WYXImport -f \"" + tilted + "\"")) << lastError().asChar();
        VAnimControl::setMinTime(VTime(0.0, VTime::kSeconds));
        VAnimControl::setMaxTime(VTime(1.0, VTime::kSeconds));
    }
    // A blend shape of two sliders, one keyed, under a name that begins with its base's; a cube
    // with hard and soft edges, UVs and colours; a cube of two UV sets, "map1" of a UV per corner
    // and "second" of four, whose texture is linked to neither; two cubes of two materials whose
    // textures map with a UV set each, the first material's with "map1" on one, with "second"
    // on the other; a NURBS surface of uneven knots.
    static void buildGeometry() {
        makeCube("face");
        VFnMesh(makeCube("smile")).setPoint(2, VPoint(-1.0, 1.5, 1.25));
        VFnMesh(makeCube("frown")).setPoint(3, VPoint(1.0, 0.5, 1.0));
        script("blendShape -n faceBlend smile frown face");
        keyPlug("faceBlend", "weight[0]", {{0.0, 0.0}, {1.0, 1.0}});
        VFnMesh chest(makeCube("chest"));
        VIntArray soft;
        soft.append(0);
        VVectorArray softNormal;
        softNormal.append(VVector(-0.6, -0.48, 0.64));
        ASSERT_TRUE(chest.setVertexNormals(softNormal, soft));
        ASSERT_TRUE(chest.renameUVSet("map1", "uvSet1"));
        VFloatArray u;
        VFloatArray v;
        for (int i = 0; i < 4; ++i) {
            u.append(static_cast<float>(i % 2));
            v.append(0.25f * static_cast<float>(i));
        }
        ASSERT_TRUE(chest.setUVs(u, v));
        VIntArray counts;
        VIntArray ids;
        for (int p = 0; p < 6; ++p) counts.append(4);
        for (int k = 0; k < 24; ++k) ids.append((k + k / 4) % 4);
        ASSERT_TRUE(chest.assignUVs(counts, ids));
        VColorArray colors;
        colors.append(VColor(1.0f, 0.5f, 0.25f, 1.0f));
        colors.append(VColor(0.0f, 0.75f, 1.0f, 0.5f));
        VIntArray faces;
        faces.append(0);
        faces.append(4);
        VIntArray corners;
        corners.append(3);
        corners.append(3);
        ASSERT_TRUE(chest.setFaceVertexColors(colors, faces, corners));
        script("setAttr chest.translateZ 5");
        VFnMesh tiles(makeCube("tiles"));
        const VString second("second");
        ASSERT_TRUE(tiles.createUVSet(second));
        giveCubeUVs(tiles, "map1", 24, [](int i) { return VPoint(0.125 * (i % 8), 0.0625 * i, 0.0); });
        giveCubeUVs(tiles, second, 4, [](int i) { return VPoint(0.125 * i, 0.5 + 0.25 * (i % 2), 0.0); });
        script("sets -e -forceElement " + makeShadingGroup("lambert", "slate") + " tiles");
        AddFileTexture("slate", "/maps/slate.tga");
        script("setAttr tiles.translateZ -5");
        makeShadingGroup("lambert", "stamp");
        makeShadingGroup("lambert", "label");
        const VObject stamp = Named(AddFileTexture("stamp", "/maps/stamp.tga").c_str());
        const VObject label = Named(AddFileTexture("label", "/maps/label.tga").c_str());
        makeDecal("decal", "map1", stamp, label);
        makeDecal("sticker", "second", stamp, label);
        MakeSurface("sheet", SheetCV, 20, {0.0, 0.0, 0.0, 0.25, 1.0, 1.0, 1.0}, {0.0, 0.0, 0.0, 2.0, 2.0, 2.0}, 3,
                    VFnNurbsSurface::kOpen);
    }
    // The cube's set gets `count` UVs, UV i at the x and y of what `uv` gives for i; polygon
    // corner k takes UV k % count.
    static void giveCubeUVs(VFnMesh& cube, const VString& set, int count, const std::function<VPoint(int)>& uv) {
        VFloatArray u;
        VFloatArray v;
        for (int i = 0; i < count; ++i) {
            u.append(static_cast<float>(uv(i).x));
            v.append(static_cast<float>(uv(i).y));
        }
        ASSERT_TRUE(cube.setUVs(u, v, &set));
        const VIntArray counts(6, 4);
        VIntArray ids;
        for (int k = 0; k < 24; ++k) ids.append(k % count);
        ASSERT_TRUE(cube.assignUVs(counts, ids, &set));
    }
    // A cube of the sets "map1" of eight UVs, UV i at (0.125 i, v), and "second" of a UV per corner,
    // UV i at (u, 0.03125 i); its shape.
    static VObject makeTwoSetCube(const std::string& name, double v, double u) {
        const VObject shape = makeCube(name.c_str());
        VFnMesh cube(shape);
        EXPECT_TRUE(cube.createUVSet("second"));
        giveCubeUVs(cube, "map1", 8, [v](int i) { return VPoint(0.125 * i, v, 0.0); });
        giveCubeUVs(cube, "second", 24, [u](int i) { return VPoint(u, 0.03125 * i, 0.0); });
        return shape;
    }
    // A cube whose faces 0-2 take "stamp" and faces 3-5 "label", of the sets "map1" of eight UVs
    // and "second" of a UV per corner; the texture of "stamp" linked to `stampSet`, that of
    // "label" to the other set.
    static void makeDecal(const char* name, const char* stampSet, const VObject& stamp, const VObject& label) {
        VFnMesh decal(makeCube(name));
        const VString second("second");
        ASSERT_TRUE(decal.createUVSet(second));
        giveCubeUVs(decal, "map1", 8, [](int i) { return VPoint(0.25 * (i % 4), 0.5 * (i / 4), 0.0); });
        giveCubeUVs(decal, second, 24, [](int i) { return VPoint(0.75 - 0.03125 * i, 0.25 + 0.015625 * i, 0.0); });
        script("sets -e -forceElement stampSG " + std::string(name) + ".f[0:2]");
        script("sets -e -forceElement labelSG " + std::string(name) + ".f[3:5]");
        ASSERT_TRUE(decal.associateUVSetTexture(stampSet, stamp));
        ASSERT_TRUE(decal.associateUVSetTexture(second == stampSet ? "map1" : second, label));
    }
    // A cube of the sets "map1" and "second", whose UVs differ at every corner: faces 0-1 take the
    // shader "<name>Plain", fed by a file texture; faces 2-5 "<name>Stack", fed by a layered
    // texture of the file textures "<name>0" over "<name>1"; map1 linked to the plain texture,
    // second to <name>1. From `uppers` 1 a set "upper" is linked to <name>0: at 1 the stack has
    // "<name>Mid" between the two; at 2 the plain texture lies below a file texture "<name>Cap",
    // which upper maps too.
    static void buildLayeredCube(const std::string& name, int uppers) {
        VFnMesh cube(makeCube(name.c_str()));
        ASSERT_TRUE(cube.createUVSet("second"));
        giveCubeUVs(cube, "map1", 24, [](int i) { return VPoint(0.03125 * i, 0.5, 0.0); });
        giveCubeUVs(cube, "second", 24, [](int i) { return VPoint(0.25, 1.0 - 0.03125 * i, 0.0); });
        if (uppers > 0) {
            ASSERT_TRUE(cube.createUVSet("upper"));
            giveCubeUVs(cube, "upper", 24, [](int i) { return VPoint(0.75, 0.015625 * i, 0.0); });
        }
        script("sets -e -forceElement " + makeShadingGroup("lambert", (name + "Plain").c_str()) + " " + name + ".f[0:1]");
        script("sets -e -forceElement " + makeShadingGroup("lambert", (name + "Stack").c_str()) + " " + name + ".f[2:5]");
        const std::string plain = uppers > 1 ? makeLayered(name + "Plain", {name + "Cap", name + "Map"})
                                             : AddFileTexture(name + "Plain", ("/maps/" + name + ".tif").c_str());
        makeLayered(name + "Stack", uppers == 1 ? std::vector<std::string>{name + "0", name + "Mid", name + "1"}
                                                : std::vector<std::string>{name + "0", name + "1"});
        ASSERT_TRUE(cube.associateUVSetTexture("map1", Named(plain.c_str())));
        ASSERT_TRUE(cube.associateUVSetTexture("second", Named((name + "1").c_str())));
        const std::string linked[2] = {name + "0", name + "Cap"};
        for (int k = 0; k < uppers; ++k) ASSERT_TRUE(cube.associateUVSetTexture("upper", Named(linked[k].c_str())));
    }
    // A layered texture feeding the shader's colour, of new file textures of the names from the
    // top input down; the name of the last.
    static std::string makeLayered(const std::string& shader, const std::vector<std::string>& inputs) {
        const std::string layered = script("shadingNode -at layeredTexture");
        for (size_t i = 0; i < inputs.size(); ++i) {
            makeFile(inputs[i]);
            script("connectAttr " + inputs[i] + ".outColor " + layered + ".inputs[" + std::to_string(i) + "].color");
        }
        script("connectAttr " + layered + ".outColor " + shader + ".color");
        return inputs.back();
    }
    // The file texture of that name, of the map "/maps/<name>.tif", made when there is none.
    static void makeFile(const std::string& name) {
        if (!Named(name.c_str()).isNull()) return;
        script("shadingNode -at file -n " + name + "; setAttr -type \"string\" " + name + ".fileTextureName \"/maps/" +
               name + ".tif\"");
    }
    // A cube of the sets "map1" of eight UVs and "second" of a UV per corner (makeTwoSetCube), and of
    // the further sets, each of a UV per corner; the current set `current`. Faces 0-1 take the shader
    // "<name>Plain", fed by the file texture "<name><plain>"; faces 2-3 "<name>A" and 4-5 "<name>B",
    // fed by layered textures of the file textures "<name><input>" of the inputs, top first (an
    // input of both, or the plain texture, is one file node feeding both). Each link is a set and an
    // input (or the plain texture).
    static void buildStacks(const std::string& name, const std::vector<std::string>& a, const std::vector<std::string>& b,
                            const std::vector<std::pair<const char*, std::string>>& links,
                            const std::vector<const char*>& furtherSets = {}, const char* current = "map1",
                            const std::string& plain = "P") {
        VFnMesh cube(makeTwoSetCube(name, 0.25, 0.5));
        for (size_t s = 0; s < furtherSets.size(); ++s) {
            ASSERT_TRUE(cube.createUVSet(furtherSets[s]));
            const double u = 0.625 + 0.125 * static_cast<double>(s);
            giveCubeUVs(cube, furtherSets[s], 24, [u](int i) { return VPoint(u, 0.03125 * i, 0.0); });
        }
        ASSERT_TRUE(cube.setCurrentUVSetName(current));
        const auto named = [&name](const std::vector<std::string>& inputs) {
            std::vector<std::string> names;
            for (const std::string& input : inputs) names.push_back(name + input);
            return names;
        };
        const char* const faces[3] = {".f[0:1]", ".f[2:3]", ".f[4:5]"};
        const std::string shaders[3] = {name + "Plain", name + "A", name + "B"};
        for (int s = 0; s < 3; ++s) {
            script("sets -e -forceElement " + makeShadingGroup("lambert", shaders[s].c_str()) + " " + name + faces[s]);
        }
        makeFile(name + plain);
        script("connectAttr " + name + plain + ".outColor " + shaders[0] + ".color");
        makeLayered(shaders[1], named(a));
        makeLayered(shaders[2], named(b));
        for (const auto& [set, input] : links) ASSERT_TRUE(cube.associateUVSetTexture(set, Named((name + input).c_str())));
    }
    // A cube of the sets "map1" of eight UVs and "second" of a UV per corner (makeTwoSetCube), the
    // current set `current`: faces 0-2 take the shader "<name>ShaderA", fed by the file texture "<name>A", which
    // has no link; faces 3-5 "<name>ShaderB", fed by "<name>B", linked to the other set. The cube's
    // shape.
    static VObject buildDetail(const std::string& name, const char* current) {
        const VObject shape = makeTwoSetCube(name, 0.75, 0.25);
        VFnMesh cube(shape);
        EXPECT_TRUE(cube.setCurrentUVSetName(current));
        const char* const faces[2] = {".f[0:2]", ".f[3:5]"};
        for (int t = 0; t < 2; ++t) {
            const std::string texture = name + "AB"[t];
            const std::string shader = name + "Shader" + "AB"[t];
            script("sets -e -forceElement " + makeShadingGroup("lambert", shader.c_str()) + " " + name + faces[t]);
            makeFile(texture);
            script("connectAttr " + texture + ".outColor " + shader + ".color");
        }
        const char* const linked = std::string(current) == "map1" ? "second" : "map1";
        EXPECT_TRUE(cube.associateUVSetTexture(linked, Named((name + "B").c_str())));
        return shape;
    }
    // How many nodes of the type the scene holds.
    static long NodesOf(const std::string& scene, const std::string& type) {
        const std::string line = "\nnode " + type + " ";
        long count = 0;
        for (size_t at = scene.find(line); at != std::string::npos; at = scene.find(line, at + 1)) ++count;
        return count;
    }
    // The host scene after every trip in every form of the host's scene exported.
    std::vector<std::string> tripsInEveryForm() {
        const std::string source = file("forms.wyx");
        EXPECT_TRUE(exportTo(source));
        std::vector<std::string> scenes;
        for (const Form& form : kForms) {
            const std::vector<std::string> trips = trip(source, form);
            scenes.insert(scenes.end(), trips.begin(), trips.end());
        }
        return scenes;
    }
    static void setAngle(const char* node, const char* plug, double degrees) {
        ASSERT_TRUE(VFnDependencyNode(hostNode(node)).findPlug(plug).setValue(degrees * kRadiansPerDegree)) << plug;
    }
};

// The sample as it is, in ASCII and as version 5.
TEST_F(HostRoundTripTest, TheSampleComesBackTheSameOnEveryTrip) {
    std::vector<std::string> scenes = trip(kSample);
    expectTripsAgree(scenes);
    const std::vector<std::string> ascii = tripCopy<RWyxWriterWyx6>(kSample, "ascii.wyx", RWyxWriterWyx::kFileModeAscii);
    const std::vector<std::string> version5 = tripCopy<RWyxWriterWyx5>(kSample, "v5.wyx", RWyxWriterWyx::kFileModeBinary);
    expectCopyAgrees(scenes[0], ascii[0], kSample);
    expectCopyAgrees(scenes[0], version5[0], kSample);
    scenes.insert(scenes.end(), ascii.begin(), ascii.end());
    scenes.insert(scenes.end(), version5.begin(), version5.end());
    // What the trips keep: the tags of the skeleton, the material's colour, the bind pose.
    for (const std::string& scene : scenes) {
        EXPECT_NE(scene.find("node joint |Character|Hips\n  attribute lumtraxTypeID numericAttribute\n"), std::string::npos);
        EXPECT_NE(scene.find("  lumtraxTypeID = 2\n"), std::string::npos) << "the root stays a root";
        EXPECT_NE(scene.find("  colorG = 0.6000000238418579\n"), std::string::npos);
        EXPECT_NE(scene.find("  xformMatrix[2] = 1 0 0 0 0 1 0 0 0 0 1 0 0 10 0 1\n"), std::string::npos);
    }
}

// The sample with every file of its trips in each form: a fixed point from the second trip, and
// the camera and the light face where they faced after the first import. (A version-5 file
// keeps pre- and post-rotations only as rotation limits, which the export writes for every
// node.)
TEST_F(HostRoundTripTest, TheSampleThroughEveryFormKeepsWhereTheCameraAndTheLightFace) {
    for (const Form& form : kForms) {
        SCOPED_TRACE(form.name);
        const std::vector<std::string> scenes = trip(kSample, form);
        expectTripsAgree(scenes);
        for (const char* shape : {"node facing |Camera|cameraShape1\n", "node facing |Light|LightShape\n"}) {
            const std::string first = BlockOf(scenes[0], shape);
            EXPECT_NE(first, "") << shape;
            EXPECT_EQ(BlockOf(scenes[1], shape), first);
            EXPECT_EQ(BlockOf(scenes[2], shape), first);
        }
        // The light, looking down its -Z axis from (20, 50, 20), shines on the character (to the
        // single precision in which the host turns it).
        const std::string light = BlockOf(scenes[0], "node facing |Light|LightShape\n");
        double axis[3] = {};
        const size_t at = light.find("  axis 2 = ");
        ASSERT_NE(at, std::string::npos) << light;
        ASSERT_EQ(std::sscanf(light.c_str() + at, "  axis 2 = (%lf %lf %lf)", &axis[0], &axis[1], &axis[2]), 3);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(axis[c], (c == 1 ? 50.0 : 20.0) / std::sqrt(3300.0), 1e-7) << light;
    }
}

TEST_F(HostRoundTripTest, ASceneBuiltInTheHostComesBackTheSameOnEveryTrip) {
    buildHostScene();
    const std::string built = hostScene();
    const std::string source = file("built.wyx");
    ASSERT_TRUE(exportTo(source));
    const std::vector<std::string> scenes = trip(source);
    expectTripsAgree(scenes);
    const std::vector<std::string> ascii = tripCopy<RWyxWriterWyx6>(source, "ascii.wyx", RWyxWriterWyx::kFileModeAscii);
    expectCopyAgrees(scenes[0], ascii[0], source);
    // Through version 5 every light and camera, tilted or not, faces where the first import of
    // the file turned it.
    const std::vector<std::string> version5 = trip(source, kForms[2]);
    expectTripsAgree(version5);
    EXPECT_EQ(facingsOf(version5[0]), facingsOf(scenes[0]));
    // What the host made of the file the first time, so that the trips had it to keep.
    const char* const kept[][2] = {
        {"node transform |tiltedBulb\n", "  rotateAxisY = 0.6108652381980153\n"},
        {"node transform |tiltedLamp\n", "  rotateAxisX = -1.0471975511965976\n"},
        {"node transform |tiltedLamp\n", "  rotateY = 0.5235987755982988\n"},
        {"node transform |eye\n", "  rotateAxisZ = 0.3490658503988658\n"},
        {"node transform |tilted\n", "  rotateAxisY = -1.5707963267948966\n"},
        {"node spotLight |lamp|lampShape\n", "  colorR = 0.25\n"},
        {"node camera |camera1_group|shot|cameraShape1\n", ""},
        {"node transform |camera1_group|shot_aim\n", ""},
        {"node phong skin\n", "  colorR = 0.800000011920929\n"},
        {"node phong paint\n", "  colorG = 0.25\n"},
        {"connect file1.outColor -> skin.color\n", ""},
        {"node joint |hip|knee|ankle\n", "  bindPose = 1 0 0 0 -0 1 0 0 0 -0 1 0 0 4 0 1\n"},
        {"connect skinCluster1.outputGeometry[0] -> |leg|legShape.inMesh\n", ""},
        {"node transform |mover\n  attribute weight numericAttribute\n", ""},
        {"connect mover_weight.output -> |mover.weight\n", ""},
        {"connect mover_visibility.output -> |mover.visibility\n", ""},
        {"connect camera1_group_twist.output -> |camera1_group.twist\n", ""},
        {"connect lampShape_coneAngle.output -> |lamp|lampShape.coneAngle\n", ""},
        {"connect tiltedBulbShape_colorG.output -> |tiltedBulb|tiltedBulbShape.colorG\n", ""},
        {"connect sfaceBlend_BlendShaper_weight_0.output -> sfaceBlend_BlendShaper.weight[0]\n", ""},
        {"node geometry |sheet|", "  knots u = (0) (0) (0) (0.25) (1) (1) (1)\n"},
    };
    for (const auto& node : kept) EXPECT_TRUE(HasNodeLine(scenes[0], node[0], node[1])) << node[0] << node[1];
    // Both UV sets of a mesh whose texture is linked to neither (a link to a texture that no
    // shader of the mesh uses links none), each with the UV of every corner, the texture mapping
    // with the first.
    const std::string uvs = ImportedSetNames(UvLinesOf(built, "|tiles|tilesShape"));
    EXPECT_EQ(std::count(uvs.begin(), uvs.end(), '\n'), 18) << uvs;
    EXPECT_EQ(UvLinesOf(scenes[0], "|tiles|tilesShape"), uvs);
    // Both textured UV sets of a mesh, each with the UV of every corner, and the texture of each
    // face mapping with the UVs of its own set.
    const std::string decals[2][2] = {
        {"decal", "  polygon 2 file3 = (0 0) (0.25 0) (0.5 0) (0.75 0)\n"},
        {"sticker", "  polygon 2 file3 = (0.5 0.375) (0.46875 0.390625) (0.4375 0.40625) (0.40625 0.421875)\n"}};
    for (const auto& [name, line] : decals) {
        const std::string shape = "|" + name + "|" + name + "Shape";
        const std::string lines = ImportedSetNames(UvLinesOf(built, shape));
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 18) << lines;
        EXPECT_NE(lines.find(line), std::string::npos) << lines;
        EXPECT_EQ(UvLinesOf(scenes[0], shape), lines);
    }
}

// Layered textures whose lower input maps with a set of its own, on a layer that an earlier set's
// UVs hold; the top input, too, maps with a set of its own on the second cube (over a middle
// input), a set that another stack's texture maps with on the third. In every form, trip after trip, each stack
// comes back in its order and every texture maps with the UVs of its own set: the sets come
// back as they were, the third cube's with a copy of "upper" for its second stack.
TEST_F(HostRoundTripTest, ALayeredTextureKeepsItsInputsInOrderOnEveryTrip) {
    buildLayeredCube("box", 0);
    buildLayeredCube("lid", 1);
    buildLayeredCube("crate", 2);
    const std::string built = hostScene();
    const std::string box = UvLinesOf(built, "|box|boxShape");
    ASSERT_NE(box.find("  polygon 2 inputs[1]:box1 = (0.25 0.75)"), std::string::npos) << box;
    ASSERT_NE(box.find("  polygon 2 inputs[0]:box0 = (0.25 0.5)"), std::string::npos) << box;
    const std::string crate = UvLinesOf(built, "|crate|crateShape");
    ASSERT_NE(crate.find("  polygon 0 inputs[0]:crateCap = (0.75 0)"), std::string::npos) << crate;
    const std::vector<std::string> scenes = tripsInEveryForm();
    for (const std::string& scene : scenes) {
        for (const char* shape : {"|box|boxShape", "|lid|lidShape"}) {
            EXPECT_EQ(UvLinesOf(scene, shape), ImportedSetNames(UvLinesOf(built, shape)));
        }
        EXPECT_EQ(TextureUvLines(UvLinesOf(scene, "|crate|crateShape")), TextureUvLines(crate));
        EXPECT_EQ(UvLinesOf(scene, "|crate|crateShape"), UvLinesOf(scenes[0], "|crate|crateShape"));
    }
}

// Cubes whose faces take a file texture and two layered textures, all mapping with "map1" but
// one input that maps with "second": one alone on a layer with an input of the other stack; one
// file node feeding both stacks at the bottom of one and the top of the other, in the middle of
// three and at the bottom, at the bottom of four and at the top, at the bottom of both; and, with
// map1 linked to the top input and second to the bottom one, a middle input of map1 that no
// layer of map1's UVs holds at first. And two stacks that hold two file nodes in opposite orders,
// which a set's move takes to one layer (the lifts that keep one stack's order then undo the
// other's): the plain texture one of them and the other linked to "map1", "second" current; and
// the plain texture on top of one stack, linked to "second" and "upper" (it maps with the first).
// In every form, trip after trip, each face's textures come back in their order, each mapping with
// the UVs of its own set, and each file node once.
TEST_F(HostRoundTripTest, EveryInputOfALayeredTextureMapsWithItsOwnSetOnEveryTrip) {
    using Links = std::vector<std::pair<const char*, std::string>>;
    buildStacks("pair", {"A0", "A1"}, {"B0", "B1"}, Links{{"map1", "P"}, {"second", "B0"}});
    buildStacks("over", {"A0", "S"}, {"S", "B1"}, Links{{"map1", "P"}, {"second", "S"}});
    buildStacks("middle", {"A0", "S", "A2"}, {"B0", "S"}, Links{{"map1", "P"}, {"second", "S"}});
    buildStacks("deep", {"A0", "A1", "A2", "S"}, {"S", "B1"}, Links{{"map1", "P"}, {"second", "S"}});
    buildStacks("bottom", {"A0", "S"}, {"B0", "S"}, Links{{"map1", "P"}, {"second", "S"}});
    buildStacks("above", {"A0", "A1", "A2"}, {"B0", "B1"}, Links{{"map1", "A0"}, {"second", "A2"}});
    buildStacks("loose", {"A0", "A1"}, {"B0", "B1"}, Links{});
    buildStacks("twice", {"A0", "A1", "A2"}, {"B0", "B1", "B2"}, Links{{"map1", "P"}, {"second", "A0"}, {"second", "A2"}});
    buildStacks("blend", {"A0", "S"}, {"S", "B1"}, Links{{"map1", "P"}, {"second", "S"}});
    buildStacks("crossed", {"1", "0", "4"}, {"3", "0", "1"}, Links{{"map1", "1"}}, {}, "second", "0");
    buildStacks("swap", {"2", "4", "0", "1"}, {"1", "0", "4"}, Links{{"second", "0"}, {"second", "2"}, {"upper", "2"}},
                {"upper"}, "map1", "2");
    for (const char* shader : {"blendA", "blendB"}) {
        script("setAttr " + VFnDependencyNode(SourceOf(Named(shader), "color")).name().str() + ".inputs[0].blendMode 4");
    }
    const std::string built = hostScene();
    const char* const shapes[] = {"|pair|pairShape",   "|over|overShape",   "|middle|middleShape", "|deep|deepShape",
                                  "|bottom|bottomShape", "|above|aboveShape", "|loose|looseShape",   "|twice|twiceShape",
                                  "|blend|blendShape", "|crossed|crossedShape", "|swap|swapShape"};
    ASSERT_NE(UvLinesOf(built, shapes[0]).find("  polygon 4 inputs[0]:pairB0 = (0.5 0.5) (0.5 0.53125)"),
              std::string::npos);
    ASSERT_NE(UvLinesOf(built, shapes[0]).find("  polygon 2 inputs[0]:pairA0 = (0 0.25) (0.125 0.25)"),
              std::string::npos);
    // The sets stay those of the form's first import (version 5 has no place for the UVs of a
    // layer without textures), but for the last two, whose copies of a set change from trip to trip
    // (see the README); the first five cubes keep theirs, a shared file node's moved to one layer.
    const size_t settled = std::size(shapes) - 2;
    const std::vector<std::string> scenes = tripsInEveryForm();
    for (size_t i = 0; i < scenes.size(); ++i) {
        const std::string& scene = scenes[i];
        for (size_t s = 0; s < std::size(shapes); ++s) {
            const std::string lines = UvLinesOf(scene, shapes[s]);
            EXPECT_EQ(TextureUvLines(lines), TextureUvLines(UvLinesOf(built, shapes[s]))) << shapes[s] << " in " << i;
            if (s < settled) {
                EXPECT_EQ(lines, UvLinesOf(scenes[i - i % 3], shapes[s])) << shapes[s];
            }
            if (s < 5) {
                EXPECT_EQ(lines, ImportedSetNames(UvLinesOf(built, shapes[s]))) << shapes[s];
            }
        }
        EXPECT_EQ(NodesOf(scene, "file"), NodesOf(built, "file"));
        EXPECT_EQ(NodesOf(scene, "layeredTexture"), NodesOf(built, "layeredTexture"));
    }
}

// A layered shader of two meshes, one of its inputs linked to "second" on the second mesh: it comes
// back with one layered texture and one file node for each texture, each face mapping as it did.
TEST_F(HostRoundTripTest, AShaderOfTwoMeshesKeepsOneFileNodeForEachTexture) {
    buildStacks("left", {"0", "1", "2"}, {"3", "1"}, {{"map1", "P"}});
    VFnMesh right(makeTwoSetCube("right", 0.75, 0.25));
    script("sets -e -forceElement leftASG right");
    ASSERT_TRUE(right.associateUVSetTexture("map1", Named("left2")));
    ASSERT_TRUE(right.associateUVSetTexture("second", Named("left1")));
    const std::string built = hostScene();
    ASSERT_EQ(NodesOf(built, "file"), 5);
    for (const std::string& scene : tripsInEveryForm()) {
        for (const char* shape : {"|left|leftShape", "|right|rightShape"}) {
            EXPECT_EQ(TextureUvLines(UvLinesOf(scene, shape)), TextureUvLines(UvLinesOf(built, shape))) << shape;
        }
        EXPECT_EQ(NodesOf(scene, "file"), 5);
        EXPECT_EQ(NodesOf(scene, "layeredTexture"), 2);
    }
}

// The plugs of a texture placement that the trips keep, the angles last (degrees in a table,
// radians in the host).
const char* const kPlacementPlugs[] = {"offsetU",         "offsetV",         "repeatU",     "repeatV",
                                       "translateFrameU", "translateFrameV", "rotateFrame", "rotateUV"};
using PlacementValues = std::array<double, std::size(kPlacementPlugs)>;
constexpr size_t kFirstAngle = 6;

// The placement of the file texture feeding the shader's colour, angles in degrees.
PlacementValues PlacementOf(const char* shader) {
    const VObject placement = SourceOf(SourceOf(Named(shader), "color"), "uvCoord");
    PlacementValues values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const VPlug plug = placement.isNull() ? VPlug() : VFnDependencyNode(placement).findPlug(kPlacementPlugs[i]);
        EXPECT_TRUE(!plug.isNull() && plug.getValue(values[i])) << shader << "." << kPlacementPlugs[i];
        if (i >= kFirstAngle) values[i] /= kRadiansPerDegree;
    }
    return values;
}

// A lambert shader "<shape>Paint" on the shape, fed by a file texture placed as the values say.
void PaintPlaced(const std::string& shape, const PlacementValues& values) {
    const std::string shader = shape + "Paint";
    script("sets -e -forceElement " + makeShadingGroup("lambert", shader.c_str()) + " " + shape);
    const std::string file = AddFileTexture(shader, ("/maps/" + shape + ".tif").c_str());
    const std::string placement = VFnDependencyNode(SourceOf(Named(file.c_str()), "uvCoord")).name().str();
    for (size_t i = 0; i < values.size(); ++i) {
        script("setAttr " + placement + "." + kPlacementPlugs[i] + " " + Formatted("%.17g", values[i]));
    }
}

// Texture placements turned about the middle of the map by 45 degrees, on a mesh and on NURBS
// surfaces open, periodic and closed (a closed one comes from a file: the export writes a
// surface of the host as open or periodic), and by half a degree; and one turned by rotateFrame
// and rotateUV and moved by translateFrame. In every form, after every import, each placement
// has the offsets, repeats and rotation it had (rotateUV in rotateFrame, translateFrame taken
// off the offsets).
TEST_F(HostRoundTripTest, ATurnedTexturePlacementStaysWhereItIsOnEveryTrip) {
    const std::string ring = file("ring.wyx");
    ASSERT_TRUE(WriteScene(ring, [](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNurb* nurb = factory.CreateNurb();
        ASSERT_TRUE(nurb->SetOrder(4, 2));
        ASSERT_TRUE(nurb->InitControlPoints(4, RWyxNurb::kClosed, 3, RWyxNurb::kClosed));
        for (int i = 0; i < 12; ++i) nurb->SetControlPointAt(i, RVector4(i % 4, i / 4, (i * 3) % 5 * 0.25, 1.0));
        for (int k = 0; k < nurb->GetUKnotCount(); ++k) nurb->GetUKnotVector()[k] = k - 3.0;
        for (int k = 0; k < nurb->GetVKnotCount(); ++k) nurb->GetVKnotVector()[k] = k - 1.0;
        nurb->AddMaterial(factory.CreateMaterial("ringPaint"));
        nurb->GetLayer(0)->GetMaterials()->AddIndex(0);
        RWyxTexture* texture = factory.CreateTexture("ringMap");
        texture->SetFileName("/maps/ring.tif");
        texture->SetTranslationUV(0.125, 0.25);
        texture->SetRotationUVW(0.0, 0.0, -45.0);
        texture->SetScalingUV(3.0, 2.0);
        texture->SetSwapUV(true);
        nurb->AddTexture(texture);
        nurb->GetLayer(0)->GetTextures()->AddIndex(0);
        AddNode(factory, root, "ring", nurb);
    }));
    options().SetImportMode(WyxPluginOptions::kMerge);
    ASSERT_TRUE(run("WYXImport -f \"" + ring + "\"")) << lastError().asChar();
    std::map<std::string, PlacementValues> kept = {{"ringPaint", PlacementOf("ringPaint")}};
    EXPECT_NEAR(kept["ringPaint"][kFirstAngle], 45.0, 1e-5);
    EXPECT_EQ(kept["ringPaint"][2], 2.0);

    const PlacementValues turned = {0.25, 0.125, 2.0, 3.0, 0.0, 0.0, 45.0, 0.0};
    PlacementValues nudged = turned;
    nudged[kFirstAngle] = 0.5;
    for (const auto& [shape, values] : {std::pair{"turned", turned}, std::pair{"nudged", nudged}}) {
        makeCube(shape);
        PaintPlaced(shape, values);
        kept[std::string(shape) + "Paint"] = values;
    }
    makeCube("folded");
    PaintPlaced("folded", {0.35, 0.075, 2.0, 3.0, 0.1, -0.05, 30.0, 15.0});
    kept["foldedPaint"] = turned;
    MakeSurface("sheet", SheetCV, 16, {0, 0, 0, 1, 1, 1}, {0, 0, 0, 1, 1, 1}, 3, VFnNurbsSurface::kOpen);
    // Ten CVs around in U, the last three those of the first three, two in V.
    const auto hoopCV = [](int i) { return VPoint(i / 2 % 7, i % 2, 10 + i / 2 % 7, 1.0); };
    MakeSurface("hoop", hoopCV, 20, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {0, 2}, 1, VFnNurbsSurface::kPeriodic);
    for (const char* surface : {"sheet", "hoop"}) {
        PaintPlaced(surface, turned);
        kept[std::string(surface) + "Paint"] = turned;
    }

    const std::string source = file("turned.wyx");
    ASSERT_TRUE(exportTo(source));
    int imports = 0;
    const auto expectKept = [&kept, &imports] {
        ++imports;
        for (const auto& [shader, values] : kept) {
            const PlacementValues placed = PlacementOf(shader.c_str());
            for (size_t i = 0; i < values.size(); ++i) {
                EXPECT_NEAR(placed[i], values[i], 1e-5)
                    << "import " << imports << ", " << shader << "." << kPlacementPlugs[i];
            }
        }
    };
    for (const Form& form : kForms) trip(source, form, 4, expectKept);
    EXPECT_EQ(imports, 16);
}

// Faces whose texture has no link map with the current set, beside faces whose texture is linked
// to another set: cubes of two sets, "map1" current and "second" current, the first cube under two
// transforms as well; cubes of four sets whose plain texture and an input of a layered texture
// have no link, the current set the first and the second; the second of two meshes that share a
// layered texture, which links one input there. And stacks of inputs without a link over an input
// linked to "second" and one linked to the current "map1", at the bottom (beside a set "upper"
// that no texture maps with) and at the top; and an input without a link over one linked to
// "second" and to "upper", which maps with "second" alone. In every form, trip after trip, each
// face's textures map with the UVs they had, and the sets come back in the order of their layers,
// the current set first (the import makes the set of the lowest layer with UVs current): "upper"
// left out (where the input linked to it took it, from the first trip, not the second); with
// "map1"'s input at the top, a copy of "map1" on the lowest layer, and no other copy.
TEST_F(HostRoundTripTest, ATextureWithoutALinkMapsWithTheCurrentSetOnEveryTrip) {
    using Links = std::vector<std::pair<const char*, std::string>>;
    buildDetail("detail", "map1");
    buildDetail("turned", "second");
    VObject twin = buildDetail("twin", "map1");
    script("createNode transform -n twinCopy");
    ASSERT_TRUE(VFnDagNode(Named("twinCopy")).addChild(twin, VFnDagNode::kNextPos, true));
    script("sets -e -forceElement twinShaderASG |twinCopy|twinShape.f[0:2]");
    script("sets -e -forceElement twinShaderBSG |twinCopy|twinShape.f[3:5]");
    const std::vector<const char*> further = {"upper", "fourth"};
    buildStacks("free", {"A0", "A1"}, {"B0", "B1"}, Links{{"second", "A0"}, {"upper", "B0"}, {"fourth", "B1"}},
                further);
    buildStacks("shifted", {"A0", "A1"}, {"B0", "B1"}, Links{{"map1", "A0"}, {"upper", "B0"}, {"fourth", "B1"}},
                further, "second");
    buildStacks("kept", {"U1", "U2", "S", "M"}, {"B0", "B1"}, Links{{"map1", "M"}, {"second", "S"}}, {"upper"});
    buildStacks("copied", {"M", "S", "U2", "U1"}, {"B0", "B1"}, Links{{"map1", "M"}, {"second", "S"}});
    buildStacks("near", {"0", "1"}, {"2", "3"}, Links{});
    buildStacks("twofold", {"A0", "A1"}, {"B0", "B1"}, Links{{"second", "A0"}, {"upper", "A0"}}, {"upper"});
    VFnMesh far(makeTwoSetCube("far", 0.625, 0.375));
    script("sets -e -forceElement nearASG far");
    ASSERT_TRUE(far.associateUVSetTexture("second", Named("near0")));
    const std::string built = hostScene();
    // As the host maps them: with the current set, "map1", on the instance too; with "second"; on the
    // second mesh of the shared shader, "map1".
    const char* const mapped[][2] = {{"|twinCopy|twinShape", "  polygon 0 twinA = (0 0.75) (0.125 0.75)"},
                                     {"|turned|turnedShape", "  polygon 0 turnedA = (0.25 0) (0.25 0.03125)"},
                                     {"|far|farShape", "  polygon 2 inputs[1]:near1 = (0 0.625) (0.125 0.625)"}};
    for (const auto& [shape, line] : mapped) ASSERT_NE(UvLinesOf(built, shape).find(line), std::string::npos) << shape;
    // Each mesh, as the import names it (the instance's shape after its transform), with the sets
    // of the layers with UVs that the export gives it, in their order.
    const struct {
        const char* built;
        const char* imported;
        std::vector<std::string> sets;
    } meshes[] = {{"|detail|detailShape", "|detail|detailShape", {"map1", "second"}},
                  {"|turned|turnedShape", "|turned|turnedShape", {"second", "map1"}},
                  {"|twin|twinShape", "|twin|twinShape", {"map1", "second"}},
                  {"|twinCopy|twinShape", "|twinCopy|twinCopyShape", {"map1", "second"}},
                  {"|free|freeShape", "|free|freeShape", {"map1", "second", "fourth", "upper"}},
                  {"|shifted|shiftedShape", "|shifted|shiftedShape", {"second", "map1", "fourth", "upper"}},
                  {"|kept|keptShape", "|kept|keptShape", {"map1", "second"}},
                  {"|copied|copiedShape", "|copied|copiedShape", {"map1", "second", "map1"}},
                  {"|far|farShape", "|far|farShape", {"map1", "second"}},
                  {"|twofold|twofoldShape", "|twofold|twofoldShape", {"map1", "second"}}};
    for (const auto& mesh : meshes) ASSERT_NE(UvLinesOf(built, mesh.built), "") << mesh.built;
    const std::vector<std::string> scenes = tripsInEveryForm();
    for (size_t i = 0; i < scenes.size(); ++i) {
        for (const auto& mesh : meshes) {
            const std::string expected = ImportedAs(UvLinesOf(built, mesh.built), mesh.sets);
            EXPECT_EQ(DifferingLines(UvLinesOf(scenes[i], mesh.imported), expected), "") << mesh.imported << " in " << i;
        }
        // Version 5 has no place for the UVs of a layer without textures: those of "second".
        const std::string near = UvLinesOf(scenes[i], "|near|nearShape");
        EXPECT_EQ(TextureUvLines(near), TextureUvLines(UvLinesOf(built, "|near|nearShape")));
        EXPECT_EQ(near, UvLinesOf(scenes[i - i % 3], "|near|nearShape"));
        EXPECT_EQ(NodesOf(scenes[i], "file"), NodesOf(built, "file"));
        EXPECT_EQ(NodesOf(scenes[i], "layeredTexture"), NodesOf(built, "layeredTexture"));
    }
}

// Polygons of which one corner has no UV: every other corner keeps its own.
TEST_F(HostRoundTripTest, ACornerWithoutAUVLeavesTheOthersTheirs) {
    VFnMesh box(makeCube("box"));
    giveCubeUVs(box, "map1", 24, [](int i) { return VPoint(0.03125 * i, 0.5, 0.0); });
    ASSERT_TRUE(box.assignUV(2, 1, -1));
    ASSERT_TRUE(box.assignUV(0, 3, -1));
    const std::string lines = UvLinesOf(hostScene(), "|box|boxShape");
    ASSERT_NE(lines.find("  polygon 0 map1 = (0 0.5) (0.03125 0.5) (0.0625 0.5) -\n"), std::string::npos) << lines;
    ASSERT_NE(lines.find("  polygon 2 map1 = (0.25 0.5) - (0.3125 0.5) (0.34375 0.5)\n"), std::string::npos) << lines;
    for (const std::string& scene : tripsInEveryForm()) EXPECT_EQ(UvLinesOf(scene, "|box|boxShape"), ImportedSetNames(lines));
}

// With both hard-edge options on, the export gives every polygon corner a point of its own and
// the import welds them again: each mesh comes back with the points and the normal, UV and
// colour of every corner that it had in the host.
TEST_F(HostRoundTripTest, HardEdgesComeBackWeldedWithEveryCornersNormal) {
    buildHostScene();
    const std::string built = hostScene();
    options().SetBoolOption(kExportHardEdges, true);
    options().SetBoolOption(kImportHardEdges, true);
    const std::string source = file("built.wyx");
    ASSERT_TRUE(exportTo(source));
    const std::vector<std::string> scenes = trip(source);
    expectTripsAgree(scenes);
    for (const char* mesh : {"|chest|chestShape", "|leg|legShape", "|face|faceShape", "|crate|crateShape",
                             "|tiles|tilesShape", "|decal|decalShape", "|sticker|stickerShape"}) {
        const std::string block = ImportedSetNames(BlockOf(built, std::string("node geometry ") + mesh + "\n"));
        EXPECT_NE(block.find("  point 7 = "), std::string::npos) << mesh;
        EXPECT_EQ(block.find("  point 8 = "), std::string::npos) << mesh;
        EXPECT_EQ(BlockOf(scenes[0], std::string("node geometry ") + mesh + "\n"), block);
    }
}

// A version-5 copy of the built scene keeps what the version-5 format holds: the user
// attribute of a transform, with its curve, the camera rig, and the curves' slopes (a smooth key may come back
// fixed with its slope: the format keeps no smooth kind).
TEST_F(HostRoundTripTest, AVersion5CopyKeepsUserAttributesAndSlopes) {
    buildHostScene();
    const std::string source = file("built.wyx");
    ASSERT_TRUE(exportTo(source));
    static const std::regex kSmooth(R"(smooth (\(\S+ \S+\)))");
    static const std::regex kCurve(R"(node animCurve\S+ \S+\n)");
    importNew(source);
    const std::string first = Carried(std::regex_replace(dump(), kSmooth, "fixed $1"));
    const std::vector<std::string> scenes =
        tripCopy<RWyxWriterWyx5>(source, "v5.wyx", RWyxWriterWyx::kFileModeBinary);
    const std::string copy = Carried(std::regex_replace(scenes[0], kSmooth, "fixed $1"));
    std::string copyCurves;
    std::string curves;
    for (std::sregex_iterator it(first.begin(), first.end(), kCurve), end; it != end; ++it) {
        curves += BlockOf(first, it->str());
        copyCurves += BlockOf(copy, it->str());
    }
    EXPECT_EQ(copyCurves, curves);
    EXPECT_TRUE(HasNodeLine(copy, "node transform |mover\n  attribute weight numericAttribute\n", "  weight = 0.5\n"));
    // The camera rig's group, a node without attribute in the copy, is the rig's again.
    EXPECT_NE(copy.find("node lookAt |camera1_group\n"), std::string::npos) << copy;
    EXPECT_EQ(copy.find("shot_group"), std::string::npos) << copy;
}

// The import turns every light and camera without a target a quarter turn after its
// post-rotation (the host's axis is not the file's); the export takes exactly that turn back,
// so each trip gives the file's orientation again: post-rotations as they were, and where a
// pre-rotation went into the rotation, the same whole transform.
TEST_F(HostRoundTripTest, LightsAndCamerasTurnNoFurtherOnAnyTrip) {
    const std::string source = file("oriented.wyx");
    ASSERT_TRUE(WriteScene(source, [](RWyxObjectFactory& factory, RWyxNode& root) {
        AddLight(factory, root, "bulb", RWyxLight::kPoint);
        AddLight(factory, root, "lamp", RWyxLight::kSpot)->SetPostRotation(0, -60.0, 0.0, 0.0, 1.0);
        RWyxNode* sun = AddLight(factory, root, "sun", RWyxLight::kInfinite);
        sun->SetPostRotation(0, 10.0, 20.0, 30.0, 1.0);
        sun->SetDefaultRotation(RVector4(0.0, 45.0, 0.0, 0.0));
        AddNode(factory, root, "eye", factory.CreateCamera())->SetPostRotation(0, 0.0, 0.0, 20.0, 1.0);
        RWyxNode* tilted = AddNode(factory, root, "tilted", factory.CreateCamera());
        tilted->SetPreRotation(0, 15.0, 0.0, 0.0, 1.0);
        tilted->SetPostRotation(0, 0.0, 30.0, 0.0, 1.0);
        tilted->SetDefaultRotation(RVector4(5.0, 10.0, 0.0, 0.0));
        tilted->SetDefaultTranslation(RVector4(1.0, 2.0, 3.0, 0.0));
        // A null turns as the file says without any correction.
        RWyxNode* frame = AddNode(factory, root, "frame", factory.CreateNull());
        frame->SetPreRotation(0, 15.0, 0.0, 0.0, 1.0);
        frame->SetPostRotation(0, 0.0, 30.0, 0.0, 1.0);
        frame->SetDefaultRotation(RVector4(5.0, 10.0, 0.0, 0.0));
    }));
    ReadBack original(source);
    ASSERT_TRUE(original.Read()) << original.Error();
    importNew(source);
    const auto first = exportRead("first.wyx");
    importNew(file("first.wyx"));
    const auto second = exportRead("second.wyx");
    for (const ReadBack* trip : {first.get(), second.get()}) {
        for (const char* name : {"bulb", "lamp", "sun", "eye"}) {
            ASSERT_NE(trip->Node(name), nullptr) << name;
            EXPECT_TRUE(AnglesNear(*trip->Node(name)->GetPostRotation(0), *original.Node(name)->GetPostRotation(0)))
                << name;
        }
        for (const char* name : {"bulb", "lamp", "sun", "eye", "tilted", "frame"}) {
            ASSERT_NE(trip->Node(name), nullptr) << name;
            EXPECT_TRUE(matricesNear(*trip->Node(name)->GetPivotGlobalTransform(0, true),
                                     *original.Node(name)->GetPivotGlobalTransform(0, true), 1e-5))
                << name;
        }
    }
    // The host holds the inverse of the corrected post-rotation: -60 + 90 about X.
    double axis = 0.0;
    ASSERT_TRUE(VFnDependencyNode(hostNode("lamp")).findPlug("rotateAxisX").getValue(axis));
    EXPECT_NEAR(axis, -30.0 / 57.29577951308232, 1e-9);
}

// The keys of the node's translation X curve in the take: time, value, interpolation, tangent
// mode and both slopes of each.
std::string TranslationKeys(const ReadBack& file, const char* name, const char* take) {
    RWyxNode* node = file.Node(name);
    if (node == nullptr || !node->SetCurrentTakeNodeByName(take)) return "<no take>";
    const RFCurve* curve = node->GetCurrentTakeNode()->GetTranslationXCurve();
    std::string out;
    for (int k = 0; curve != nullptr && k < curve->GetKeyCount(); ++k) {
        const RCurveKey& key = curve->GetKey(k);
        out += Numbers({key.GetTime().ToSeconds(), key.GetValue(), curve->GetLeftDerivative(k),
                        curve->GetRightDerivative(k)}) +
               " " + std::to_string(key.GetInterpolation()) + " " + std::to_string(key.GetTangentMode()) + "\n";
    }
    return out;
}

// Two keys whose last one ends a curve: a smooth pair of one value and of two, a step into a
// smooth key and a smooth key into a step. In every form the first trip gives what the next
// ones give again: the file the first export writes and the host scene the second import makes.
// The last key's tangents follow the key before it, clamped after a smooth one.
TEST_F(HostRoundTripTest, TheLastKeyOfACurveKeepsItsTangentsOnEveryTrip) {
    const char* const names[] = {"held", "rising", "stepUp", "settle"};
    for (const char* name : names) script(std::string("createNode transform -n ") + name);
    keyPlug("held", "translateX", {{0.0, 0.0}, {1.0, 0.0}}, VFnAnimCurve::kTangentSmooth);
    keyPlug("rising", "translateX", {{0.0, 0.0}, {1.0, 1.0}}, VFnAnimCurve::kTangentSmooth);
    VFnAnimCurve stepUp = keyPlug("stepUp", "translateX", {{0.0, 0.0}, {1.0, 1.0}}, VFnAnimCurve::kTangentStep);
    ASSERT_TRUE(stepUp.setInTangentType(1, VFnAnimCurve::kTangentSmooth));
    ASSERT_TRUE(stepUp.setOutTangentType(1, VFnAnimCurve::kTangentSmooth));
    ASSERT_TRUE(keyPlug("settle", "translateX", {{0.0, 0.0}, {1.0, 1.0}}, VFnAnimCurve::kTangentSmooth)
                    .setOutTangentType(1, VFnAnimCurve::kTangentStep));
    const std::string source = file("keys.wyx");
    ASSERT_TRUE(exportTo(source));
    for (const Form& form : kForms) {
        SCOPED_TRACE(form.name);
        const std::vector<std::string> scenes = trip(source, form);
        expectTripsAgree(scenes);
        const ReadBack first(file("trip1.wyx"));
        const ReadBack second(file("trip2.wyx"));
        ASSERT_TRUE(first.Read() && second.Read());
        for (const char* name : names) {
            const std::string keys = TranslationKeys(first, name, WyxVexaExportSession::kTakeName);
            EXPECT_EQ(std::count(keys.begin(), keys.end(), '\n'), 2) << name << "\n" << keys;
            EXPECT_EQ(TranslationKeys(second, name, WyxVexaExportSession::kTakeName), keys) << name;
        }
    }
}

// Keys the host holds fixed, locked or broken among smooth ones, and smooth keys at uneven
// times, which version 5 keeps as fixed keys of their slopes. In every form each export from
// the second on writes the keys of the one before, broken or not (tangent mode 0xC00 or
// 0x400): a fixed key after a broken one comes in locked, as the export wrote it.
TEST_F(HostRoundTripTest, ACurveWithBrokenKeysSettlesAfterOneTrip) {
    script("createNode transform -n kinked; createNode transform -n eased");
    VFnAnimCurve kinked = keyPlug("kinked", "translateX",
                                  {{0.0, 0.0}, {0.25, 1.0}, {0.5, 3.0}, {0.75, 2.0}, {1.0, 4.0}, {1.25, 5.0}},
                                  VFnAnimCurve::kTangentSmooth);
    ASSERT_TRUE(kinked.setTangentsLocked(1, false));
    ASSERT_TRUE(kinked.setTangent(1, 1.0, 2.0, true));
    for (unsigned k = 1; k < 5; ++k) ASSERT_TRUE(kinked.setTangent(k, 1.0, k - 2.0, false));
    keyPlug("eased", "translateX", {{0.0, 0.0}, {0.2, 1.0}, {0.9, 3.0}, {1.0, 2.0}, {1.6, 4.0}, {1.7, 5.0}},
            VFnAnimCurve::kTangentSmooth);
    const std::string source = file("kinks.wyx");
    ASSERT_TRUE(exportTo(source));
    for (const Form& form : kForms) {
        SCOPED_TRACE(form.name);
        trip(source, form, 5);
        std::vector<std::string> exports;
        for (int n = 1; n <= 4; ++n) {
            const ReadBack back(file("trip" + std::to_string(n) + ".wyx"));
            ASSERT_TRUE(back.Read());
            exports.push_back(TranslationKeys(back, "kinked", WyxVexaExportSession::kTakeName) + "\n" +
                              TranslationKeys(back, "eased", WyxVexaExportSession::kTakeName));
        }
        for (size_t n = 1; n < exports.size(); ++n) EXPECT_EQ(exports[n], exports[n - 1]) << "export " << n + 1;
    }
}

// A camera aiming at a node: the import makes the host's rig (a group holding the camera and
// its aim locator, named after the file's nodes); exported and imported again, that group is
// the rig's once more, not a new level above it.
TEST_F(HostRoundTripTest, ACameraWithATargetKeepsOneGroupWhateverTheTrips) {
    const std::string source = file("aimed.wyx");
    ASSERT_TRUE(WriteScene(source, [](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* camera = AddNode(factory, root, "Camera", factory.CreateCamera());
        camera->SetDefaultTranslation(RVector4(0.0, 15.0, 60.0, 0.0));
        camera->SetTarget(AddNode(factory, root, "Character", factory.CreateNull()));
    }));
    std::string path = source;
    for (int trip = 0; trip < 3; ++trip) {
        SCOPED_TRACE(trip);
        importNew(path);
        const std::string scene = dump();
        EXPECT_NE(scene.find("node transform |camera1_group|Camera\n"), std::string::npos) << scene;
        EXPECT_NE(scene.find("node transform |camera1_group|Character\n"), std::string::npos) << scene;
        EXPECT_EQ(scene.find("camera1_group1"), std::string::npos) << scene;
        EXPECT_EQ(scene.find("node transform |camera1_group\n"), std::string::npos) << "no null of the group's name";
        path = file("trip" + std::to_string(trip) + ".wyx");
        ASSERT_TRUE(exportTo(path));
    }
}

// What the reader dropped of a damaged file is not built: a surface and a patch whose points
// are missing, and a mesh whose points are missing (so its polygons too), come in as nulls
// with their children, the reader's warnings the only messages; the trips keep them so.
TEST_F(HostRoundTripTest, GeometryTheReaderDroppedComesInAsNulls) {
    const std::string whole = file("whole.wyx");
    ASSERT_TRUE(WriteScene(
        whole,
        [](RWyxObjectFactory& factory, RWyxNode& root) {
            RWyxNurb* sheet = factory.CreateNurb();
            sheet->InitControlPoints(4, RWyxNurb::kOpen, 4, RWyxNurb::kOpen);
            AddNode(factory, *AddNode(factory, root, "sheet", sheet), "pin", factory.CreateNull());
            RWyxPatch* patch = factory.CreatePatch();
            patch->InitControlPoints(4, RWyxPatch::kBezier, 4, RWyxPatch::kBezier);
            AddNode(factory, root, "patch", patch);
            RWyxMesh* hull = factory.CreateMesh();
            hull->InitControlPoints(3);
            hull->BeginPolygon();
            for (int point = 0; point < 3; ++point) hull->AddPolygonVertex(point);
            AddNode(factory, root, "hull", hull);
        },
        RWyxWriterWyx::kFileModeAscii));
    static const std::regex kPoints(R"((\n\t\t(Points|Vertices): )[^\n]*)");
    const std::string source =
        folder_.WriteFile("dropped.wyx", std::regex_replace(ScratchFolder::ReadFile(whole), kPoints, "$1"));
    const std::vector<std::string> scenes = trip(source);
    expectTripsAgree(scenes);
    for (const std::string name : {"sheet", "patch", "hull"}) {
        EXPECT_NE(scenes[0].find("node locator |" + name + "|" + name + "Shape\n"), std::string::npos) << name;
    }
    EXPECT_NE(scenes[0].find("node transform |sheet|pin\n"), std::string::npos);
    EXPECT_EQ(scenes[0].find("shadingEngine"), std::string::npos) << "no shading group for a shape not made";
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kError).length(), 0u) << lastError();
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kStatus).length(), 0u);
    const VStringArray warnings = VMessageLog::linesOf(VMessageLog::kWarning);
    ASSERT_EQ(warnings.length(), 3u);
    for (unsigned i = 0; i < warnings.length(); ++i) {
        EXPECT_NE(warnings[i].str().find(" dropped"), std::string::npos) << warnings[i];
    }
}

// The host lets nodes of one name live under different parents; the import of such a file
// keeps every node's values and animation.
TEST_F(HostRoundTripTest, NodesOfOneNameUnderDifferentParentsComeBackWithTheirValues) {
    script("createNode transform -n a; createNode transform -n x -p a; createNode transform -n b");
    script("createNode transform -n x -p b; setAttr b.translateX 3; setAttr |b|x.translateY 2");
    keyPlug("|a|x", "rotateZ", {{0.0, 0.0}, {1.0, 0.5}});
    const std::string path = file("twins.wyx");
    ASSERT_TRUE(exportTo(path));
    importNew(path);
    const std::string scene = dump();
    EXPECT_NE(scene.find("node transform |b\n"), std::string::npos) << scene;
    double value = 0.0;
    ASSERT_TRUE(VFnDependencyNode(hostNode("b")).findPlug("translateX").getValue(value));
    EXPECT_EQ(value, 3.0);
    ASSERT_TRUE(VFnDependencyNode(hostNode("|b|x")).findPlug("translateY").getValue(value));
    EXPECT_EQ(value, 2.0);
    VFnAnimCurve curve(VFnDependencyNode(hostNode("|a|x")).findPlug("rotateZ"));
    EXPECT_EQ(curve.numKeys(), 2u);
}

}  // namespace
