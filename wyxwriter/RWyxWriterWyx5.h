#ifndef WYX_WYXWRITER_RWYXWRITERWYX5_H
#define WYX_WYXWRITER_RWYXWRITERWYX5_H

// The version-5 WYX writer: the older node-centred layout, in binary or ASCII form (the same
// fields in each; comment lines only in ASCII). The exporter's format ids 3 and 4 write it,
// and a character pose's scene is written with it nested in the pose (file version 5800, the
// property file in its version-5 format, which writes no property block).
//
// Document (main section, then the extension section):
//   Media { Video { Video: name { Type: "Clip"; ... } ... } }                       (flag 2)
//   Model: full name { ... } per node below the root, a node before its children
//   Takes { Current; Take: name { FileName; LocalTime; ReferenceTime; Comments; Thumbnail;
//           Model|Texture|Material: full name { Version: 1.1; Channel ... } } }     (flag 6)
//   GoboManager { Gobo {...}; LightGobo: light, gobo }                              (flag 5)
//   MARKERSET, ACTOR, CHARACTER                                                       (flag 7)
//   SceneGenericPersistence { Pose ...; SceneInfo }
//   Constraints { Version: 4.0; Group: "Constraint Group" { Constraint ... } }      (flag 7)
//   AmbientRenderSettings; FogOptions; ShadowPlanes; RendererSetting; Settings       (flag 8)
//   Summary { ... }                   (extension section; binary forms, own file only)
// Materials, textures, cluster links and shapes are written inside the Model record of each
// geometry that uses them; the records are described in the sources that write them.
//
// Flags of the options (RStreamOptionsWyx): 0 geometry (else meshes, NURBS and patches are
// written as nulls), 2 media, 5 gobos, 6 takes, 7 character data and character poses, 8 the
// settings blocks, 11 media content embedded (binary files only). Motion options write with
// flag 6 alone.
//
// What a version-5 file cannot carry (a scene read back from one lacks it; the writer
// leaves it out without a word unless said otherwise):
//   - no property block: a node's pivots, geometric transform, inherit type and other static
//     properties; pre- and post-rotation only as the rotation limits' default and axis, and
//     so only while the rotation limits are active; rotation orders other than Euler XYZ and
//     Spheric XYZ (and the latter only while the rotation limits are active); the limits'
//     per-axis switches (only a component's enable); user properties that are not
//     animatable (the values of animatable ones travel as channels); the " (Real)" and like
//     suffixes of user property names; the properties of materials, textures, lights and
//     cameras that their records do not name; characters' and poses' properties;
//   - skeleton type 3 (written as a root, type 0); camera format 9 (written "Custom");
//     shading modes other than 1 to 5; the switcher's camera names;
//   - normals other than layer 0's direct array (their mapping follows from their count:
//     one per control point or one per polygon vertex), normal indices, normals of other
//     layers; vertex colours other than the first colour layer's, fitting the points;
//   - layers without a texture, and texture layers whose texture element maps by control
//     point or polygon vertex or does not use index-to-direct reference (their textures are
//     written, their layer is not); an extra layer's textures after the last one its
//     indices name; materials of layers other than 0; materials by direct reference (written
//     as the last material);
//   - a mesh's UVs other than layer 0's by control point or polygon vertex and those of the
//     texture layers written after its first (with a warning naming the mesh and the layers
//     whose UVs are left out);
//   - the points of shapes whose point count differs from their geometry's (such a shape
//     is written as the single index 0 with zero deltas, with a warning);
//   - channels' user names; Auto and AutoBreak keys as such (their slopes are written, as
//     User and UserBreak keys, or "a" / "d" where the slopes are those a reader computes);
//   - two materials or two textures of one name (records name them, so a reader merges
//     them);
//   - textures and materials no geometry uses (their animation is written, their record
//     not); generic nodes, control-set plugs and skin deformers' own values;
//   - the Summary and embedded media content in the ASCII form.
//
// Refused scenes (error 5, no file put in place): a patch whose U or V type is not 0 to 4
// (with geometry written), a NURBS surface asked to be rearranged that the geometry converter
// cannot copy, an ASCII file asked to carry a password. Warnings in the message text: a
// cluster whose link matrix cannot be inverted, a shape whose point count differs, empty
// polygons (left out with their per-polygon entries), a picture that is missing or cannot be
// converted (its medium written without content), character poses nested deeper than
// kMaxPoseSceneNesting (their scene left out).
//
// The writer leaves the scene as it found it except where the document needs it: every
// texture and camera background gets the media name of its picture, a UV element whose
// mapping does not fit its geometry is set to no mapping, take infos are added for takes
// that had none and computed spans stored in them, the options' template mark is set.
// Take nodes are found by name (no object's current take changes), shape channels are
// renamed only for the length of the write, the producer cameras are lent to a temporary
// node and given back, and a material's shininess curve is converted on a copy.

