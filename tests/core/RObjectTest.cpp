#include "core/RObject.h"
#include "core/RTypedProperty.h"
#include "core/RWyxStringList.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// An owning object that records what the objects it owns tell it.
class RecordingOwner : public RObject {
public:
    bool ReceiveObjectEvent(RObject*, int code, const RPlugRef&, const char*, int) override {
        log.push_back("event " + std::to_string(code));
        return true;
    }
    bool ReceiveRelayB(const RRelayEvent& event) override {
        log.push_back("relay " + std::to_string(event.code));
        return true;
    }
    std::vector<std::string> log;
};

template <typename T>
using Owned = std::unique_ptr<T, RPlugDestroyer>;

template <typename T>
Owned<T> Make() {
    return Owned<T>(CreatePlugObject<T>(nullptr));
}

// An object owned by a recording owner.
struct Watched {
    Owned<RecordingOwner> owner = Make<RecordingOwner>();
    Owned<RObject> object = Make<RObject>();
    Watched() { object->SetOwningObject(owner->GetRef()); }
};

// Records the event records an object's handlers receive.
struct HandlerLog {
    std::vector<int> codes;
    std::function<void()> onEvent;

    static void Record(void* self, int, REventRecord& record, void*) {
        auto* log = static_cast<HandlerLog*>(self);
        log->codes.push_back(static_cast<RObjectEventRecord&>(record).code);
        if (log->onEvent) log->onEvent();
    }
};

}  // namespace

TEST(RObjectNames, EventsAndRelaysInOrderAndNoneForAnUnchangedName) {
    Watched w;
    ASSERT_TRUE(w.object->SetName("Cube"));
    EXPECT_EQ(w.owner->log, (std::vector<std::string>{"event 8", "relay 25", "event 12", "relay 26"}));
    EXPECT_STREQ(w.object->GetName(), "Cube");

    w.owner->log.clear();
    EXPECT_FALSE(w.object->SetName("Cube"));
    EXPECT_TRUE(w.owner->log.empty());

    w.object->SetName("   ");
    EXPECT_STREQ(w.object->GetName(), "1");
}

TEST(RObjectNames, FullNameJoinsNameSpaceAndNameAndSplitsBack) {
    Owned<RObject> object = Make<RObject>();
    object->SetName("arm");
    EXPECT_EQ(object->GetFullName(), "arm");
    object->SetNameSpaceAndCopy("rig");
    EXPECT_EQ(object->GetFullName(), "rig:arm");

    object->SetFullName("Model::char:body:leg");
    EXPECT_STREQ(object->GetNameSpace(), "char:body");
    EXPECT_STREQ(object->GetName(), "leg");
    EXPECT_EQ(object->GetFullName(), "char:body:leg");

    RString a, b, c, rest;
    RObject::SplitObjectName("x:::Model::ns:name", a, b, c, rest);
    EXPECT_EQ(a, "x");
    EXPECT_EQ(b, "Model");
    EXPECT_EQ(c, "ns");
    EXPECT_EQ(rest, "name");
    RObject::SplitObjectName("plain", a, b, c, rest);
    EXPECT_TRUE(a.IsEmptyText() && b.IsEmptyText() && c.IsEmptyText());
    EXPECT_EQ(RObject::JoinObjectName("x", "ns", "n"), "x::ns:n");
    EXPECT_EQ(RObject::JoinObjectName("", "", "n"), "n");
    EXPECT_EQ(RObject::JoinPrefixAndName("ns", ":n"), "ns:n");
    EXPECT_EQ(RObject::JoinPrefixAndName("ns", ""), "ns");
}

TEST(RObjectProperties, UniqueNamesAndRefusedTypeCodes) {
    Owned<RObject> object = Make<RObject>();
    RProperty* first = object->CreateProperty("n", kPropertyTypeDouble, nullptr, false, false, nullptr);
    RProperty* second = object->CreateProperty("n", kPropertyTypeDouble, nullptr, false, false, nullptr);
    RProperty* third = object->CreateProperty("n", kPropertyTypeInt, nullptr, true, false, nullptr);
    ASSERT_TRUE(first && second && third);
    EXPECT_STREQ(first->GetName(), "n");
    EXPECT_STREQ(second->GetName(), "n 0");
    EXPECT_STREQ(third->GetName(), "n 1");
    EXPECT_TRUE(third->IsAnimatable());
    EXPECT_TRUE(first->IsOwnedByObject());
    EXPECT_EQ(first->GetOwnerObject(), object.get());
    EXPECT_EQ(first->GetMin(), 0.0);
    EXPECT_EQ(first->GetMax(), 100.0);

    EXPECT_EQ(object->CreateProperty("v4", kPropertyTypeVector4, nullptr, false, false, nullptr), nullptr);
    EXPECT_EQ(object->CreateProperty("f", kPropertyTypeFloat, nullptr, false, false, nullptr), nullptr);
    EXPECT_EQ(object->GetPropertyCount(), 3);
    EXPECT_EQ(object->FindProperty("N"), nullptr);
    EXPECT_EQ(object->FindProperty("n 0"), second);
}

