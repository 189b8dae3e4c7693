// Cameras (film, lens, clipping, fields of view, directions), the camera creation sequence of
// the import (camera, objectMoveCommand, cameraMakeNode 1/2/3 with its rig and selection) and
// lights (type numbers, function sets, colour, intensity and cone angle).

#include "tests/support/HostTestSupport.h"

#include "host/src/script/CommandEngine.h"

#include <vexa/VFnCamera.h>
#include <vexa/VFnDirectionalLight.h>
#include <vexa/VFnPointLight.h>
#include <vexa/VFnSpotLight.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The field of view (degrees) that the import and export compute from a focal length.
double partsFieldOfView(double focal, double apertureInches, double squeeze) {
    return 114.59155902616465 * std::atan(0.5 * apertureInches * 25.4 / focal * squeeze);
}

std::vector<std::string> selectedNames() {
    VSelectionList active;
    VGlobal::getActiveSelectionList(active);
    std::vector<std::string> names;
    for (unsigned i = 0; i < active.length(); ++i) {
        VObject node;
        active.getDependNode(i, node);
        names.push_back(VFnDependencyNode(node).name().str());
    }
    return names;
}

class CameraTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        shape = camera.create();
    }
    VFnCamera camera;
    VObject shape;
};

TEST_F(CameraTest, ApertureAndFocalLengthGiveTheFieldsOfViewThePlugInComputes) {
    struct Case {
        double focal, horizontal, vertical, squeeze;
    };
    const Case cases[] = {{35.0, 1.41732, 0.94488, 1.0}, {50.0, 1.41732, 0.94488, 2.0}, {12.5, 0.98, 0.735, 1.0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(camera.setFocalLength(c.focal));
        ASSERT_TRUE(camera.setHorizontalFilmAperture(c.horizontal));
        ASSERT_TRUE(camera.setVerticalFilmAperture(c.vertical));
        ASSERT_TRUE(camera.setLensSqueezeRatio(c.squeeze));
        EXPECT_NEAR(camera.horizontalFieldOfView() * 180.0 / kPi, partsFieldOfView(c.focal, c.horizontal, c.squeeze), 1e-9);
        EXPECT_NEAR(camera.verticalFieldOfView() * 180.0 / kPi, partsFieldOfView(c.focal, c.vertical, 1.0), 1e-9)
            << "the squeeze ratio does not widen the vertical view";
    }
    // Setting a field of view sets the focal length that gives it back.
    ASSERT_TRUE(camera.setLensSqueezeRatio(1.0));
    ASSERT_TRUE(camera.setHorizontalFieldOfView(40.0 * kPi / 180.0));
    EXPECT_NEAR(partsFieldOfView(camera.focalLength(), 0.98, 1.0), 40.0, 1e-9);
    EXPECT_EQ(camera.setHorizontalFieldOfView(0.0), VStatus::kInvalidParameter);
    EXPECT_EQ(camera.setVerticalFieldOfView(kPi), VStatus::kInvalidParameter);
}

TEST_F(CameraTest, DefaultsAndSettersKeepTheirUnits) {
    EXPECT_DOUBLE_EQ(camera.horizontalFilmAperture(), 1.41732);
    EXPECT_DOUBLE_EQ(camera.verticalFilmAperture(), 0.94488);
    EXPECT_DOUBLE_EQ(camera.focalLength(), 35.0);
    EXPECT_EQ(camera.filmFit(), VFnCamera::kHorizontalFilmFit);
    struct Setter {
        const char* what;
        VStatus status;
        VStatus::StatusCode expected;
    };
    const Setter setters[] = {
        {"focal length 0", camera.setFocalLength(0.0), VStatus::kInvalidParameter},
        {"negative aperture", camera.setHorizontalFilmAperture(-1.0), VStatus::kInvalidParameter},
        {"squeeze 0", camera.setLensSqueezeRatio(0.0), VStatus::kInvalidParameter},
        {"film fit 4", camera.setFilmFit(VFnCamera::kInvalid), VStatus::kInvalidParameter},
        {"near plane not a number", camera.setNearClippingPlane(std::nan("")), VStatus::kInvalidParameter},
        {"negative near plane (the export mends it)", camera.setNearClippingPlane(-1.0), VStatus::kSuccess},
        {"far plane", camera.setFarClippingPlane(1234.75), VStatus::kSuccess},
        {"overscan fit", camera.setFilmFit(VFnCamera::kOverscanFilmFit), VStatus::kSuccess},
        {"orthographic", camera.setIsOrtho(true), VStatus::kSuccess},
        {"focus", camera.setFocusDistance(12.0), VStatus::kSuccess},
        {"clipping planes", camera.setClippingPlanes(false), VStatus::kSuccess},
    };
    for (const Setter& setter : setters) EXPECT_EQ(setter.status, setter.expected) << setter.what;
    EXPECT_DOUBLE_EQ(camera.focalLength(), 35.0) << "a refused value changes nothing";
    EXPECT_DOUBLE_EQ(camera.nearClippingPlane(), -1.0);
    EXPECT_DOUBLE_EQ(camera.farClippingPlane(), 1234.75);
    EXPECT_EQ(camera.filmFit(), VFnCamera::kOverscanFilmFit);
    EXPECT_TRUE(camera.isOrtho());
    EXPECT_DOUBLE_EQ(camera.focusDistance(), 12.0);
    EXPECT_FALSE(camera.isClippingPlanes());
    EXPECT_EQ(plugOf(shape, "focalLength").isKeyable(), true) << "the import animates the focal length";
}

TEST_F(CameraTest, DirectionsTurnWithTheCameraInWorldSpace) {
    const VObject transform = camera.parent(0);
    const double quarter[3] = {0.0, 0.0, kPi / 2};
    VFnTransform(transform).setRotation(quarter, VTransformationMatrix::kXYZ);
    EXPECT_TRUE(camera.upDirection().isEquivalent(VVector(0, 1, 0))) << "object space";
    VDagPath path;
    VDagPath::getAPathTo(shape, path);
    VFnCamera onPath(path);
    EXPECT_TRUE(onPath.upDirection(VSpace::kWorld).isEquivalent(VVector(-1, 0, 0), 1e-9));
    EXPECT_TRUE(onPath.viewDirection(VSpace::kWorld).isEquivalent(VVector(0, 0, -1), 1e-9));
    VFnTransform(transform).setTranslation(VVector(1, 2, 3), VSpace::kTransform);
    EXPECT_TRUE(onPath.eyePoint(VSpace::kWorld).isEquivalent(VPoint(1, 2, 3)));
    EXPECT_TRUE(onPath.eyePoint().isEquivalent(VPoint(0, 0, 0)));
}

class CameraCommandTest : public HostTest {
protected:
    static std::vector<std::string> run(const std::string& script) {
        VStringArray result;
        const VStatus status = VGlobal::executeCommand(VString(script), result);
        EXPECT_TRUE(status) << script << ": " << status.errorString().asChar();
        std::vector<std::string> words;
        for (const VString& word : result) words.push_back(word.str());
        return words;
    }
    // The import's command, with the rig form asked for.
    static std::string importSequence(int nodes) {
        return "camera -centerOfInterest 5 -focalLength 35 -lensSqueezeRatio 1 -cameraScale 1 -horizontalFilmAperture 1.41732 "
               "-horizontalFilmOffset 0 -verticalFilmAperture 0.94488 -verticalFilmOffset 0 -filmFit Horizontal -overscan 1 "
               "-motionBlur 0 -shutterAngle 144 -nearClipPlane 0.01 -farClipPlane 1000 -orthographic 0 -orthographicWidth 30; "
               "objectMoveCommand; cameraMakeNode " +
               std::to_string(nodes) + " \"\"";
    }
};

TEST_F(CameraCommandTest, TheCameraCommandSetsItsFlagsAndSelectsTheCamera) {
    VDistance::setUIUnit(VDistance::kMillimeters);
    VAngle::setUIUnit(VAngle::kRadians);
    EXPECT_EQ(run("camera -fl 50 -ncp 5 -coi 20 -sa 1.5 -ff Vertical -o 1 -n shot"), (std::vector<std::string>{"shot", "cameraShape1"}));
    EXPECT_EQ(selectedNames(), (std::vector<std::string>{"shot"}));
    VSelectionList list;
    list.add("cameraShape1");
    VObject shape;
    list.getDependNode(0, shape);
    VFnCamera camera(shape);
    EXPECT_DOUBLE_EQ(camera.focalLength(), 50.0);
    EXPECT_DOUBLE_EQ(camera.nearClippingPlane(), 0.5) << "5 mm";
    EXPECT_EQ(camera.filmFit(), VFnCamera::kVerticalFilmFit);
    EXPECT_TRUE(camera.isOrtho());
    EXPECT_DOUBLE_EQ(camera.centerOfInterest(), 2.0) << "20 mm";
    EXPECT_DOUBLE_EQ(plugOf(shape, "shutterAngle").asDouble(), 1.5) << "radians as the user's unit";
    for (const char* bad : {"camera -fl 0", "camera -ff Sideways", "camera -fl x", "camera extra", "objectMoveCommand now"}) {
        EXPECT_EQ(VGlobal::executeCommand(bad), VStatus::kFailure) << bad;
    }
}

TEST_F(CameraCommandTest, TheRigFormsGiveTheGroupChildrenAndSelectionThePlugInReads) {
    struct Case {
        int nodes;
        std::vector<std::string> selection;
        std::vector<std::string> children;  // of the group, in order
    };
    const Case cases[] = {
        {1, {"camera1"}, {}},
        {2, {"camera1", "camera1_aim"}, {"camera1", "camera1_aim"}},
        {3, {"camera1", "camera1_up", "camera1_aim"}, {"camera1", "camera1_aim", "camera1_up"}},
    };
    for (const Case& c : cases) {
        vexa_host::Scene::instance().reset();
        run(importSequence(c.nodes));
        EXPECT_EQ(selectedNames(), c.selection) << c.nodes;
        VSelectionList list;
        list.add("camera1");
        VObject camera;
        list.getDependNode(0, camera);
        const VObject parent = VFnDagNode(camera).parent(0);
        if (c.children.empty()) {
            EXPECT_TRUE(parent.isNull()) << "the camera stays under the world";
            continue;
        }
        ASSERT_TRUE(parent.hasFn(VFn::kLookAt)) << c.nodes;
        VFnDagNode group(parent);
        EXPECT_EQ(group.name(), VString("camera1_group"));
        EXPECT_TRUE(group.hasAttribute("twist"));
        std::vector<std::string> children;
        for (unsigned i = 0; i < group.childCount(); ++i) children.push_back(VFnDependencyNode(group.child(i)).name().str());
        EXPECT_EQ(children, c.children) << c.nodes;
        VObject aim = group.child(1);
        VDagPath aimPath;
        VDagPath::getAPathTo(aim, aimPath);
        EXPECT_TRUE(aimPath.hasFn(VFn::kLocator)) << "the aim is a locator";
        EXPECT_TRUE(VFnTransform(aim).translation(VSpace::kTransform).isEquivalent(VVector(0, 0, -5)))
            << "at the centre of interest in front of the camera";
    }
}

TEST_F(CameraCommandTest, CameraMakeNodeNeedsACameraWithoutARig) {
    EXPECT_EQ(VGlobal::executeCommand("cameraMakeNode 2 \"\""), VStatus::kFailure) << "nothing selected";
    run("camera; camera");
    EXPECT_EQ(run("cameraMakeNode 3 camera1"), (std::vector<std::string>{"camera1", "camera1_up", "camera1_aim"}));
    EXPECT_EQ(VGlobal::executeCommand("cameraMakeNode 2 camera1"), VStatus::kFailure) << "already rigged";
    for (const char* bad : {"cameraMakeNode 4 camera2", "cameraMakeNode 0 camera2", "cameraMakeNode x camera2",
                            "cameraMakeNode 2 nothing", "cameraMakeNode 2"}) {
        EXPECT_EQ(VGlobal::executeCommand(bad), VStatus::kFailure) << bad;
    }
    EXPECT_EQ(run("cameraMakeNode 2 camera2|cameraShape1"), (std::vector<std::string>{"camera2", "camera2_aim"}))
        << "a shape names its camera";
}

class LightTest : public HostTest {};

TEST_F(LightTest, EachLightTypeAnswersItsNumbers) {
    struct Case {
        const char* type;
        VFn::Type number;
        bool pointSet;  // opens as a VFnPointLight
    };
    const Case cases[] = {
        {"ambientLight", VFn::kAmbientLight, false}, {"pointLight", VFn::kPointLight, true},
        {"directionalLight", VFn::kDirectionalLight, false}, {"spotLight", VFn::kSpotLight, false},
        {"areaLight", VFn::kAreaLight, true}, {"volumeLight", VFn::kVolumeLight, true},
    };
    for (const Case& c : cases) {
        const VObject light = VFnDagNode().create(c.type);
        EXPECT_EQ(light.apiType(), c.number) << c.type;
        EXPECT_TRUE(light.hasFn(VFn::kLight)) << c.type;
        EXPECT_TRUE(light.hasFn(VFn::kShape)) << c.type;
        VStatus status;
        VFnPointLight point(light, &status);
        EXPECT_EQ(static_cast<bool>(status), c.pointSet) << c.type;
        VFnLight any(light, &status);
        EXPECT_TRUE(status) << c.type;
        EXPECT_EQ(any.intensity(), 1.0f) << c.type;
    }
    VStatus status;
    VFnSpotLight spot(VFnDagNode().create("pointLight"), &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
}

TEST_F(LightTest, CreatorsMakeTheLightUnderATransformOfItsOwn) {
    const VObject group = makeTransform("group");
    VStatus status;
    VFnSpotLight spot;
    const VObject light = spot.create(group, true, &status);
    ASSERT_TRUE(status);
    const VObject transform = spot.parent(0);
    EXPECT_TRUE(VFnDagNode(transform).parent(0) == group) << "the light's own transform sits under the parent";
    VFnDependencyNode(light).setName("keyShape");
    EXPECT_EQ(VFnDependencyNode(light).name(), VString("keyShape"));

    VFnDirectionalLight sun;
    const VObject direct = sun.create(group, false, &status);
    ASSERT_TRUE(status);
    EXPECT_TRUE(sun.parent(0) == group);
    EXPECT_TRUE(VFnPointLight().create(VObject::kNullObj, false, &status).isNull());
    EXPECT_EQ(status, VStatus::kInvalidParameter) << "a light needs a transform above it";
    VFnPointLight bulb;
    bulb.create();
    EXPECT_TRUE(VFnDagNode(bulb.parent(0)).parent(0).isNull()) << "a new transform under the world";
    (void)direct;
}

TEST_F(LightTest, ColourIntensityAndConeAngleAreAnimatablePlugs) {
    VFnSpotLight spot;
    const VObject light = spot.create();
    ASSERT_TRUE(spot.setColor(VColor(0.25f, 0.5f, 0.75f)));
    ASSERT_TRUE(spot.setIntensity(2.5f));
    ASSERT_TRUE(spot.setConeAngle(kPi / 4));
    EXPECT_EQ(spot.color(), VColor(0.25f, 0.5f, 0.75f, 1.0f));
    EXPECT_EQ(spot.intensity(), 2.5f);
    EXPECT_DOUBLE_EQ(spot.coneAngle() * 57.29577951308232, 45.0);
    for (const char* plug : {"colorR", "colorG", "colorB", "intensity", "coneAngle"}) {
        EXPECT_TRUE(plugOf(light, plug).isKeyable()) << plug;
    }
    EXPECT_DOUBLE_EQ(plugOf(light, "colorB").asDouble(), 0.75);
    EXPECT_EQ(spot.setConeAngle(0.0), VStatus::kInvalidParameter);
    EXPECT_EQ(spot.setConeAngle(4.0), VStatus::kInvalidParameter);
    EXPECT_EQ(spot.setIntensity(std::nanf("")), VStatus::kInvalidParameter);
    EXPECT_DOUBLE_EQ(spot.coneAngle(), kPi / 4);
}

}  // namespace
