#include "core/REntityList.h"
#include "core/RObject.h"
#include "core/RObjectList.h"
#include "core/RPropertyObjectList.h"
#include "core/RTypedProperty.h"
#include "core/RWyxStringList.h"
#include "tests/support/OwnedPlug.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Log = std::vector<std::string>;
RProperty* const kNone = nullptr;

// An owner that records what its objects tell it, and destroys its victim when a value of it starts to change.
class RecordingOwner : public RObject {
public:
    bool ReceiveObjectEvent(RObject*, int code, const RPlugRef&, const char*, int) override {
        log.push_back("event " + std::to_string(code));
        codes.push_back(code);
        return true;
    }
    bool ReceiveRelayA(const RRelayEvent& event) override {
        if (event.code == kRelayValueChanging && victim != nullptr) std::exchange(victim, nullptr)->Destroy();
        return true;
    }
    bool ReceiveRelayB(const RRelayEvent& event) override {
        log.push_back("relay " + std::to_string(event.code));
        return true;
    }
    Log log;
    std::vector<int> codes;
    RObject* victim = nullptr;
};

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

// Destroys the plugs it was given when the test ends (those still alive).
class Cleanup {
public:
    Cleanup(std::initializer_list<RPlug*> plugs) : refs_(plugs.begin(), plugs.end()) {}
    ~Cleanup() {
        for (const RPlugRef& ref : refs_) {
            if (RPlug* plug = ref.Get()) plug->Destroy();
        }
    }
private:
    std::vector<RPlugRef> refs_;
};

// An object whose name space comes from the object it is connected to (as a source).
class SpacedObject : public RObject {
public:
    int GetNameSpaceClassId() const override { return RObject::ClassId(); }
};

// Handler data: destroy `target` when an event of `kind` arrives.
struct DestroyOnKind {
    int kind;
    RPlug* target;
    static void Handle(void* self, int eventKind, REventRecord&, void*) {
        auto* rule = static_cast<DestroyOnKind*>(self);
        if (eventKind == rule->kind && rule->target != nullptr) std::exchange(rule->target, nullptr)->Destroy();
    }
    void Watch(RObject* object) { object->GetEventHandlers().Add(this, &DestroyOnKind::Handle, nullptr); }
};

// Records the codes and indexes a watched list reports, and refuses one code.
class Watcher : public RObject {
public:
    bool OnListChange(RGenericObjectList* /*list*/, int code, const RPlugRef& /*entry*/, int index) override {
        calls.push_back({code, index});
        return code != refuse;
    }
    std::vector<std::pair<int, int>> calls;
    int refuse = -1;
};

// Logs its name when destroyed, after running an optional action.
// Records the property events it gets while it is whole.
class PropertyEventLog : public RObject {
public:
    explicit PropertyEventLog(Log* log) : log_(log) {}
    bool OnPropertyEvent(int code, RProperty* property, const char* name) override {
        log_->push_back(std::to_string(code) + " " + name);
        return RObject::OnPropertyEvent(code, property, name);
    }
private:
    Log* log_;
};

// Logs the object events its sources pass on, and may run an action on the first one.
class OwnedEventLog : public RObject {
public:
    bool OnOwnedObjectEvent(RObject* object, int code, const RPlugRef&, const char*, int) override {
        events.push_back({object, code});
        if (onEvent) std::exchange(onEvent, nullptr)();
        return true;
    }
    std::vector<std::pair<RObject*, int>> events;
    std::function<void()> onEvent;
};

class Tracked : public RObject {
public:
    Tracked(std::vector<std::string>* log, std::string name) : log_(log), name_(std::move(name)) {}
    void PrepareDestroy() override {
        if (onDestroy) onDestroy();
        RObject::PrepareDestroy();
    }
    std::function<void()> onDestroy;
protected:
    ~Tracked() override { log_->push_back(name_); }
private:
    std::vector<std::string>* log_;
    std::string name_;
};

using Ints = std::vector<int>;
REntityList* const kNoList = nullptr;
using Objects = std::vector<const RObject*>;

RProperty* IndexedProperty(RObject* object, const char* name) {
    RProperty* property = object->CreateProperty(name, kPropertyTypeInt, nullptr, false, false, nullptr);
    property->SetFlag(RProperty::kIndexed, true);
    return property;
}

// The objects a list holds, in order (null for stale entries).
Objects Entries(const RGenericObjectList& list) {
    Objects entries;
    for (int i = 0; i < list.GetCount(); ++i) entries.push_back(RGenericObjectList::Resolve(list.GetAt(i)));
    return entries;
}

RPropertyObjectList* ListProperty(RObject& owner, const char* name, std::uint32_t side) {
    return RPropertyObjectList::CreateObjectListProperty(&owner, name, false, RObject::ClassId(), 0, side, 0);
}

}  // namespace

TEST(RObjectNames, EventsInOrderNoneForAnUnchangedNameAndFullNamesJoinAndSplit) {
    Watched w;
    ASSERT_TRUE(w.object->SetName("Cube"));
    EXPECT_EQ(w.owner->log, (Log{"event 8", "relay 25", "event 12", "relay 26"}));
    EXPECT_STREQ(w.object->GetName(), "Cube");
    w.owner->log.clear();
    EXPECT_FALSE(w.object->SetName("Cube"));
    EXPECT_TRUE(w.owner->log.empty());
    w.object->SetName("   ");
    EXPECT_STREQ(w.object->GetName(), "1");
    auto object = Make<RObject>();
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
    EXPECT_EQ(a + "|" + b + "|" + c + "|" + rest, "|||plain");
    EXPECT_EQ(RObject::JoinObjectName("x", "ns", "n"), "x::ns:n");
    EXPECT_EQ(RObject::JoinObjectName("", "", "n"), "n");
    EXPECT_EQ(RObject::JoinPrefixAndName("ns", ":n"), "ns:n");
    EXPECT_EQ(RObject::JoinPrefixAndName("ns", ""), "ns");
}

TEST(RObjectProperties, UniqueNamesRenamingAndRefusedTypeCodes) {
    auto object = Make<RObject>();
    RProperty* first = Add(*object, "n");
    RProperty* second = Add(*object, "n");
    RProperty* third = object->CreateProperty("n", kPropertyTypeInt, nullptr, true, false, nullptr);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(RString(first->GetName()) + "|" + second->GetName() + "|" + third->GetName(), "n|n 0|n 1");
    EXPECT_TRUE(third->IsAnimatable() && first->IsOwnedByObject());
    EXPECT_EQ(first->GetOwnerObject(), object.get());
    EXPECT_EQ(std::make_pair(first->GetMin(), first->GetMax()), std::make_pair(0.0, 100.0));
    EXPECT_EQ(std::make_pair(Add(*object, "v4", kPropertyTypeVector4), Add(*object, "f", kPropertyTypeFloat)),
              std::make_pair(kNone, kNone));
    EXPECT_EQ(object->GetPropertyCount(), 3);
    EXPECT_EQ(std::make_pair(object->FindProperty("N"), object->FindProperty("n 0")), std::make_pair(kNone, second));
    Add(*object, "b2");
    for (const auto& [name, unique, expected] : {std::tuple("n", true, "n 1"), std::tuple(" b2 ", true, "b3"),
                                                  std::tuple("say \"hi\"", false, "say hi")}) {
        ASSERT_TRUE(third->SetName(name, unique));
        EXPECT_STREQ(third->GetName(), expected);
    }
}

