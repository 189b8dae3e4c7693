#ifndef WYX_WYXREADER_RWYXSCENEREADERWYX6_H
#define WYX_WYXREADER_RWYXSCENEREADERWYX6_H

// The content of a version-6 WYX file, as the version-6 writer (RWyxWriterWyx6) lays it out,
// read into a scene: the second step of the reader, over the record tree the container has
// parsed (RWyxReaderWyx).
//
// Order of the read:
//   1. "Objects": every record, in file order: Model (node, attribute, properties, node
//      fields, geometry), GenericNode, Pose, Material, Deformer, Texture, ControlSetPlug,
//      Constraint (character). Materials and textures join the scene in record order.
//   2. "Connections": "OO" source, destination (a model into a model is the hierarchy; any
//      other object into an object connects their properties objects) and "OP" source,
//      destination, property. The root is the name of Connections that the writer gives it
//      ("Model::Scene", or "Model::Scene 1", "Model::Scene 2" ... when a model has that name:
//      the first such name no Model record has). A connection is applied once however often
//      the file repeats it. Models that no connection places are put below the root.
//   3. The translation into the scene's in-memory form: CollectLayerMaterials,
//      CollectLayerTextures, BuildSkinLinksFromDeformers, DestroyDeformers (RWyxScene).
//   4. "Takes", with flag 6 of the options only: each take the options do not list as
//      unselected, its description and the channels of every object's animation block
//      (RFCurveNodeRecords, keys kept as written); a channel that carries layers is then
//      plotted into layer 0 (PlotNodeAnimation), and a plotted or time-warped channel
//      filtered by the rotation-filter mode and, while constant-key reduction is on, reduced
//      (RAnimationSettings).
//   5. "Version5" (ambient light, fog, shadow planes, time settings) and the "Summary" of the
//      extension section (the scene info; binary forms only).
//   6. The current take: the main "Takes" block's "Current" (the Summary's when the main one
//      has none) when that take was read; when it names a take that was skipped, the first
//      take read; otherwise the name is kept as the scene's current take name.
//
// The attribute of a model: its kind is named by the "Type" field where there is one, else by
// the record's second string (mesh records write no "Type"; camera-switcher and optical records
// nothing): "Null", "Marker" / "OpticalMarker" / "IKEffector" / "FKEffector", "Root" /
// "Limb" / "LimbNode", "Mesh", "Nurb", "Patch", "Camera", "Light", "Optical". "TypeFlags"
// refine it: a skeleton or marker kind whose flags lack "Skeleton" or "Marker" is a null. A
// null has a null attribute only when its property block holds the null's "Size"; otherwise
// the node has none (the writer writes both alike).
//
// What a file can hold that does not hold together is read as far as it is sound, with a
// warning (RWyxReadWarnings) for each thing dropped or mended: a record of no known kind, a
// second record of one name, a connection that names no object or no property or that would
// give a model a second parent or close a cycle, a model no connection places, polygons that
// name control points past the vertices or end without their complemented index, element
// indices past their arrays (set to -1), entry counts that disagree with their mapping, a layer
// record that names no element, surfaces whose points do not fill their dimensions, knot,
// multiplicity, weight, vector and plane counts that disagree with what they go with, shape
// indices past the points, thumbnails of unknown form, an animation block for an object the
// file does not define, channels for properties the object does not have, takes read twice.
// Every array is sized by the values the file holds, never by a count it states, and a layer
// index may run past the geometry's layer elements by kMaxLayerGap at most, so that no
// allocation outgrows the file.

#include "core/RString.h"
#include "wyxreader/RWyxSceneReaderWyx.h"
#include "wyxreader/WyxFieldReading.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class RFCurveNode;
class RMatrix;
class RObject;
class RPlug;
class RStreamOptionsWyx;
class RVector4;
class RWyxCamera;
class RWyxCharacter;
class RWyxDeformer;
class RWyxFile;
class RWyxGeometry;
class RWyxLayerElement;
class RWyxMesh;
class RWyxNode;
class RWyxNodeAttribute;
class RWyxNurb;
class RWyxObjectFactory;
class RWyxPatch;
class RWyxPropertyFile;
class RWyxReadWarnings;
class RWyxScene;
class RWyxSceneObject;
class RWyxTakeNodeContainer;

class RWyxSceneReaderWyx6 : private RWyxSceneReaderWyx {
public:
    // The layers a geometry may have beyond the number of its layer elements in the file.
    static constexpr int kMaxLayerGap = 8;

    // Nothing is owned; the scene gets what is read.
    RWyxSceneReaderWyx6(RWyxPropertyFile& file, RWyxScene& scene, const RStreamOptionsWyx& options,
                        RWyxReadWarnings& warnings);
    ~RWyxSceneReaderWyx6();
    RWyxSceneReaderWyx6(const RWyxSceneReaderWyx6&) = delete;
    RWyxSceneReaderWyx6& operator=(const RWyxSceneReaderWyx6&) = delete;

    // The whole read, in the order above. A failure of the container (a damaged value) is
    // kept by the file, which the caller reads afterwards.
    void Read();

private:
    // The kinds of object records.
    enum class Kind { kModel, kGenericNode, kPose, kMaterial, kDeformer, kTexture, kControlSetPlug, kCharacter };
    // An object of the file, found by its full name.
    struct FileObject {
        Kind kind;
        RWyxTakeNodeContainer* object;
        RPlug* properties;
    };
    // The layer elements of a geometry read so far, by (kind, number); an element placed in a
    // layer leaves its entry empty.
    using ElementList = std::vector<std::pair<std::pair<int, int>, std::unique_ptr<RWyxLayerElement>>>;
    // The attribute a model record asks for.
    struct AttributeChoice {
        int kind = -1;  // RWyxNodeAttribute's type id; -1 none
        int subtype = 0;
    };

