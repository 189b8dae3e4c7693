#include "scene/RWyxNodeProperties.h"

#include "core/RDataType.h"
#include "core/RPlugHandleTable.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"
#include "tests/support/OwnedPlug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

namespace {

enum class Value { False, True, Zero, One, Origin, Ones, List };

struct Row {
    const char* name;
    int typeCode;
    Value value;
    std::uint32_t stateFlags;
    bool created;  // rows 51 to 54: owned, animatable, with the data type of their name
};

constexpr std::uint32_t kNotSaved = RProperty::kStateNotSaved;
constexpr std::uint32_t kWriter = RProperty::kStateWriterFlag;
constexpr int kBool = kPropertyTypeBool;
constexpr int kVector = kPropertyTypeVector3;
constexpr int kNumber = kPropertyTypeDouble;
constexpr int kEnum = kPropertyTypeEnum;
constexpr int kList = kPropertyTypeObject;

const Row kTable[] = {
    {"QuaternionInterpolate", kBool, Value::False, 0, false},
    {"RotationOffset", kVector, Value::Origin, 0, false},
    {"RotationPivot", kVector, Value::Origin, 0, false},
    {"RotationPivotUpdateOffset", kVector, Value::Origin, kNotSaved, false},
    {"ScalingOffset", kVector, Value::Origin, 0, false},
    {"ScalingPivot", kVector, Value::Origin, 0, false},
    {"ScalingPivotUpdateOffset", kVector, Value::Origin, kNotSaved, false},
    {"TranslationActive", kBool, Value::False, 0, false},
    {"TranslationMin", kVector, Value::Origin, 0, false},
    {"TranslationMax", kVector, Value::Origin, 0, false},
    {"TranslationMinX", kBool, Value::False, 0, false},
    {"TranslationMinY", kBool, Value::False, 0, false},
    {"TranslationMinZ", kBool, Value::False, 0, false},
    {"TranslationMaxX", kBool, Value::False, 0, false},
    {"TranslationMaxY", kBool, Value::False, 0, false},
    {"TranslationMaxZ", kBool, Value::False, 0, false},
    {"RotationOrder", kEnum, Value::Zero, 0, false},
    {"RotationSpaceForLimitOnly", kBool, Value::False, 0, false},
    {"RotationStiffnessX", kNumber, Value::Zero, 0, false},
    {"RotationStiffnessY", kNumber, Value::Zero, 0, false},
    {"RotationStiffnessZ", kNumber, Value::Zero, 0, false},
    {"AxisLen", kNumber, Value::Zero, 0, false},
    {"PreRotation", kVector, Value::Origin, 0, false},
    {"PostRotation", kVector, Value::Origin, 0, false},
    {"RotationActive", kBool, Value::False, 0, false},
    {"RotationMin", kVector, Value::Origin, 0, false},
    {"RotationMax", kVector, Value::Origin, 0, false},
    {"RotationMinX", kBool, Value::False, 0, false},
    {"RotationMinY", kBool, Value::False, 0, false},
    {"RotationMinZ", kBool, Value::False, 0, false},
    {"RotationMaxX", kBool, Value::False, 0, false},
    {"RotationMaxY", kBool, Value::False, 0, false},
    {"RotationMaxZ", kBool, Value::False, 0, false},
    {"InheritType", kEnum, Value::Zero, 0, false},
    {"ScalingActive", kBool, Value::False, 0, false},
    {"ScalingMin", kVector, Value::Origin, 0, false},
    {"ScalingMax", kVector, Value::Origin, 0, false},
    {"ScalingMinX", kBool, Value::False, 0, false},
    {"ScalingMinY", kBool, Value::False, 0, false},
    {"ScalingMinZ", kBool, Value::False, 0, false},
    {"ScalingMaxX", kBool, Value::False, 0, false},
    {"ScalingMaxY", kBool, Value::False, 0, false},
    {"ScalingMaxZ", kBool, Value::False, 0, false},
    {"GeometricTranslation", kVector, Value::Origin, 0, false},
    {"GeometricRotation", kVector, Value::Origin, 0, false},
    {"GeometricScaling", kVector, Value::Ones, 0, false},
    {"LookAtProperty", kList, Value::List, 1, false},
    {"UpVectorProperty", kList, Value::List, 1, false},
    {"Show", kBool, Value::True, 0, false},
    {"NegativePercentShapeSupport", kBool, Value::True, 0, false},
    {"Lcl Translation", kVector, Value::Origin, kWriter, true},
    {"Lcl Rotation", kVector, Value::Origin, kWriter, true},
    {"Lcl Scaling", kVector, Value::Ones, kWriter, true},
    {"Visibility", kNumber, Value::One, kWriter, true},
};

void ExpectDefault(const RProperty& property, Value expected) {
    const RPropertyValue value = property.GetValue();
    switch (expected) {
        case Value::False:
        case Value::True: EXPECT_EQ(std::get<bool>(value), expected == Value::True); break;
        case Value::Zero:
        case Value::One:
            EXPECT_DOUBLE_EQ(property.GetDouble(), expected == Value::One ? 1.0 : 0.0);
            break;
        case Value::Origin:
        case Value::Ones: {
            const double component = expected == Value::Ones ? 1.0 : 0.0;
            const RVector4& vector = std::get<RVector4>(value);
            EXPECT_DOUBLE_EQ(vector.x, component);
            EXPECT_DOUBLE_EQ(vector.y, component);
            EXPECT_DOUBLE_EQ(vector.z, component);
            EXPECT_DOUBLE_EQ(vector.w, 1.0);
            break;
        }
        case Value::List: EXPECT_EQ(property.GetSourceCount(), 0); break;
    }
}

class NodePropertiesTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
    RWyxNode* node = factory.CreateNode("Arm");
    RWyxNodeProperties* properties = node->GetProperties();
};

