#ifndef WYX_WYXWRITER_RWYXWRITERWYX_H
#define WYX_WYXWRITER_RWYXWRITERWYX_H

// What the WYX scene writers share: the file they create and close, the options a write
// accepts, progress reporting, and the scene-settings blocks both layouts carry. The version-6
// and version-5 writers (RWyxWriterWyx6, RWyxWriterWyx5) supply the file version and the
// document.
//
// File modes, set by the exporter from its format id right after construction: 0 ASCII,
// 1 binary (the default), 2 encrypted binary.
//
// Options a write accepts, tested before anything is written:
//   - RStreamOptionsWyx: used as given;
//   - RStreamOptionsMotion: a local RStreamOptionsWyx with every flag off but 6 (takes)
//     stands in for them;
//   - none, or any other class: error 4 "Stream options not set"; nothing is written.
//
// Errors (the writer base's table): FileCreate keeps the file's own text under 2 "File not
// created" (the file's code 4), 0 "File is corrupted" (its code 0) or 5; FileClose without a
// file is 1 "File not opened", a close that fails 1 (the file's code 3) or 5 with the file's
// text; a write without a created file or given one is 2; a write the file fails is 3 "Out
// of disk space" for a full disk, else 5 with the file's text; a scene the writer refuses to
// store (the document's checks) is 5 with the reason.
//
// What survives a failure: a write that fails abandons the file it created (the container
// leaves the target as it was and removes its temporary file), answers false and keeps the
// error; FileClose then answers false without putting anything in place. Only FileClose
// after a write that succeeded (or the destructor, when the caller did not close) puts the
// file in place. A file created and never written is abandoned when the writer goes.
//
// Progress: the process-wide reporter hears that a run begins, its step count, a notice
// per step done and that it ends; the owner (the exporter) hears texts ("Storing models",
// "Storing take ..." with percent 0) and the percentage of each step of the current run,
// done × 100 / total from the count before the step. The total is the number of steps the
// run reports, so that the percentage stays below 100.

#include "core/RMatrix.h"
#include "core/RString.h"
#include "fileio/RStreamOptions.h"
#include "fileio/RWyxReader.h"
#include "fileio/RWyxWriter.h"

#include <functional>
#include <memory>
#include <vector>

class RStreamOptions;
class RStreamOptionsWyx;
class RWyxFile;
class RWyxGeometry;
class RWyxGeometryConverter;
class RWyxLayerContainer;
class RWyxNode;
class RWyxNurb;
class RWyxPatch;
class RWyxPose;
class RVector4;
class RWyxIO;
class RWyxObjectFactory;
class RWyxPropertyFile;
class RWyxScene;
class RWyxSceneInfo;
class RWyxShape;
class RWyxSkinLink;
class RWyxTakeInfo;
class RWyxTakeNodeContainer;

class RWyxWriterWyx : public RWyxWriter {
public:
    static constexpr int kFileModeAscii = 0;
    static constexpr int kFileModeBinary = 1;
    static constexpr int kFileModeEncrypted = 2;

    // Neither is owned. File mode 1, no property file.
    RWyxWriterWyx(RWyxObjectFactory* factory, RWyxIO* owner);
    // Puts the file in place when a write succeeded and FileClose was not called; abandons
    // it otherwise.
    ~RWyxWriterWyx() override;

    // Creates the property file when there is none (an existing one is reused) and starts the
    // container file of the mode under the writer's file version.
    bool FileCreate(const char* path) override;
    bool FileClose() override;
    // From FileCreate until FileClose.
    bool IsFileOpen() const override { return propertyFile_ != nullptr; }
    // CreateWriteOptions(null).
    RStreamOptionsPtr GetWriteOptions() override { return CreateWriteOptions(nullptr); }
    // WriteScene without a file.
    bool Write(RWyxScene* scene, RStreamOptions* options) override;
    // New RStreamOptionsWyx with their reset values; the argument is not used.
    virtual RStreamOptionsPtr CreateWriteOptions(void* document);
    // Resolves the options, writes the document into the given property file (the writer's
    // own when null, which FileCreate must have made) and answers whether it succeeded; see
    // the notes above for failures. The own file is not closed: FileClose does that.
    bool WriteScene(RWyxScene* scene, RStreamOptions* options, RWyxPropertyFile* file) override;

    // 0, 1 or 2, kept as given; only 1 and 2 write a binary file, only 2 an encrypted one.
    void SetFileMode(int mode) { fileMode_ = mode; }
    int GetFileMode() const { return fileMode_; }

