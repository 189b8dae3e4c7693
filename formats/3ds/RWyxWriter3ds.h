#ifndef WYX_FORMATS_3DS_RWYXWRITER3DS_H
#define WYX_FORMATS_3DS_RWYXWRITER3DS_H

// Writes a scene as a 3D Studio mesh file through the 3DS toolkit. One Write fills a toolkit
// database with the file-wide mesh settings, one named object per mesh, light and camera, one
// material entry per material and texture combination in use, the keyframer nodes and tracks
// of every node and the keyframer settings, then saves it.
//
// The scene is Y-up, the file Z-up: a scene point (x, y, z) is written as (x, -z, y).
// Writing changes the scene: NURBS and patches become meshes, meshes whose UVs map by polygon
// vertex may be split (the "UV per polygon" option), and nodes and materials are renamed to
// short names (RShortNameList) that stay unique within each kind as a reader makes nodes and
// materials of them, so that every node is read back under its parent and every mesh with
// its own material. The material records the writer names itself (a material with textures,
// the grey "Default" of a mesh with textures but no material) yield to those names and to
// each other with a counter: a material named "Default" keeps its name, the grey one is
// written as "Default1".
//
// The file is never written in place: the toolkit builds it in memory, and a Write that
// succeeds puts it on the disk through platform::RFileReplacement (written beside the target,
// then put in its place whole; a target with several hard links is overwritten in place only
// once the new content is complete). A refused or failed Write leaves the target as it was.
// Texture files are copied beside the file once it is in place, and go in place whole as well.
//
// Failures: a file that cannot be written (FileCreate checks, without touching it) is the
// writer's error 2 at FileCreate, with the text 'File not created: "<path>"' and the system's
// reason (RWyxWriter::FailCreate: 'File not created: "<path>": Is a directory'); a mesh with
// more vertices or triangles than a 3DS mesh holds (65,535 each) is refused with error 5 and a
// text that names it; any toolkit error stops Write with false (the toolkit's error list holds
// the code); a file that cannot be written whole or put in place fails Write with error 3 (a
// full disk or quota) or 5, with a text that names it and why. The toolkit's pending error is
// cleared when the file is created, so one failed file does not fail every later one.
//
// A value that no float of the file holds as it is (NaN, an infinity, a number beyond the
// float range) is refused with error 5, before anything is written, where a reader would take
// it for another value: 'The rotation of node "Box" at frame 5 lies beyond the real numbers a
// 3DS file holds' (frames of the file, 30 a second), 'Vertex 3 of mesh "Box" lies beyond ...'.
// Refused are: a mesh's vertices, and its node's translation, rotation and scaling at frame 0
// that place them (a reader moves each vertex into the mesh's frame, where one such
// coordinate spoils all three), as the mesh's frame and the node's first keys hold them (a
// value beyond the floats, which the node's channel holds as the largest float, is an
// infinity in a key); a mesh's UVs beyond the floats ('UV of vertex 2 of mesh "Box" ...',
// read back as infinities); the rotation of every node written as an object or a dummy (a
// reader takes such a key for no turn); a camera's field of view at frame 0 (its lens: NaN is
// read as 45 degrees); a texture's translation, rotation and scaling, which a reader mixes
// into each offset, and a second map's alpha (a percentage: NaN is written as 0); the
// reference node's scaling with "Rescale" on (a master scale of no real number is read as
// none); the value of any channel without keys that lies beyond the floats (its key would be
// an infinity). A reader takes the other values back as they are written: other UVs (NaN and
// the infinities among them), the translation and scaling of nodes after frame 0 and of
// lights, cameras and dummies, a scaling of 0 (scale keys hold every scaling as it is), a
// light's colour and cone angle, a camera's roll, background colour and later fields of view,
// and the aim of a light or camera without a target. A mesh's local frame is its node's
// transform at frame 0 with each scale taken as 1 that a float holds as 0 or below its normal
// numbers or, while animation is written, that the scale keys grow from almost nothing (below
// 0.01 at frame 0, a later key at least 100 times as large); any other mesh keeps the frame as
// it is. Its vertices are written placed by that frame: a reader inverts it and places them by
// the node's keys. The SDK's reader so places every mesh at every frame: a pop-in (scaled to 0,
// flattened, or growing from a small scale at frame 0) and a mesh scaled small throughout
// (0.01, 1e-4) alike. lib3ds (1.3) inverts only a frame whose determinant is 1e-8 or more
// (lib3ds_matrix_inv gives up below): it places pop-ins and meshes scaled uniformly by 0.0022
// or more, not a mesh that stays smaller (a static 1e-4, a rig baked at 1e-3). The colours,
// shininess and opacity of materials, the ambient colour and a light's own colour, intensity
// and cone angle are real numbers in any scene.

