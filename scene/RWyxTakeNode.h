#ifndef WYX_SCENE_RWYXTAKENODE_H
#define WYX_SCENE_RWYXTAKENODE_H

// The animation of one animatable object in one take: a name (the take's) and a tree of curve
// nodes whose root is "Defaults". The root's children mirror the object's animatable
// properties ("Transform" with "T", "R", "S", each with "X", "Y", "Z"; "Visibility"; a
// colour with "X", "Y", "Z" ...) and the leaves carry the function curves.
//
// Readers, writers and filters reach a channel's curve through FindCurve or the named
// accessors; a miss answers null and leaves "Curve not found" (code 0) on the take node's
// error object.
//
// Ownership: the take node owns its root curve node and, through it, the tree and its
// curves. Time-warp nodes used by the tree are shared and counted: a copy takes references of
// its own, and destruction gives them back.
//
// A take-node container may make a take node whose tree is made when first asked for, by the
// container's channel template (a take node of an object that nothing has animated yet holds
// only empty curves): every access to the tree makes it first, and the container makes it
// before anything the template reads changes.

#include "core/RError.h"
#include "core/RString.h"
#include "core/RTime.h"

class RDataType;
class RFCurve;
class RFCurveNode;
class RWyxTakeNodeContainer;

class RWyxTakeNode {
public:
    // The channels the named accessors find (the order of the table in RWyxTakeNode.cpp).
    enum Channel {
        TranslationX, TranslationY, TranslationZ,
        RotationX, RotationY, RotationZ,
        ScalingX, ScalingY, ScalingZ,
        Visibility,
        ColorX, ColorY, ColorZ,
        Intensity, ConeAngle, Fog,
        FieldOfView, FieldOfViewX, FieldOfViewY,
        OpticalCenterX, OpticalCenterY,
        Roll, TurnTable,
        BackgroundColorX, BackgroundColorY, BackgroundColorZ,
        CameraIndex,
        Occlusion, IKReachTranslation, IKReachRotation,
        TextureTranslationX, TextureTranslationY, TextureTranslationZ,
        TextureRotationX, TextureRotationY, TextureRotationZ,
        TextureScalingX, TextureScalingY, TextureScalingZ,
        Alpha,
        EmissiveX, EmissiveY, EmissiveZ,
        AmbientX, AmbientY, AmbientZ,
        DiffuseX, DiffuseY, DiffuseZ,
        SpecularX, SpecularY, SpecularZ,
        Opacity, Reflectivity, Shininess,
        ChannelCount
    };

    // Error codes of GetError().
    static constexpr int kErrorCurveNotFound = 0;

    // An empty take node: a root curve node "Defaults" without data type or curve.
    explicit RWyxTakeNode(const RString& name);
    // The same name and a deep copy of the other's tree (made first when it waits): every
    // node, curve, key and animation layer is the copy's own; time warps are shared (one more
    // reference each). The copy evaluates exactly like the original.
    RWyxTakeNode(const RWyxTakeNode& other);
    RWyxTakeNode& operator=(const RWyxTakeNode&) = delete;
    // Deletes the tree with its curves (a root that does not own its children only drops
    // them; see the source) and releases the time warps it used.
    ~RWyxTakeNode();

    void SetName(const RString& name) { name_ = name; }
    const RString& GetName() const { return name_; }

    // The tree is made first when it is not yet.
    RFCurveNode* GetRootCurveNode() const;
    // False while the tree waits to be made by its container's template.
    bool IsTreeMade() const { return pendingTemplate_ == nullptr; }
    // While the tree waits: the defaults its transform channel's curves will have (see
    // RWyxTakeNodeContainer::GetTemplateTransformDefaults), none of which has keys. False
    // once the tree is made or when the template does not tell.
    bool GetWaitingTransformDefaults(int channel, float defaults[3]) const;
    // The same for the visibility curve's default.
    bool GetWaitingVisibilityDefault(float& value) const;
    // Whether a channel template links the curves it makes to the properties: for a take node
    // made with its tree, when its name is "Default" (any case); for one whose tree was made
    // later, as it would have been when the take node was made.
    bool TemplateLinksProperties() const;