TEST_F(NodePropertiesTest, AFreshNodeListsTheFiftyFourPropertiesInTableOrderWithTheirDefaultsAndFlags) {
    ASSERT_EQ(properties->GetPropertyCount(), RWyxNodeProperties::kPropertyCount);
    ASSERT_EQ(std::size(kTable), static_cast<size_t>(RWyxNodeProperties::kPropertyCount));
    for (int i = 0; i < properties->GetPropertyCount(); ++i) {
        const Row& row = kTable[i];
        const RProperty* property = properties->GetProperty(i);
        SCOPED_TRACE(std::string("row ") + std::to_string(i + 1) + " " + row.name);
        ASSERT_NE(property, nullptr);
        EXPECT_STREQ(property->GetName(), row.name);
        EXPECT_EQ(property->GetTypeCode(), row.typeCode);
        EXPECT_EQ(property->GetOwner(), properties);
        ExpectDefault(*property, row.value);
        for (std::uint32_t flag : {1u, kWriter, kNotSaved}) {
            EXPECT_EQ(property->HasStateFlags(flag), (row.stateFlags & flag) != 0) << "state flag " << flag;
        }
        EXPECT_EQ(property->IsAnimatable(), row.created);
        EXPECT_EQ(property->IsOwnedByObject(), row.created || row.value == Value::List);
        if (row.created) {
            EXPECT_EQ(property->GetDataType(), RDataType::FindByName(row.name));
        }
        if (row.value == Value::List) {
            EXPECT_TRUE(property->HasFlag(RProperty::kListFlag | RProperty::kObjectList));
        }
    }
}

// The rows join together when the node is made: each is found by its name, as a member of the
// properties object, and a property added afterwards joins behind them and is found as well.
TEST_F(NodePropertiesTest, EveryRowIsFoundByItsNameAndALaterPropertyJoinsBehindThem) {
    for (int i = 0; i < RWyxNodeProperties::kPropertyCount; ++i) {
        SCOPED_TRACE(kTable[i].name);
        RProperty* property = properties->GetProperty(i);
        EXPECT_EQ(properties->FindProperty(kTable[i].name), property);
        EXPECT_EQ(properties->IndexOfProperty(property), i);
        EXPECT_EQ(property->GetOwnerObject(), properties);
    }
    RProperty* extra = properties->CreateProperty("Extra", kPropertyTypeDouble, nullptr, true, true, nullptr);
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(properties->GetPropertyCount(), RWyxNodeProperties::kPropertyCount + 1);
    EXPECT_EQ(properties->GetProperty(RWyxNodeProperties::kPropertyCount), extra);
    EXPECT_EQ(properties->FindProperty("Extra"), extra);
    // A name the table has already gets a counter.
    EXPECT_STREQ(properties->CreateProperty("Show", kPropertyTypeBool, nullptr, false, true, nullptr)->GetName(),
                 "Show 0");
}