    // ---- driver (RWyxSceneReaderWyx6.cpp) --------------------------------------------------------------
    // The block of the main section's top-level field of that name.
    wyx_read::BlockScope OpenMainBlock(const char* name);
    void ReadObjectsSection();
    void ReadRecord(const RString& field);
    // False, with a warning, when the name is taken.
    bool IsFree(const RString& name, const char* record);
    void Register(const RString& name, Kind kind, RWyxTakeNodeContainer* object, RPlug* properties);
    const FileObject* Find(const RString& name) const;
    const FileObject* Find(std::string_view name) const;
    void RegisterRoot();
    void PlaceOrphans();
    void TranslateBack();
    void CheckObjectIndices();
    void CheckSkinLinks();
    // The next property block at the current level onto the objects; its skipped records
    // become warnings of the record (recordKind "name").
    void ReadProperties(const std::vector<RObject*>& targets, RWyxSceneObject* owner, const char* recordKind,
                        const RString& name);

    // ---- models (RWyxSceneReaderWyx6Models.cpp) --------------------------------------------------------
    void ReadModelRecord();
    AttributeChoice ChooseAttribute(const RString& typeName, const RString& name);
    bool PropertyBlockHolds(const char* property);
    RWyxNodeAttribute* MakeAttribute(const AttributeChoice& choice);
    void ReadAttributeFields(RWyxNode& node, const RString& name);
    void ReadCameraFields(RWyxCamera& camera);

    // ---- geometry (RWyxSceneReaderWyx6Geometry.cpp) -----------------------------------------------------
    void ReadMeshAttribute(RWyxMesh& mesh, const RString& name);
    void ReadNurbAttribute(RWyxNurb& nurb, const RString& name);
    void ReadPatchAttribute(RWyxPatch& patch, const RString& name);
    void ReadGeometryLayers(RWyxGeometry& geometry, const RString& name);
    std::unique_ptr<RWyxLayerElement> ReadLayerElement(int kind, const RString& label);
    void ReadElementData(RWyxLayerElement& element, const RString& label);
    void CheckDirectIndices(RWyxLayerElement& element, const RString& label);
    void CheckMappedCount(const RWyxLayerElement& element, const RWyxGeometry& geometry, const RString& label);
    void ReadLayerRecords(RWyxGeometry& geometry, ElementList& elements, const RString& name);
    void ReadShape(RWyxGeometry& geometry, const RString& shapeName, const RString& name);

    // ---- material, deformer and texture records (RWyxSceneReaderWyx6Records.cpp) ----------------------
    void ReadMaterialRecord();
    void ReadDeformerRecord();
    void ReadClusterFields(RWyxDeformer& cluster, const RString& name);
    void ReadTextureRecord();

    // ---- poses, characters, generic nodes, scene info (RWyxSceneReaderWyx6Characters.cpp) --------------
    void ReadGenericNodeRecord();
    void ReadPoseRecord();
    void ReadControlSetPlugRecord();
    void ReadCharacterRecord();
    void ReadCharacterLinks(RWyxCharacter& character, const RString& name);
    void ReadCharacterLinkFields(RWyxCharacter& character, int link);
    // The characters' links whose names name models get those models (after every record).
    void ResolveCharacterLinks();
    void ReadSummarySection();

    // ---- connections (RWyxSceneReaderWyx6Connections.cpp) ---------------------------------------------
    // A link's texts: views of the file or of connectionTexts_, valid while the link is applied.
    struct Connection {
        std::string_view type;
        std::string_view source;
        std::string_view destination;
        std::string_view property;
        // "Connection ..." naming the link, for its warnings.
        RString Label() const;
    };
    void ReadConnectionsSection();
    Connection ReadConnectionTexts();
    void ApplyConnection(const Connection& link);
    void ConnectModels(RWyxNode& child, RWyxNode& parent, const Connection& link);
    void ConnectObjects(RPlug& source, RPlug& destination, const Connection& link);

    // ---- takes (RWyxSceneReaderWyx6Takes.cpp) -----------------------------------------------------------
    void ReadTakesSection();
    bool IsAnimatedHeading(const RString& heading) const override;
    bool ReadObjectAnimation(const RString& heading, const RString& take) override;

    // ---- scene settings (RWyxSceneReaderWyx6Settings.cpp) ------------------------------------------------
    void ReadVersion5Section();
    void ReadTimeSettings();

    std::unordered_map<std::string, FileObject> objects_;
    std::vector<RWyxNode*> models_;  // in record order
    std::vector<RObject*> modelTargets_;  // the objects a model record's properties go to
    RString rootName_;
    // Connections applied, as (source, destination) plugs.
    struct PlugPairHash {
        std::size_t operator()(const std::pair<const RPlug*, const RPlug*>& pair) const;
    };
    std::unordered_set<std::pair<const RPlug*, const RPlug*>, PlugPairHash> connected_;
    std::string connectionTexts_[4];  // a link's texts read the general way, storage kept between links
    // Characters whose links may name models, with the links.
    std::vector<std::pair<RWyxCharacter*, int>> namedLinks_;
    // The current take the Summary names.
    RString summaryCurrent_;
};

#endif
