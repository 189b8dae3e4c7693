// The properties objects of lights, cameras, skeleton joints, nulls and markers: their
// classes, and the properties the readers and writers look up by name.

#include "attributes/RWyxCameraProperties.h"
#include "attributes/RWyxLightProperties.h"
#include "attributes/RWyxMarkerProperties.h"
#include "attributes/RWyxNullProperties.h"
#include "attributes/RWyxSkeletonProperties.h"

#include "core/RClassRegistry.h"
#include "core/RDataType.h"
#include "core/RWyxPropertyHandler.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

using OwnedObject = std::unique_ptr<RObject, RPlugDestroyer>;

struct ClassCase {
    const char* name;
    int classId;
    std::function<RObject*()> make;
    const RWyxPropertyRow* rows;
    int rowCount;
};

template <typename T>
ClassCase Case(const char* name, int classId) {
    return {name, classId, [] { return CreatePlugObject<T>(nullptr); }, T::kRows, T::kRowCount};
}

// The data type of the property of that name; null when there is no such property.
const RDataType* DataTypeOf(const RObject& object, const char* name) {
    const RProperty* property = object.FindProperty(name);
    return property != nullptr ? property->GetDataType() : nullptr;
}

}  // namespace

TEST(AttributeProperties, EachClassHasItsIdDerivesFromRObjectOnlyAndHoldsItsTableInOrder) {
    const ClassCase cases[] = {Case<RWyxLightProperties>("RWyxLightProperties", 4),
                               Case<RWyxCameraProperties>("RWyxCameraProperties", 5),
                               Case<RWyxSkeletonProperties>("RWyxSkeletonProperties", 6),
                               Case<RWyxNullProperties>("RWyxNullProperties", 20),
                               Case<RWyxMarkerProperties>("RWyxMarkerProperties", 21)};
    for (const ClassCase& c : cases) {
        SCOPED_TRACE(c.name);
        OwnedObject object(c.make());
        EXPECT_STREQ(object->GetClassName(), c.name);
        EXPECT_EQ(object->GetClassId(), c.classId);
        EXPECT_EQ(FindClassId(c.name), c.classId);
        EXPECT_TRUE(object->Is(RObject::ClassId()));
        EXPECT_FALSE(object->Is(RWyxPropertyHandler::ClassId()));
        ASSERT_EQ(object->GetPropertyCount(), c.rowCount);
        for (int i = 0; i < c.rowCount; ++i) EXPECT_STREQ(object->GetProperty(i)->GetName(), c.rows[i].name);
    }
}

TEST(AttributeProperties, TheCameraHasEveryPropertyTheWritersReadByName) {
    OwnedObject camera(CreatePlugObject<RWyxCameraProperties>(nullptr));
    const char* const names[] = {
        "Roll", "TurnTable", "FieldOfViewX", "FieldOfViewY", "OpticalCenterX", "OpticalCenterY",
        "ViewFrustumBackPlaneMode", "BackgroundMode", "ForegroundTransparent", "BackgroundAlphaTreshold", "FitImage",
        "Center", "KeepRatio", "Crop", "BackPlaneDistance", "BackPlaneDistanceMode", "ViewCameraToLookAt",
        "ViewFrustumNearFarPlane", "ShowGrid", "ShowAzimut", "ShowName", "ShowTimeCode", "DisplaySafeArea",
        "SafeAreaDisplayStyle", "UseFrameColor", "FrameColor", "UseDepthOfField", "FocusSource", "FocusAngle",
        "FocusDistance", "UseAntialiasing", "AntialiasingIntensity", "FrameSamplingCount", "UseAccumulationBuffer",
        "UseRealTimeDOFAndAA"};
    for (const char* name : names) EXPECT_NE(camera->FindProperty(name), nullptr) << name;
    EXPECT_EQ(DataTypeOf(*camera, "FieldOfView"), RDataType::FindByName("FieldOfView"));
    EXPECT_EQ(DataTypeOf(*camera, "Roll"), RDataType::FindByName("Roll"));
    EXPECT_EQ(camera->FindProperty("BackgroundColor")->GetTypeCode(), kPropertyTypeColorRGB);
}

