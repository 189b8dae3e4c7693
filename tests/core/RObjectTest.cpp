#include "core/RObject.h"
#include "core/RTypedProperty.h"
#include "core/RWyxStringList.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
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

using Log = std::vector<std::string>;

template <typename T>
using Owned = std::unique_ptr<T, RPlugDestroyer>;

template <typename T>
Owned<T> Make() {
    return Owned<T>(CreatePlugObject<T>(nullptr));
}

RProperty* Add(RObject& object, const char* name, int typeCode = kPropertyTypeDouble,
               const RDataType* dataType = nullptr, RPlug* argument = nullptr) {
    return object.CreateProperty(name, typeCode, dataType, false, false, argument);
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
    EXPECT_EQ(w.owner->log, (Log{"event 8", "relay 25", "event 12", "relay 26"}));
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
    EXPECT_EQ(a + "|" + b + "|" + c + "|" + rest, "x|Model|ns|name");
    RObject::SplitObjectName("plain", a, b, c, rest);
    EXPECT_TRUE(a.IsEmptyText() && b.IsEmptyText() && c.IsEmptyText());
    EXPECT_EQ(RObject::JoinObjectName("x", "ns", "n"), "x::ns:n");
    EXPECT_EQ(RObject::JoinObjectName("", "", "n"), "n");
    EXPECT_EQ(RObject::JoinPrefixAndName("ns", ":n"), "ns:n");
    EXPECT_EQ(RObject::JoinPrefixAndName("ns", ""), "ns");
}

TEST(RObjectProperties, UniqueNamesAndRefusedTypeCodes) {
    Owned<RObject> object = Make<RObject>();
    RProperty* first = Add(*object, "n");
    RProperty* second = Add(*object, "n");
    RProperty* third = object->CreateProperty("n", kPropertyTypeInt, nullptr, true, false, nullptr);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(RString(first->GetName()) + "|" + second->GetName() + "|" + third->GetName(), "n|n 0|n 1");
    EXPECT_TRUE(third->IsAnimatable());
    EXPECT_TRUE(first->IsOwnedByObject());
    EXPECT_EQ(first->GetOwnerObject(), object.get());
    EXPECT_EQ(first->GetMin(), 0.0);
    EXPECT_EQ(first->GetMax(), 100.0);
    EXPECT_EQ(Add(*object, "v4", kPropertyTypeVector4), nullptr);
    EXPECT_EQ(Add(*object, "f", kPropertyTypeFloat), nullptr);
    EXPECT_EQ(object->GetPropertyCount(), 3);
    EXPECT_EQ(object->FindProperty("N"), nullptr);
    EXPECT_EQ(object->FindProperty("n 0"), second);
}

TEST(RObjectProperties, AFreedCounterOfAUniqueNameIsTakenAgain) {
    Owned<RObject> object = Make<RObject>();
    std::vector<RProperty*> made;
    for (int i = 0; i < 4; ++i) made.push_back(Add(*object, "n", kPropertyTypeInt));
    ASSERT_STREQ(made[3]->GetName(), "n 2");
    ASSERT_TRUE(object->RemoveProperty(made[2]));  // frees "n 1"
    made[1]->SetName("renamed", false);           // frees "n 0"
    for (const char* expected : {"n 0", "n 1", "n 3"}) EXPECT_STREQ(Add(*object, "n")->GetName(), expected);
    made[2]->Destroy();
}

namespace {

// Looks its first property up after each removal, and makes one more when "b" goes.
class LookingObject : public RObject {
public:
    bool OnPropertyEvent(int code, RProperty* /*property*/, const char* name) override {
        if (code != 12) return true;
        seenA.push_back(FindProperty("a") != nullptr);
        if (std::strcmp(name, "b") == 0) CreateProperty("late", kPropertyTypeInt, nullptr, false, false, nullptr);
        return true;
    }
    std::vector<bool> seenA;
};

}  // namespace

TEST(RObjectProperties, NamesAreFoundWhileAllAreRemovedAndAfterwards) {
    Owned<LookingObject> object = Make<LookingObject>();
    for (const char* name : {"a", "a", "a", "b", "c"}) Add(*object, name);
    object->RemoveAllProperties();
    EXPECT_EQ(object->seenA, (std::vector<bool>{true, true, true, true, false}));
    ASSERT_EQ(object->GetPropertyCount(), 1);  // made after the walk had passed its place
    EXPECT_EQ(object->FindProperty("late"), object->GetProperty(0));
    EXPECT_STREQ(Add(*object, "late")->GetName(), "late 0");
    EXPECT_STREQ(Add(*object, "a")->GetName(), "a");
    EXPECT_STREQ(Add(*object, "a")->GetName(), "a 0");  // the counters of removed names are free again
}

