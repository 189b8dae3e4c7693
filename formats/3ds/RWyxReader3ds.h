#ifndef WYX_FORMATS_3DS_RWYXREADER3DS_H
#define WYX_FORMATS_3DS_RWYXREADER3DS_H

// Reads a 3D Studio mesh file into a scene. The bytes are parsed first: the toolkit loads the
// file into a database and the reader takes out every material, mesh, light and camera and
// every keyframer node as the toolkit's records. The records are converted second: materials
// and textures, node attributes (meshes split at vertices whose faces do not smooth
// together), nodes, their hierarchy and their animation in the take "default take".
//
// Every mesh, light and camera of the file gets a node, whether the keyframer has a node of
// its name or not (3DS writers may give nodes to some objects only). A mesh without a keyframer
// node gets a node placed by the mesh's frame (its points are made local to that frame); a
// light or camera keeps the position, target, colour and angles of its chunk wherever no track
// gives them; every keyed channel's default is its value at the start. A light node tagged as
// the other kind of light (omni or spot), as lib3ds writes some, is taken for the light of its
// name.
//
// The file is Z-up: a file point (x, y, z) becomes (x, z, -y). Lengths are multiplied by the
// scale (2.54 with "Rescale", times the file's master scale), or, with "Create Reference Node",
// kept in file units under a node "Wyx_Root" that carries the scale.
//
// Everything taken from the file is checked before use: face corners, map coordinates and
// material-group face numbers outside their arrays, and arrays shorter than their counts, are
// passed over; a texture scale of 0 counts as 1; a mesh used by several nodes gives each node
// a copy of its own; a parent link that would make a node its own ancestor leaves the node at
// the top, with a warning in the message text. Any toolkit error fails Read (error 0, "File
// is corrupted"), except a name longer than the format allows (10 characters for objects and
// keyframer nodes, 16 for materials): error 7, with a text that gives the name and the limit.
// The database and the file are released whether Read succeeds or not.

#include "core/RString.h"
#include "core/RVector4.h"
#include "fileio/RWyxReader.h"
#include "formats/3ds/toolkit/FtkCameraLight.h"
#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkMaterial.h"
#include "formats/3ds/toolkit/FtkMeshObject.h"
#include "formats/3ds/toolkit/FtkMotion.h"
#include "formats/3ds/toolkit/FtkSceneSettings.h"

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class RWyxCamera;
class RWyxLight;
class RWyxMarker;
class RWyxMesh;
class RWyxNode;
class RWyxScene;
class RWyxTexture;

class RWyxReader3ds : public RWyxReader {
public:
    // The textures a 3DS material names: the texture map and the second texture map.
    struct TexturePair {
        RWyxTexture* first = nullptr;
        RWyxTexture* second = nullptr;
    };

    // What the mesh conversion reads of the reader.
    struct MeshContext {
        double scale = 1.0;
        bool referenceNode = false;
        bool materials = true;
        bool textureMapping = true;
        bool smoothGroups = true;
        // The materials of the file by name, with their textures.
        const std::unordered_map<std::string, std::size_t>* materialIndex = nullptr;
        const std::vector<std::unique_ptr<FtkMaterial>>* fileMaterials = nullptr;
        const std::vector<TexturePair>* textures = nullptr;
    };

    explicit RWyxReader3ds(RWyxObjectFactory* factory);
    ~RWyxReader3ds() override;

    // Opens the file for reading. False, with error 3 "File not opened", when it cannot be.
    bool FileOpen(const char* path) override;
    // Reads a copy of bytes held in memory instead.
    bool OpenMemory(const void* data, std::size_t size);
    bool FileClose() override;
    bool IsFileOpen() const override { return file_ != nullptr; }
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

protected:
    virtual bool ReadScene(RWyxScene* scene);
    virtual bool CreateAttributes();

private:
    struct MeshEntry;
    struct LightEntry;
    struct CameraEntry;
    struct Nodes;

    bool AttachFile(FtkFile* file);
    void ReadOptions(RStreamOptions* options);
    bool LoadRecords();
    bool LoadEntities();
    bool LoadMotion();
    bool LoadLightMotion();
    void Release();
    void ReadGlobalSettings(RWyxScene& scene);
    bool ReadMaterials();
    void PlaceTexture(RWyxTexture& texture, const FtkTextureMap& map, bool first);
    RWyxTexture* MakeTexture(const char* fileName, const RString& takenName);
    bool CreateNodes();
    RWyxNode* CreateObjectNode(const FtkObjectMotion& motion, MeshEntry* mesh);
    RWyxNode* NewNode(const std::string& name);
    void BuildHierarchy(RWyxScene& scene);
    void Attach(RWyxNode* node, const char* parentName);
    bool Animate();
    void SetTakeSpan(RWyxScene& scene);
    MeshContext MeshSettings() const;

    // Options.
    bool textureMapping_ = true;
    bool materials_ = true;
    bool animation_ = true;
    bool geometries_ = true;
    bool lights_ = true;
    bool cameras_ = true;
    bool reduceKeys_ = false;
    bool ambientLight_ = true;
    bool smoothGroups_ = true;
    bool referenceNode_ = false;
    bool rescale_ = true;

    FtkFile* file_ = nullptr;  // the toolkit's record
    std::unique_ptr<FtkDatabase> database_;
    std::unique_ptr<FtkMeshSettings> meshSettings_;
    double scale_ = 1.0;
    FtkColor ambient_;
    FtkColor background_;

    std::vector<MeshEntry> meshes_;
    std::vector<std::unique_ptr<FtkMaterial>> fileMaterials_;
    std::vector<TexturePair> textures_;
    std::unordered_map<std::string, std::size_t> materialIndex_;
    std::vector<LightEntry> omniLights_;
    std::vector<LightEntry> spotLights_;
    std::vector<CameraEntry> cameraEntries_;
    std::vector<std::unique_ptr<FtkObjectMotion>> objectMotion_;
    std::vector<std::unique_ptr<FtkOmniMotion>> omniMotion_;
    std::vector<std::unique_ptr<FtkSpotMotion>> spotMotion_;
    std::vector<std::unique_ptr<FtkCameraMotion>> cameraMotion_;
    std::unique_ptr<Nodes> nodes_;
    RWyxNode* referenceNodeObject_ = nullptr;
    RWyxNode* root_ = nullptr;
};

#endif
