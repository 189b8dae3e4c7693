#include "scene/RWyxTakeNodeContainer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/RProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "scene/RWyxTakeNode.h"
#include "tests/scene/TakeTestSupport.h"

using take_test::AddChannel;
using take_test::AddKey;
using take_test::CurveLog;
using take_test::Seconds;

namespace {

// Hands user-property changes on to the container, as scene classes do, and, when asked,
// every direct value change as well; counts the value writes.
class TestProperties : public RWyxPropertyHandler {
public:
    void OnUserPropertyChanged(RWyxUserProperty& userProperty) override { owner->UpdateCurveDefaults(userProperty); }
    bool RelayA(const RRelayEvent& event) override {
        if (event.code == kRelayValueChanged) {
            ++valueWrites;
            RWyxUserProperty* wrapper = owner->FindUserProperty(static_cast<const RProperty*>(event.sender));
            if (forwardValueChanges && wrapper != nullptr) owner->UpdateCurveDefaults(*wrapper);
        }
        return RWyxPropertyHandler::RelayA(event);
    }
    RWyxTakeNodeContainer* owner = nullptr;
    bool forwardValueChanges = false;
    int valueWrites = 0;
};

const char* const kMessages[] = {"Take node error"};

// An animatable object built as nodes are: properties, the default take, then a user-property
// wrapper for every property. Its template makes "Transform"/"T" for "Lcl Translation".
class TestAnimatable : public RWyxTakeNodeContainer {
public:
    TestAnimatable() : RWyxTakeNodeContainer(nullptr, "Lamp", error), error(kMessages, 1) {
        properties->owner = this;
        intensity = Make("Intensity", kPropertyTypeDouble, &RDataType::Number(), true);
        color = Make("Color", kPropertyTypeColorRGB, &RDataType::Color(), true);
        tint = Make("Tint", kPropertyTypeColorRGBA, &RDataType::ColorAndAlpha(), true);
        translation = Make("Lcl Translation", kPropertyTypeVector3, RDataType::FindByName("Lcl Translation"), true);
        count = Make("Count", kPropertyTypeInt, &RDataType::Integer(), true);
        Make("Label", kPropertyTypeString, nullptr, false);
        intensity->SetDouble(2.0);
        color->SetValue(RVector4(0.1, 0.2, 0.3, 1.0));
        tint->SetValue(RVector4(0.4, 0.5, 0.625, 0.75));
        translation->SetValue(RVector4(1.0, 2.0, 3.0, 1.0));
        count->SetInt(4);
        CreateDefaultTakeNode();
        for (int i = 0; i < properties->GetPropertyCount(); ++i) {
            auto wrapper = std::make_unique<RWyxUserProperty>(this, properties->GetProperty(i));
            wrapper->SetNotifyTarget(properties.get(), properties.get());
            AddUserProperty(std::move(wrapper));
        }
        properties->valueWrites = 0;
    }
    int GetTypeId() const override { return 1; }
    void CreateChannelTemplate(RWyxTakeNode& takeNode) override {
        ++templatesBuilt;
        RFCurveNode* t = RFCurveNode::Create("T", RDataType::FindByName("Lcl Translation"));
        takeNode.GetRootCurveNode()->FindOrAddChild("Transform", false)->AddChild(t);
        for (int i = 0; i < 3; ++i) {
            RFCurve* curve = AddChannel(*t, i == 0 ? "X" : i == 1 ? "Y" : "Z");
            if (takeNode.GetName() == "Default") LinkPropertyToCurve(translation, i, curve);
        }
        for (int i = 0; i < properties->GetPropertyCount(); ++i) {
            RProperty* property = properties->GetProperty(i);
            if (property->IsAnimatable() && property != translation) CreatePropertyCurveNode(takeNode, *property);
        }
    }
    void CollectProperties(std::vector<RProperty*>& list) const override {
        for (int i = 0; i < properties->GetPropertyCount(); ++i) list.push_back(properties->GetProperty(i));
    }
    // Nodes make the property of a user-property record first.
    void OnUserPropertyAdded(RWyxUserProperty& userProperty) override {
        properties->CreateUserProperty(&userProperty);
        RWyxTakeNodeContainer::OnUserPropertyAdded(userProperty);
    }