TEST(RObjectProperties, APropertyThatChangesOwnerLeavesTheNameIndex) {
    Owned<RObject> first = Make<RObject>();
    Owned<RObject> second = Make<RObject>();
    RProperty* moved = Add(*first, "p");
    ASSERT_TRUE(second->AddChild(moved));
    EXPECT_EQ(first->FindProperty("p"), nullptr);  // an object finds the properties it owns
    moved->SetName("q", false);
    EXPECT_EQ(first->FindProperty("q"), nullptr);
    EXPECT_EQ(second->FindProperty("q"), nullptr);  // owned there, but not one of its properties
    EXPECT_STREQ(Add(*first, "p")->GetName(), "p");
}

TEST(RObjectProperties, TypedValuesThroughTheGenericAccessors) {
    Owned<RObject> object = Make<RObject>();
    RProperty* integer = Add(*object, "i", kPropertyTypeInt);
    RProperty* flag = Add(*object, "b", kPropertyTypeBool);
    RProperty* number = Add(*object, "d", kPropertyTypeDouble);
    RProperty* vector = Add(*object, "v", kPropertyTypeVector3);
    RProperty* color = Add(*object, "c", kPropertyTypeColorRGB, &RDataType::Color());

    EXPECT_TRUE(integer->SetDouble(2.7));
    EXPECT_EQ(integer->GetInt(), 2);
    EXPECT_TRUE(integer->SetDouble(-1e300));  // kept within the int range
    EXPECT_EQ(integer->GetInt(), INT_MIN);
    EXPECT_TRUE(flag->SetDouble(2.7));
    EXPECT_EQ(flag->GetValueAsText(), "True");
    EXPECT_TRUE(number->SetDouble(0.25));
    EXPECT_EQ(number->GetValueAsText(), "0.250000");
    EXPECT_FALSE(vector->SetInt(3));
    EXPECT_FALSE(vector->SetValue(1.0));  // a value of another kind
    EXPECT_TRUE(vector->SetValue(RVector4(1, 2, 3, 1)));
    EXPECT_EQ(vector->GetValueAsText(), "{1.000000,2.000000,3.000000}");
    EXPECT_TRUE(color->SetValue(RVector4(0.5, 0.25, 1, 1)));
    EXPECT_EQ(color->GetValueAsText(), "{0.500000,0.250000,1.000000,1.000000}");

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
    bound->Declare("bound", object.get(), [&] { return member; }, [&](const int& value) { member = value * 10; });
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
    Add(*object, "a");
    Add(*object, "b2");
    RProperty* other = Add(*object, "x");
    ASSERT_TRUE(other->SetName("a", true));
    EXPECT_STREQ(other->GetName(), "a 1");
    ASSERT_TRUE(other->SetName(" b2 ", true));
    EXPECT_STREQ(other->GetName(), "b3");
    ASSERT_TRUE(other->SetName("say \"hi\"", false));
    EXPECT_STREQ(other->GetName(), "say hi");
}

namespace {

// The ways a property of an object changes its name.
struct RenameRoute {
    const char* name;
    void (*rename)(RProperty& property, const char* name);
};

const RenameRoute kRenameRoutes[] = {
    {"SetName", [](RProperty& p, const char* name) { p.SetName(name, false); }},
    {"SetNameAndTypeCode", [](RProperty& p, const char* name) { p.SetNameAndTypeCode(name, p.GetTypeCode()); }},
    {"Declare", [](RProperty& p, const char* name) { p.Declare(name, p.GetOwnerObject()); }},
};

void PrintTo(const RenameRoute& route, std::ostream* os) { *os << route.name; }

class RObjectPropertyRename : public ::testing::TestWithParam<RenameRoute> {};

}  // namespace