// The rows' names are indexed together when the node is made: a row that leaves is no longer
// found, and its name is free again, in this node only.
TEST_F(NodePropertiesTest, ARowThatLeavesIsNoLongerFoundAndFreesItsName) {
    RProperty* show = properties->FindProperty("Show");
    ASSERT_NE(show, nullptr);
    ASSERT_TRUE(properties->RemoveProperty(show));
    EXPECT_EQ(properties->FindProperty("Show"), nullptr);
    EXPECT_EQ(properties->GetPropertyCount(), RWyxNodeProperties::kPropertyCount - 1);
    RProperty* made = properties->CreateProperty("Show", kPropertyTypeBool, nullptr, false, true, nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->GetName(), "Show");
    EXPECT_EQ(properties->FindProperty("Show"), made);
    RWyxNode* other = factory.CreateNode("Leg");
    EXPECT_EQ(other->GetProperties()->FindProperty("Show"), other->GetProperties()->GetProperty(48));
    EXPECT_EQ(properties->FindProperty("Visibility"), properties->GetProperty(52));  // one place forward
}

TEST_F(NodePropertiesTest, MemberPropertiesAreBoundToTheSettersAndGetters) {
    RProperty* pivot = properties->FindProperty("RotationPivot");
    ASSERT_TRUE(pivot->SetValue(RVector4(1.0, 2.0, 3.0, 1.0)));
    EXPECT_DOUBLE_EQ(properties->GetRotationPivot().y, 2.0);

    properties->SetAxisLen(4.5);
    EXPECT_DOUBLE_EQ(properties->FindProperty("AxisLen")->GetDouble(), 4.5);
    EXPECT_EQ(properties->SetShow(0), 0);
    EXPECT_FALSE(std::get<bool>(properties->FindProperty("Show")->GetValue()));
    EXPECT_EQ(properties->SetTranslationMaxZ(7), 7);  // a Bool setter answers its byte
    EXPECT_TRUE(properties->GetTranslationMaxZ());
    ASSERT_TRUE(properties->FindProperty("RotationOrder")->SetInt(5));
    EXPECT_EQ(properties->GetRotationOrder(), 5);
}

TEST_F(NodePropertiesTest, VectorGettersAnswerWOneWhateverFourthComponentWasGiven) {
    properties->SetRotationPivot(RVector4(1.0, 2.0, 3.0, 7.0));
    EXPECT_DOUBLE_EQ(properties->GetRotationPivot().w, 1.0);
    EXPECT_DOUBLE_EQ(properties->GetRotationPivot().z, 3.0);
    RProperty* scaling = properties->FindProperty("GeometricScaling");
    ASSERT_TRUE(scaling->SetValue(RVector4(2.0, 2.0, 2.0, -5.0)));
    EXPECT_DOUBLE_EQ(std::get<RVector4>(scaling->GetValue()).w, 1.0);
    EXPECT_DOUBLE_EQ(properties->GetGeometricScaling().w, 1.0);
}

// Records the plug events that climb to it from its properties.
class EventRecorder : public RObject {
public:
    std::vector<int> codes;
    bool SendEvent(const RPlugEventPath* path, const RPlugEvent& event) override {
        codes.push_back(event.code);
        return RObject::SendEvent(path, event);
    }
};