    RWyxUserProperty* AddRecord(const char* name, const char* type, bool animatable) {
        auto record = std::make_unique<RWyxUserProperty>(this, name, type, "");
        record->SetFlag(RWyxUserProperty::kFlagAnimatable, animatable);
        return AddUserProperty(std::move(record));
    }
    RFCurve* Curve(int take, const char* channel, const char* component = nullptr) {
        return GetTakeNode(take)->FindCurve(nullptr, channel, component);
    }

    RError error;
    std::unique_ptr<TestProperties, RPlugDestroyer> properties{CreatePlugObject<TestProperties>(nullptr)};
    RProperty* intensity = nullptr;
    RProperty* color = nullptr;
    RProperty* tint = nullptr;
    RProperty* translation = nullptr;
    RProperty* count = nullptr;
    int templatesBuilt = 0;

private:
    RProperty* Make(const char* name, int typeCode, const RDataType* type, bool animatable) {
        return properties->CreateProperty(name, typeCode, type, animatable, false, nullptr);
    }
};

RVector4 VectorOf(const RProperty* property) { return std::get<RVector4>(property->GetValue()); }

// Takes "Default", "A" and "B", the one at `current` current.
std::unique_ptr<TestAnimatable> WithThreeTakes(int current) {
    auto object = std::make_unique<TestAnimatable>();
    object->AddTakeNode("A");
    object->AddTakeNode("B");
    EXPECT_TRUE(object->SetCurrentTakeNodeByIndex(current));
    return object;
}

}  // namespace

// First: a link that outlives its curve would fail every later test at its end.
TEST(RWyxTakeNodeContainer, LinksEndWithTheirCurveTheirPropertyOrTheirContainer) {
    RFCurve* outside = RFCurve::Create();
    {
        TestAnimatable object;
        const int links = object.GetPropertyCurveLinkCount();
        EXPECT_FALSE(object.LinkPropertyToCurve(nullptr, 0, outside));
        EXPECT_FALSE(object.LinkPropertyToCurve(object.intensity, 0, nullptr));
        EXPECT_FALSE(object.LinkPropertyToCurve(object.tint, 4, outside));
        EXPECT_TRUE(object.LinkPropertyToCurve(object.tint, 2, outside));
        EXPECT_TRUE(object.LinkPropertyToCurve(object.tint, 2, outside));
        RFCurve* doomed = RFCurve::Create();
        object.LinkPropertyToCurve(object.intensity, 0, doomed);
        RFCurve::Destroy(doomed);
        EXPECT_EQ(object.GetPropertyCurveLinkCount(), links + 1);

        outside->SetDefaultValue(0.5f);
        EXPECT_DOUBLE_EQ(VectorOf(object.tint).z, 0.5);
        RProperty* tint = object.tint;
        object.properties->ReleaseAndClear(tint);
        outside->SetDefaultValue(0.25f);  // the property is gone: nothing to write
    }
    CurveLog log;
    log.Watch(*outside);
    outside->SetDefaultValue(1.0f);  // the container is gone and no longer listens
    EXPECT_EQ(log.defaultChanges, 1);
    RFCurve::Destroy(outside);
}

// A few links are searched one by one, many through an index by curve: a link asked for again
// is never made twice, whether it was made before the index or after, and a curve's end takes
// its links out of either.
TEST(RWyxTakeNodeContainer, LinksStayUniqueBelowAndAboveTheirIndex) {
    TestAnimatable object;
    const int base = object.GetPropertyCurveLinkCount();
    RFCurve* early = object.Curve(0, "Color", "Y");
    std::vector<RFCurve*> curves;
    for (int i = 0; i < 48; ++i) {
        curves.push_back(RFCurve::Create());
        EXPECT_TRUE(object.LinkPropertyToCurve(object.tint, i % 4, curves.back()));
        EXPECT_TRUE(object.LinkPropertyToCurve(object.tint, i % 4, curves.back()));
        EXPECT_TRUE(object.LinkPropertyToCurve(object.color, 1, early));  // made with the object
        EXPECT_TRUE(object.LinkPropertyToCurve(object.tint, 0, curves.front()));
        EXPECT_EQ(object.GetPropertyCurveLinkCount(), base + i + 1) << i;
    }
    EXPECT_TRUE(object.LinkPropertyToCurve(object.tint, 1, curves.front()));  // another component
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), base + 49);
    RFCurve::Destroy(curves.front());
    RFCurve::Destroy(curves[20]);
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), base + 46);
    curves[30]->SetDefaultValue(0.25f);
    EXPECT_DOUBLE_EQ(VectorOf(object.tint).z, 0.25) << "curve 30 drives the third component";
    for (std::size_t i = 1; i < curves.size(); ++i) {
        if (i != 20) RFCurve::Destroy(curves[i]);
    }
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), base);
}