    // The index of the object's take node of that name; -1 when it has none. The writers find
    // take nodes by name, so that no object's current take changes.
    static int FindTakeNode(RWyxTakeNodeContainer& object, const RString& take);

protected:
    // ---- what a layout supplies ----------------------------------------------------------------
    // The file version written into the header.
    virtual int GetFileVersion() const = 0;
    // Called once on a new property file (the version-5 layout chooses its property format).
    virtual void PreparePropertyFile(RWyxPropertyFile& /*file*/) {}
    // Writes the document of the scene into File() with Options(). ownFile is false when the
    // caller gave the property file. False when the writer refused the scene (its error set);
    // a failure of the file itself is found by the caller.
    virtual bool WriteDocument(RWyxScene& scene, bool ownFile) = 0;

    // ---- what the document writers use --------------------------------------------------------
    // The property file and container file of the write in progress.
    RWyxPropertyFile& PropertyFile() { return *target_; }
    RWyxFile& File();
    // The options of the write in progress.
    RStreamOptionsWyx& Options() { return *options_; }
    bool Flag(int index) const;
    // Error 5 with the text, for a scene the writer refuses.
    void Refuse(const RString& text);
    // A line of the message text (warnings of the write).
    void Warn(const RString& text);
    // True while the file holds no error.
    bool FileIsSound();

    // Progress (see the notes above).
    void BeginProgressRun(int steps);
    void ProgressStepDone();
    void EndProgressRun();
    // Reports the text and starts a run of total steps.
    void StartProgress(const char* text, int total);
    // Reports the percentage of the next step.
    void ProgressStep();

    // ---- blocks both layouts carry ---------------------------------------------------------------
    void WriteAmbientRenderSettings(RWyxScene& scene);
    void WriteFogOptions(RWyxScene& scene);
    // Nothing when the scene has no shadow plane.
    void WriteShadowPlanes(RWyxScene& scene);

    // ---- what both layouts write alike (RWyxWriterWyxShared.cpp) ------------------------------
    // "CullingOnCCW" (1), "CullingOnCW" (2), else "CullingOff".
    static const char* CullingName(int mode);
    // 'W', 'F', 'Y', 'T', 'U' for shading modes 1 to 5; 0 for any other.
    static char ShadingLetter(int mode);
    // "RGB_Intensity" (1), "Alpha_Black" (2), else "None".
    static const char* AlphaSourceName(int source);
    // "Periodic" (0), "Closed" (1), else "Open".
    static const char* FormName(int type);
    // "Bezier", "BezierQuadric", "Cardinal", "BSpline", "Linear" for 0 to 4; null otherwise.
    static const char* PatchTypeName(int type);
    // The take's name with blanks and tabs made "_", then ".tak".
    static RString TakeFileName(const RString& take);
    // 1 when a node of the scene is named (after its last ':') with the template mark, else 0.
    static int DetectTemplate(RWyxScene& scene);
    // A file asked to carry a password is protected by it; only the binary forms can be (an
    // ASCII file asked for one is refused, error 5).
    bool ProtectWithPassword();
    // A span of the take info that is all zero becomes the key interval of the take on the
    // "Camera Switcher" node and the root's hierarchy (0 to 1 second when it has no keys).
    // Take nodes are found by name: no object's current take changes.
    static void CompleteTakeSpans(RWyxScene& scene, RWyxTakeInfo& info);
    // LocalTime; ReferenceTime; Comments (when there are any); Thumbnail (when there is one).
    void WriteTakeInfoFields(const RWyxTakeInfo& info);
    // SceneInfo: "SceneInfo::GlobalInfo" { Type; Version; Thumbnail; MetaData {...} }.
    void WriteSceneInfoBlock(const RWyxSceneInfo& info);
    // The extension section with the Summary block, listing those of the takes whose take
    // info is selected; false when the file takes no extension section (ASCII).
    bool WriteSummarySection(RWyxScene& scene, int mediaCount, const std::vector<RString>& takes);

