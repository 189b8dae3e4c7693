#ifndef WYX_WYXREADER_RWYXSCENEREADERWYX_H
#define WYX_WYXREADER_RWYXSCENEREADERWYX_H

// What the two WYX scene readers share (RWyxSceneReaderWyx6 for the version-6 layout,
// RWyxSceneReaderWyx5 for the version-5 one): the file, the scene and the options of one
// read, its warnings, and the records both layouts write alike: a model's display fields, NURBS
// and patch surfaces, polygons, shapes' moved points, pose entries, character link offsets, the
// scene information, the ambient, fog and shadow-plane blocks, and the takes.
//
// Each reads from the current level of the file and trusts nothing it reads: arrays are sized
// by the values a field holds, counts that disagree are told (Warn) and the sound part kept.

#include "attributes/RWyxSkinLink.h"
#include "core/RMatrix.h"
#include "core/RString.h"
#include "wyxreader/WyxFieldReading.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class RFCurveNode;
class RStreamOptionsWyx;
class RWyxFile;
class RWyxGeometry;
class RWyxLayerContainer;
class RVector4;
class RWyxMesh;
class RWyxNode;
class RWyxNurb;
class RWyxObjectFactory;
class RWyxPatch;
class RWyxPose;
class RWyxPropertyFile;
class RWyxReadWarnings;
class RWyxScene;
class RWyxTakeNode;
class RWyxTakeNodeContainer;
struct RWyxCharacterLink;

class RWyxSceneReaderWyx {
public:
    // Each read may plot this many keys of layered channels, and this many more for every key
    // it reads: a small file cannot make the reader fill memory.
    static constexpr std::int64_t kPlotKeyAllowance = 1000000;
    static constexpr std::int64_t kPlotKeysPerKey = 64;

    RWyxSceneReaderWyx(const RWyxSceneReaderWyx&) = delete;
    RWyxSceneReaderWyx& operator=(const RWyxSceneReaderWyx&) = delete;

protected:
    // Nothing is owned.
    RWyxSceneReaderWyx(RWyxPropertyFile& file, RWyxScene& scene, const RStreamOptionsWyx& options,
                       RWyxReadWarnings& warnings);
    ~RWyxSceneReaderWyx();

    void Warn(const RString& text);
    // The take is read unless the options list it unselected.
    bool IsTakeSelected(const RString& take) const;

    // ---- models --------------------------------------------------------------------------------------
    // MultiLayer, MultiTake, Hidden, Shading (W, F, Y, T, U) and Culling of the current level.
    void ReadNodeFields(RWyxNode& node);

    // ---- geometry ------------------------------------------------------------------------------------
    // "PolygonVertexIndex" (current field): each polygon's control points, the last as its
    // complement (-index - 1); polygon p gets groups[p] (-1 past them). For each polygon of the
    // file whether it was kept: one that names a control point past the points is dropped,
    // with a warning, as are vertices that end no polygon.
    std::vector<bool> ReadPolygons(RWyxMesh& mesh, const std::vector<int>& groups, const RString& label);
    // NURBS: Dimensions; NurbOrder; SurfaceDisplay; Step; Form; Points (x, y, z, weight);
    // MultiplicityU/V; KnotVectorU/V. False when no surface was read, with a warning: counts
    // that are missing (no Dimensions, or fewer than two) are 0 and hold no control point.
    bool ReadNurbSurface(RWyxNurb& nurb, const RString& label);
    // Patch: Dimensions; PatchType; SurfaceDisplay; Step; Closed; UCapped; VCapped; Points. As
    // for NURBS.
    bool ReadPatchSurface(RWyxPatch& patch, const RString& label);
    // The normals of the first normal layer when they are one direct normal per control
    // point; null otherwise.
    static const RVector4* NormalsByControlPoint(const RWyxLayerContainer& container);
    // Copies count values, warning when the file holds another number.
    template <typename T, typename Store>
    void CopyCounted(const std::vector<T>& values, int count, const RString& label, Store store);

    // A cluster's matrix as its link keeps it (translation, Euler rotation, scaling), each part
    // on a fine grid (2^-30; scaling 2^-36): decomposing the matrix a writer composes from them
    // then gives the same parts, so a cluster read and written again writes the same numbers.
    static RWyxSkinLink::TRS ClusterTRS(const RMatrix& matrix);
    // A cluster matrix of the file, relative to the link matrix L, brought back: file x L.
    static RMatrix TimesLink(const RMatrix& relative, const RMatrix& link);
    // "RGB_Intensity" 1, "Alpha_Black" 2, any other text 0.
    static int AlphaSourceOf(const RString& text);