// A destroyed node's properties leave whole: a member and a channel feeding a surviving
// object's properties are cut (the survivor hears both), and a member held past the
// node outlives it, cut from it; when the survivor goes first nothing is left connected.
TEST(NodePropertiesTeardown, PropertiesConnectedToASurvivorOrHeldLeaveWholeWhicheverGoesFirst) {
    for (const bool survivorFirst : {false, true}) {
        SCOPED_TRACE(survivorFirst ? "survivor first" : "node first");
        RWyxObjectFactory factory;
        RWyxNode* node = factory.CreateNode("Arm");
        RWyxNodeProperties* properties = node->GetProperties();
        auto survivor = Make<EventRecorder>();
        RProperty* showTarget = survivor->CreateProperty("s", kPropertyTypeBool, nullptr, false, false, nullptr);
        RProperty* moveTarget = survivor->CreateProperty("m", kPropertyTypeVector3, nullptr, false, false, nullptr);
        RProperty* show = properties->FindProperty("Show");
        RProperty* translation = properties->FindProperty("Lcl Translation");
        RProperty* held = properties->FindProperty("AxisLen");
        ASSERT_TRUE(showTarget->ConnectSource(show));
        ASSERT_TRUE(moveTarget->ConnectSource(translation));
        const RPlugRef showRef(show), translationRef(translation), heldRef(held);
        if (survivorFirst) survivor.reset();
        if (survivor) survivor->codes.clear();
        {
            const RPlugLock hold(held);
            ASSERT_TRUE(factory.DestroyNode(node, false));
            EXPECT_TRUE(heldRef.IsValid());  // until its holder lets go
            EXPECT_EQ(held->GetOwner(), nullptr);
        }
        EXPECT_FALSE(showRef.IsValid() || translationRef.IsValid() || heldRef.IsValid());
        if (survivor) {
            EXPECT_EQ(showTarget->GetSourceCount() + moveTarget->GetSourceCount(), 0);
            const std::vector<int>& codes = survivor->codes;
            EXPECT_EQ(std::count(codes.begin(), codes.end(), kPlugEventSourceRemoved), 2);
        }
    }
}

// Every row's property is standard, a row that left the list included, and no other is: not
// a property added later, nor another node's rows. The node ends them all with itself, the
// one that left too, and no plug is left behind.
TEST(NodePropertiesTeardown, EveryRowIsStandardAndEndsWithTheNodeEvenAfterLeavingTheList) {
    RWyxObjectFactory factory;
    const int livePlugsWithFactory = GetHandleTable().GetLivePlugCount();
    RWyxNode* node = factory.CreateNode("Arm");
    RWyxNode* other = factory.CreateNode("Leg");
    RWyxNodeProperties* properties = node->GetProperties();
    std::vector<RProperty*> rows;
    for (int i = 0; i < RWyxNodeProperties::kPropertyCount; ++i) rows.push_back(properties->GetProperty(i));
    RProperty* extra = properties->CreateProperty("Extra", kPropertyTypeDouble, nullptr, true, true, nullptr);
    for (RProperty* row : {rows.front(), rows[20], rows.back()}) ASSERT_TRUE(properties->RemoveProperty(row));
    for (int i = 0; i < RWyxNodeProperties::kPropertyCount; ++i) {
        EXPECT_TRUE(properties->IsStandardProperty(rows[static_cast<std::size_t>(i)])) << kTable[i].name;
        EXPECT_FALSE(properties->IsStandardProperty(other->GetProperties()->GetProperty(i))) << kTable[i].name;
    }
    EXPECT_FALSE(properties->IsStandardProperty(extra));
    EXPECT_FALSE(properties->IsStandardProperty(nullptr));
    rows.back()->Destroy();  // a channel is the list's to end: once out of it, the caller's
    ASSERT_TRUE(factory.DestroyNode(node, false));
    ASSERT_TRUE(factory.DestroyNode(other, false));
    EXPECT_EQ(GetHandleTable().GetLivePlugCount(), livePlugsWithFactory);
}