    // The matrices of a cluster as both layouts store them: the link matrix L as it is, the
    // transform T as T L^-1, the associate model's A as A L^-1, the parent's as it is. A link
    // matrix with an axis of no length cannot be inverted: that axis contributes nothing (the
    // numbers stay finite) and a warning names the owner.
    struct ClusterMatrices {
        RMatrix transform;
        RMatrix link;
        RMatrix associateModel;
        RMatrix parent;
    };
    ClusterMatrices ComputeClusterMatrices(const RWyxSkinLink& data, const RString& owner);
    // False, with error 5 naming the node, when the scene has a patch (with control points)
    // whose U or V type is not 0 to 4 and geometry is written: its record would leave a
    // direction without its text and shift what follows.
    bool RefuseUnwritablePatches(RWyxScene& scene);
    // False, with error 5, when a number the document would hold is NaN or infinite where a file
    // cannot carry it (RWyxWriterWyxNumbers.cpp): a control point or normal that the pivot would
    // spread to the other coordinates, a NURBS weight (written as 1), a shape's delta (geometry
    // written); with takes, a curve of a selected take (default, colour, key value or tangent: the
    // reader refuses them); with defaultChannels (the version-5 layout, whose default take's
    // channels carry them), a model's animatable property. The text names the object, the field
    // and the take and time where there are ones: 'Model::Hips: take "Walk", channel
    // "Transform/T/Y": the key at 0.5 s lies beyond the real numbers a WYX file holds'. Nothing is
    // written then.
    bool RefuseNonFiniteNumbers(RWyxScene& scene, bool takes, bool defaultChannels);
    // The first number of the geometry that is not finite as the writers store it: a control
    // point through the pivot, a NURBS weight, a normal of any layer through the pivot's
    // rotation, a shape's delta of a point or normal (control point 3 of shape "Smile");
    // empty when there is none.
    static RString GeometryFault(RWyxGeometry& geometry);
    // False, with error 5 naming them, when two nodes of the scene share a name: a file names
    // every model, so a reader keeps only the first of namesakes and the others would be lost.
    // The names are listed with their control characters escaped (ListedNames: at most
    // kMaxNamesListed, then how many more). The text ends with what the caller can do about it
    // (rename the nodes, or have the object factory's renaming strategy make the names unique).
    bool RefuseNamesakeModels(RWyxScene& scene);
    // Writes the surface, or, when it asks for U and V swapped or its links renumbered, the
    // geometry converter's copy of it (destroyed afterwards). False, with error 5, when the
    // copy cannot be made (nothing written then).
    bool WriteArrangedSurface(RWyxNode& node, RWyxNurb& nurb, const std::function<void(RWyxNurb&)>& write);
    // Destroys the converter the write made (at the end of a write).
    void ReleaseConverter();
    // NurbVersion: 100; SurfaceDisplay; NurbOrder; Dimensions; Step; Form; Points (with
    // weights); MultiplicityU; MultiplicityV; KnotVectorU; KnotVectorV.
    void WriteNurbSurfaceFields(const RWyxNurb& nurb);
    // PatchVersion: 100; SurfaceDisplay; PatchType (types 0 to 4 only); Dimensions; Step;
    // Closed; UCapped; VCapped; Points.
    void WritePatchSurfaceFields(const RWyxPatch& patch);
    // NbPoseNodes; PoseNode { Node; Matrix; Local (rest poses only) } per entry.
    void WritePoseNodes(const RWyxPose& pose);
    // FileName: the take's file name, then the info's fields (WriteTakeInfoFields).
    void WriteTakeHead(const RString& take, const RWyxTakeInfo& info);
    // The normals of the first normal layer when they are one direct normal per control
    // point; null otherwise.
    static const std::vector<RVector4>* NormalsByControlPoint(const RWyxLayerContainer& container);
    // The rotation of the geometry's pivot: normals are written through it, as the control
    // points are written through the whole pivot (translation and scaling move no direction).
    static RMatrix PivotRotation(const RWyxGeometry& geometry);
    // The normals through that rotation.
    static std::vector<RVector4> TurnedByPivot(const RWyxGeometry& geometry, const std::vector<RVector4>& normals);
    // A shape's deltas, to[i] - from[i] per listed index: points through the pivot, normals
    // through its rotation; zero where either side is null.
    static std::vector<RVector4> ShapeDeltas(const RWyxGeometry& geometry, const std::vector<int>& indices,
                                             const RVector4* to, const RVector4* from, bool points);
    // Shape: name { Indexes; Vertices; Normals (meshes only) }: the points that differ from the
    // geometry's with their deltas, and the deltas of the normals when both map one per control
    // point; the single index 0 with zero deltas when no point differs. A shape whose point
    // count differs from the geometry's is written so, with a warning: the record stays (the
    // weight channels are numbered by shape) and reads back as the geometry unchanged.
    void WriteShape(RWyxNode& node, const RWyxGeometry& geometry, const RWyxShape& shape, const char* name);
    // A field of the control points through the geometry's pivot (x' = x M00 + y M10 + z M20 +
    // M30, and so on): x', y', z' per point, and with weights the point's weight (a weight that
    // is not above 0, a point whose weight was never set, as 1).
    void WriteControlPoints(const char* name, const RWyxGeometry& geometry, bool withWeights);

private:
    // The options to write with: the given ones, or for motion options a local set held in
    // `local`; null for any other.
    RStreamOptionsWyx* ResolveOptions(RStreamOptions* options, RStreamOptionsPtr& local);
    // Keeps the file's failure as the writer's error.
    void TakeOverFileError(const RWyxFile& file);
    void ReleasePropertyFile();

    std::unique_ptr<RWyxPropertyFile> propertyFile_;
    RWyxGeometryConverter* converter_ = nullptr;  // the factory's; made on first use
    RWyxPropertyFile* target_ = nullptr;    // during a write
    RStreamOptionsWyx* options_ = nullptr;  // during a write
    int fileMode_ = kFileModeBinary;
    bool written_ = false;  // the own file holds a complete document
    int progressDone_ = 0;
    int progressTotal_ = 0;
};

#endif