TEST(RWyxTakeNodeContainer, TakesAreAddedAsCopiesAndSelectedByExactName) {
    TestAnimatable object;
    EXPECT_EQ(object.GetTakeNodeCount(), 1);
    EXPECT_STREQ(object.GetCurrentTakeNodeName(), "Default");
    EXPECT_EQ(object.GetCurrentTakeNode(), object.GetDefaultTakeNode());
    // Intensity 1 + Color 3 + Tint 4 + translation 3 + Count 1; the wrappers add none.
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), 12);
    EXPECT_FLOAT_EQ(object.Curve(0, "T", "Z")->GetDefaultValue(), 3.0f) << "written when the wrapper connected";

    AddKey(*object.Curve(0, "Intensity"), 1.0, 5.0f);
    ASSERT_NE(object.AddTakeNode("Take 001"), nullptr);
    EXPECT_EQ(object.templatesBuilt, 1) << "a copy, not a new template";
    EXPECT_EQ(object.GetCurrentTakeNodeIndex(), 0) << "adding does not select";
    EXPECT_NE(object.Curve(1, "Intensity"), object.Curve(0, "Intensity"));
    EXPECT_EQ(object.Curve(1, "Intensity")->GetKeyCount(), 1);
    EXPECT_FLOAT_EQ(object.Curve(1, "Tint", "toto")->GetDefaultValue(), 0.75f);
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), 12) << "only the default take is linked";

    EXPECT_EQ(object.AddTakeNode("Take 001"), nullptr);
    EXPECT_EQ(object.error.GetLastErrorCode(), 0);
    EXPECT_STREQ(object.error.GetLastErrorString(), "Take node already exists");
    EXPECT_TRUE(object.SetCurrentTakeNodeByName("Take 001"));
    EXPECT_FALSE(object.SetCurrentTakeNodeByName("take 001"));
    EXPECT_EQ(object.GetCurrentTakeNodeIndex(), 0);
    EXPECT_STREQ(object.error.GetLastErrorString(), "Unknown take node name");
    EXPECT_TRUE(object.SetCurrentTakeNodeByIndex(1));
    EXPECT_FALSE(object.SetCurrentTakeNodeByIndex(2));
    EXPECT_EQ(object.GetCurrentTakeNodeIndex(), 0);
    EXPECT_STREQ(object.error.GetLastErrorString(), "Index out of range");
    EXPECT_EQ(object.GetTakeNodeName(-1), nullptr);
    EXPECT_STREQ(object.error.GetLastErrorString(), "Take node does not exist");
}

TEST(RWyxTakeNodeContainer, RemovingATakeKeepsTheCurrentTake) {
    const struct {
        int current;
        int removed;
        bool removes;
        const char* currentAfter;
        const char* error;
    } cases[] = {
        {2, 1, true, "B", ""},  // a take before the current one: still B, now at index 1
        {2, 2, true, "A", ""},  // the current one: the one before it
        {1, 2, true, "A", ""},
        {1, 0, false, "A", "Cannot remove default take node"},
        {1, 3, false, "A", "Index out of range"},
    };
    for (const auto& c : cases) {
        auto object = WithThreeTakes(c.current);
        EXPECT_EQ(object->RemoveTakeNode(c.removed), c.removes);
        EXPECT_EQ(object->GetTakeNodeCount(), c.removes ? 2 : 3);
        EXPECT_STREQ(object->GetCurrentTakeNodeName(), c.currentAfter) << c.current << " " << c.removed;
        EXPECT_STREQ(object->error.GetLastErrorString(), c.error);
    }
}