TEST(RObjectProperties, AFreedCounterIsTakenAgainAndAPropertyThatChangesOwnerLeavesTheIndex) {
    auto object = Make<RObject>();
    std::vector<RProperty*> made;
    for (int i = 0; i < 4; ++i) made.push_back(Add(*object, "n", kPropertyTypeInt));
    ASSERT_STREQ(made[3]->GetName(), "n 2");
    ASSERT_TRUE(object->RemoveProperty(made[2]));  // frees "n 1"
    made[1]->SetName("renamed", false);           // frees "n 0"
    for (const char* expected : {"n 0", "n 1", "n 3"}) EXPECT_STREQ(Add(*object, "n")->GetName(), expected);
    made[2]->Destroy();
    auto first = Make<RObject>();
    auto second = Make<RObject>();
    RProperty* moved = Add(*first, "p");
    ASSERT_TRUE(second->AddChild(moved));
    EXPECT_EQ(first->FindProperty("p"), nullptr);  // an object finds the properties it owns
    moved->SetName("q", false);
    // Owned by the second, but not one of its properties.
    EXPECT_EQ(std::make_pair(first->FindProperty("q"), second->FindProperty("q")), std::make_pair(kNone, kNone));
    EXPECT_STREQ(Add(*first, "p")->GetName(), "p");
}

// Joins the properties it is given as a derived class's constructor joins those it made.
class Adopter : public RObject {
public:
    void Adopt(std::vector<RProperty*> properties) {
        AdoptMadeProperties(properties.data(), static_cast<int>(properties.size()));
    }
};

// Adopts named properties with its name index deferred, then indexes them as a layout of
// "a", "b", "c" places them.
class DeferringAdopter : public RObject {
public:
    void AdoptDeferred(std::vector<RProperty*> properties) {
        static const std::vector<std::string_view> names{"a", "b", "c"};
        static const RPropertyNameIndex::Layout layout(names);
        DeferPropertyNameIndex();
        AdoptMadeProperties(properties.data(), static_cast<int>(properties.size()));
        deferredFind = FindProperty("b");
        IndexDeferredPropertyNames(layout);
    }
    RProperty* deferredFind = nullptr;
};

RProperty* NamedNumber(const char* name) {
    RProperty* property = CreatePlugObject<RNumberProperty>(nullptr, kPropertyTypeDouble, 0.0);
    property->SetNameAndTypeCode(name, kPropertyTypeDouble);
    property->SetFlag(RProperty::kOwnedByObject, true);  // goes with the object that adopts it
    return property;
}

// A property that never belonged anywhere joins at once; one a plug holds, or one with a
// child of its own, joins as AddChild makes it: it leaves its former holder, which no longer
// reaches it when that holder dies.
TEST(RObjectProperties, AdoptedPropertiesJoinInOrderAndLeaveAFormerHolder) {
    Owned<Adopter> adopter(CreatePlugObject<Adopter>(nullptr));
    RPlug* holder = CreatePlugObject<RPlug>(nullptr);
    RProperty* held = NamedNumber("held");
    ASSERT_TRUE(holder->AddChild(held));
    RProperty* parent = NamedNumber("parent");
    RPlug* child = CreatePlugObject<RPlug>(nullptr);
    ASSERT_TRUE(parent->AddChild(child));
    RProperty* fresh = NamedNumber("fresh");
    adopter->Adopt({fresh, held, parent});
    holder->Destroy();
    ASSERT_EQ(adopter->GetPropertyCount(), 3);
    for (int i = 0; i < 3; ++i) {
        RProperty* property = adopter->GetProperty(i);
        EXPECT_EQ(property, (std::vector<RProperty*>{fresh, held, parent}[static_cast<size_t>(i)]));
        EXPECT_EQ(property->GetOwner(), adopter.get()) << property->GetName();
        EXPECT_EQ(adopter->FindProperty(property->GetName()), property);
    }
    EXPECT_EQ(child->GetOwner(), parent);
    child->Destroy();
}

// Runs adopted one after another keep each property's place among the object's children:
// properties leaving afterwards, in any order, leave the others joined and found.
TEST(RObjectProperties, PropertiesAdoptedInRunsLeaveInAnyOrder) {
    Owned<Adopter> adopter(CreatePlugObject<Adopter>(nullptr));
    std::vector<RProperty*> made;
    std::vector<std::string> names;
    for (int run = 0; run < 3; ++run) {
        std::vector<RProperty*> properties;
        for (int i = 0; i < 4; ++i) {
            names.push_back("p" + std::to_string(run * 4 + i));
            properties.push_back(NamedNumber(names.back().c_str()));
        }
        adopter->Adopt(properties);
        made.insert(made.end(), properties.begin(), properties.end());
    }
    ASSERT_EQ(adopter->GetPropertyCount(), 12);
    for (const std::size_t leaving : {5u, 0u, 11u, 6u}) {
        ASSERT_TRUE(adopter->RemoveProperty(made[leaving]));
        EXPECT_EQ(made[leaving]->GetOwner(), nullptr);
        made[leaving]->Destroy();
        made[leaving] = nullptr;
    }
    ASSERT_EQ(adopter->GetPropertyCount(), 8);
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(adopter->FindProperty(names[i].c_str()), made[i]) << names[i];
        if (made[i] != nullptr) {
            EXPECT_EQ(made[i]->GetOwner(), adopter.get()) << names[i];
        }
    }
}

// The names of properties joined while the index waits are found meanwhile and afterwards,
// whether the list matches the layout or not, and a property that leaves is no longer found.
TEST(RObjectProperties, DeferredNamesAreIndexedAsTheLayoutPlacesThemOrOneByOne) {
    for (const bool matching : {true, false}) {
        SCOPED_TRACE(matching ? "matching" : "another order");
        Owned<DeferringAdopter> adopter(CreatePlugObject<DeferringAdopter>(nullptr));
        RProperty* a = NamedNumber("a");
        RProperty* b = NamedNumber("b");
        RProperty* c = NamedNumber("c");
        adopter->AdoptDeferred(matching ? std::vector<RProperty*>{a, b, c} : std::vector<RProperty*>{c, a, b});
        EXPECT_EQ(adopter->deferredFind, b);
        EXPECT_EQ((std::vector<RProperty*>{adopter->FindProperty("a"), adopter->FindProperty("b"),
                                           adopter->FindProperty("c")}),
                  (std::vector<RProperty*>{a, b, c}));
        ASSERT_TRUE(adopter->RemoveProperty(b));
        ASSERT_EQ(adopter->FindProperty("b"), nullptr);
        b->Destroy();
        EXPECT_STREQ(Add(*adopter, "a")->GetName(), "a 0");
        EXPECT_STREQ(Add(*adopter, "b")->GetName(), "b");
    }
}

// An index that follows the shared layout has no table of its own until the list changes:
// every change (a property leaving at the front, in the middle or at the end, a rename, a new
// property) leaves every name found where it now is, and the names gone not found.
TEST(RObjectProperties, AnIndexThatFollowsTheLayoutFindsEveryNameAfterAnyChange) {
    enum Change { kFirstLeaves, kMiddleLeaves, kLastLeaves, kRenamed, kAdded };
    for (const Change change : {kFirstLeaves, kMiddleLeaves, kLastLeaves, kRenamed, kAdded}) {
        SCOPED_TRACE(static_cast<int>(change));
        Owned<DeferringAdopter> adopter(CreatePlugObject<DeferringAdopter>(nullptr));
        std::vector<RProperty*> made{NamedNumber("a"), NamedNumber("b"), NamedNumber("c")};
        adopter->AdoptDeferred(made);
        std::map<std::string, RProperty*> expected{{"a", made[0]}, {"b", made[1]}, {"c", made[2]}};
        if (change == kRenamed) {
            ASSERT_TRUE(made[1]->SetName("renamed", false));
            expected.erase("b");
            expected["renamed"] = made[1];
        } else if (change == kAdded) {
            expected["d"] = Add(*adopter, "d");
        } else {
            const std::size_t leaving = change == kFirstLeaves ? 0 : change == kMiddleLeaves ? 1 : 2;
            ASSERT_TRUE(adopter->RemoveProperty(made[leaving]));
            made[leaving]->Destroy();
            expected.erase(std::string(1, static_cast<char>('a' + leaving)));
        }
        for (const char* name : {"a", "b", "c", "d", "renamed"}) {
            const auto found = expected.find(name);
            EXPECT_EQ(adopter->FindProperty(name), found != expected.end() ? found->second : nullptr) << name;
        }
        EXPECT_EQ(adopter->GetPropertyCount(), static_cast<int>(expected.size()));
    }
}