TEST(RObjectProperties, TypedValuesThroughTheGenericAccessors) {
    Owned<RObject> object = Make<RObject>();
    RProperty* integer = object->CreateProperty("i", kPropertyTypeInt, nullptr, false, false, nullptr);
    RProperty* flag = object->CreateProperty("b", kPropertyTypeBool, nullptr, false, false, nullptr);
    RProperty* number = object->CreateProperty("d", kPropertyTypeDouble, nullptr, false, false, nullptr);
    RProperty* vector = object->CreateProperty("v", kPropertyTypeVector3, nullptr, false, false, nullptr);
    RProperty* color = object->CreateProperty("c", kPropertyTypeColorRGB, &RDataType::Color(), false, false, nullptr);

    EXPECT_TRUE(integer->SetDouble(2.7));
    EXPECT_EQ(integer->GetInt(), 2);
    EXPECT_TRUE(integer->SetDouble(-1e300));  // kept within the int range
    EXPECT_EQ(integer->GetInt(), INT_MIN);
    EXPECT_TRUE(flag->SetDouble(2.7));
    EXPECT_EQ(flag->GetInt(), 1);
    EXPECT_EQ(flag->GetValueAsText(), "True");
    EXPECT_TRUE(number->SetDouble(0.25));
    EXPECT_EQ(number->GetDouble(), 0.25);
    EXPECT_EQ(number->GetValueAsText(), "0.250000");
    EXPECT_FALSE(vector->SetInt(3));
    EXPECT_FALSE(vector->SetValue(1.0));  // a value of another kind
    EXPECT_TRUE(vector->SetValue(RVector4(1, 2, 3, 1)));
    EXPECT_EQ(vector->GetValueAsText(), "{1.000000,2.000000,3.000000}");
    EXPECT_TRUE(color->SetValue(RVector4(0.5, 0.25, 1, 1)));
    EXPECT_EQ(color->GetValueAsText(), "{0.500000,0.250000,1.000000,1.000000}");

    EXPECT_EQ(number->GetDataType(), &RDataType::Number());
    EXPECT_EQ(vector->GetDataType(), &RDataType::Vector());
    EXPECT_EQ(color->GetDataType(), &RDataType::Color());
    EXPECT_EQ(RProperty::GetPropertyTypeCode(&RDataType::Color()), kPropertyTypeColorRGB);
    EXPECT_EQ(RProperty::GetPropertyTypeCode(RDataType::FindByName("Lcl Translation")), kPropertyTypeVector3);
    EXPECT_EQ(RProperty::GetPropertyTypeCode(RDataType::FindByName("Visibility")), kPropertyTypeDouble);
    EXPECT_EQ(RProperty::TypeCodeFromName("Vector3D"), kPropertyTypeVector3);
    EXPECT_EQ(RProperty::TypeCodeFromName("vector3d"), kPropertyTypeUnknown);
    EXPECT_STREQ(RProperty::GetTypeName(kPropertyTypeReference), "Reference");
    EXPECT_EQ(RProperty::GetTypeName(19), nullptr);
}

TEST(RObjectProperties, BoundPropertiesFollowTheirOwner) {
    Owned<RObject> object = Make<RObject>();
    int member = 5;
    Owned<RIntegerProperty> bound(CreatePlugObject<RIntegerProperty>(nullptr, kPropertyTypeInt, 0));
    bound->Declare(
        "bound", object.get(), [&] { return member; }, [&](const int& value) { member = value * 10; });
    EXPECT_EQ(bound->GetInt(), 5);
    member = 7;
    EXPECT_EQ(bound->Get(), 7);
    bound->SetInt(2);
    EXPECT_EQ(member, 20);
    EXPECT_FALSE(bound->HasStateFlags(RProperty::kStateReadOnly));
    object->RemoveChild(bound.get());
}