TEST(RWyxTakeNodeContainer, PropertyChannelsHaveOneCurvePerComponent) {
    TestAnimatable object;
    const RFCurveNode& root = *object.GetDefaultTakeNode()->GetRootCurveNode();
    const RFCurveNode* tint = root.GetChild(root.GetChildIndexByName("Tint"));
    ASSERT_EQ(tint->GetChildCount(), 4);
    EXPECT_EQ(tint->GetCurve(), nullptr);
    const char* const names[] = {"X", "Y", "Z", "toto"};
    const float values[] = {0.4f, 0.5f, 0.625f, 0.75f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(tint->GetChild(i)->GetName(), names[i]);
        EXPECT_FLOAT_EQ(tint->GetChild(i)->GetCurve()->GetDefaultValue(), values[i]);
    }
    EXPECT_EQ(root.GetChild(root.GetChildIndexByName("Color"))->GetChildCount(), 3);
    EXPECT_EQ(root.GetChild(root.GetChildIndexByName("Intensity"))->GetChildCount(), 0);
    EXPECT_EQ(root.GetChildIndexByName("Label"), -1);

    // A channel is made once; only a take named "Default", in any case, links its curves.
    const int links = object.GetPropertyCurveLinkCount();
    object.CreatePropertyCurveNode(*object.GetDefaultTakeNode(), *object.tint);
    RWyxTakeNode other("Other");
    RWyxTakeNode lowerCase("default");
    object.CreatePropertyCurveNode(other, *object.tint);
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), links);
    EXPECT_FLOAT_EQ(other.FindCurve(nullptr, "Tint", "Y")->GetDefaultValue(), 0.5f);
    object.CreatePropertyCurveNode(lowerCase, *object.tint);
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), links + 4);
}

TEST(RWyxTakeNodeContainer, LinkedCurveDefaultsWriteThePropertyOnceEachWay) {
    TestAnimatable object;
    object.Curve(0, "Color", "Y")->SetDefaultValue(0.75f);
    EXPECT_DOUBLE_EQ(VectorOf(object.color).y, 0.75);
    EXPECT_DOUBLE_EQ(VectorOf(object.color).x, 0.1) << "the other components stay";
    object.Curve(0, "Tint", "toto")->SetDefaultValue(0.25f);
    EXPECT_DOUBLE_EQ(VectorOf(object.tint).w, 0.25);
    object.Curve(0, "Count")->SetDefaultValue(3.75f);
    EXPECT_EQ(object.count->GetInt(), 3);
    object.Curve(0, "T", "Y")->SetDefaultValue(-4.0f);
    EXPECT_DOUBLE_EQ(VectorOf(object.translation).y, -4.0);
    AddKey(*object.Curve(0, "Intensity"), 1.0, 100.0f);  // keys change no default
    object.AddTakeNode("Take 001");
    object.Curve(1, "Intensity")->SetDefaultValue(1.0f);  // other takes are not linked
    EXPECT_DOUBLE_EQ(object.intensity->GetDouble(), 2.0);

    // With every value change handed on, one change still writes once each way.
    object.properties->forwardValueChanges = true;
    object.properties->valueWrites = 0;
    RFCurve* curve = object.Curve(0, "Intensity");
    CurveLog log;
    log.Watch(*curve);
    object.intensity->SetDouble(5.0);
    EXPECT_EQ(object.properties->valueWrites, 1);
    EXPECT_EQ(log.defaultChanges, 1);
    EXPECT_FLOAT_EQ(curve->GetDefaultValue(), 5.0f);
    curve->SetDefaultValue(7.0f);
    EXPECT_EQ(log.defaultChanges, 2);
    EXPECT_EQ(object.properties->valueWrites, 2);
    EXPECT_DOUBLE_EQ(object.intensity->GetDouble(), 7.0);
    object.intensity->SetDouble(0.1);  // the curve's float is not written back
    EXPECT_DOUBLE_EQ(object.intensity->GetDouble(), 0.1);
    log.Forget(*curve);
}