#include "core/RMatrix.h"
#include "core/RQuaternion.h"
#include "core/RString.h"
#include "core/RTime.h"
#include "core/RVector4.h"
#include "fileio/RWyxWriter.h"
#include "formats/3ds/RShortNameList.h"
#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkSceneSettings.h"
#include "platform/NativeFiles.h"
#include "platform/RFileReplacement.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class RWyxMaterial;
class RWyxNode;
class RWyxScene;
class RWyxSceneObject;

class RWyxWriter3ds : public RWyxWriter {
public:
    // The most vertices and faces one 3DS mesh holds (16-bit counts and indices).
    static constexpr int kMaxMeshElements = 65535;
    // Centimetres to inches.
    static constexpr double kInchesPerCentimetre = 0.3937007874015748;

    // Opens a file (path, mode) as platform::OpenFile does: null when it cannot.
    using FileOpener = std::FILE* (*)(const char* path, const char* mode);

    explicit RWyxWriter3ds(RWyxObjectFactory* factory, RWyxIO* owner = nullptr);
    ~RWyxWriter3ds() override;

    // Starts a file for the path, which stays untouched until a Write succeeds. False, with
    // error 2 "File not created" (the text naming the path and the system's reason), when it
    // cannot be written.
    bool FileCreate(const char* path) override;
    // Collects the file in memory instead (GetMemoryContents after Write); texture files are
    // not copied.
    bool CreateInMemory();
    // Drops what Write has not put in place; true, but false after a Write that failed or
    // was refused, whose error it keeps (error 5 when it set none). A file created and
    // closed without a Write is never made: the target stays as it was.
    bool FileClose() override;
    bool IsFileOpen() const override { return file_ != nullptr; }
    RStreamOptionsPtr GetWriteOptions() override;
    bool Write(RWyxScene* scene, RStreamOptions* options) override;
    // The bytes written by the last Write to a memory file.
    const std::vector<unsigned char>& GetMemoryContents() const { return memoryContents_; }

    // ---- coordinate conversions ----------------------------------------------------------------
    // Scene (x, y, z) to file (x, -z, y).
    static RVector4 ConvertPosition3ds(RVector4 v);
    // (x, y, z) to (x, z, y).
    static RVector4 ConvertScaling3ds(RVector4 v);
    // Euler X, Y, Z (degrees) of the scene to those of the same rotation in the file's frame.
    static RVector4 ConvertRotation3ds(RVector4 v);
    // The quaternion of a rotation matrix (rows, row vectors), in the scene's frame.
    static RQuaternion MatrixQuaternion3ds(const RMatrix& m);

    // ---- what the mesh, material and keyframer builders read ----------------------------------
    bool GetTextureMapping() const { return textureMapping_; }
    bool GetMaterials() const { return materials_; }
    bool GetUvPerPolygon() const { return uvPerPolygon_; }
    bool GetAnimOn() const { return animOn_; }
    bool GetCreateReferenceNode() const { return createReferenceNode_; }
    int GetMeshCounter() const { return meshCounter_; }
    int NextMeshCounter() { return ++meshCounter_; }
    FtkDatabase* GetDatabase() const { return database_.get(); }
    // The folder texture files are copied into; empty when the file is in memory.
    const RString& GetOutputFolder() const { return outputFolder_; }
    // Notes a texture file to copy beside the file once the file is in place (CopyTextureFile),
    // so that a refused or failed write leaves nothing beside it; nothing for a memory file.
    void CopyTextureFileLater(const RString& path);
    // The texture file to copy, opened for reading through the opener; null when it cannot be.
    std::FILE* OpenTextureFile(const char* path) const { return textureFileOpener_(path, "rb"); }
    // Texture files are read through the opener from now on (platform::OpenFile, the file
    // system's, when null), so that a test can hand the copy a stream that fails part way.
    void SetTextureFileOpener(FileOpener opener) {
        textureFileOpener_ = opener != nullptr ? opener : platform::OpenFile;
    }
    void AppendMessage(const RString& text);
    // Refuses the write: the error and its text (the first refusal's, when there are more);
    // Write answers false after the node.
    void Refuse(const RString& text);
    bool IsRefused() const { return refused_; }