TEST(RObjectProperties, RenamingMakesNamesUniqueAndDropsQuotes) {
    Owned<RObject> object = Make<RObject>();
    object->CreateProperty("a", kPropertyTypeDouble, nullptr, false, false, nullptr);
    object->CreateProperty("b2", kPropertyTypeDouble, nullptr, false, false, nullptr);
    RProperty* other = object->CreateProperty("x", kPropertyTypeDouble, nullptr, false, false, nullptr);
    ASSERT_TRUE(other->SetName("a", true));
    EXPECT_STREQ(other->GetName(), "a 1");
    ASSERT_TRUE(other->SetName(" b2 ", true));
    EXPECT_STREQ(other->GetName(), "b3");
    ASSERT_TRUE(other->SetName("say \"hi\"", false));
    EXPECT_STREQ(other->GetName(), "say hi");
}

TEST(RObjectProperties, RangeChangesRelayOnlyWhenTheyChange) {
    Watched w;
    RProperty* property = w.object->CreateProperty("p", kPropertyTypeDouble, nullptr, false, false, nullptr);
    w.owner->log.clear();
    property->SetMinMax(0.0, 100.0);
    EXPECT_TRUE(w.owner->log.empty());
    property->SetMax(50.0);
    EXPECT_EQ(w.owner->log, (std::vector<std::string>{"relay 29"}));
    property->SetMin(0.0);
    EXPECT_EQ(w.owner->log.size(), 1u);
}

TEST(RObjectProperties, EnumNamesStayInRange) {
    Owned<RObject> object = Make<RObject>();
    RProperty* property = object->CreateProperty("e", kPropertyTypeEnum, &RDataType::Enum(), false, false, nullptr);
    property->GetEnumList(true)->SetText("Low~High");
    EXPECT_STREQ(property->GetEnumName(1), "High");
    EXPECT_EQ(property->GetEnumName(2), nullptr);
    EXPECT_EQ(property->GetEnumName(-1), nullptr);
    property->SetInt(1);
    EXPECT_EQ(property->GetValueAsText(), "High");
}

TEST(RObjectProperties, CopyingValuesNeedsTheSameNameAndDataType) {
    Owned<RObject> from = Make<RObject>();
    Owned<RObject> to = Make<RObject>();
    from->CreateProperty("x", kPropertyTypeDouble, nullptr, false, false, nullptr)->SetDouble(4.0);
    from->CreateProperty("y", kPropertyTypeVector3, nullptr, false, false, nullptr)->SetValue(RVector4(1, 2, 3, 1));
    to->CreateProperty("x", kPropertyTypeDouble, nullptr, false, false, nullptr);
    to->CreateProperty("y", kPropertyTypeColorRGB, nullptr, false, false, nullptr);  // same name, other type
    to->CopyPropertyValues(from.get(), 1);
    EXPECT_EQ(to->FindProperty("x")->GetDouble(), 4.0);
    EXPECT_EQ(std::get<RVector4>(to->FindProperty("y")->GetValue()), RVector4(0, 0, 0, 1));
    to->FindProperty("x")->SetDouble(0.0);
    to->CopyPropertyValues(from.get(), 0);  // bit 0 clear: nothing
    EXPECT_EQ(to->FindProperty("x")->GetDouble(), 0.0);
}

TEST(RObjectSelection, SerialsGrowAndRepeatsRenew) {
    Watched w;
    ASSERT_TRUE(w.object->SetSelectionState(1));
    const std::uint64_t first = w.object->GetSelectionSerial();
    EXPECT_GE(first, 2u);
    EXPECT_EQ(w.owner->log, (std::vector<std::string>{"event 6", "relay 22"}));

    w.owner->log.clear();
    EXPECT_FALSE(w.object->SetSelectionState(1));
    EXPECT_EQ(w.owner->log, (std::vector<std::string>{"event 25", "relay 24"}));
    EXPECT_EQ(w.object->GetSelectionSerial(), first);

    w.owner->log.clear();
    ASSERT_TRUE(w.object->SetSelectionState(3));
    EXPECT_GT(w.object->GetSelectionSerial(), first);
    EXPECT_EQ(w.owner->log, (std::vector<std::string>{"event 25", "relay 24", "event 16"}));

    w.owner->log.clear();
    w.object->SetSelected(true);
    w.object->SetSelected(true);
    EXPECT_EQ(w.owner->log, (std::vector<std::string>{"event 19"}));
}