TEST(RWyxTakeNodeContainer, UpdateCurveDefaultsWritesTheCurrentAndTheDefaultTake) {
    TestAnimatable object;
    object.AddTakeNode("Take 001");
    object.SetCurrentTakeNodeByIndex(1);
    CurveLog log;
    log.Watch(*object.Curve(1, "Color", "Z"));
    object.FindUserProperty(object.color)->SetVector(0.5, 0.25, 0.125);
    EXPECT_FLOAT_EQ(object.Curve(1, "Color", "Z")->GetDefaultValue(), 0.125f);
    EXPECT_EQ(log.defaultChanges, 1) << "one write, sent once";
    EXPECT_FLOAT_EQ(object.Curve(0, "Color", "X")->GetDefaultValue(), 0.5f);
    object.FindUserProperty(object.translation)->SetVector(7.0, 8.0, 9.0);
    EXPECT_FLOAT_EQ(object.GetTakeNode(1)->GetTranslationYCurve()->GetDefaultValue(), 8.0f);
    EXPECT_FLOAT_EQ(object.GetTakeNode(0)->GetTranslationZCurve()->GetDefaultValue(), 9.0f);

    object.intensity->SetFlag(RProperty::kAnimatable, false);
    object.FindUserProperty(object.intensity)->SetDouble(42.0);
    EXPECT_FLOAT_EQ(object.Curve(0, "Intensity")->GetDefaultValue(), 2.0f) << "not animatable";
    log.Forget(*object.Curve(1, "Color", "Z"));

    // UpdateAllCurveDefaults refreshes the default take from every property.
    object.tint->SetValue(RVector4(1.0, 0.0, 0.0, 0.5));
    object.translation->SetValue(RVector4(-1.0, -2.0, -3.0, 1.0));
    object.UpdateAllCurveDefaults();
    EXPECT_FLOAT_EQ(object.Curve(0, "Tint", "toto")->GetDefaultValue(), 0.5f);
    EXPECT_FLOAT_EQ(object.Curve(0, "T", "X")->GetDefaultValue(), -1.0f);
    EXPECT_FLOAT_EQ(object.Curve(1, "Tint", "toto")->GetDefaultValue(), 0.75f);
}

TEST(RWyxTakeNodeContainer, UserPropertiesBringAndTakeTheirChannels) {
    TestAnimatable object;
    object.AddTakeNode("Take 001");
    const int links = object.GetPropertyCurveLinkCount();
    RWyxUserProperty* speed = object.AddRecord("Speed", "Real", true);
    RWyxUserProperty* aim = object.AddRecord("Aim", "Vector", true);
    object.AddRecord("Still", "Real", false);
    EXPECT_TRUE(speed->GetProperty()->HasStateFlags(RProperty::kStateWriterFlag));
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(object.Curve(i, "Speed"), nullptr);
        EXPECT_NE(object.Curve(i, "Aim", "Z"), nullptr);
        EXPECT_EQ(object.GetTakeNode(i)->GetRootCurveNode()->GetChildIndexByName("Still"), -1);
    }
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), links + 4) << "the default take's curves only";
    object.Curve(0, "Aim", "Y")->SetDefaultValue(6.0f);
    EXPECT_DOUBLE_EQ(aim->GetVector().y, 6.0);

    // A property named like a component gets its own root channel.
    RFCurve* translationX = object.GetDefaultTakeNode()->GetTranslationXCurve();
    object.AddRecord("X", "Real", true)->SetDouble(99.0);
    const RFCurveNode& root = *object.GetDefaultTakeNode()->GetRootCurveNode();
    EXPECT_FLOAT_EQ(root.GetChild(root.GetChildIndexByName("X"))->GetCurve()->GetDefaultValue(), 99.0f);
    EXPECT_FLOAT_EQ(translationX->GetDefaultValue(), 1.0f);

    // Removing deletes the channels, curves and links; transform channels stay with the object.
    EXPECT_TRUE(object.RemoveUserProperty(aim));
    EXPECT_TRUE(object.RemoveUserProperty(object.FindUserPropertyByName("X")));
    EXPECT_TRUE(object.RemoveUserProperty(object.FindUserProperty(object.translation)));
    EXPECT_EQ(object.GetPropertyCurveLinkCount(), links + 1);
    EXPECT_EQ(object.Curve(1, "Aim", "Z"), nullptr);
    EXPECT_EQ(object.GetDefaultTakeNode()->GetTranslationXCurve(), translationX);
    EXPECT_FALSE(object.RemoveUserProperty(nullptr));

    // A wrapper of an animatable property marks it for the writers.
    RProperty* extra = object.properties->CreateProperty("Extra", kPropertyTypeDouble, nullptr, true, false, nullptr);
    object.AddUserProperty(std::make_unique<RWyxUserProperty>(&object, extra));
    EXPECT_TRUE(extra->HasStateFlags(RProperty::kStateWriterFlag));
}