TEST(RObjectProperties, NamesAreFoundWhileAllAreRemovedAndAfterwards) {
    auto object = Make<LookingObject>();
    for (const char* name : {"a", "a", "a", "b", "c"}) Add(*object, name);
    object->RemoveAllProperties();
    EXPECT_EQ(object->seenA, (std::vector<bool>{true, true, true, true, false}));
    ASSERT_EQ(object->GetPropertyCount(), 1);  // made after the walk had passed its place
    EXPECT_EQ(object->FindProperty("late"), object->GetProperty(0));
    EXPECT_STREQ(Add(*object, "late")->GetName(), "late 0");
    EXPECT_STREQ(Add(*object, "a")->GetName(), "a");
    EXPECT_STREQ(Add(*object, "a")->GetName(), "a 0");  // the counters of removed names are free again
}

TEST(RObjectProperties, TypedAndBoundValuesThroughTheGenericAccessors) {
    auto object = Make<RObject>();
    RProperty* integer = Add(*object, "i", kPropertyTypeInt);
    RProperty* flag = Add(*object, "b", kPropertyTypeBool);
    RProperty* number = Add(*object, "d", kPropertyTypeDouble);
    RProperty* vector = Add(*object, "v", kPropertyTypeVector3);
    RProperty* color = Add(*object, "c", kPropertyTypeColorRGB, &RDataType::Color());
    EXPECT_TRUE(integer->SetDouble(2.7));
    EXPECT_EQ(integer->GetInt(), 2);
    EXPECT_TRUE(integer->SetDouble(-1e300));  // kept within the int range
    EXPECT_EQ(integer->GetInt(), INT_MIN);
    // A vector takes no int nor a value of another kind.
    EXPECT_EQ((std::vector<bool>{flag->SetDouble(2.7), number->SetDouble(0.25), vector->SetInt(3),
                                 vector->SetValue(1.0), vector->SetValue(RVector4(1, 2, 3, 1)),
                                 color->SetValue(RVector4(0.5, 0.25, 1, 1))}),
              (std::vector<bool>{true, true, false, false, true, true}));
    EXPECT_EQ(flag->GetValueAsText() + "|" + number->GetValueAsText() + "|" + vector->GetValueAsText() + "|" +
                  color->GetValueAsText(),
              "True|0.250000|{1.000000,2.000000,3.000000}|{0.500000,0.250000,1.000000,1.000000}");
    EXPECT_EQ(color->GetDataType(), &RDataType::Color());
    const std::pair<int, int> codes[] = {
        {RProperty::GetPropertyTypeCode(&RDataType::Color()), kPropertyTypeColorRGB},
        {RProperty::GetPropertyTypeCode(RDataType::FindByName("Lcl Translation")), kPropertyTypeVector3},
        {RProperty::GetPropertyTypeCode(RDataType::FindByName("Visibility")), kPropertyTypeDouble},
        {RProperty::TypeCodeFromName("Vector3D"), kPropertyTypeVector3},
        {RProperty::TypeCodeFromName("vector3d"), kPropertyTypeUnknown}};
    for (const auto& [got, expected] : codes) EXPECT_EQ(got, expected);
    EXPECT_STREQ(RProperty::GetTypeName(kPropertyTypeReference), "Reference");
    EXPECT_EQ(RProperty::GetTypeName(19), nullptr);
    int member = 5;  // a property bound to its owner's member
    auto bound = Make<RIntegerProperty>(kPropertyTypeInt, 0);
    bound->Declare("bound", object.get(), [&] { return member; }, [&](const int& value) { member = value * 10; });
    EXPECT_EQ(bound->GetInt(), 5);
    member = 7;
    EXPECT_EQ(bound->Get(), 7);
    bound->SetInt(2);
    EXPECT_EQ(member, 20);
    EXPECT_FALSE(bound->HasStateFlags(RProperty::kStateReadOnly));
    object->RemoveChild(bound.get());
}

TEST(RObjectProperties, FindPropertyFollowsTheNewNameAndListOrderWhicheverWayItIsRenamed) {
    using Rename = void (*)(RProperty&, const char*);
    const std::pair<const char*, Rename> routes[] = {
        {"SetName", [](RProperty& p, const char* name) { p.SetName(name, false); }},
        {"SetNameAndTypeCode", [](RProperty& p, const char* name) { p.SetNameAndTypeCode(name, p.GetTypeCode()); }},
        {"Declare", [](RProperty& p, const char* name) { p.Declare(name, p.GetOwnerObject()); }}};
    for (const auto& [route, rename] : routes) {
        SCOPED_TRACE(route);
        auto object = Make<RObject>();
        RProperty* first = Add(*object, "a");
        RProperty* second = Add(*object, "b");
        rename(*second, "c");
        EXPECT_EQ(object->FindProperty("b"), nullptr);
        EXPECT_EQ(object->FindProperty("c"), second);
        // Two of one name: the one first in the list is found, whichever took the name last.
        rename(*first, "c");
        EXPECT_EQ(object->FindProperty("c"), first);
        rename(*first, "a");
        EXPECT_EQ(object->FindProperty("c"), second);
        EXPECT_EQ(object->FindProperty("a"), first);
        EXPECT_STREQ(Add(*object, "c")->GetName(), "c 0");
    }
}

// A lookup from a hinted place gives what the plain lookup gives: the guess stands only for the
// one owned, indexed property of that name, and the hint follows the property found.
TEST(RObjectProperties, FindPropertyFromAHintFindsWhatFindPropertyFinds) {
    auto object = Make<RObject>();
    std::vector<RProperty*> made;
    for (const char* name : {"a", "b", "c", "d"}) made.push_back(Add(*object, name));
    int hint = 0;
    const std::pair<const char*, RProperty*> walk[] = {
        {"a", made[0]}, {"c", made[2]}, {"d", made[3]}, {"zz", nullptr}, {"b", made[1]}, {"b", made[1]}};
    std::vector<int> hints;
    for (const auto& [name, expected] : walk) {
        EXPECT_EQ(object->FindPropertyFrom(name, hint), expected) << name;
        hints.push_back(hint);
    }
    EXPECT_EQ(hints, (std::vector<int>{1, 3, 4, 4, 2, 2}));
    hint = 1;
    EXPECT_EQ(object->FindPropertyFrom(std::string_view("b\0", 2), hint), nullptr) << "a name with more bytes is another name";
    // Two of one name: the first in the list is found even where the hint points at the other.
    made[1]->SetName("x", false);
    made[0]->SetName("x", false);
    hint = 1;
    EXPECT_EQ(object->FindPropertyFrom("x", hint), made[0]);
    EXPECT_EQ(hint, 1);
    // A property in the list that another object took over is not this object's to find.
    auto other = Make<RObject>();
    auto lone = Make<RObject>();
    RProperty* moved = Add(*lone, "m");
    ASSERT_TRUE(other->AddChild(moved));
    ASSERT_EQ(lone->GetProperty(0), moved);
    hint = 0;
    EXPECT_EQ(lone->FindPropertyFrom("m", hint), nullptr);
}