TEST(AttributeProperties, ChannelPropertiesCarryTheDataTypeOfTheirName) {
    OwnedObject light(CreatePlugObject<RWyxLightProperties>(nullptr));
    OwnedObject marker(CreatePlugObject<RWyxMarkerProperties>(nullptr));
    for (const char* name : {"Intensity", "Cone angle", "Fog"}) {
        EXPECT_EQ(DataTypeOf(*light, name), RDataType::FindByName(name)) << name;
    }
    EXPECT_EQ(DataTypeOf(*light, "Color"), &RDataType::Color());
    for (const char* name : {"Occlusion", "IK Reach Translation", "IK Reach Rotation"}) {
        EXPECT_EQ(DataTypeOf(*marker, name), RDataType::FindByName(name)) << name;
        EXPECT_TRUE(marker->FindProperty(name)->IsAnimatable()) << name;
    }
}

TEST(AttributeProperties, EnumerationsNameTheirValuesAsTheFilesDo) {
    struct Case {
        const char* (*name)(int);
        int value;
        const char* text;  // null: none
    };
    const Case cases[] = {
        {&RWyxCameraProperties::CameraFormatName, 1, "D1 NTSC"},
        {&RWyxCameraProperties::CameraFormatName, 9, "Custom"},
        {&RWyxCameraProperties::CameraFormatName, 10, "Full Screen"},
        {&RWyxCameraProperties::CameraFormatName, 11, nullptr},
        {&RWyxCameraProperties::ApertureFormatName, 6, "35mm 1.85 Projection"},
        {&RWyxCameraProperties::ApertureFormatName, 11, "Imax"},
        {&RWyxCameraProperties::ApertureFormatName, 12, nullptr},
        {&RWyxCameraProperties::ApertureModeName, 0, "Horizontal & Vertical"},
        {&RWyxCameraProperties::ApertureModeName, -1, nullptr},
        {&RWyxLightProperties::LightTypeName, 2, "Spot Light"},
        {&RWyxLightProperties::LightTypeName, 3, nullptr},
        {&RWyxMarkerProperties::LookName, 3, "Sphere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        if (c.text == nullptr) {
            EXPECT_EQ(c.name(c.value), nullptr);
        } else {
            EXPECT_STREQ(c.name(c.value), c.text);
        }
    }
    // The properties answer through their callbacks.
    OwnedObject camera(CreatePlugObject<RWyxCameraProperties>(nullptr));
    EXPECT_STREQ(camera->FindProperty("ApertureMode")->GetEnumName(2), "Vertical");
    EXPECT_STREQ(camera->FindProperty("ApertureFormat")->GetEnumName(3), "35mm Academy");
    OwnedObject light(CreatePlugObject<RWyxLightProperties>(nullptr));
    EXPECT_STREQ(light->FindProperty("LightType")->GetEnumName(1), "Infinite Light");
}

// Each class's properties object of two properties or more, destroyed, ends its own properties and cuts the one that
// feeds another object's property and the one held elsewhere from itself, leaving both
// peers as the usual removal would.
TEST(AttributeProperties, ADestroyedObjectEndsItsPropertiesAndLeavesItsPeersClean) {
    const ClassCase cases[] = {Case<RWyxLightProperties>("light", 4), Case<RWyxCameraProperties>("camera", 5),
                               Case<RWyxSkeletonProperties>("skeleton", 6), Case<RWyxMarkerProperties>("marker", 21)};
    for (const ClassCase& c : cases) {
        SCOPED_TRACE(c.name);
        RObject* object = c.make();
        ASSERT_GE(object->GetPropertyCount(), 2);
        OwnedObject peer(CreatePlugObject<RObject>(nullptr));
        RProperty* target = peer->CreateProperty("t", kPropertyTypeDouble, nullptr, false, false, nullptr);
        ASSERT_TRUE(target->ConnectSource(object->GetProperty(0)));
        RProperty* held = object->GetProperty(1);
        const RPlugRef heldRef(held), firstRef(object->GetProperty(0));
        const RPlugRef lastRef(object->GetProperty(object->GetPropertyCount() - 1));
        {
            const RPlugLock hold(held);
            object->Destroy();
            EXPECT_EQ(held->GetOwner(), nullptr);
        }
        EXPECT_EQ(target->GetSourceCount(), 0);
        EXPECT_FALSE(heldRef.IsValid() || firstRef.IsValid() || lastRef.IsValid());
    }
}