TEST(RWyxTakeNodeContainer, AnimationIsLookedForInTheOtherTakes) {
    auto object = WithThreeTakes(1);
    AddKey(*object->Curve(0, "Intensity"), 0.0, 1.0f);
    EXPECT_FALSE(object->IsAnimatedInAnyTake(nullptr, "Intensity", nullptr));
    AddKey(*object->Curve(2, "Intensity"), 1.0, 1.0f);
    EXPECT_TRUE(object->IsAnimatedInAnyTake(nullptr, "Intensity", nullptr));
    const RDataType* lclTranslation = RDataType::FindByName("Lcl Translation");
    EXPECT_FALSE(object->IsAnimatedInAnyTakeByType("Transform", nullptr, lclTranslation));
    RFCurveNode* t = object->GetTakeNode(2)->GetRootCurveNode()->FindByPath("T");
    t->SetCurve(RFCurve::Create());
    AddKey(*t->GetCurve(), 0.0, 0.0f);
    EXPECT_TRUE(object->IsAnimatedInAnyTakeByType("Transform", nullptr, lclTranslation));

    // The interval is the current take's: take 1 has no keys yet.
    RTime start = Seconds(3.0);
    RTime stop = Seconds(4.0);
    EXPECT_FALSE(object->GetAnimationInterval(start, stop));
    EXPECT_EQ(start, Seconds(3.0));
    AddKey(*object->GetTakeNode(1)->GetTranslationYCurve(), 1.0, 0.0f);
    AddKey(*object->Curve(1, "Tint", "toto"), 6.0, 0.0f);
    EXPECT_TRUE(object->GetAnimationInterval(start, stop));
    EXPECT_EQ(start, Seconds(1.0));
    EXPECT_EQ(stop, Seconds(6.0));

    EXPECT_STREQ(RWyxTakeNodeContainer::PropertyNameToChannel("Lcl Rotation"), "R");
    EXPECT_STREQ(RWyxTakeNodeContainer::PropertyNameToChannel("lcl scaling"), "lcl scaling");
}

// A dying container lets go of its links before its take nodes end their curves: a curve it
// linked (in a take or outside) calls it no more, while another listener of the same curve
// still hears that curve's end, once.
TEST(RWyxTakeNodeContainer, ADyingContainersCurvesStillTellTheirOtherListeners) {
    struct Ends {
        int count = 0;
        static void Listen(RFCurve&, const RCurveChangeRecord& record, void* userData) {
            if ((record.GetKinds() & RCurveChangeRecord::CurveDestroyed) != 0) ++static_cast<Ends*>(userData)->count;
        }
    } ends;
    RFCurve* outside = RFCurve::Create();
    {
        auto object = WithThreeTakes(1);
        ASSERT_TRUE(object->LinkPropertyToCurve(object->intensity, 0, outside));
        object->Curve(0, "Intensity")->AddListener(&Ends::Listen, &ends);
        object->Curve(0, "T", "X")->AddListener(&Ends::Listen, &ends);
    }
    EXPECT_EQ(ends.count, 2);
    CurveLog log;
    log.Watch(*outside);
    outside->SetDefaultValue(1.0f);
    EXPECT_EQ(log.defaultChanges, 1);
    RFCurve::Destroy(outside);
}