// A lookup at a place finds the property there only with its own description and while a lookup
// by its name could find nothing else: not past either end, not when a name is shared, not a
// property that another object took over.
TEST(RObjectProperties, FindPropertyAtPlaceStandsOnlyForTheNameLookup) {
    auto object = Make<RObject>();
    std::vector<RProperty*> made;
    for (const char* name : {"a", "b", "c"}) made.push_back(Add(*object, name));
    for (int place = 0; place < 3; ++place) {
        EXPECT_EQ(object->FindPropertyAtPlace(place, made[place]->GetInfo()), made[place]) << place;
    }
    EXPECT_EQ(object->FindPropertyAtPlace(1, made[0]->GetInfo()), nullptr) << "another description";
    EXPECT_EQ(object->FindPropertyAtPlace(-1, made[0]->GetInfo()), nullptr);
    EXPECT_EQ(object->FindPropertyAtPlace(3, made[2]->GetInfo()), nullptr);
    // Two of one name: neither place stands for the name any longer.
    made[2]->SetName("b", false);
    EXPECT_EQ(object->FindPropertyAtPlace(1, made[1]->GetInfo()), nullptr);
    EXPECT_EQ(object->FindPropertyAtPlace(2, made[2]->GetInfo()), nullptr);

    auto other = Make<RObject>();
    auto lone = Make<RObject>();
    RProperty* moved = Add(*lone, "m");
    ASSERT_TRUE(other->AddChild(moved));
    ASSERT_EQ(lone->GetProperty(0), moved);
    EXPECT_EQ(lone->FindPropertyAtPlace(0, moved->GetInfo()), nullptr);
}

// Every type name reads back as its code, wherever it lies among the names of its length; a
// name that differs in a letter, its case or its length (a prefix, one longer, past the longest)
// names no type.
TEST(RObjectProperties, TypeNamesReadBackAsTheirCodesAndNothingElseDoes) {
    for (int code = 0; code < kPropertyTypeCount; ++code) {
        const std::string name = RProperty::GetTypeName(code);
        EXPECT_EQ(RProperty::TypeCodeFromName(std::string_view(name)), code) << name;
        std::string changed = name;
        changed.back() = changed.back() == 'x' ? 'y' : 'x';
        std::string upper = name;
        upper[0] = static_cast<char>(upper[0] ^ 0x20);
        for (const std::string& other : {changed, upper, name.substr(0, name.size() - 1), name + "s"}) {
            // ("ColorRGB" is "ColorRGBA" cut short.)
            const int expected = other == "ColorRGB" ? kPropertyTypeColorRGB : kPropertyTypeUnknown;
            EXPECT_EQ(RProperty::TypeCodeFromName(std::string_view(other)), expected) << other;
        }
    }
    EXPECT_EQ(RProperty::TypeCodeFromName(std::string_view("VectorElements")), kPropertyTypeUnknown);
    EXPECT_EQ(RProperty::TypeCodeFromName(std::string_view("ColorRGBA and more than any type name holds")),
              kPropertyTypeUnknown);
    EXPECT_EQ(RProperty::TypeCodeFromName(std::string_view("double\0", 7)), kPropertyTypeUnknown);
}

