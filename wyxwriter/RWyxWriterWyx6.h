#ifndef WYX_WYXWRITER_RWYXWRITERWYX6_H
#define WYX_WYXWRITER_RWYXWRITERWYX6_H

// The version-6 WYX writer: a scene as objects, their relations and connections, and takes.
// Every export of the plug-in writes this layout, in binary, ASCII or encrypted form (the
// same fields in each; comment lines only in ASCII).
//
// Document (main section, then the extension section):
//   Definitions { Version: 100; Count; ObjectType: kind { Count } ... }
//   Objects { Model ...; GenericNode ...; Pose ...; Material ...; Deformer ...; Texture ...;
//             ControlSetPlug ...; Constraint ... }                    (records: the sources)
//   Relations { Model|Material|Texture|Constraint|Deformer|Pose: full name, type name {} }
//   Connections { Connect: "OO", source, destination | "OP", source, destination, property }
//   Takes { Current; Take: name { FileName; LocalTime; ReferenceTime; Comments; Thumbnail;
//           Model|GenericNode|Constraint|Texture|Material: full name { Version: 1.1;
//           Channel ... } } }
//   Version5 { AmbientRenderSettings; FogOptions; ShadowPlanes; Settings }   (flag 8)
//   Summary { Version: 101; Template; PasswordProtection; ContentCount {...}; SceneInfo;
//             Takes { Version: 101; Current; Take: name {...} } }   (extension section; binary
//             forms only: the ASCII form has none)
//
// Flags of the options (RStreamOptionsWyx): 0 geometry of mesh, NURBS and patch nodes (else
// they are written as nulls); 1, 2, 3 materials, textures and deformers in Definitions and
// Relations (Objects holds their records whatever the flags); 7 characters and control-set
// plugs; 8 the Version5 block. Takes are always written (flag 6 is not read).
//
// What a version-6 file does not carry, so that each file agrees with itself:
//   - character poses: they have no record, so they are neither counted in Definitions nor
//     listed in Relations;
//   - takes that only the "Camera Switcher" node (or the root, or an object whose animation
//     the file does not hold) has: the switcher and the root are not models of the file, so
//     such a take would be empty; it is neither written in Takes nor listed in the Summary.
//     The switcher's keys still widen the computed spans of the takes that are written.
//   - control-set plugs' animation: the Takes block has no heading for it.
//
// Channels are written with RFCurveNodeRecords::Write (keys, not defaults only; translation,
// rotation and scaling nodes named "T", "R", "S"; user names kept; curve colours; Auto keys
// as Auto keys, not as the slopes they evaluate to). The reader reads them with the same
// options.
//
// The root node is named "Model::Scene" in Connections, or, when a model of the file has that
// name, the first of "Model::Scene 1", "Model::Scene 2" ... that no model has: the one name
// in Connections without a Model record.
//
// The writer leaves the scene as it found it (the file form it needs is undone after the
// write, RWyxScenePreparation; take selections are not touched) except where the document
// needs it: each node's properties take its pivots and limits before they are written, take
// infos are added for takes that had none and computed spans stored in them, and the
// options' template mark is set.
//
// Refused scenes (error 5, nothing written): a patch whose U or V type is not 0 to 4 (with
// geometry written), a binary file asked to carry a password that cannot take it (an ASCII
// file). Warnings in the message text: a cluster whose link matrix cannot be inverted (its
// zero axes stay zero, so the file holds finite numbers), a shape whose point count differs
// from its geometry's (written as no change).

#include "core/RString.h"
#include "wyxwriter/RWyxWriterWyx.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class RFCurveNode;
class RPlug;
class RProperty;
class RWyxCharacter;
class RWyxDeformer;
class RWyxGeometry;
class RWyxGeometryConverter;
class RWyxLayerElement;
class RWyxMaterial;
class RWyxMesh;
class RWyxNode;
class RWyxNodeAttribute;
class RWyxNurb;
class RWyxPatch;
class RWyxPropertyOwner;
class RWyxSceneInfo;
class RWyxSceneObject;
class RWyxShape;
class RWyxTakeInfo;
class RWyxTakeNode;
class RWyxTakeNodeContainer;
class RWyxTexture;

class RWyxWriterWyx6 : public RWyxWriterWyx {
public:
    static constexpr int kFileVersion = 6000;

    // Neither is owned.
    RWyxWriterWyx6(RWyxObjectFactory* factory, RWyxIO* owner);
    ~RWyxWriterWyx6() override;