    // ---- material record names, unique as a reader makes materials of them -------------------
    // The name of the material's record without textures, which every mesh using it shares:
    // the read form of its short name (the text after a "::" it still holds); for a material
    // given none (none at all, one made during the write) the read form of its name ("Default"
    // for none); either numbered when another record's name reads as it.
    std::string PlainMaterialName(const RWyxMaterial* material);
    // A name made for one record: as it is, numbered when a name given reads as it.
    std::string ClaimMaterialName(const std::string& name) {
        return materialNames_.Claim(name, RShortNameList::kMaterialNameLimit);
    }
    // The grey material added to a mesh with textures but no material: all of them are one
    // record, "Default" unless that is taken.
    void NoteDefaultMaterial(const RWyxMaterial* grey);

    // ---- names and values in refusals -----------------------------------------------------------
    // Whether a float of the file holds the value as it is: finite and within the float range.
    static bool HoldsReal(double value) { return std::fabs(value) <= FLT_MAX; }
    static bool HoldsReals(const RVector4& v) { return HoldsReal(v.x) && HoldsReal(v.y) && HoldsReal(v.z); }
    // Whether a float of the file gives the value back as the kind of number it is: NaN and
    // the infinities stand for themselves, a finite value beyond the floats would come back
    // as an infinity.
    static bool KeepsNumber(double value) { return !std::isfinite(value) || std::isfinite(static_cast<float>(value)); }
    // What every refusal of such a value ends with.
    static constexpr const char* kBeyondReals = " lies beyond the real numbers a 3DS file holds";
    // Refuses the write: 'The <field> of <kind> "<name>"', ' at frame <frame>' when the frame
    // is 0 or more, then kBeyondReals.
    void RefuseBeyondReals(const char* field, const char* kind, const RWyxSceneObject& object, int frame = -1);
    // The object's name as the scene gave it before the short names, without its type prefix,
    // in double quotes with its control characters escaped, for a message of one line.
    RString QuotedName(const RWyxSceneObject& object) const;

private:
    bool OpenOutput(FtkFile* file);
    bool SetupWrite(RWyxScene* scene, RStreamOptions* options);
    void ReadOptions(RStreamOptions* options);
    void RenameObjects();
    void WriteNodes();
    void WriteNode(RWyxNode* node);
    void WriteGeometry(RWyxNode* node, const RVector4 trs[3]);
    void WriteLight(RWyxNode* node, const RVector4 trs[3]);
    void WriteCamera(RWyxNode* node, const RVector4 trs[3]);
    void WriteDummy(RWyxNode* node);
    bool PutSettings();
    bool SaveAndClose();
    // Writes the bytes beside the target and puts them in its place; false with the error set.
    bool PutInPlace(const std::vector<unsigned char>& bytes);
    // Closes the output file when the toolkit still holds it, and drops a replacement not
    // put in place.
    void CloseOutput();

    // Options.
    bool textureMapping_ = true;
    bool materials_ = true;
    bool anim_ = true;
    bool geometries_ = true;
    bool lights_ = true;
    bool cameras_ = true;
    bool ambientLight_ = true;
    bool uvPerPolygon_ = false;
    bool createReferenceNode_ = false;
    bool rescale_ = true;

    FileOpener textureFileOpener_ = platform::OpenFile;
    FtkFile* file_ = nullptr;  // the toolkit's record, a file in memory
    bool inMemory_ = false;    // the caller takes the bytes (else they go to the target)
    platform::RFileReplacement target_;
    RString targetPath_;
    RString outputFolder_;
    std::vector<unsigned char> memoryContents_;
    std::vector<RString> textureCopies_;
    std::unique_ptr<FtkDatabase> database_;
    std::unique_ptr<FtkMeshSettings> meshSettings_;
    double scale_ = 0.0;
    int meshCounter_ = 0;
    RWyxScene* scene_ = nullptr;
    RWyxNode* rootNode_ = nullptr;
    RTime animStart_;
    RTime animStop_;
    bool animOn_ = true;
    bool refused_ = false;
    // The last Write failed on a created file; FileClose answers false.
    bool failed_ = false;
    // Targets written in their camera's or light's target track only.
    std::unordered_set<const RWyxNode*> targets_;
    // The material short names, and every material record name given.
    RShortNameList materialNames_;
    // The record name of each material without textures.
    std::unordered_map<const RWyxMaterial*, std::string> plainMaterialNames_;
    // The record of the grey materials; empty until one is written.
    std::string defaultMaterialName_;
    // The names of nodes and materials before the short names, for messages.
    std::unordered_map<const RWyxSceneObject*, RString> sceneNames_;
};

#endif