TEST(RObjectProperties, RangeRelaysOnlyChangesAndEnumNamesStayInRangeAndCopyingValuesNeedsTheSameNameAndDataType) {
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
    EXPECT_TRUE(choice->GetEnumName(2) == nullptr && choice->GetEnumName(-1) == nullptr);
    choice->SetInt(1);
    EXPECT_EQ(choice->GetValueAsText(), "High");
    auto from = Make<RObject>();
    auto to = Make<RObject>();
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

TEST(RObjectEvents, ObjectEventsReachEveryDestinationAsTheyStoodWhenSent) {
    auto source = Make<RObject>();
    auto first = Make<OwnedEventLog>();
    auto second = Make<OwnedEventLog>();
    const std::vector<std::pair<RObject*, int>> renamed{{source.get(), kObjectEventNameChanging},
                                                        {source.get(), kObjectEventNameChanged}};
    // One destination.
    ASSERT_TRUE(source->ConnectDestination(first.get()));
    ASSERT_TRUE(source->SetName("a"));
    EXPECT_EQ(first->events, renamed);
    // Two: the first leaving during the walk does not cost the second its event.
    ASSERT_TRUE(source->ConnectDestination(second.get()));
    first->events.clear();
    first->onEvent = [&] { source->DisconnectDestination(first.get()); };
    ASSERT_TRUE(source->SetName("b"));
    EXPECT_EQ(first->events, (std::vector<std::pair<RObject*, int>>{{source.get(), kObjectEventNameChanging}}));
    EXPECT_EQ(second->events, renamed);
    EXPECT_EQ(source->GetDestinationCount(), 1);
}

TEST(RObjectEvents, ConnectionsReachTheHandlersDestroyInsideOneIsDeferredAndEndsProperties) {
    auto object = Make<RObject>();
    auto source = Make<RObject>();
    HandlerLog log;
    object->GetEventHandlers().Add(&log, &HandlerLog::Record, nullptr);
    ASSERT_TRUE(object->ConnectSource(source.get()));
    ASSERT_TRUE(object->DisconnectSource(source.get()));
    EXPECT_EQ(log.codes,
              (std::vector<int>{kConnectionAdding, kConnectionAdded, kConnectionRemoving, kConnectionRemoved}));
    RObject* doomed = object.release();
    const RPlugRef ref(doomed);
    bool aliveAfterRequest = false;
    log.onEvent = [&] {
        if (!ref.IsValid()) return;
        doomed->Destroy();
        aliveAfterRequest = ref.IsValid();
    };
    ASSERT_TRUE(doomed->ConnectSource(source.get()));
    EXPECT_TRUE(aliveAfterRequest);
    EXPECT_FALSE(ref.IsValid());
    EXPECT_EQ(source->GetDestinationCount(), 0);
    Watched w;  // destroying an object ends its properties and connections
    doomed = w.object.release();
    const RPlugRef propertyRef(Add(*doomed, "p"));
    ASSERT_TRUE(doomed->ConnectSource(source.get()));
    ASSERT_TRUE(doomed->GetProperty(0)->ConnectDestination(source.get()));
    w.owner->log.clear();
    doomed->Destroy();
    EXPECT_FALSE(propertyRef.IsValid());
    EXPECT_EQ(source->GetDestinationCount() + source->GetSourceCount(), 0);
    ASSERT_GE(w.owner->log.size(), 2u);
    EXPECT_EQ(Log(w.owner->log.begin(), w.owner->log.begin() + 2), (Log{"relay 21", "event 1"}));
}

TEST(RObjectReferences, ReferenceAndObjectPropertiesFollowWhatTheyReferToAndLeaveNothingDangling) {
    auto holder = Make<RObject>();
    RObject* target = CreatePlugObject<RObject>(nullptr);
    target->SetName("Target");
    RProperty* referenced = Add(*target, "value");
    RProperty* reference = holder->CreateReferenceProperty(referenced, nullptr);
    ASSERT_NE(reference, nullptr);
    EXPECT_STREQ(reference->GetName(), "RProperty.value");
    EXPECT_EQ(referenced->GetReferrerCount(), 1);
    EXPECT_EQ((std::vector<const RProperty*>{reference->GetReferencedProperty(), referenced->GetReferrer(0),
                                             referenced->GetReferencedProperty()}),
              (std::vector<const RProperty*>{referenced, reference, referenced}));
    RProperty* link = Add(*holder, "link", kPropertyTypeObject, nullptr, target);
    EXPECT_EQ(std::get<RPlug*>(link->GetValue()), target);
    EXPECT_EQ(link->GetValueAsText(), "Target");
    target->Destroy();
    EXPECT_EQ(holder->GetPropertyCount(), 1);  // the reference left with its property
    EXPECT_EQ(std::get<RPlug*>(link->GetValue()), nullptr);
    EXPECT_EQ(link->GetValueAsText(), "Object!");
    // Whether the reference is a property of the referenced property's own object, and
    // whether the object holding the reference is destroyed first.
    for (const auto& [selfReference, holderFirst] : {std::pair(false, true), std::pair(false, false),
                                                      std::pair(true, true)}) {
        SCOPED_TRACE(::testing::Message() << "self " << selfReference << " holder first " << holderFirst);
        RObject* target = CreatePlugObject<RObject>(nullptr);
        RObject* holder = selfReference ? target : CreatePlugObject<RObject>(nullptr);
        RProperty* referenced = Add(*target, "T");
        RProperty* reference = holder->CreateReferenceProperty(referenced, "r");
        ASSERT_NE(reference, nullptr);
        const RPlugRef targetRef(target), holderRef(holder), referencedRef(referenced), referenceRef(reference);
        (holderFirst ? holder : target)->Destroy();
        EXPECT_FALSE(referenceRef.IsValid() || (holderFirst ? holderRef : targetRef).IsValid());
        if (selfReference) continue;
        RObject* survivor = holderFirst ? target : holder;
        EXPECT_EQ(referencedRef.IsValid(), holderFirst);
        EXPECT_EQ(survivor->GetPropertyCount(), holderFirst ? 1 : 0);
        if (holderFirst) {
            EXPECT_EQ(referenced->GetDestinationCount(), 0);
        }
        survivor->Destroy();
        EXPECT_FALSE(referencedRef.IsValid());
    }
}

TEST(RObjectReferences, RemovingAPropertyTakesItsReferencesButLeavesThePropertiesItFeeds) {
    auto source = Make<RObject>();
    auto fed = Make<RObject>();
    auto holder = Make<RObject>();
    RProperty* value = Add(*source, "value");
    RProperty* plain = Add(*fed, "plain");
    ASSERT_TRUE(plain->ConnectSource(value));
    ASSERT_NE(holder->CreateReferenceProperty(value, "r"), nullptr);
    const RPlugRef valueRef(value);
    source->DestroyPropertyAt(source->IndexOfProperty(value));
    EXPECT_FALSE(valueRef.IsValid());
    EXPECT_EQ(holder->GetPropertyCount(), 0);  // the reference left with what it refers to
    ASSERT_EQ(fed->GetPropertyCount(), 1);     // data of another object stays, cut loose
    EXPECT_EQ(fed->GetProperty(0), plain);
    EXPECT_EQ(plain->GetSourceCount(), 0);
}

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

// Plugs, objects and properties destroyed or detached while others still refer to them.
TEST(ObjectLifetime, ChildrenForgetAnOwnerThatDiesWhateverOrderOthersLeft) {
    RPlug* owner = CreatePlugObject<RPlug>(nullptr);
    RPlug* children[4];
    for (RPlug*& child : children) ASSERT_TRUE(owner->AddChild(child = CreatePlugObject<RPlug>(nullptr)));
    const Cleanup cleanup{children[0], children[1], children[2], children[3]};
    // The first and then the last leave; each must take its own place in the owner's books.
    ASSERT_TRUE(owner->RemoveChild(children[0]));
    ASSERT_TRUE(owner->RemoveChild(children[3]));
    ASSERT_TRUE(children[0]->SetOwner(children[3]));
    owner->Destroy();
    EXPECT_EQ(children[1]->GetOwner(), nullptr);
    EXPECT_EQ(children[2]->GetOwner(), nullptr);
    EXPECT_EQ(children[0]->GetOwner(), children[3]);
    children[3]->Destroy();
    EXPECT_EQ(children[0]->GetOwner(), nullptr);
}

TEST(ObjectLifetime, APropertyRemovedOrDestroyedOnItsOwnLeavesItsObject) {
    RObject* object = CreatePlugObject<RObject>(nullptr);
    RProperty* removed = Add(*object, "removed", kPropertyTypeInt);
    RProperty* destroyed = Add(*object, "destroyed", kPropertyTypeInt);
    ASSERT_TRUE(object->RemoveProperty(removed));
    EXPECT_EQ(removed->GetOwner(), nullptr);
    destroyed->Destroy();
    EXPECT_EQ(object->GetPropertyCount(), 0);
    EXPECT_EQ(object->FindProperty("destroyed"), nullptr);
    object->Destroy();
    EXPECT_TRUE(removed->SetInt(3));  // relays to no one
    EXPECT_EQ(removed->GetInt(), 3);
    removed->Destroy();
}

TEST(ObjectLifetime, AnObjectDestroyedWhileItsPropertyConnectsOrChanges) {
    RObject* object = CreatePlugObject<RObject>(nullptr);
    RObject* source = CreatePlugObject<RObject>(nullptr);
    const Cleanup cleanup{source};
    const RPlugRef propertyRef(Add(*object, "p", kPropertyTypeInt));
    DestroyOnKind rule{kConnectionAdding, object};
    rule.Watch(object);
    object->GetProperty(0)->ConnectSource(source);
    EXPECT_FALSE(propertyRef.IsValid());
    EXPECT_EQ(source->GetDestinationCount(), 0);
    RecordingOwner* owner = CreatePlugObject<RecordingOwner>(nullptr);
    RObject* changed = CreatePlugObject<RObject>(nullptr);
    const Cleanup ownerCleanup{owner};
    changed->SetOwningObject(owner->GetRef());
    owner->victim = changed;
    RProperty* property = Add(*changed, "p", kPropertyTypeInt);
    const RPlugRef changedRef(changed), changingRef(property);
    property->SetInt(5);
    EXPECT_FALSE(changedRef.IsValid());
    EXPECT_FALSE(changingRef.IsValid());
}

// A dying object's properties all leave with both events, last first, whether nothing else
// reaches them, one feeds a surviving object's property, or one is held; whichever of the two
// objects dies first, nothing is left connected or alive.
TEST(ObjectLifetime, ADestroyedObjectsPropertiesLeaveWithTheirEventsWhicheverObjectDiesFirst) {
    for (const bool survivorFirst : {false, true}) {
        SCOPED_TRACE(survivorFirst ? "survivor first" : "dying object first");
        Log events;
        PropertyEventLog* dying = CreatePlugObject<PropertyEventLog>(nullptr, &events);
        Owned<RObject> survivor = Make<RObject>();
        RProperty* target = Add(*survivor, "t");
        RProperty* plain = Add(*dying, "a");
        RProperty* feeding = Add(*dying, "b");
        RProperty* held = Add(*dying, "c");
        RProperty* referred = Add(*dying, "d");
        ASSERT_TRUE(target->ConnectSource(feeding));
        ASSERT_NE(survivor->CreateReferenceProperty(referred, "r"), nullptr);
        const RPlugRef plainRef(plain), feedingRef(feeding), heldRef(held);
        if (survivorFirst) survivor.reset();
        events.clear();
        {
            const RPlugLock hold(held);
            dying->Destroy();
            EXPECT_TRUE(heldRef.IsValid());  // until its holder lets go
            EXPECT_EQ(held->GetOwner(), nullptr);
        }
        EXPECT_EQ(events, (Log{"9 d", "12 d", "9 c", "12 c", "9 b", "12 b", "9 a", "12 a"}));
        EXPECT_FALSE(plainRef.IsValid() || feedingRef.IsValid() || heldRef.IsValid());
        if (survivor) {
            EXPECT_EQ(target->GetSourceCount(), 0);
            EXPECT_EQ(survivor->GetPropertyCount(), 1);
        }
    }
}

// An object that says whether anything hears its properties leave while it dies.
class QuietWhenDying : public PropertyEventLog {
public:
    QuietWhenDying(Log* log, bool hears) : PropertyEventLog(log), hears_(hears) {}
    bool HearsPropertyLeaving() const override { return hears_; }
private:
    bool hears_;
};

// When nothing hears its properties leave, a dying object ends those nothing else reaches
// without their events; a held one still leaves with both. A property that fed a survivor or
// was referred to loses those connections first, as on the usual path, so the survivor sees
// the same either way. An object heard keeps every event.
TEST(ObjectLifetime, ADyingObjectNobodyHearsEndsItsUnreachedPropertiesWithoutEvents) {
    for (const bool hears : {true, false}) {
        SCOPED_TRACE(hears ? "heard" : "not heard");
        Log events;
        QuietWhenDying* dying = CreatePlugObject<QuietWhenDying>(nullptr, &events, hears);
        Owned<RObject> survivor = Make<RObject>();
        RProperty* target = Add(*survivor, "t");
        Add(*dying, "a");
        RProperty* feeding = Add(*dying, "b");
        RProperty* held = Add(*dying, "c");
        RProperty* referred = Add(*dying, "d");
        Add(*dying, "e");
        auto kept = Make<RNumberProperty>(kPropertyTypeDouble, 0.0);  // not the object's to end
        kept->Declare("k", dying);
        dying->AddProperty(kept.get());
        ASSERT_TRUE(target->ConnectSource(feeding));
        ASSERT_NE(survivor->CreateReferenceProperty(referred, "r"), nullptr);
        events.clear();
        const RPlugRef heldRef(held), keptRef(kept.get());
        {
            const RPlugLock hold(held);
            dying->Destroy();
            EXPECT_TRUE(heldRef.IsValid());
            EXPECT_EQ(held->GetOwner(), nullptr);
        }
        const Log heard{"9 k", "12 k", "9 e", "12 e", "9 d", "12 d", "9 c", "12 c", "9 b", "12 b", "9 a", "12 a"};
        EXPECT_EQ(events, hears ? heard : (Log{"9 c", "12 c"}));
        EXPECT_FALSE(heldRef.IsValid());
        EXPECT_TRUE(keptRef.IsValid());
        EXPECT_EQ(kept->GetOwner(), nullptr);
        EXPECT_EQ(target->GetSourceCount(), 0);
        EXPECT_EQ(survivor->GetPropertyCount(), 1);  // the reference property went with "d"
    }
}

// An object that overrides the destruction of one property still sees each of its properties
// pass through the override when it dies, whether or not anything else reaches them.
class DestroyCounter : public RObject {
public:
    explicit DestroyCounter(Log* log) : log_(log) {}
    void DestroyPropertyAt(int index) override {
        log_->push_back(GetProperty(index)->GetName());
        RObject::DestroyPropertyAt(index);
    }
private:
    Log* log_;
};

TEST(ObjectLifetime, ADyingObjectsOverrideSeesEveryProperty) {
    Log destroyed;
    DestroyCounter* dying = CreatePlugObject<DestroyCounter>(nullptr, &destroyed);
    Owned<RObject> survivor = Make<RObject>();
    Add(*dying, "a");
    ASSERT_TRUE(Add(*survivor, "t")->ConnectSource(Add(*dying, "b")));
    dying->Destroy();
    EXPECT_EQ(destroyed, (Log{"b", "a"}));
}

// A property the object does not own outlives its destruction through the object, cut from
// the object and from what it was connected to.
TEST(ObjectLifetime, APropertyNotOwnedOutlivesItsDestructionCutFromItsConnections) {
    auto object = Make<RObject>();
    auto peer = Make<RObject>();
    RProperty* feeding = Add(*peer, "f");
    auto kept = Make<RNumberProperty>(kPropertyTypeDouble, 0.0);
    kept->Declare("k", object.get());
    object->AddProperty(kept.get());
    ASSERT_TRUE(kept->ConnectSource(feeding));
    object->DestroyPropertyAt(object->IndexOfProperty(kept.get()));
    EXPECT_EQ(object->GetPropertyCount(), 0);
    EXPECT_EQ(kept->GetOwner(), nullptr);
    EXPECT_EQ(feeding->GetDestinationCount(), 0);
    EXPECT_FALSE(kept->HasConnections());
}

TEST(ObjectLifetime, AnObjectDestroyedInTheMiddleOfDisconnectingAll) {
    RObject* target = CreatePlugObject<RObject>(nullptr);
    RObject* first = CreatePlugObject<RObject>(nullptr);
    RObject* second = CreatePlugObject<RObject>(nullptr);
    const Cleanup cleanup{first, second};
    ASSERT_TRUE(target->ConnectSource(first));
    ASSERT_TRUE(target->ConnectSource(second));
    DestroyOnKind rule{kConnectionRemoving, target};
    rule.Watch(target);
    const RPlugRef targetRef(target);
    target->DisconnectAllSources();
    EXPECT_FALSE(targetRef.IsValid());
    EXPECT_EQ(first->GetDestinationCount() + second->GetDestinationCount(), 0);
}

TEST(ObjectLifetime, ReplacementsWhoseNewPlugDiesAndListsThatHearBothEnds) {
    RObject* target = CreatePlugObject<RObject>(nullptr);
    RObject* oldSource = CreatePlugObject<RObject>(nullptr);
    RObject* replacement = CreatePlugObject<RObject>(nullptr);
    RObject* destination = CreatePlugObject<RObject>(nullptr);
    const Cleanup cleanup{target, oldSource, replacement, destination};
    ASSERT_TRUE(target->ConnectDestination(destination));
    ASSERT_TRUE(target->ConnectSource(oldSource));
    // A registered list copies only its own side, and hears both ends of a replacement.
    RPropertyObjectList* list = RPropertyObjectList::CreateObjectListProperty(
        target, "Sources", true, RObject::ClassId(), 0, RPlug::kTakesSources, 0);
    EXPECT_EQ(list->GetSourceCount(), 1);
    EXPECT_EQ(list->GetDestinationCount(), 0);
    ASSERT_TRUE(target->ReplaceSource(oldSource, replacement));
    EXPECT_EQ(list->GetObject(0), replacement);
    EXPECT_FALSE(target->IsReplacing(list, oldSource));
    EXPECT_FALSE(target->IsReplacing(target, oldSource));
    // The new plug destroyed by a handler in the middle of the replacement.
    DestroyOnKind rule{kConnectionRemoved, oldSource};
    rule.Watch(target);
    const RPlugRef doomedRef(oldSource);
    target->ReplaceSource(replacement, oldSource);
    EXPECT_FALSE(doomedRef.IsValid());
    EXPECT_EQ(replacement->GetDestinationCount(), 0);
    EXPECT_EQ(target->GetSource(0), nullptr);
}

TEST(ObjectLifetime, ConnectionsStayRemovableWhenTheFilterChanges) {
    RObject* owner = CreatePlugObject<RObject>(nullptr);
    RObject* member = CreatePlugObject<RObject>(nullptr);
    RPlug* src = CreatePlugObject<RPlug>(nullptr);
    RPlug* dst = CreatePlugObject<RPlug>(nullptr);
    const Cleanup cleanup{owner, member, src, dst};
    RPropertyObjectList* list = RPropertyObjectList::CreateObjectListProperty(owner, "L", false, RObject::ClassId(), 0,
                                                                              RPlug::kTakesSources, 0);
    ASSERT_TRUE(list->Add(member));
    list->SetClass(ClassInfoAt(RClassTableIndex::RGenericObjectList).classId, -1);
    EXPECT_TRUE(list->Remove(member));
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(member->GetDestinationCount(), 0);
    // A one-way connection from a plug that takes no destinations can still be undone.
    src->SetState(RPlug::kTakesDestinations, false);
    ASSERT_TRUE(RPlug::Connect(src, nullptr, dst, nullptr, RPlug::kOneWay));
    EXPECT_TRUE(dst->DisconnectSource(src));
    EXPECT_EQ(dst->GetSourceCount(), 0);
}

TEST(ObjectLifetime, AConnectedObjectTakesItsNameSpaceRelativeToItsOwner) {
    RObject* scene = CreatePlugObject<RObject>(nullptr);
    SpacedObject* object = CreatePlugObject<SpacedObject>(nullptr);
    const Cleanup cleanup{scene, object};
    scene->SetNameSpaceAndCopy("scene");
    object->SetNameSpaceAndCopy("scene:ns");
    object->SetName("a");
    ASSERT_TRUE(scene->ConnectSource(object));
    EXPECT_STREQ(object->GetNameSpace(), "ns");
    EXPECT_EQ(object->GetFullName(), "scene:ns:a");
}

TEST(ObjectLifetime, ALockedObjectDestroyedLivesWholeUntilTheLastUnlock) {
    RecordingOwner* owner = CreatePlugObject<RecordingOwner>(nullptr);
    RObject* object = CreatePlugObject<RObject>(nullptr);
    const Cleanup cleanup{owner};
    object->SetOwningObject(owner->GetRef());
    RProperty* property = Add(*object, "p", kPropertyTypeInt);
    const RPlugRef objectRef(object), propertyRef(property);
    object->Lock();
    object->Lock();
    object->Destroy();
    ASSERT_TRUE(objectRef.IsValid()) << "destroyed at once while locked";
    object->Destroy();  // asked twice: still one destruction, at the end
    object->Unlock();
    ASSERT_TRUE(objectRef.IsValid()) << "destroyed before the last unlock";
    EXPECT_TRUE(object->HasState(RPlug::kDestroyPending));
    EXPECT_EQ(object->FindProperty("p"), property);
    EXPECT_TRUE(owner->codes.empty()) << "told it was destroyed while still locked";
    object->Unlock();
    EXPECT_FALSE(objectRef.IsValid());
    EXPECT_FALSE(propertyRef.IsValid());
    EXPECT_EQ(owner->codes, (std::vector<int>{kObjectEventDestroyed}));
    // A locked property stays in its object until the unlock.
    object = CreatePlugObject<RObject>(nullptr);
    const Cleanup objectCleanup{object};
    property = Add(*object, "p", kPropertyTypeInt);
    const RPlugRef lockedRef(property);
    property->Lock();
    property->Destroy();
    ASSERT_TRUE(lockedRef.IsValid()) << "destroyed at once while locked";
    EXPECT_EQ(object->FindProperty("p"), property);
    EXPECT_EQ(property->GetOwnerObject(), object);
    property->Unlock();
    EXPECT_FALSE(lockedRef.IsValid());
    EXPECT_EQ(object->GetPropertyCount(), 0);
}

TEST(RGenericObjectList, WatcherIsAskedAndToldAndCanVeto) {
    auto list = Make<RObjectList>();
    auto a = Make<RObject>();
    auto watcher = Make<Watcher>();
    list->SetWatcher(watcher.get());
    using Calls = std::vector<std::pair<int, int>>;
    EXPECT_EQ(list->Add(a->GetRef()), 0);
    EXPECT_EQ(watcher->calls, (Calls{{RGenericObjectList::kAskAdd, 0}, {RGenericObjectList::kTellAdded, 0}}));
    watcher->refuse = RGenericObjectList::kAskAdd;
    EXPECT_EQ((Ints{list->Add(a->GetRef()), list->InsertAt(0, a->GetRef()), list->SetAt(0, a->GetRef())}),
              (Ints{-1, -1, -1}));
    watcher->refuse = RGenericObjectList::kAskRemove;
    EXPECT_FALSE(list->RemoveAt(0));
    watcher->refuse = RGenericObjectList::kAskClear;
    EXPECT_FALSE(list->Clear(false));
    EXPECT_EQ(list->GetCount(), 1);
    // A destroyed watcher is never called again: the list watches itself.
    watcher.reset();
    EXPECT_EQ(list->GetWatcher(), list.get());
    EXPECT_EQ(list->Add(a->GetRef()), 1);
}

TEST(RGenericObjectList, RemoveTakesTheLaterOfTwoEqualEntriesAndIndexesStayInRange) {
    auto list = Make<RObjectList>();
    auto a = Make<RObject>();
    auto b = Make<RObject>();
    for (RObject* object : {a.get(), b.get(), a.get()}) list->Add(object->GetRef());
    auto watcher = Make<Watcher>();
    list->SetWatcher(watcher.get());
    EXPECT_TRUE(list->Remove(a->GetRef()));
    EXPECT_EQ(Entries(*list), (Objects{a.get(), b.get()}));
    EXPECT_EQ(watcher->calls.back(), std::make_pair(RGenericObjectList::kTellRemoved, 2));
    EXPECT_FALSE(list->Remove(RPlugRef()));
    auto plain = Make<RGenericObjectList>();
    EXPECT_EQ((std::vector<bool>{plain->GetAt(0).IsValid(), plain->GetAt(-1).IsValid(), plain->RemoveAt(0)}),
              (std::vector<bool>{false, false, false}));
    // Past the end is appended; AddAll adds the entries the list held when the call began.
    EXPECT_EQ((Ints{plain->SetAt(0, a->GetRef()), plain->InsertAt(-1, a->GetRef()), plain->InsertAt(7, a->GetRef()),
                    plain->InsertAt(0, b->GetRef()), plain->AddAll(*plain)}),
              (Ints{-1, -1, 0, 0, 2}));
    EXPECT_EQ(Entries(*plain), (Objects{b.get(), a.get(), b.get(), a.get()}));
}

TEST(RGenericObjectList, StaleEntriesResolveToNoneAndClearDestroysFromLastToFirst) {
    Log log;
    auto list = Make<RGenericObjectList>();
    for (const char* name : {"a", "b", "c"}) {
        RObject* object = CreatePlugObject<Tracked>(nullptr, &log, name);
        object->SetName(name);
        list->Add(object->GetRef());
    }
    RObject* b = RGenericObjectList::Resolve(list->GetAt(1));
    EXPECT_EQ(list->FindByFullName("b").Get(), b);
    EXPECT_EQ(list->FindByFullName("C").Get(), nullptr);
    b->Destroy();
    EXPECT_EQ(Entries(*list)[1], nullptr);
    EXPECT_EQ(list->FindByFullName("b").Get(), nullptr);
    EXPECT_TRUE(list->Clear(true));
    EXPECT_EQ(log, (Log{"b", "c", "a"}));
    EXPECT_EQ(list->GetCount(), 0);
}

TEST(RGenericObjectList, ClearIsSafeWhenDestructionsEditOrDestroyTheList) {
    Log log;
    RGenericObjectList* list = CreatePlugObject<RGenericObjectList>(nullptr);
    const RPlugRef listRef = list->GetRef();
    std::vector<Tracked*> objects;
    for (const char* name : {"a", "b", "c", "d"}) {
        objects.push_back(CreatePlugObject<Tracked>(nullptr, &log, name));
        list->Add(objects.back()->GetRef());
    }
    auto outsider = Make<RObject>();
    // "d" removes the first entry and adds an outsider; "b" destroys the list itself.
    objects[3]->onDestroy = [&] {
        list->RemoveAt(0);
        list->Add(outsider->GetRef());
    };
    objects[1]->onDestroy = [&] { list->Destroy(); };
    list->Clear(true);
    EXPECT_EQ(log, (Log{"d", "c", "b", "a"}));
    EXPECT_FALSE(listRef.IsValid());  // destroyed once the clear was over
}

TEST(RPropertyObjectList, CreateDeclaresAnObjectListOnTheOwner) {
    auto owner = Make<RObject>();
    auto* property = RPropertyObjectList::CreateObjectListProperty(
        owner.get(), "Targets", false, RObject::ClassId(), 7, RPlug::kTakesSources, RProperty::kStateNotSaved);
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(owner->FindProperty("Targets"), property);
    EXPECT_EQ(property->GetTypeCode(), kPropertyTypeObject);
    const std::uint32_t listFlags = RProperty::kObjectList | RProperty::kListFlag | RProperty::kOwnedByObject;
    EXPECT_EQ((std::vector<bool>{property->HasFlag(listFlags), property->HasStateFlags(RProperty::kStateNotSaved),
                                 property->HasState(RPlug::kTakesDestinations)}),
              (std::vector<bool>{true, true, false}));
    int classId = 0, second = 0;
    property->GetClass(classId, second);
    EXPECT_EQ(std::make_pair(classId, second), std::make_pair(RObject::ClassId(), 7));
    EXPECT_EQ(RPropertyObjectList::CreateObjectListProperty(nullptr, "x", false, -1, 0, 1, 0), nullptr);
}

TEST(RPropertyObjectList, SourceSideListsAndCountsItsSources) {
    auto owner = Make<RObject>();
    auto a = Make<RObject>();
    auto b = Make<RObject>();
    RPropertyObjectList* list = ListProperty(*owner, "Targets", RPlug::kTakesSources);
    EXPECT_TRUE(list->Add(a.get()));
    EXPECT_EQ(list->GetSource(0), a.get());
    EXPECT_EQ(list->GetChangeCount(), 2);  // the edit, then the source added
    EXPECT_TRUE(list->InsertAt(0, b.get()));
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetObject(0), b.get());
    EXPECT_EQ(list->IndexOf(a.get()), 1);
    // A connection removed elsewhere is a change of the list as well.
    const int before = list->GetChangeCount();
    list->DisconnectSource(b.get());
    EXPECT_EQ(list->GetChangeCount(), before + 1);
    EXPECT_TRUE(list->ReplaceAt(0, b.get()));
    EXPECT_EQ(list->GetObject(0), b.get());
    EXPECT_EQ(list->IndexOf(a.get()), -1);
    list->Clear();
    EXPECT_EQ(list->GetCount(), 0);
}