    // Widens start and stop to the first and last key of all curves of the tree. False, both
    // untouched, when no curve has keys (a tree not made yet has none).
    bool GetAnimationInterval(RTime& start, RTime& stop) const;

    // From the root, each given (non-null) name in turn is looked up below the node reached
    // so far (the curve node's path lookup: names ignore case, "T", "R", "S" also match the
    // "Lcl Translation", "Lcl Rotation" and "Lcl Scaling" nodes, and a name that is not a
    // child is searched for deeper). Answers the curve of the node reached; null, with "Curve
    // not found", when a name finds nothing or the node has no curve. With all names null,
    // the root's own curve.
    RFCurve* FindCurve(const char* nodeName, const char* channelName, const char* componentName);
    // As FindCurve, the last step finding the first node of the data type depth-first below
    // the node reached (a null data type finds nothing).
    RFCurve* FindCurveByType(const char* nodeName, const char* channelName, const RDataType* dataType);
    // True when the curve is found and has at least one key.
    bool HasKeys(const char* nodeName, const char* channelName, const char* componentName);
    bool HasKeysByType(const char* nodeName, const char* channelName, const RDataType* dataType);

    // The curve of one of the standard channels (table in RWyxTakeNode.cpp); null, with
    // "Curve not found", when the take node lacks it.
    RFCurve* GetChannelCurve(Channel channel);