// An object with many user properties finds each one's channel, in every take, after others
// came and went.
TEST(RWyxTakeNodeContainer, ManyUserPropertiesKeepTheirChannels) {
    TestAnimatable object;
    object.AddTakeNode("Take 001");
    std::vector<RWyxUserProperty*> properties;
    for (int i = 0; i < 40; ++i) properties.push_back(object.AddRecord(("Custom " + std::to_string(i)).c_str(), "Real", true));
    ASSERT_TRUE(object.RemoveUserProperty(properties[7]));
    ASSERT_TRUE(object.RemoveUserProperty(properties[20]));
    object.AddRecord("Late", "Real", true)->SetDouble(5.0);
    for (int take = 0; take < 2; ++take) {
        const RFCurveNode& root = *object.GetTakeNode(take)->GetRootCurveNode();
        for (int i = 0; i < 40; ++i) {
            const std::string name = "custom " + std::to_string(i);
            const int index = root.GetChildIndexByName(name.c_str());
            if (i == 7 || i == 20) {
                EXPECT_EQ(index, -1);
                continue;
            }
            ASSERT_GE(index, 0) << name;
            EXPECT_STRCASEEQ(root.GetChild(index)->GetName(), name.c_str());
            EXPECT_NE(object.Curve(take, ("CUSTOM " + std::to_string(i)).c_str()), nullptr);
        }
        EXPECT_EQ(root.GetChildIndexByName("LATE"), root.GetChildCount() - 1);
    }
    EXPECT_FLOAT_EQ(object.Curve(0, "Late")->GetDefaultValue(), 5.0f);
}

// Many vector user properties in three takes: each component is found under its own channel,
// not under an earlier one; a curve is linked once however often it is asked; a property
// removed takes its channel and links from every take, and a new one gets its own.
TEST(RWyxTakeNodeContainer, ManyVectorUserPropertiesInSeveralTakes) {
    auto object = WithThreeTakes(0);
    const int links = object->GetPropertyCurveLinkCount();
    std::vector<RWyxUserProperty*> properties;
    for (int i = 0; i < 30; ++i) properties.push_back(object->AddRecord(("Aim " + std::to_string(i)).c_str(), "Vector", true));
    EXPECT_EQ(object->GetPropertyCurveLinkCount(), links + 30 * 3);
    RFCurve* firstY = object->Curve(0, "Aim 0", "Y");
    ASSERT_NE(firstY, nullptr);
    EXPECT_TRUE(object->LinkPropertyToCurve(properties[0]->GetProperty(), 1, firstY));
    EXPECT_EQ(object->GetPropertyCurveLinkCount(), links + 30 * 3) << "asked again, linked once";
    EXPECT_TRUE(object->LinkPropertyToCurve(properties[0]->GetProperty(), 2, firstY));
    EXPECT_EQ(object->GetPropertyCurveLinkCount(), links + 30 * 3 + 1) << "another component is another link";
    for (int take = 0; take < 3; ++take) {
        const RFCurveNode& root = *object->GetTakeNode(take)->GetRootCurveNode();
        for (int i = 0; i < 30; i += 7) {
            const std::string name = "AIM " + std::to_string(i);
            const RFCurveNode* channel = root.GetChild(root.GetChildIndexByName(name.c_str()));
            ASSERT_NE(channel, nullptr) << name;
            EXPECT_EQ(object->Curve(take, name.c_str(), "y"), channel->GetChild(1)->GetCurve());
        }
    }
    ASSERT_TRUE(object->RemoveUserProperty(properties[0]));
    EXPECT_EQ(object->GetPropertyCurveLinkCount(), links + 29 * 3) << "both links of the Y curve went with it";
    ASSERT_TRUE(object->RemoveUserProperty(properties[14]));
    EXPECT_EQ(object->GetPropertyCurveLinkCount(), links + 28 * 3);
    for (int take = 0; take < 3; ++take) {
        EXPECT_EQ(object->Curve(take, "Aim 14", "X"), nullptr);
        EXPECT_NE(object->Curve(take, "Aim 15", "X"), nullptr);
    }
    // The object still holds a property of the old name, so the new one takes another.
    RWyxUserProperty* back = object->AddRecord("Aim 14", "Vector", true);
    EXPECT_EQ(object->GetPropertyCurveLinkCount(), links + 29 * 3);
    RFCurve* backZ = object->Curve(0, back->GetName(), "Z");
    ASSERT_NE(backZ, nullptr);
    backZ->SetDefaultValue(3.0f);
    EXPECT_DOUBLE_EQ(back->GetVector().z, 3.0);
}
