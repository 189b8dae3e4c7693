#ifndef VEXA_VFN_H
#define VEXA_VFN_H

// The function-set type numbers: what an object is and which function sets work on it.
//
// Every node type of the host has one number of its own and answers hasFn() for the numbers of
// all the types it derives from (a joint answers 120, 109, 106, 107, 4 and 1). Every
// transform-kind DAG node (transform, joint, look-at) answers both kAnyTransform (106) and
// kTransform (109). kBase (1) matches every object; kInvalid (0) matches none, and as an
// iterator filter means "no filter".
//
// The numbers are the ones the plug-in tests; types that the stand-in does not build yet are
// named here so that every number has one meaning.

class VFn {
public:
    enum Type {
        kInvalid = 0,
        kBase = 1,
        kNamedObject = 2,
        kModel = 3,
        kDependencyNode = 4,
        kWorld = 5,
        kPlugin = 6,
        kAnimCurve = 7,
        kAnimCurveTimeToAngular = 8,
        kAnimCurveTimeToDistance = 9,
        kAnimCurveTimeToTime = 10,
        kAnimCurveTimeToUnitless = 11,
        kAnimCurveUnitlessToAngular = 12,
        kAnimCurveUnitlessToDistance = 13,
        kAnimCurveUnitlessToTime = 14,
        kAnimCurveUnitlessToUnitless = 15,

        kAnyTransform = 106,  // any DAG node with a transform of its own
        kDagNode = 107,
        kTransform = 109,
        kLookAt = 111,        // aim/look-at rig root
        kJoint = 120,

        kCamera = 242,
        kClusterHandle = 243,
        kShape = 248,
        kLocator = 272,
        kNurbsSurface = 285,
        kNurbsSurfaceGeometry = 286,
        kMesh = 287,
        kMeshGeometry = 288,  // the geometry of a mesh as a plug holds it (stand-in's own number)
        kLight = 293,
        kAmbientLight = 294,
        kAreaLight = 296,
        kDirectionalLight = 299,
        kPointLight = 300,
        kSpotLight = 301,
        kVolumeLight = 853,

        kGeometryFilter = 325,  // deformer base
        kBlendShape = 327,
        kCluster = 335,
        kJointCluster = 336,
        kSkinClusterFilter = 660,
        kDagPose = 662,
        kPolySmoothFacet = 671,
        kWrapFilter = 708,

        kObjectSet = 459,
        kShadingEngine = 450,
        kFileTexture = 479,
        kLayeredTexture = 761,
        kLambert = 362,
        kReflect = 366,
        kPhong = 367,

        kComponent = 519,
        kSurfaceCVComponent = 521,
        kMeshEdgeComponent = 528,
        kMeshPolygonComponent = 532,
        kMeshVertComponent = 533,
        kSingleIndexedComponent = 534,  // stand-in's own numbers for the two component kinds
        kDoubleIndexedComponent = 535,

        kAttribute = 540,
        kNumericAttribute = 544,
        kCompoundAttribute = 570,
        kTypedAttribute = 571,
        kMatrixAttribute = 572,
        kMessageAttribute = 573,
        kEnumAttribute = 574,
        kAttribute2Double = 713,
        kAttribute2Float = 714,
        kAttribute3Double = 715,
        kAttribute3Float = 716,
        kAttribute3Int = 717,

        kLast = 1000,
    };
};

#endif