TEST(NodePropertyNames, RotationOrdersAndInheritTypesHaveDistinctNamesAndNoneOutOfRange) {
    const char* const orders[] = {"Euler XYZ", "Euler XZY", "Euler YZX", "Euler YXZ",
                                  "Euler ZXY", "Euler ZYX", "Spheric XYZ"};
    for (int order = 0; order < 7; ++order) EXPECT_STREQ(RWyxNodeProperties::RotationOrderName(order), orders[order]);
    EXPECT_EQ(RWyxNodeProperties::RotationOrderName(7), nullptr);
    EXPECT_EQ(RWyxNodeProperties::RotationOrderName(-1), nullptr);

    EXPECT_STREQ(RWyxNodeProperties::InheritTypeName(0), "RrSs");
    EXPECT_STREQ(RWyxNodeProperties::InheritTypeName(1), "RSrs");
    EXPECT_STREQ(RWyxNodeProperties::InheritTypeName(2), "Rrs");
    EXPECT_EQ(RWyxNodeProperties::InheritTypeName(3), nullptr);
    EXPECT_EQ(RWyxNodeProperties::InheritTypeName(-1), nullptr);
}

TEST_F(NodePropertiesTest, EnumPropertiesNameTheirValuesThroughTheCallbacks) {
    const RProperty* order = properties->FindProperty("RotationOrder");
    const RProperty* inherit = properties->FindProperty("InheritType");
    EXPECT_STREQ(order->GetEnumName(6), "Spheric XYZ");
    EXPECT_EQ(order->GetEnumName(7), nullptr);
    EXPECT_STREQ(inherit->GetEnumName(1), "RSrs");
    EXPECT_EQ(inherit->GetEnumName(3), nullptr);
    node->SetInheritType(RWyxNodeProperties::kInheritRSrs);
    int type = -1;
    EXPECT_EQ(node->GetInheritType(type), 1);
    EXPECT_EQ(inherit->GetValueAsText(), "RSrs");
}

TEST_F(NodePropertiesTest, BothPivotSetsStartWithTheirDefaults) {
    for (int set = 0; set < RWyxNodeProperties::kPivotSetCount; ++set) {
        const RWyxPivotSet* pivots = properties->GetPivotSet(set);
        ASSERT_NE(pivots, nullptr);
        for (const RVector4* vector :
             {&pivots->rotationOffset, &pivots->rotationPivot, &pivots->rotationPivotUpdateOffset, &pivots->preRotation,
              &pivots->postRotation, &pivots->scalingOffset, &pivots->scalingPivot, &pivots->scalingPivotUpdateOffset,
              &pivots->geometricTranslation, &pivots->geometricRotation}) {
            EXPECT_EQ(*vector, RVector4(0.0, 0.0, 0.0, 1.0));
            EXPECT_DOUBLE_EQ(vector->w, 1.0);
        }
        EXPECT_EQ(pivots->geometricScaling, RVector4(1.0, 1.0, 1.0, 1.0));
        EXPECT_DOUBLE_EQ(pivots->geometricScaling.w, 1.0);
        EXPECT_EQ(pivots->rotationOrder, 0);
        EXPECT_EQ(pivots->rotationSpaceForLimitOnly, 0);
        EXPECT_EQ(pivots->cacheValid, 0);
        EXPECT_EQ(pivots->pivotState, 1);
        EXPECT_FALSE(pivots->IsInUse());
        EXPECT_DOUBLE_EQ(pivots->pivotGlobalTransform[3][0], 0.0);
        EXPECT_DOUBLE_EQ(pivots->pivotGlobalTransform[1][1], 1.0);
    }
    EXPECT_EQ(properties->GetPivotSet(2), nullptr);
    EXPECT_EQ(properties->GetPivotSet(-1), nullptr);
}

TEST_F(NodePropertiesTest, ClassIdentityAnswersItsAncestors) {
    EXPECT_STREQ(properties->GetClassName(), "RWyxNodeProperties");
    EXPECT_TRUE(properties->Is(RWyxNodeProperties::ClassId()));
    EXPECT_TRUE(properties->Is(RWyxPropertyHandler::ClassId()));
    EXPECT_TRUE(properties->Is(RObject::ClassId()));
    EXPECT_FALSE(properties->FindProperty("Show")->Is(RWyxNodeProperties::ClassId()));
    EXPECT_EQ(properties->GetNode(), node);
}

