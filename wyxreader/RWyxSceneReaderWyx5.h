#ifndef WYX_WYXREADER_RWYXSCENEREADERWYX5_H
#define WYX_WYXREADER_RWYXSCENEREADERWYX5_H

// The content of a version-5 WYX file, as the version-5 writer (RWyxWriterWyx5) lays it out,
// read into a scene: the second step of the reader for files below version 6000, over the
// record tree the container has parsed (RWyxReaderWyx). It reads the fields of the current
// level: the main section of a file, or the "PoseScene" block of a character pose, whose scene
// is read by a reader of its own.
//
// Order of the read:
//   1. "Media" { Video { Video: name {...} ... } }: each medium's picture, its
//      "OriginalFilename" (the picture before any conversion) or else its "Filename", with
//      its "RelativeFilename"; textures and camera backgrounds get back the picture of their
//      medium under its own name.
//   2. "Model" records in file order (a node before its children): the node with its head
//      fields, limits, user properties, attribute and the defaults of its channels. Materials
//      and textures of a geometry are merged by full name: a second record of one name is the
//      same object (its fields read again).
//   3. Names, once every model exists: "Children" (the hierarchy; models no record places go
//      below the root), "LookAtModel", "UpVectorModel", the link and associate models of the
//      clusters.
//   4. "Takes", with flag 6 of the options: the takes the options select, every object's
//      animation (a material's shininess back from the record scale, the geometry's shape
//      channels from their "Shape %02d" names), finished as the version-6 reader finishes them.
//   5. "GoboManager", then "MARKERSET", "ACTOR", "CHARACTER" with flag 7.
//   6. "SceneGenericPersistence": character poses (flag 7), each with its nested scene, bind
//      and rest poses, the scene information.
//   7. "AmbientRenderSettings", "FogOptions", "ShadowPlanes", "RendererSetting" and "Settings"
//      with the producer cameras and the time settings and markers.
//   8. The "Summary" of the extension section (binary files; own file only): the scene
//      information when the main section had none.
//   9. The current take as the version-6 reader selects it.
//
// Values the writer transformed are read back: shininess is divided by 100 (a key or default
// is the float that the writer turns back into the file's value), the second "Type" of a camera
// is its projection, polygon vertices end with their complement, the extra texture layers
// count from layer 1 of a mesh (its own texture is layer 0's) and from layer 0 of a surface,
// and a cluster's transforms are T = Transform L and A = AssociateModel's Transform L. Points
// are read as written: a geometry read has the identity pivot.
//
// How the records of a geometry go to its layers: the materials are layer 0's, index to
// direct, in record order; the texture records are shared out from the last: each extra layer
// with texture information takes as many as its highest texture index names (its blend mode,
// mapping and UVs as written), from the last layer back, and the first texture layer takes
// those left. An extra layer written without texture information gets a texture element the
// writer would leave out again. A mesh's normals map by control point or by polygon vertex as
// their number says.
//
// What a file can hold that does not hold together is read as far as it is sound, with a
// warning (RWyxReadWarnings): a second model of one name, names that name no model or object,
// a model given two parents or a cycle, counts that disagree with the values they go with,
// control-point, polygon, material, texture, UV and colour indices past their arrays, shapes
// of unknown points, surfaces whose points do not fill their dimensions, media that name no
// picture, links, effectors and parameters of no known name, character poses nested deeper
// than kMaxPoseSceneNesting. Every array is sized by the values the file holds.

#include "core/RString.h"
#include "wyxreader/RWyxSceneReaderWyx.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class RStreamOptionsWyx;
class RWyxCamera;
class RWyxCharacter;
class RWyxFile;
class RWyxGeometry;
class RWyxLayer;
class RWyxMaterial;
class RWyxMesh;
class RWyxNode;
class RWyxNurb;
class RWyxPatch;
class RWyxPropertyFile;
class RWyxReadWarnings;
class RWyxScene;
class RWyxSkinLink;
class RWyxTakeNodeContainer;
class RWyxTexture;

class RWyxSceneReaderWyx5 : private RWyxSceneReaderWyx {
public:
    // Character poses nest their scenes at most this deep (the writer's bound); deeper ones
    // are left empty with a warning.
    static constexpr int kMaxPoseSceneNesting = 8;

    // Nothing is owned; the scene gets what is read. depth is the nesting of pose scenes.
    RWyxSceneReaderWyx5(RWyxPropertyFile& file, RWyxScene& scene, const RStreamOptionsWyx& options,
                        RWyxReadWarnings& warnings, int depth = 0);
    ~RWyxSceneReaderWyx5();
    RWyxSceneReaderWyx5(const RWyxSceneReaderWyx5&) = delete;
    RWyxSceneReaderWyx5& operator=(const RWyxSceneReaderWyx5&) = delete;

    // The whole read of a file, in the order above. A failure of the container (a damaged
    // value) is kept by the file, which the caller reads afterwards.
    void Read();
    // Steps 1 to 7 and 9 at the current level (a pose's "PoseScene" block).
    void ReadLevel();

private:
    // A medium of the file: the picture and its name seen from the file.
    struct Medium {
        RString path;
        RString relative;
    };
    // What a model names, resolved once every model exists.
    struct PendingNames {
        RWyxNode* node;
        std::vector<RString> children;
        RString lookAt;
        RString upVector;
    };
    struct PendingLink {
        RWyxSkinLink* link;
        RWyxNode* owner;
        RString node;
        RString associateModel;
    };
    // A shape record, kept until its geometry's points are read.
    struct ShapeRecord {
        RString name;
        std::vector<int> indices;
        std::vector<double> vertices;
        std::vector<double> normals;
    };