#include "core/RString.h"
#include "wyxwriter/RWyxWriterWyx.h"

#include <string>
#include <unordered_map>
#include <vector>

class RFCurveNode;
class RWyxCamera;
class RWyxCharacter;
class RWyxGeometry;
class RWyxLayer;
class RWyxLight;
class RWyxMarker;
class RWyxMaterial;
class RWyxMesh;
class RWyxNode;
class RWyxNull;
class RWyxNurb;
class RWyxPatch;
class RWyxPose;
class RWyxShape;
class RWyxSkeleton;
class RWyxSkinLink;
class RWyxTakeNodeContainer;
class RWyxTexture;

class RWyxWriterWyx5 : public RWyxWriterWyx {
public:
    static constexpr int kFileVersion = 5800;
    // Character poses nest their scenes at most this deep; a deeper pose is written without
    // its scene.
    static constexpr int kMaxPoseSceneNesting = 8;

    // Neither is owned.
    RWyxWriterWyx5(RWyxObjectFactory* factory, RWyxIO* owner);
    ~RWyxWriterWyx5() override;

protected:
    int GetFileVersion() const override { return kFileVersion; }
    void PreparePropertyFile(RWyxPropertyFile& file) override;
    bool WriteDocument(RWyxScene& scene, bool ownFile) override;

private:
    // Animated-channel flags of textures and materials (the bits of the names below, in the
    // order of kTextureChannels and kMaterialChannels).
    using ChannelFlags = unsigned;

    // ---- driver (RWyxWriterWyx5.cpp) ------------------------------------------------------------------
    // The scene's textures and materials, then those only its geometries hold.
    void CollectTexturesAndMaterials(RWyxScene& scene);
    void PrepareShapeChannels(RWyxScene& scene, bool prepare);
    // The flags of textureFlags_ and materialFlags_ (RWyxWriterWyx5Records.cpp).
    void ScanAnimatedChannels();
    // The takes the file carries, in the order the scene lists them.
    void CollectWrittenTakes(RWyxScene& scene);
    // The document's blocks after the media; stops at the first the file fails.
    void WriteSections(RWyxScene& scene);
    void WriteModels(RWyxScene& scene);
    // AmbientRenderSettings, FogOptions, ShadowPlanes, RendererSetting and Settings.
    void WriteGlobalSettings(RWyxScene& scene);
    void ClearWriteState();

    // ---- models (RWyxWriterWyx5Models.cpp) ----------------------------------------------------------------
    void WriteModel(RWyxNode& node);
    // Version, MultiLayer, MultiTake, Hidden, Shading, Culling, Limits: the head of a Model
    // record and of a producer camera's block.
    void WriteModelHead(RWyxNode& node);
    void WriteLimits(RWyxNode& node);
    void WriteLookAt(RWyxNode& node);
    void WriteAnimatedPropertyTable(RWyxNode& node);
    void WriteDefaultTakeChannels(RWyxNode& node);
    void WriteSceneGenericPersistence(RWyxScene& scene);
    void WritePoseBlock(const RWyxPose& pose);

    // ---- node attributes (RWyxWriterWyx5Attributes.cpp) -----------------------------------------------
    void WriteNodeAttribute(RWyxNode& node);
    void WriteNullRecord(const RWyxNull* null);
    void WriteMarkerRecord(RWyxNode& node, const RWyxMarker& marker);
    // With producer, the record of a producer camera (no "Type" "Camera" at its head).
    void WriteCameraRecord(const RWyxCamera& camera, bool producer);
    void WriteLightRecord(const RWyxLight& light);
    void WriteSkeletonRecord(const RWyxSkeleton& skeleton);