TEST_F(NodePropertiesTest, TargetListsTakeOnlyNodePropertiesAsSources) {
    RPropertyObjectList* lookAt = properties->GetLookAtProperty();
    ASSERT_NE(lookAt, nullptr);
    RObject* plain = CreatePlugObject<RObject>(nullptr);
    EXPECT_FALSE(lookAt->ConnectSource(plain));
    EXPECT_FALSE(lookAt->ConnectDestination(factory.CreateNode("Other")->GetProperties()));
    EXPECT_TRUE(lookAt->ConnectSource(factory.CreateNode("Target")->GetProperties()));
    EXPECT_EQ(lookAt->GetCount(), 1);
    plain->Destroy();
}

TEST_F(NodePropertiesTest, ConnectingDirectlyBelowADescendantIsRefusedWithTheCycleError) {
    RWyxNode* child = factory.CreateNode("Child");
    RWyxNode* grandchild = factory.CreateNode("Grandchild");
    ASSERT_TRUE(node->AddChild(child));
    ASSERT_TRUE(child->AddChild(grandchild));

    EXPECT_FALSE(grandchild->GetProperties()->ConnectSource(properties));
    EXPECT_EQ(grandchild->GetError().GetLastErrorCode(), RWyxNode::kErrorCyclicGraph);
    EXPECT_STREQ(grandchild->GetError().GetLastErrorString(),
                 "Operation with a target of the entity would generate a cyclic graph");
    EXPECT_EQ(node->GetParent(), nullptr);
    EXPECT_EQ(grandchild->GetChildCount(), 0);

    // A detached node is taken.
    RWyxNode* loose = factory.CreateNode("Loose");
    EXPECT_TRUE(grandchild->GetProperties()->ConnectSource(loose->GetProperties()));
    EXPECT_EQ(loose->GetParent(), grandchild);
}

TEST_F(NodePropertiesTest, AnimatableValueChangesReachTheCurveDefaultsOfBothTakes) {
    RWyxTakeNode* take = node->AddTakeNode("Take 001");
    ASSERT_NE(take, nullptr);
    ASSERT_TRUE(node->SetCurrentTakeNodeByName("Take 001"));
    properties->FindProperty("Lcl Translation")->SetValue(RVector4(4.0, 5.0, 6.0, 1.0));
    EXPECT_FLOAT_EQ(take->GetTranslationYCurve()->GetDefaultValue(), 5.0f);
    EXPECT_FLOAT_EQ(node->GetDefaultTakeNode()->GetTranslationZCurve()->GetDefaultValue(), 6.0f);
}

// Hears the value relays that reach it as an owning object.
class ValueListener : public RObject {
public:
    bool ReceiveRelayA(const RRelayEvent& event) override {
        if (event.code == kRelayValueChanging || event.code == kRelayValueChanged) {
            heard.push_back(static_cast<const RProperty*>(event.sender)->GetName() + std::string(" ") +
                            std::to_string(event.code));
        }
        return true;
    }
    std::vector<std::string> heard;
};

TEST_F(NodePropertiesTest, AListenerHearsEveryValueChangeWhileUnheardPlainChangesAreLeftOut) {
    // Nothing hears a fresh node's plain values: their writes skip the relays.
    EXPECT_TRUE(properties->HearsNoPlainValueRelays());
    RProperty* show = properties->FindProperty("Show");
    RProperty* translation = properties->FindProperty("Lcl Translation");
    ASSERT_TRUE(show->SetValue(false));
    EXPECT_FALSE(properties->GetShow());

    auto listener = Make<ValueListener>();
    properties->SetOwningObject(listener->GetRef());
    ASSERT_TRUE(show->SetValue(true));
    ASSERT_TRUE(translation->SetValue(RVector4(1.0, 2.0, 3.0, 1.0)));
    const std::string changing = std::to_string(kRelayValueChanging);
    const std::string changed = std::to_string(kRelayValueChanged);
    EXPECT_EQ(listener->heard, (std::vector<std::string>{"Show " + changing, "Show " + changed,
                                                        "Lcl Translation " + changing,
                                                        "Lcl Translation " + changed}));
    EXPECT_TRUE(properties->GetShow());
    properties->SetOwningObject(RPlugRef());
}

}  // namespace