TEST(RPropertyObjectList, DestinationSideAndClassFilter) {
    auto owner = Make<RObject>();
    auto a = Make<RObject>();
    RPropertyObjectList* list = ListProperty(*owner, "Users", RPlug::kTakesDestinations);
    EXPECT_TRUE(list->Add(a.get()));
    EXPECT_EQ(list->GetDestination(0), a.get());
    EXPECT_EQ(list->IndexOf(a.get()), 0);
    EXPECT_TRUE(list->Remove(a.get()));
    EXPECT_EQ(list->GetChangeCount(), 4);  // two per edit: on this side, destinations count
    list->SetClass(RGenericObjectList::ClassId(), 1);
    EXPECT_FALSE(list->Add(a.get()));
    auto objects = Make<RGenericObjectList>();
    EXPECT_TRUE(list->Add(objects.get()));
    EXPECT_EQ(list->GetObject(0), objects.get());
}

TEST(REntityList, RemovingAnObjectFreesItsIndex) {
    auto list = Make<REntityList>();
    auto a = MakeWith<RObject>(list.get());  // Init adds the object to the list
    EXPECT_EQ(a->GetEntityList(), list.get());
    EXPECT_EQ((Ints{a->GetEntityIndex(), list->Add(a.get())}), (Ints{0, 0}));  // already in: keeps its index
    EXPECT_TRUE(list->Remove(a.get()));
    EXPECT_EQ(std::make_pair(a->GetEntityIndex(), a->GetEntityList()), std::make_pair(-1, kNoList));
    EXPECT_FALSE(list->Remove(a.get()));
    std::vector<Owned<RObject>> objects;
    for (int i = 0; i < 40; ++i) {
        objects.push_back(Make<RObject>());
        ASSERT_EQ(list->Add(objects.back().get()), i);
    }
    list->Remove(objects[35].get());
    objects[3].reset();  // destruction leaves the list
    EXPECT_EQ(list->Add(a.get()), 3);
    EXPECT_EQ(list->GetObjectAt(3), a.get());
    objects.push_back(Make<RObject>());
    EXPECT_EQ((Ints{list->Add(objects[35].get()), list->Add(objects[36].get()), list->Add(objects.back().get())}),
              (Ints{35, 36, 40}));
}