    // ---- driver (RWyxSceneReaderWyx5.cpp) ------------------------------------------------------------
    void ReadMedia();
    void ResolveNames();
    RWyxNode* FindModel(const RString& name) const;
    // The node a name given in a record stands for (a model, with or without its "Model::");
    // null, with a warning naming what, when none.
    RWyxNode* ResolveModel(const RString& name, const RString& what);
    void ReadSceneGenericPersistence();
    void ReadPoseScene(RWyxScene& poseScene, const RString& label);
    void ReadGlobalSettings();
    void ReadProducerCameras();
    void ReadTimeSettings();
    void ReadSummary();

    // ---- models (RWyxSceneReaderWyx5Models.cpp) --------------------------------------------------------
    void ReadModel();
    void MakeAttribute(RWyxNode& node, const RString& label);
    void ReadHead(RWyxNode& node);
    void ReadLimits(RWyxNode& node);
    void ReadUserProperties(RWyxNode& node, const RString& label);
    void ReadAttributeFields(RWyxNode& node, const RString& label);
    void ReadCameraFields(RWyxCamera& camera, bool producer);
    void ReadDefaultChannels(RWyxNode& node, const RString& label);

    // ---- geometry (RWyxSceneReaderWyx5Geometry.cpp) --------------------------------------------------
    void ReadMesh(RWyxNode& node, RWyxMesh& mesh, const RString& label);
    void ReadMeshNormals(RWyxMesh& mesh, const RString& label);
    void ReadMeshMaterials(RWyxMesh& mesh, const std::vector<bool>& kept, const RString& label);
    void ReadMeshUVs(RWyxMesh& mesh, const RString& label);
    void ReadMeshColors(RWyxMesh& mesh, const RString& label);
    void ReadMeshGrid(RWyxMesh& mesh);
    void ReadNurb(RWyxNode& node, RWyxNurb& nurb, const RString& label);
    void ReadPatch(RWyxNode& node, RWyxPatch& patch, const RString& label);
    // The surface's "Points" when they fill u x v points of `stride` values; false, with a
    // warning, otherwise.
    // The records of a geometry (materials, textures, links, shapes) into recordMaterials_,
    // recordTextures_ and recordShapes_ (links made at once).
    void ReadGeometryRecords(RWyxNode& node, RWyxGeometry& geometry, const RString& label);
    void ReadSurfaceMaterials(RWyxGeometry& geometry, const RString& label);
    // The texture records shared out among the texture layers (see the notes above).
    void ReadTextureLayers(RWyxGeometry& geometry, const std::vector<RWyxTexture*>& textures,
                           const std::vector<bool>& kept, const RString& label);
    void ReadMeshTextures(RWyxMesh& mesh, const std::vector<RWyxTexture*>& textures, bool layered,
                          const std::vector<bool>& kept, const RString& label);
    bool ReadLayerTextureInfo(RWyxGeometry& geometry, RWyxLayer& layer, std::vector<RWyxTexture*>& left, bool takeAll,
                              const std::vector<bool>& kept, const RString& label);
    void ReadLayerUVs(RWyxGeometry& geometry, RWyxLayer& layer, const RString& label);
    RWyxMaterial* ReadMaterial();
    RWyxTexture* ReadTexture();
    void ReadLink(RWyxNode& node, RWyxGeometry& geometry, const RString& label);
    void BuildShapes(RWyxGeometry& geometry, const std::vector<ShapeRecord>& shapes, const RString& label);

    // ---- takes (RWyxSceneReaderWyx5Takes.cpp) ----------------------------------------------------------
    void ReadTakes();
    bool IsAnimatedHeading(const RString& heading) const override;
    bool ReadObjectAnimation(const RString& heading, const RString& take) override;
    RWyxTakeNodeContainer* FindAnimated(const RString& heading, const RString& name);

    // ---- gobos and characters (RWyxSceneReaderWyx5Characters.cpp) ------------------------------------
    void ReadGoboManager();
    void ReadMarkerSets();
    void ReadActors();
    void ReadCharacters();
    void ReadCharacterLinkFields(RWyxCharacter& character, int link, const RString& label);
    void ReadCharacterGroup(RWyxCharacter& character, int group, const RString& label);
    void ReadControlSet(RWyxCharacter& character, const RString& label);

    const int depth_;

    std::unordered_map<std::string, Medium> media_;
    std::unordered_map<std::string, RWyxNode*> models_;
    std::vector<PendingNames> pendingNames_;
    std::vector<PendingLink> pendingLinks_;
    std::unordered_map<std::string, RWyxMaterial*> materials_;
    std::unordered_map<std::string, RWyxTexture*> textures_;
    // The records of the geometry being read, in file order.
    std::vector<RWyxMaterial*> recordMaterials_;
    std::vector<RWyxTexture*> recordTextures_;
    std::vector<ShapeRecord> recordShapes_;
    // The characters in file order with the index of the character that drives each.
    std::vector<std::pair<RWyxCharacter*, int>> characterInputs_;
};

#endif