    // ---- poses, characters, scene info ----------------------------------------------------------------
    // "NbPoseNodes" and the "PoseNode" blocks of the current level into the pose.
    void ReadPoseEntries(RWyxPose& pose, const RString& label);
    // TOFFSETX ... SOFFSETZ of the current level (0, 0, 0 / 1, 1, 1 when missing).
    void ReadLinkOffsets(RWyxCharacterLink& link);
    // The fields of a "SceneInfo" block (current level) as the scene's information.
    void ReadSceneInfo();

    // ---- settings --------------------------------------------------------------------------------------
    // "AmbientRenderSettings", "FogOptions" and "ShadowPlanes" of the current level.
    void ReadAmbientAndFog();
    void ReadShadowPlanes();

    // ---- takes -----------------------------------------------------------------------------------------
    // The content of a "Takes" block (current level): "Current" into takesCurrent_ (and
    // hasTakesCurrent_), then each "Take" block, with the read's own time-warp list and a new
    // plotting allowance (kPlotKeyAllowance). A take of a name read before, the default take
    // and a take the options unselect are skipped; of the others, each block whose heading
    // IsAnimatedHeading is read by ReadObjectAnimation, and a take that animates nothing is
    // dropped. fileTakes_ gets every take's name, readTakes_ those the scene got.
    void ReadTakeBlocks();
    virtual bool IsAnimatedHeading(const RString& heading) const = 0;
    // The block of one object's animation in the take (current field, the object's full name
    // its value): true when the object got a take node.
    virtual bool ReadObjectAnimation(const RString& heading, const RString& take) = 0;
    // The object's new take node for the take; null, with a warning, when it has one already.
    RWyxTakeNode* AddTakeNode(RWyxTakeNodeContainer& object, const RString& take, const RString& label);
    // The "Channel" blocks of the current level into the channels of the same names under
    // root; those naming channels root does not have are dropped, with a warning.
    void ReadTakeChannels(RFCurveNode& root, const RString& label);
    // Each "Channel" block of the current level into root's channel of that name (defaultOnly:
    // the curves' defaults alone), with a warning per channel for the keys and the defaults or
    // colours its curves could not keep. Answers the number of channels read.
    int ReadChannels(RFCurveNode& root, bool defaultOnly, const RString& label);
    // After a take node's channels were read: the keys read add to the allowance; a channel
    // that carries layers is plotted into layer 0 and filtered, and a time-warped one filtered.
    void FinishTakeChannels(RFCurveNode& root, const RString& label);
    // The scene's current take: the take of this name when it was read or the file has no take
    // of this name, else the first take read; nothing when no take was read.
    void SelectCurrentTake(const RString& current);

    RWyxPropertyFile& propertyFile_;
    RWyxFile& file_;
    RWyxScene& scene_;
    RWyxObjectFactory* factory_;
    const RStreamOptionsWyx& options_;
    RWyxReadWarnings& warnings_;
    // Takes: the names of every "Take" block (a set: each block asks whether its name came
    // before), those read, and the "Current" field's name.
    std::unordered_set<std::string> fileTakes_;
    std::vector<RString> readTakes_;
    RString takesCurrent_;
    bool hasTakesCurrent_ = false;

private:
    void ReadTake();
    // The "Points" values of a surface of the dimensions; false, with a warning, for a count
    // that is not above 0 or dimensions the values cannot fill.
    bool ReadSurfacePoints(int uCount, int vCount, int stride, const RString& label, std::vector<double>& values);
    void FinishChannels(RFCurveNode& node, RFCurveNode* inheritedWarp, const RString& label);
    void FilterChannel(RFCurveNode& node);

    // What plotting may still make.
    std::int64_t plotBudget_ = 0;
};

template <typename T, typename Store>
void RWyxSceneReaderWyx::CopyCounted(const std::vector<T>& values, int count, const RString& label, Store store) {
    const std::size_t wanted = static_cast<std::size_t>(count > 0 ? count : 0);
    for (std::size_t i = 0; i < values.size() && i < wanted; ++i) store(i, values[i]);
    if (values.size() != wanted) {
        Warn(label + " holds " + RString(static_cast<int>(values.size())) + " values for " + RString(count));
    }
}

#endif