TEST_P(RObjectPropertyRename, FindPropertyFollowsTheNewNameAndListOrder) {
    Owned<RObject> object = Make<RObject>();
    RProperty* first = Add(*object, "a");
    RProperty* second = Add(*object, "b");
    GetParam().rename(*second, "c");
    EXPECT_EQ(object->FindProperty("b"), nullptr);
    EXPECT_EQ(object->FindProperty("c"), second);
    // Two of one name: the one first in the list is found, whichever took the name last.
    GetParam().rename(*first, "c");
    EXPECT_EQ(object->FindProperty("c"), first);
    GetParam().rename(*first, "a");
    EXPECT_EQ(object->FindProperty("c"), second);
    EXPECT_EQ(object->FindProperty("a"), first);
    EXPECT_STREQ(Add(*object, "c")->GetName(), "c 0");
}

INSTANTIATE_TEST_SUITE_P(Routes, RObjectPropertyRename, ::testing::ValuesIn(kRenameRoutes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RObjectProperties, RangeRelaysOnlyChangesAndEnumNamesStayInRange) {
    Watched w;
    RProperty* property = Add(*w.object, "p");
    w.owner->log.clear();
    property->SetMinMax(0.0, 100.0);
    EXPECT_TRUE(w.owner->log.empty());
    property->SetMax(50.0);
    property->SetMin(0.0);
    EXPECT_EQ(w.owner->log, (Log{"relay 29"}));

    RProperty* choice = Add(*w.object, "e", kPropertyTypeEnum, &RDataType::Enum());
    choice->GetEnumList(true)->SetText("Low~High");
    EXPECT_STREQ(choice->GetEnumName(1), "High");
    EXPECT_EQ(choice->GetEnumName(2), nullptr);
    EXPECT_EQ(choice->GetEnumName(-1), nullptr);
    choice->SetInt(1);
    EXPECT_EQ(choice->GetValueAsText(), "High");
}

TEST(RObjectProperties, CopyingValuesNeedsTheSameNameAndDataType) {
    Owned<RObject> from = Make<RObject>();
    Owned<RObject> to = Make<RObject>();
    Add(*from, "x")->SetDouble(4.0);
    Add(*from, "y", kPropertyTypeVector3)->SetValue(RVector4(1, 2, 3, 1));
    Add(*to, "x");
    Add(*to, "y", kPropertyTypeColorRGB);  // same name, other type
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
    EXPECT_EQ(w.owner->log, (Log{"event 6", "relay 22"}));
    w.owner->log.clear();
    EXPECT_FALSE(w.object->SetSelectionState(1));
    EXPECT_EQ(w.object->GetSelectionSerial(), first);
    ASSERT_TRUE(w.object->SetSelectionState(3));
    EXPECT_GT(w.object->GetSelectionSerial(), first);
    EXPECT_EQ(w.owner->log, (Log{"event 25", "relay 24", "event 25", "relay 24", "event 16"}));
    w.owner->log.clear();
    w.object->SetSelected(true);
    w.object->SetSelected(true);
    EXPECT_EQ(w.owner->log, (Log{"event 19"}));
}

TEST(RObjectEvents, ConnectionsReachTheHandlersAsConnectionKinds) {
    Owned<RObject> object = Make<RObject>();
    Owned<RObject> source = Make<RObject>();
    HandlerLog log;
    object->GetEventHandlers().Add(&log, &HandlerLog::Record, nullptr);
    ASSERT_TRUE(object->ConnectSource(source.get()));
    ASSERT_TRUE(object->DisconnectSource(source.get()));
    EXPECT_EQ(log.codes,
              (std::vector<int>{kConnectionAdding, kConnectionAdded, kConnectionRemoving, kConnectionRemoved}));
}

TEST(RObjectDestroy, DestroyingAnObjectEndsItsPropertiesAndConnections) {
    Watched w;
    RObject* object = w.object.release();
    Owned<RObject> other = Make<RObject>();
    const RPlugRef propertyRef(Add(*object, "p"));
    ASSERT_TRUE(object->ConnectSource(other.get()));
    ASSERT_TRUE(object->GetProperty(0)->ConnectDestination(other.get()));
    w.owner->log.clear();
    object->Destroy();
    EXPECT_FALSE(propertyRef.IsValid());
    EXPECT_EQ(other->GetDestinationCount() + other->GetSourceCount(), 0);
    ASSERT_GE(w.owner->log.size(), 2u);
    EXPECT_EQ(Log(w.owner->log.begin(), w.owner->log.begin() + 2), (Log{"relay 21", "event 1"}));
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

TEST(RObjectReferences, ReferenceAndObjectPropertiesFollowWhatTheyReferTo) {
    Owned<RObject> holder = Make<RObject>();
    RObject* target = CreatePlugObject<RObject>(nullptr);
    target->SetName("Target");
    RProperty* referenced = Add(*target, "value");
    RProperty* reference = holder->CreateReferenceProperty(referenced, nullptr);
    ASSERT_NE(reference, nullptr);
    EXPECT_STREQ(reference->GetName(), "RProperty.value");
    EXPECT_EQ(reference->GetReferencedProperty(), referenced);
    EXPECT_EQ(referenced->GetReferrerCount(), 1);
    EXPECT_EQ(referenced->GetReferrer(0), reference);
    EXPECT_EQ(referenced->GetReferencedProperty(), referenced);
    RProperty* link = Add(*holder, "link", kPropertyTypeObject, nullptr, target);
    EXPECT_EQ(std::get<RPlug*>(link->GetValue()), target);
    EXPECT_EQ(link->GetValueAsText(), "Target");

    target->Destroy();
    EXPECT_EQ(holder->GetPropertyCount(), 1);  // the reference left with its property
    EXPECT_EQ(std::get<RPlug*>(link->GetValue()), nullptr);
    EXPECT_EQ(link->GetValueAsText(), "Object!");
}

namespace {

// Who holds the reference property, and which object goes first.
struct ReferenceTeardown {
    const char* name;
    bool selfReference;  // the reference is a property of the referenced property's object
    bool holderFirst;    // the object holding the reference is destroyed first
};

void PrintTo(const ReferenceTeardown& c, std::ostream* os) { *os << c.name; }

class RObjectReferenceTeardown : public ::testing::TestWithParam<ReferenceTeardown> {};

}  // namespace

TEST_P(RObjectReferenceTeardown, DestroyingEitherObjectLeavesNothingDangling) {
    const ReferenceTeardown& c = GetParam();
    RObject* target = CreatePlugObject<RObject>(nullptr);
    RObject* holder = c.selfReference ? target : CreatePlugObject<RObject>(nullptr);
    RProperty* referenced = Add(*target, "T");
    RProperty* reference = holder->CreateReferenceProperty(referenced, "r");
    ASSERT_NE(reference, nullptr);
    const RPlugRef targetRef(target), holderRef(holder), referencedRef(referenced), referenceRef(reference);

    (c.holderFirst ? holder : target)->Destroy();
    EXPECT_FALSE(referenceRef.IsValid());
    EXPECT_FALSE((c.holderFirst ? holderRef : targetRef).IsValid());
    if (c.selfReference) return;
    RObject* survivor = c.holderFirst ? target : holder;
    EXPECT_EQ(referencedRef.IsValid(), c.holderFirst);
    EXPECT_EQ(survivor->GetPropertyCount(), c.holderFirst ? 1 : 0);
    if (c.holderFirst) { EXPECT_EQ(referenced->GetDestinationCount(), 0); }
    survivor->Destroy();
    EXPECT_FALSE(referencedRef.IsValid());
}

INSTANTIATE_TEST_SUITE_P(Orders, RObjectReferenceTeardown,
                         ::testing::Values(ReferenceTeardown{"HolderFirst", false, true},
                                           ReferenceTeardown{"TargetFirst", false, false},
                                           ReferenceTeardown{"SelfReference", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// Records the tag each block it releases holds (so the block is still readable then).
class BlockKeeper : public RObject {
public:
    explicit BlockKeeper(std::vector<int>* released) : released_(released) {}
    bool ReleaseBlock(void* block) override {
        released_->push_back(*static_cast<const int*>(block));
        return true;
    }

private:
    std::vector<int>* released_;
};

ROwnedBlock TaggedBlock(int tag) {
    ROwnedBlock block(std::malloc(sizeof(int)));
    *static_cast<int*>(block.get()) = tag;
    return block;
}

}  // namespace

TEST(RObjectBlocks, OwnedBlocksGoThroughTheSubclassReleaseOldestFirst) {
    std::vector<int> released;
    BlockKeeper* keeper = CreatePlugObject<BlockKeeper>(nullptr, &released);
    keeper->AdoptBlock(TaggedBlock(1));
    keeper->AdoptBlock(nullptr);
    keeper->AdoptBlock(TaggedBlock(2));
    EXPECT_EQ(keeper->GetOwnedBlockCount(), 2);
    keeper->Destroy();  // the leak checker sees a block left unfreed
    EXPECT_EQ(released, (std::vector<int>{1, 2}));
}