TEST(RObjectEvents, ConnectionsReachTheHandlersAsConnectionKinds) {
    Owned<RObject> object = Make<RObject>();
    Owned<RObject> source = Make<RObject>();
    HandlerLog log;
    object->GetEventHandlers().Add(&log, &HandlerLog::Record, nullptr);
    ASSERT_TRUE(object->ConnectSource(source.get()));
    EXPECT_EQ(log.codes, (std::vector<int>{kConnectionAdding, kConnectionAdded}));
    log.codes.clear();
    ASSERT_TRUE(object->DisconnectSource(source.get()));
    EXPECT_EQ(log.codes, (std::vector<int>{kConnectionRemoving, kConnectionRemoved}));
}

TEST(RObjectDestroy, DestroyingAnObjectEndsItsPropertiesAndConnections) {
    RecordingOwner* owner = CreatePlugObject<RecordingOwner>(nullptr);
    RObject* object = CreatePlugObject<RObject>(nullptr);
    Owned<RObject> other = Make<RObject>();
    object->SetOwningObject(owner->GetRef());
    RProperty* property = object->CreateProperty("p", kPropertyTypeDouble, nullptr, false, false, nullptr);
    const RPlugRef propertyRef(property);
    ASSERT_TRUE(object->ConnectSource(other.get()));
    ASSERT_TRUE(property->ConnectDestination(other.get()));

    owner->log.clear();
    object->Destroy();
    EXPECT_FALSE(propertyRef.IsValid());
    EXPECT_EQ(other->GetDestinationCount(), 0);
    EXPECT_EQ(other->GetSourceCount(), 0);
    ASSERT_GE(owner->log.size(), 2u);
    EXPECT_EQ(owner->log[0], "relay 21");
    EXPECT_EQ(owner->log[1], "event 1");
    owner->Destroy();
}

TEST(RObjectDestroy, DestroyFromInsideItsOwnHandlerIsDeferred) {
    RObject* object = CreatePlugObject<RObject>(nullptr);
    const RPlugRef ref(object);
    Owned<RObject> source = Make<RObject>();
    HandlerLog log;
    bool aliveAfterRequest = false;
    log.onEvent = [&] {
        if (!ref.IsValid()) return;
        object->Destroy();
        aliveAfterRequest = ref.IsValid();
    };
    object->GetEventHandlers().Add(&log, &HandlerLog::Record, nullptr);
    ASSERT_TRUE(object->ConnectSource(source.get()));
    EXPECT_TRUE(aliveAfterRequest);
    EXPECT_FALSE(ref.IsValid());
    EXPECT_EQ(source->GetDestinationCount(), 0);
}

TEST(RObjectReferences, AReferencePropertyLeavesWhenItsPropertyGoes) {
    Owned<RObject> holder = Make<RObject>();
    RObject* target = CreatePlugObject<RObject>(nullptr);
    RProperty* referenced = target->CreateProperty("value", kPropertyTypeDouble, nullptr, false, false, nullptr);
    RProperty* reference = holder->CreateReferenceProperty(referenced, nullptr);
    ASSERT_NE(reference, nullptr);
    EXPECT_STREQ(reference->GetName(), "RProperty.value");
    EXPECT_EQ(reference->GetReferencedProperty(), referenced);
    EXPECT_EQ(referenced->GetReferrerCount(), 1);
    EXPECT_EQ(referenced->GetReferrer(0), reference);
    EXPECT_EQ(referenced->GetReferencedProperty(), referenced);

    const RPlugRef referenceRef(reference);
    target->Destroy();
    EXPECT_FALSE(referenceRef.IsValid());
    EXPECT_EQ(holder->GetPropertyCount(), 0);
}

TEST(RObjectReferences, ObjectPropertiesReferToTheirFirstSourceObject) {
    Owned<RObject> holder = Make<RObject>();
    RObject* target = CreatePlugObject<RObject>(nullptr);
    target->SetName("Target");
    RProperty* property = holder->CreateProperty("link", kPropertyTypeObject, nullptr, false, false, target);
    EXPECT_EQ(std::get<RPlug*>(property->GetValue()), target);
    EXPECT_EQ(property->GetValueAsText(), "Target");
    target->Destroy();
    EXPECT_EQ(std::get<RPlug*>(property->GetValue()), nullptr);
    EXPECT_EQ(property->GetValueAsText(), "Object!");
}