TEST(REntityList, IndexedPropertiesGetIndexesAndGiveThemBack) {
    auto list = Make<REntityList>();
    auto a = Make<RObject>();
    auto b = Make<RObject>();
    RProperty* plain = a->CreateProperty("Plain", kPropertyTypeInt, nullptr, false, false, nullptr);
    RProperty* first = IndexedProperty(a.get(), "First");
    RProperty* gone = IndexedProperty(a.get(), "Gone");
    RProperty* second = IndexedProperty(b.get(), "Second");
    list->Add(a.get());
    list->Add(b.get());
    EXPECT_EQ((std::vector<int>{plain->GetIndex(), first->GetIndex(), gone->GetIndex()}), (std::vector<int>{-1, 0, 1}));
    EXPECT_EQ(list->GetPropertyAt(2), second);
    // A property destroyed while indexed still gives its index back with its object.
    a->DestroyPropertyAt(a->IndexOfProperty(gone));
    EXPECT_EQ(list->GetPropertyAt(1), nullptr);
    EXPECT_TRUE(list->Remove(a.get()));
    EXPECT_EQ(first->GetIndex(), -1);
    auto c = Make<RObject>();
    RProperty* third = IndexedProperty(c.get(), "Third");
    RProperty* fourth = IndexedProperty(c.get(), "Fourth");
    list->Add(c.get());
    EXPECT_EQ(std::make_pair(third->GetIndex(), fourth->GetIndex()), std::make_pair(0, 1));
    // A destroyed object's properties are gone before it leaves the list; their indexes
    // still come back.
    b.reset();
    auto d = Make<RObject>();
    list->Add(d.get());
    EXPECT_EQ(list->GetObjectAt(1), d.get());
    EXPECT_EQ(IndexedProperty(d.get(), "Fifth")->GetIndex(), -1);  // indexed after joining: none
    list->Remove(d.get());
    list->Add(d.get());
    EXPECT_EQ(d->GetProperty(0)->GetIndex(), 2);
}

TEST(REntityList, ObjectsOutliveTheirListOrMoveToAnother) {
    auto a = Make<RObject>();
    auto b = Make<RObject>();
    RProperty* property = IndexedProperty(a.get(), "Id");
    auto other = Make<REntityList>();
    other->Add(b.get());
    {
        auto list = Make<REntityList>();
        list->Add(a.get());
        EXPECT_EQ(other->Add(a.get()), 1);  // leaves the first list
        EXPECT_EQ(list->GetObjectAt(0), nullptr);
        EXPECT_EQ(list->Add(b.get()), 0);  // and b moves the other way
    }
    // The list is gone: b no longer points at it, and destroying b is safe.
    EXPECT_EQ(std::make_pair(b->GetEntityIndex(), b->GetEntityList()), std::make_pair(-1, kNoList));
    b.reset();
    EXPECT_EQ(a->GetEntityList(), other.get());
    EXPECT_EQ(property->GetIndex(), 0);
}