    // ---- geometry (RWyxWriterWyx5Geometry.cpp) ----------------------------------------------------------
    // Materials, textures, links, shapes and extra texture layers of a mesh, NURBS or patch;
    // the layers whose UVs it wrote.
    std::vector<const RWyxLayer*> WriteGeometryContents(RWyxNode& node, RWyxGeometry& geometry);
    // Nothing when the layer's texture element cannot be written. True when the layer's UVs
    // were written with it.
    bool WriteLayerTextureInfo(RWyxGeometry& geometry, RWyxLayer& layer);
    void WriteMesh(RWyxNode& node, RWyxMesh& mesh);
    // A warning naming the mesh's node and its layers whose UVs are not among withUVs (the
    // layers whose UVs were written): "The UVs of layers 1, 2 of Model::Body are left out: a
    // version-5 file has no place for them" ("layer" for one). Nothing when every UV was written.
    void WarnUVsLeftOut(const RWyxNode& node, const RWyxMesh& mesh, const std::vector<const RWyxLayer*>& withUVs);
    void WriteMeshNormals(const RWyxMesh& mesh);
    void WriteMeshMaterials(const RWyxMesh& mesh);
    void WriteMeshTextures(const RWyxMesh& mesh);
    void WriteMeshPolygons(RWyxNode& node, const RWyxMesh& mesh);
    // The layer whose UVs it wrote; null when none.
    const RWyxLayer* WriteMeshUVs(const RWyxMesh& mesh);
    void WriteMeshVertexColors(const RWyxMesh& mesh);
    void WriteMeshGrid(const RWyxMesh& mesh);
    void WriteNurb(RWyxNode& node, RWyxNurb& nurb);
    void WritePatch(RWyxNode& node, RWyxPatch& patch);

    // ---- texture, material, link and shape records (RWyxWriterWyx5Records.cpp) -----------------
    void WriteTexture(RWyxTexture& texture);
    void WriteMaterial(RWyxMaterial& material);
    // False, nothing written, when the link has no link node.
    bool WriteLink(RWyxNode& node, RWyxSkinLink& link);

    // ---- takes (RWyxWriterWyx5Takes.cpp) ----------------------------------------------------------------
    void WriteTakes(RWyxScene& scene);
    void WriteTake(RWyxScene& scene, RWyxTakeInfo& info);
    // The take's animation record of every model below the root.
    void WriteTakeModelsAnimation(RWyxNode& root, const RString& take);
    // False, nothing written, when the object has no take node of that name.
    bool WriteTakeAnimation(RWyxTakeNodeContainer& object, const RString& take, const char* recordName,
                            bool scaleShininess);
    // A channel as field "Channel": the transform nodes named "T", "R" and "S", no user name,
    // with colours, Auto keys by their slopes in the version-5 property format.
    void WriteChannel(const RFCurveNode& channel, bool defaultOnly);

    // ---- character sections and poses (RWyxWriterWyx5Characters.cpp) ---------------------------
    void WriteGoboManager(RWyxScene& scene);
    void WriteMarkerSets(RWyxScene& scene);
    void WriteActors(RWyxScene& scene);
    void WriteCharacters(RWyxScene& scene);
    void WriteCharacterLinkFields(const RWyxCharacter& character, int link, bool withDefaults);
    void WriteCharacterLinkGroup(const RWyxCharacter& character, int group);
    void WriteControlSet(const RWyxCharacter& character);
    bool IsUsableLink(const RWyxCharacter& character, int link) const;
    bool InScene(const RWyxNode* node) const;
    void WriteCharacterPoses(RWyxScene& scene);
    void WriteConstraints(RWyxScene& scene);

    // ---- media (RWyxWriterWyx5Media.cpp) ---------------------------------------------------------------
    // Answers the number of Video records written.
    int WriteMedia(RWyxScene& scene, bool embed);
    void WriteMediaContent(const RString& name, const RString& path, bool embed);

    // ---- settings (RWyxWriterWyx5Settings.cpp) --------------------------------------------------------
    void WriteRendererAndGlobalSettings(RWyxScene& scene);
    void WriteProducerCameras(RWyxScene& scene);

    // The state of one write.
    RWyxScene* scene_ = nullptr;
    std::vector<RWyxTexture*> textures_;
    std::vector<RWyxMaterial*> materials_;
    std::unordered_map<const RWyxTexture*, ChannelFlags> textureFlags_;
    std::unordered_map<const RWyxMaterial*, ChannelFlags> materialFlags_;
    std::vector<RString> writtenTakes_;
    // Temporary files of the media content, removed at the end of the Media block.
    std::vector<RString> temporaryFiles_;
};

#endif