    RFCurve* GetTranslationXCurve() { return GetChannelCurve(TranslationX); }
    RFCurve* GetTranslationYCurve() { return GetChannelCurve(TranslationY); }
    RFCurve* GetTranslationZCurve() { return GetChannelCurve(TranslationZ); }
    RFCurve* GetRotationXCurve() { return GetChannelCurve(RotationX); }
    RFCurve* GetRotationYCurve() { return GetChannelCurve(RotationY); }
    RFCurve* GetRotationZCurve() { return GetChannelCurve(RotationZ); }
    RFCurve* GetScalingXCurve() { return GetChannelCurve(ScalingX); }
    RFCurve* GetScalingYCurve() { return GetChannelCurve(ScalingY); }
    RFCurve* GetScalingZCurve() { return GetChannelCurve(ScalingZ); }
    RFCurve* GetVisibilityCurve() { return GetChannelCurve(Visibility); }
    RFCurve* GetColorXCurve() { return GetChannelCurve(ColorX); }
    RFCurve* GetColorYCurve() { return GetChannelCurve(ColorY); }
    RFCurve* GetColorZCurve() { return GetChannelCurve(ColorZ); }
    RFCurve* GetIntensityCurve() { return GetChannelCurve(Intensity); }
    RFCurve* GetConeAngleCurve() { return GetChannelCurve(ConeAngle); }
    RFCurve* GetFogCurve() { return GetChannelCurve(Fog); }
    RFCurve* GetFieldOfViewCurve() { return GetChannelCurve(FieldOfView); }
    RFCurve* GetFieldOfViewXCurve() { return GetChannelCurve(FieldOfViewX); }
    RFCurve* GetFieldOfViewYCurve() { return GetChannelCurve(FieldOfViewY); }
    RFCurve* GetOpticalCenterXCurve() { return GetChannelCurve(OpticalCenterX); }
    RFCurve* GetOpticalCenterYCurve() { return GetChannelCurve(OpticalCenterY); }
    RFCurve* GetRollCurve() { return GetChannelCurve(Roll); }
    RFCurve* GetTurnTableCurve() { return GetChannelCurve(TurnTable); }
    RFCurve* GetBackgroundColorXCurve() { return GetChannelCurve(BackgroundColorX); }
    RFCurve* GetBackgroundColorYCurve() { return GetChannelCurve(BackgroundColorY); }
    RFCurve* GetBackgroundColorZCurve() { return GetChannelCurve(BackgroundColorZ); }
    RFCurve* GetCameraIndexCurve() { return GetChannelCurve(CameraIndex); }
    RFCurve* GetOcclusionCurve() { return GetChannelCurve(Occlusion); }
    RFCurve* GetIKReachTranslationCurve() { return GetChannelCurve(IKReachTranslation); }
    RFCurve* GetIKReachRotationCurve() { return GetChannelCurve(IKReachRotation); }
    RFCurve* GetTextureTranslationXCurve() { return GetChannelCurve(TextureTranslationX); }
    RFCurve* GetTextureTranslationYCurve() { return GetChannelCurve(TextureTranslationY); }
    RFCurve* GetTextureTranslationZCurve() { return GetChannelCurve(TextureTranslationZ); }
    RFCurve* GetTextureRotationXCurve() { return GetChannelCurve(TextureRotationX); }
    RFCurve* GetTextureRotationYCurve() { return GetChannelCurve(TextureRotationY); }
    RFCurve* GetTextureRotationZCurve() { return GetChannelCurve(TextureRotationZ); }
    RFCurve* GetTextureScalingXCurve() { return GetChannelCurve(TextureScalingX); }
    RFCurve* GetTextureScalingYCurve() { return GetChannelCurve(TextureScalingY); }
    RFCurve* GetTextureScalingZCurve() { return GetChannelCurve(TextureScalingZ); }
    RFCurve* GetAlphaCurve() { return GetChannelCurve(Alpha); }
    RFCurve* GetEmissiveXCurve() { return GetChannelCurve(EmissiveX); }
    RFCurve* GetEmissiveYCurve() { return GetChannelCurve(EmissiveY); }
    RFCurve* GetEmissiveZCurve() { return GetChannelCurve(EmissiveZ); }
    RFCurve* GetAmbientXCurve() { return GetChannelCurve(AmbientX); }
    RFCurve* GetAmbientYCurve() { return GetChannelCurve(AmbientY); }
    RFCurve* GetAmbientZCurve() { return GetChannelCurve(AmbientZ); }
    RFCurve* GetDiffuseXCurve() { return GetChannelCurve(DiffuseX); }
    RFCurve* GetDiffuseYCurve() { return GetChannelCurve(DiffuseY); }
    RFCurve* GetDiffuseZCurve() { return GetChannelCurve(DiffuseZ); }
    RFCurve* GetSpecularXCurve() { return GetChannelCurve(SpecularX); }
    RFCurve* GetSpecularYCurve() { return GetChannelCurve(SpecularY); }
    RFCurve* GetSpecularZCurve() { return GetChannelCurve(SpecularZ); }
    RFCurve* GetOpacityCurve() { return GetChannelCurve(Opacity); }
    RFCurve* GetReflectivityCurve() { return GetChannelCurve(Reflectivity); }
    RFCurve* GetShininessCurve() { return GetChannelCurve(Shininess); }

    const RError& GetError() const { return error_; }

private:
    friend class RWyxTakeNodeContainer;

    enum class TemplateLinks { ByName, Linked, NotLinked };

    // A take node whose tree `container`'s template makes when first asked for, linked to the
    // properties or not.
    RWyxTakeNode(const RString& name, RWyxTakeNodeContainer& container, bool linked);
    void MakeTree() const;
    // The node a path of given names leads to from the root; null when a name finds nothing.
    RFCurveNode* FindNode(const char* nodeName, const char* channelName) const;
    RFCurve* CurveOrError(const RFCurveNode* node);

    RString name_;
    // Null, with the container whose template makes it, until the tree is made.
    mutable RFCurveNode* root_;
    mutable RWyxTakeNodeContainer* pendingTemplate_ = nullptr;
    mutable TemplateLinks templateLinks_ = TemplateLinks::ByName;
    RError error_;
};

#endif