    // The texts of a layer element's modes and of a texture layer's blend mode; values
    // outside the table get the first text.
    static const char* MappingModeName(int mode);
    static const char* ReferenceModeName(int mode);
    static const char* BlendModeName(int mode);

protected:
    int GetFileVersion() const override { return kFileVersion; }
    bool WriteDocument(RWyxScene& scene, bool ownFile) override;

private:
    // ---- driver and document sections (RWyxWriterWyx6.cpp) ------------------------------------------
    void WriteSections(RWyxScene& scene);
    void WriteSectionHeading(const char* title);
    void WriteDefinitionsSection(RWyxScene& scene);
    void WriteObjectsSection(RWyxScene& scene);
    void WriteRelationsSection(RWyxScene& scene);
    void WriteVersion5Section(RWyxScene& scene);
    void WriteTimeSettingsV6(RWyxScene& scene);
    // The property block of the object's properties (CollectProperties).
    void WritePropertyBlock(const RWyxTakeNodeContainer& object);

    // ---- connections (RWyxWriterWyx6Connections.cpp) ---------------------------------------------
    void WriteConnectionsSection(RWyxScene& scene);
    // Writes the connections into the properties object and its properties, then (with
    // recurse) visits the owners of its sources.
    void VisitConnections(RPlug& properties, bool recurse);
    void WriteVisit(RPlug& properties);
    void WriteConnection(RPlug* source, RPlug& destination);
    // The full name in the file of the object a properties object belongs to (the root's
    // name in Connections for the root); empty when it belongs to no scene object.
    RString ConnectionName(const RPlug& properties) const;
    RString FreeRootName(RWyxScene& scene) const;

    // ---- models (RWyxWriterWyx6Models.cpp) -----------------------------------------------------------
    void WriteModelRecord(RWyxNode& node);
    void WriteNodeAttribute(RWyxNode& node);
    void WriteNullFields(const RWyxNodeAttribute* attribute);
    void WriteTypeHeader(const RWyxNodeAttribute& attribute);
    void WriteCameraFields(const RWyxNodeAttribute& attribute);
    void WriteLightFields();

    // ---- geometry (RWyxWriterWyx6Geometry.cpp) -----------------------------------------------------
    void WriteMeshAttribute(RWyxNode& node, RWyxMesh& mesh);
    void WriteNurbAttribute(RWyxNode& node, RWyxNurb& nurb);
    void WriteNurbFields(RWyxNode& node, RWyxNurb& nurb);
    void WritePatchAttribute(RWyxNode& node, RWyxPatch& patch);
    void WriteGeometryLayers(RWyxNode& node, RWyxGeometry& geometry);
    void WriteLayerElements(RWyxNode& node, RWyxGeometry& geometry, int kind);
    // Normals are written through the rotation of the geometry's pivot.
    bool WriteLayerElement(RWyxNode& node, const RWyxGeometry& geometry, const RWyxLayerElement& element, int number);
    void WriteLayerRecords(const RWyxGeometry& geometry);
    std::vector<int> MappedObjectIndices(RWyxNode& node, const RWyxLayerElement& element) const;

    // ---- material, deformer and texture records (RWyxWriterWyx6Records.cpp) --------------------
    void WriteMaterialRecord(RWyxMaterial& material);
    void WriteDeformerRecord(RWyxDeformer& deformer);
    void WriteClusterFields(RWyxDeformer& cluster);
    void WriteTextureRecord(RWyxTexture& texture);

    // ---- poses, characters, generic nodes, scene info (RWyxWriterWyx6Characters.cpp) ------------
    void WriteGenericNodeRecords(RWyxScene& scene);
    void WritePoseRecords(RWyxScene& scene);
    void WriteControlSetPlugRecords(RWyxScene& scene);
    void WriteCharacterRecords(RWyxScene& scene);
    void WriteCharacterLinks(RWyxScene& scene, int characterIndex);
    void WriteCharacterLinkGroup(const RWyxCharacter& character, int group, const char* container);
    void WriteCharacterLinkFields(const RWyxCharacter& character, int link);
    bool IsUsableLink(const RWyxCharacter& character, int link) const;

    // ---- takes (RWyxWriterWyx6Takes.cpp) -------------------------------------------------------------
    // The takes the file carries, in the order the scene lists them (see the notes above).
    void CollectWrittenTakes(RWyxScene& scene);
    void WriteTakesSection(RWyxScene& scene);
    void WriteTake(RWyxScene& scene, RWyxTakeInfo& info);
    bool WriteObjectAnimation(RWyxTakeNodeContainer& object, const RString& fullName, const RString& take,
                              const char* heading);
    void WriteModelAnimation(RWyxNode& root, const RString& take);

    // The state of one write.
    RWyxScene* scene_ = nullptr;
    RString rootName_;
    std::vector<RString> writtenTakes_;
    // Layer elements written, with the number they were written under.
    std::unordered_map<const RWyxLayerElement*, int> elementNumbers_;
    // Connections written ("source plug > destination plug"), each written once.
    std::unordered_set<std::string> connections_;
    // Properties objects whose connections were written, with the recursion switch they had.
    std::unordered_map<const RPlug*, bool> visited_;
};

#endif
