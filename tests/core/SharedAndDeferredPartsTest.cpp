// The parts of the object model that are shared or made late so that a scene of many objects
// stays small: property descriptions shared from a class's table until changed, properties
// laid out in one block, handle cells taken at the first reference, user-property wrappers
// made when asked for; and the hooks an object has over its properties (checked values,
// description changes), and a name pair's report of every change.

#include "core/RNamePair.h"
#include "core/RObject.h"
#include "core/RPropertyBlock.h"
#include "core/RPropertyInfo.h"
#include "core/RTypedProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "core/RWyxSceneObject.h"
#include "core/RWyxStringList.h"
#include "core/RWyxUserProperty.h"
#include "tests/support/OwnedPlug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <variant>
#include <vector>

namespace {

// ---- shared descriptions -----------------------------------------------------------------------

const RPropertyInfo& SharedRow() {
    static const RPropertyInfo row = [] {
        RPropertyInfo info("Weight", kPropertyTypeDouble, RPropertyInfo::kAnimatable);
        info.SetRange(0.0, 10.0);
        return info;
    }();
    return row;
}

TEST(SharedDescriptions, PropertiesShareTheirRowUntilOneOfThemChangesIt) {
    auto first = Make<RNumberProperty>(SharedRow(), 1.0);
    auto second = Make<RNumberProperty>(SharedRow(), 2.0);
    EXPECT_EQ(&first->GetInfo(), &second->GetInfo());
    EXPECT_STREQ(first->GetName(), "Weight");
    EXPECT_TRUE(first->IsAnimatable());
    EXPECT_EQ(first->GetMax(), 10.0);

    // Setting what the description holds changes nothing and copies nothing.
    first->SetFlag(RProperty::kAnimatable, true);
    first->SetMinMax(0.0, 10.0);
    first->SetLabel(nullptr);
    first->SetTypeCode(kPropertyTypeDouble);
    first->SetDataType(nullptr);
    first->SetIndex(-1);
    EXPECT_TRUE(first->SharesInfo());

    // A change goes to the property's own copy; the row and the other property keep theirs.
    const std::function<void(RProperty&)> changes[] = {
        [](RProperty& p) { p.SetLabel("Mass"); },          [](RProperty& p) { p.SetMax(20.0); },
        [](RProperty& p) { p.SetFlag(RProperty::kAnimatable, false); },
        [](RProperty& p) { p.SetIndex(4); },               [](RProperty& p) { ASSERT_TRUE(p.SetName("Load", false)); },
        [](RProperty& p) { p.SetDataType(&RDataType::Time()); },
        [](RProperty& p) { p.SetEnumNameCallback([](const RProperty&, int) { return "one"; }); },
        [](RProperty& p) { p.GetEnumList(true)->InsertAt(0, "zero", 0); },
    };
    for (const auto& change : changes) {
        auto changed = Make<RNumberProperty>(SharedRow(), 1.0);
        change(*changed);
        EXPECT_FALSE(changed->SharesInfo());
        EXPECT_NE(&changed->GetInfo(), &SharedRow());
    }
    EXPECT_TRUE(second->SharesInfo());
    EXPECT_STREQ(SharedRow().GetName(), "Weight");
    EXPECT_FALSE(SharedRow().HasLabel());
    EXPECT_EQ(SharedRow().GetMax(), 10.0);
    EXPECT_TRUE(SharedRow().HasFlag(RPropertyInfo::kAnimatable));
    EXPECT_EQ(SharedRow().GetIndex(), -1);
    EXPECT_EQ(SharedRow().GetEnumList(), nullptr);
}

TEST(SharedDescriptions, ACopiedDescriptionHasItsOwnEnumerationNames) {
    RPropertyInfo original("Mode", kPropertyTypeEnum, 0);
    original.GetEnumList(true)->InsertAt(0, "Off", 0);
    original.GetEnumList(true)->InsertAt(1, "On", 1);
    RPropertyInfo copy(original);
    ASSERT_NE(copy.GetEnumList(), nullptr);
    EXPECT_NE(copy.GetEnumList(), original.GetEnumList());
    copy.GetEnumList(false)->SetAt(0, "None");
    EXPECT_STREQ(original.GetEnumList()->GetItem(0)->text.Buffer(), "Off");
    EXPECT_EQ(copy.GetEnumList()->GetItem(1)->value, 1);
    EXPECT_STREQ(copy.GetName(), "Mode");
}

// A new property starts on the shared default of its type code and moves to another code's
// default without a copy; the text of its value follows the type code as before.
TEST(SharedDescriptions, TypeCodesOfNewPropertiesAreSharedDefaults) {
    auto number = Make<RNumberProperty>(kPropertyTypeDouble, 2.5);
    EXPECT_TRUE(number->SharesInfo());
    EXPECT_EQ(&number->GetInfo(), &RPropertyInfo::Default(kPropertyTypeDouble));
    EXPECT_EQ(number->GetDataType(), &RDataType::Number());
    auto flag = Make<RBoolProperty>(kPropertyTypeAction, true);
    EXPECT_EQ(flag->GetTypeCode(), kPropertyTypeAction);
    EXPECT_STREQ(flag->GetValueAsText().Buffer(), "True");
    EXPECT_EQ(RPropertyInfo::Default(-3).GetTypeCode(), kPropertyTypeUnknown);
    EXPECT_EQ(RPropertyInfo::Default(kPropertyTypeCount).GetTypeCode(), kPropertyTypeUnknown);
}

// ---- the object's hooks -------------------------------------------------------------------------

// Refuses negative numbers and logs the description changes of its properties.
class Checking : public RObject {
public:
    Checking() { SetChecksPropertyValues(true); }
    bool AcceptsPropertyValue(const RProperty& /*property*/, const RPropertyValue& value) const override {
        const double* number = std::get_if<double>(&value);
        return number == nullptr || *number >= 0.0;
    }
    void OnPropertyDescriptionChanging(RProperty& property) override { changes.push_back(property.GetName()); }
    bool RelayA(const RRelayEvent& event) override {
        if (event.code == kRelayValueChanged) ++valueChanges;
        return RObject::RelayA(event);
    }
    std::vector<std::string> changes;
    int valueChanges = 0;
};

TEST(ObjectHooks, ARefusedValueIsNeitherStoredNorRelayed) {
    auto object = Make<Checking>();
    RProperty* number = object->CreateProperty("Size", kPropertyTypeDouble, nullptr, false, false, nullptr);
    ASSERT_NE(number, nullptr);
    ASSERT_TRUE(number->SetDouble(3.0));
    EXPECT_EQ(object->valueChanges, 1);
    EXPECT_FALSE(number->SetDouble(-1.0));
    EXPECT_FALSE(number->SetValue(-2.0));
    EXPECT_FALSE(static_cast<RNumberProperty*>(number)->Set(-3.0));
    EXPECT_EQ(number->GetDouble(), 3.0);
    EXPECT_EQ(object->valueChanges, 1);
    // Field properties keep the rule as well.
    double field = 0.0;
    auto own = Make<RFieldProperty<double>>(SharedRow(), field);
    own->Declare("Own", object.get());
    object->AddProperty(own.get());
    EXPECT_FALSE(own->Set(-5.0));
    EXPECT_TRUE(own->Set(5.0));
    EXPECT_EQ(field, 5.0);
    object->RemoveProperty(own.get());
}

TEST(ObjectHooks, DescriptionChangesThatDecideAnimationAreToldToTheObject) {
    auto object = Make<Checking>();
    RProperty* property = object->CreateProperty("Speed", kPropertyTypeDouble, nullptr, false, false, nullptr);
    object->changes.clear();
    property->SetFlag(RProperty::kAnimatable, true);
    property->SetFlag(RProperty::kAnimatable, true);  // no change
    property->SetDataType(&RDataType::Time());
    property->SetTypeCode(kPropertyTypeTime);
    ASSERT_TRUE(property->SetName("Pace", false));
    // Label, range and index decide nothing of that.
    property->SetLabel("Label");
    property->SetMinMax(1.0, 2.0);
    property->SetIndex(3);
    EXPECT_EQ(object->changes, (std::vector<std::string>{"Speed", "Speed", "Speed", "Speed"}));
}

// Acts on the value relays of its animatable properties only, as it tells its properties.
class AnimatableWatcher : public RObject {
public:
    AnimatableWatcher() { SetIgnoresPlainValueRelays(true); }
    bool RelayA(const RRelayEvent& event) override {
        if (event.code == kRelayValueChanged) seen.push_back(static_cast<const RProperty*>(event.sender)->GetName());
        return RObject::RelayA(event);
    }
    std::vector<std::string> seen;
};

// Hears the relays that reach it as owning object or as owner.
class RelayListener : public RObject {
public:
    bool ReceiveRelayA(const RRelayEvent& event) override { return Hear(event); }
    bool RelayA(const RRelayEvent& event) override { return Hear(event); }
    bool Hear(const RRelayEvent& event) {
        if (event.code == kRelayValueChanging || event.code == kRelayValueChanged) codes.push_back(event.code);
        return true;
    }
    std::vector<int> codes;
};

TEST(ObjectHooks, PlainValueRelaysAreLeftOutOnlyWhileNothingAboveTheObjectHearsThem) {
    auto object = Make<AnimatableWatcher>();
    RProperty* plain = object->CreateProperty("Plain", kPropertyTypeDouble, nullptr, false, false, nullptr);
    RProperty* animated = object->CreateProperty("Animated", kPropertyTypeDouble, nullptr, true, false, nullptr);
    ASSERT_TRUE(object->HearsNoPlainValueRelays());
    ASSERT_TRUE(plain->SetDouble(1.0));
    ASSERT_TRUE(animated->SetDouble(2.0));
    EXPECT_EQ(plain->GetDouble(), 1.0);
    EXPECT_EQ(object->seen, (std::vector<std::string>{"Animated"}));

    const std::vector<int> both{kRelayValueChanging, kRelayValueChanged};
    {
        // An owning object hears every write, the plain ones included.
        auto owning = Make<RelayListener>();
        object->SetOwningObject(owning->GetRef());
        EXPECT_FALSE(object->HearsNoPlainValueRelays());
        ASSERT_TRUE(plain->SetValue(3.0));
        EXPECT_EQ(owning->codes, both);
        EXPECT_EQ(plain->GetDouble(), 3.0);
    }
    // Gone, it hears nothing more.
    EXPECT_TRUE(object->HearsNoPlainValueRelays());
    {
        auto owner = Make<RelayListener>();
        ASSERT_TRUE(object->SetOwner(owner.get()));
        ASSERT_TRUE(plain->SetDouble(4.0));
        EXPECT_EQ(owner->codes, both);
        ASSERT_TRUE(object->SetOwner(nullptr));
    }
    ASSERT_TRUE(plain->SetDouble(5.0));
    EXPECT_EQ(plain->GetDouble(), 5.0);
    EXPECT_EQ(object->seen, (std::vector<std::string>{"Animated", "Plain", "Plain"}));
}

// ---- properties in a block ---------------------------------------------------------------------

TEST(PropertyBlocks, PlacedPropertiesEndInAnyOrderAndTheBlockGoesWithTheLastOfThem) {
    RPropertyBlock* block = RPropertyBlock::Create(3, sizeof(RFieldProperty<double>));
    ASSERT_NE(block, nullptr);
    double values[3] = {1.0, 2.0, 3.0};
    auto object = Make<RObject>();
    std::vector<RFieldProperty<double>*> placed;
    for (double& value : values) {
        RFieldProperty<double>* property = block->Make<RFieldProperty<double>>(SharedRow(), value);
        ASSERT_NE(property, nullptr);
        property->Declare("Weight", object.get());
        placed.push_back(property);
        EXPECT_FALSE(block->HoldsPlacedAt(property + 1)) << "the next slot holds nothing yet";
    }
    EXPECT_EQ(block->Make<RFieldProperty<double>>(SharedRow(), values[0]), nullptr);  // full
    EXPECT_EQ(block->GetUsedSlots(), 3);
    EXPECT_TRUE(block->HoldsPlacedAt(placed[0]));
    EXPECT_TRUE(block->HoldsPlacedAt(static_cast<RPlug*>(placed[2])));
    EXPECT_FALSE(block->HoldsPlacedAt(object.get()));
    EXPECT_FALSE(block->HoldsPlacedAt(block));
    EXPECT_EQ(placed[2]->Get(), 3.0);
    EXPECT_TRUE(RPlugRef(placed[1]).IsValid());

    placed[1]->Destroy();
    EXPECT_EQ(block->GetLiveCount(), 2);
    {
        // One waits for a lock: it ends after the owner let the block go.
        RPlugLock lock(placed[2]);
        placed[2]->Destroy();
        block->ReleaseOwner();
        EXPECT_EQ(placed[2]->Get(), 3.0);
        placed[0]->Destroy();
    }
    EXPECT_EQ(RPropertyBlock::Create(0, 8), nullptr);
    EXPECT_EQ(RPropertyBlock::Create(RPropertyBlock::kMaxSlots + 1, 8), nullptr);
    EXPECT_EQ(RPropertyBlock::Create(1, RPropertyBlock::kMaxSlotSize + 1), nullptr);
}

// A property nothing reaches ends at once; one with an owner, a connection or a lock ends
// as Destroy() ends it: it leaves its object's list, its peer loses the connection, and a
// held one waits for its holder.
TEST(PropertyBlocks, ADetachedEndIsQuickOnlyForAPropertyNothingReaches) {
    RPropertyBlock* block = RPropertyBlock::Create(4, sizeof(RFieldProperty<double>));
    ASSERT_NE(block, nullptr);
    double values[4] = {};
    std::vector<RFieldProperty<double>*> placed;
    for (double& value : values) placed.push_back(block->Make<RFieldProperty<double>>(SharedRow(), value));
    auto object = Make<RObject>();
    auto peer = Make<RNumberProperty>(kPropertyTypeDouble, 0.0);
    placed[1]->Declare("Weight", object.get());
    object->AddProperty(placed[1]);
    ASSERT_TRUE(peer->ConnectSource(placed[2]));
    const RPlugRef free(placed[0]), owned(placed[1]), feeding(placed[2]), held(placed[3]);

    placed[0]->DestroyDetached();
    EXPECT_FALSE(free.IsValid());
    EXPECT_EQ(block->GetLiveCount(), 3);
    placed[1]->DestroyDetached();
    EXPECT_FALSE(owned.IsValid());
    EXPECT_EQ(object->GetPropertyCount(), 0);
    EXPECT_EQ(object->FindProperty("Weight"), nullptr);
    placed[2]->DestroyDetached();
    EXPECT_FALSE(feeding.IsValid());
    EXPECT_EQ(peer->GetSourceCount(), 0);
    {
        const RPlugLock lock(placed[3]);
        placed[3]->DestroyDetached();
        EXPECT_TRUE(held.IsValid());
    }
    EXPECT_FALSE(held.IsValid());
    EXPECT_EQ(block->GetLiveCount(), 0);
    block->ReleaseOwner();
}

// A block that tracks ends tells a live placed property from one that has ended, whatever
// the order of the ends and while a held one waits; it knows only the addresses it placed at.
TEST(PropertyBlocks, ABlockThatTracksEndsTellsWhichPlacedPropertiesStillLive) {
    RPropertyBlock* block = RPropertyBlock::Create(40, sizeof(RFieldProperty<double>), true);
    ASSERT_NE(block, nullptr);
    double values[40] = {};
    std::vector<RFieldProperty<double>*> placed;
    for (double& value : values) placed.push_back(block->Make<RFieldProperty<double>>(SharedRow(), value));
    // Slots 0, 33 and 39 end (two words of the record); 34 waits for its holder.
    for (int slot : {33, 0, 39}) placed[static_cast<size_t>(slot)]->Destroy();
    {
        const RPlugLock lock(placed[34]);
        placed[34]->Destroy();
        EXPECT_TRUE(block->HoldsLive(placed[34]));
    }
    for (int slot = 0; slot < 40; ++slot) {
        const bool ended = slot == 0 || slot == 33 || slot == 34 || slot == 39;
        EXPECT_EQ(block->HoldsLive(placed[static_cast<size_t>(slot)]), !ended) << "slot " << slot;
    }
    EXPECT_FALSE(block->HoldsLive(reinterpret_cast<const char*>(placed[1]) + 8)) << "inside a slot";
    EXPECT_FALSE(block->HoldsLive(block));
    for (int slot = 1; slot < 39; ++slot) {
        if (slot != 33 && slot != 34) placed[static_cast<size_t>(slot)]->Destroy();
    }
    block->ReleaseOwner();

    // A block that does not track ends answers for none.
    RPropertyBlock* plain = RPropertyBlock::Create(1, sizeof(RFieldProperty<double>));
    ASSERT_NE(plain, nullptr);
    RFieldProperty<double>* property = plain->Make<RFieldProperty<double>>(SharedRow(), values[0]);
    EXPECT_FALSE(plain->HoldsLive(property));
    property->Destroy();
    plain->ReleaseOwner();
}

// A block that tracks ends gives a slot's property while it lives; none for other slots,
// nor in a block that does not track ends.
TEST(PropertyBlocks, ABlockGivesThePropertyOfASlotWhileItLives) {
    RPropertyBlock* block = RPropertyBlock::Create(36, sizeof(RFieldProperty<double>), true);
    RPropertyBlock* plain = RPropertyBlock::Create(1, sizeof(RFieldProperty<double>));
    double values[34] = {};
    std::vector<RFieldProperty<double>*> placed;
    for (double& value : values) placed.push_back(block->Make<RFieldProperty<double>>(SharedRow(), value));
    placed.push_back(plain->Make<RFieldProperty<double>>(SharedRow(), values[0]));
    placed[32]->Destroy();  // in the second word of the record
    for (int slot = -1; slot <= 34; ++slot) {
        const bool live = slot >= 0 && slot < 34 && slot != 32;
        EXPECT_EQ(block->LiveAt(slot), live ? placed[static_cast<size_t>(slot)] : nullptr) << slot;
    }
    EXPECT_EQ(plain->LiveAt(0), nullptr);
    for (RFieldProperty<double>* property : placed) if (property != placed[32]) property->Destroy();
    block->ReleaseOwner();
    plain->ReleaseOwner();
}

// Properties take their handle cell at the first reference; other plugs at once.
TEST(PropertyCells, AReferenceResolvesFromItsFirstUseOnAndEndsWithTheProperty) {
    auto property = Make<RNumberProperty>(kPropertyTypeDouble, 1.0);
    const RPlugRef ref(property.get());
    EXPECT_EQ(ref.Get(), property.get());
    EXPECT_EQ(property->GetHandleCell(), property->GetHandleCell());
    EXPECT_TRUE(ref.IsEqual(property->GetRef()));
    property.reset();
    EXPECT_FALSE(ref.IsValid());
    auto plug = Make<RPlug>();
    EXPECT_NE(plug->GetHandleCell(), nullptr);
}

// ---- wrappers made when asked for -----------------------------------------------------------------

class WrappingObject : public RWyxSceneObject {
public:
    explicit WrappingObject(RWyxPropertyHandler& source) : RWyxSceneObject(nullptr, "Model::Wrapping") {
        source.SetWrapperList(this);
        DeferUserPropertyWrappers(source, source.GetPropertyCount());
    }
    int GetTypeId() const override { return 1; }
    std::unique_ptr<RWyxUserProperty> MakeUserPropertyFor(RProperty* property) const override {
        ++made;
        return RWyxSceneObject::MakeUserPropertyFor(property);
    }
    void ForgetSource() { ForgetWrapperSource(); }
    mutable int made = 0;
};

struct WrappedHandler {
    WrappedHandler() : handler(Make<RWyxPropertyHandler>()) {
        for (const char* name : {"A", "B", "C", "D"}) {
            handler->CreateProperty(name, kPropertyTypeDouble, nullptr, false, false, nullptr);
        }
        wrapping = std::make_unique<WrappingObject>(*handler);
    }
    ~WrappedHandler() {
        wrapping->ForgetSource();
        handler->SetWrapperList(nullptr);
    }
    RProperty* Property(int index) const { return handler->GetProperty(index); }

    Owned<RWyxPropertyHandler> handler;
    std::unique_ptr<WrappingObject> wrapping;
};

TEST(DeferredWrappers, EachIsMadeOnceWhenAskedForAndWrapsThePropertyAtItsPlace) {
    WrappedHandler wrapped;
    WrappingObject& object = *wrapped.wrapping;
    EXPECT_EQ(object.GetUserPropertyCount(), 4);
    EXPECT_TRUE(object.HasUserPropertyFor(wrapped.Property(2)));
    EXPECT_EQ(object.GetWrappedProperty(2), wrapped.Property(2));
    EXPECT_EQ(object.GetWrappedProperty(4), nullptr);
    EXPECT_EQ(object.made, 0);
    RWyxUserProperty* third = object.GetUserProperty(2);
    ASSERT_NE(third, nullptr);
    EXPECT_TRUE(third->IsSameProperty(wrapped.Property(2)));
    EXPECT_EQ(object.GetUserProperty(2), third);
    EXPECT_EQ(object.FindUserProperty(wrapped.Property(2)), third);
    EXPECT_EQ(object.made, 1);
    EXPECT_STREQ(object.FindUserPropertyByName("D")->GetName(), "D");
    EXPECT_EQ(object.made, 2);
    EXPECT_EQ(object.FindUserPropertyByName("E"), nullptr);
    EXPECT_EQ(object.made, 2);
    // A wrapper added later goes behind them.
    RWyxUserProperty* added = object.AddUserProperty(std::make_unique<RWyxUserProperty>(nullptr, wrapped.Property(0)));
    EXPECT_EQ(object.GetUserPropertyCount(), 5);
    EXPECT_EQ(object.GetUserProperty(4), added);
    EXPECT_TRUE(object.GetUserProperty(0)->IsSameProperty(wrapped.Property(0)));
    EXPECT_EQ(object.FindUserProperty(wrapped.Property(0)), object.GetUserProperty(0));  // the first wins
}

TEST(DeferredWrappers, OnlyTheDeferredPropertiesHaveUserPropertiesBeforeAnyIsMade) {
    WrappedHandler wrapped;
    WrappingObject& object = *wrapped.wrapping;
    RProperty* later = wrapped.handler->CreateProperty("E", kPropertyTypeDouble, nullptr, false, false, nullptr);
    WrappedHandler other;
    EXPECT_TRUE(object.HasUserPropertyFor(wrapped.Property(0)));
    EXPECT_TRUE(object.HasUserPropertyFor(wrapped.Property(3)));
    EXPECT_FALSE(object.HasUserPropertyFor(later));  // made after the wrappers were deferred
    EXPECT_FALSE(object.HasUserPropertyFor(other.Property(1)));
    EXPECT_FALSE(object.HasUserPropertyFor(nullptr));
    EXPECT_EQ(object.made, 0);
    // Once one is made, the others are still found.
    ASSERT_NE(object.GetUserProperty(1), nullptr);
    EXPECT_TRUE(object.HasUserPropertyFor(wrapped.Property(3)));
    EXPECT_FALSE(object.HasUserPropertyFor(later));
}

TEST(DeferredWrappers, APropertyLeavingTheSourceFirstMakesTheWrappersStillWaiting) {
    WrappedHandler wrapped;
    WrappingObject& object = *wrapped.wrapping;
    RProperty* b = wrapped.Property(1);
    RProperty* d = wrapped.Property(3);
    wrapped.handler->DestroyPropertyAt(0);
    EXPECT_EQ(object.made, 4);
    EXPECT_EQ(object.GetUserPropertyCount(), 4);
    EXPECT_EQ(object.GetUserProperty(0)->GetProperty(), nullptr);
    EXPECT_STREQ(object.GetUserProperty(0)->GetName(), "");
    EXPECT_TRUE(object.GetUserProperty(1)->IsSameProperty(b));
    EXPECT_TRUE(object.GetUserProperty(3)->IsSameProperty(d));

    // Leaving behind the last wrapped property moves none: nothing more is made.
    WrappedHandler other;
    other.handler->CreateProperty("E", kPropertyTypeDouble, nullptr, false, false, nullptr);
    other.handler->DestroyPropertyAt(4);
    EXPECT_EQ(other.wrapping->made, 0);
    // A wrapper taken out of the list makes the others first.
    ASSERT_TRUE(other.wrapping->RemoveUserProperty(other.wrapping->GetUserProperty(1)));
    EXPECT_EQ(other.wrapping->made, 4);
    EXPECT_TRUE(other.wrapping->GetUserProperty(1)->IsSameProperty(other.Property(2)));
}

// An entry as a walk of the list sees it: a deferred one not made yet stands for its property.
struct ListedEntry {
    RWyxUserProperty* made;
    const RProperty* pending;
    bool Wraps(const RProperty* property) const {
        return made != nullptr ? made->IsSameProperty(property) : pending == property;
    }
};

// The lookups by property answer as a walk of the list would, through wrappers added (of the
// deferred properties too), records given a property, removals, deaths and wrappers made.
TEST(DeferredWrappers, LookupsByPropertyAnswerAsAWalkOfTheList) {
    WrappedHandler wrapped;
    WrappingObject& object = *wrapped.wrapping;
    RWyxPropertyHandler& handler = *wrapped.handler;
    std::vector<ListedEntry> list;
    std::vector<const RProperty*> asked;  // the dead ones stay: no entry may answer for them
    for (int i = 0; i < 4; ++i) list.push_back({nullptr, wrapped.Property(i)});
    for (int i = 0; i < 4; ++i) asked.push_back(wrapped.Property(i));
    // A wrapper of a property whose deferred entry waits: that entry comes first.
    list.push_back({object.AddUserProperty(std::make_unique<RWyxUserProperty>(nullptr, wrapped.Property(1))), nullptr});
    RWyxUserProperty* waiting = object.FindUserProperty(wrapped.Property(1));
    EXPECT_EQ(waiting, list[1].made = object.GetUserProperty(1));
    const auto makeAll = [&] {  // what a removal or death among the deferred entries does
        for (size_t i = 0; i < list.size(); ++i) list[i] = {object.GetUserProperty(static_cast<int>(i)), nullptr};
    };
    std::mt19937 random(11);
    for (int step = 0; step < 300; ++step) {
        const int pick = static_cast<int>(random() % std::max<size_t>(list.size(), 1));
        const int live = static_cast<int>(random() % static_cast<unsigned>(handler.GetPropertyCount() + 1));
        switch (random() % 5) {
            case 0:
                asked.push_back(handler.CreateProperty("P", kPropertyTypeDouble, nullptr, false, false, nullptr));
                list.push_back({object.AddUserProperty(std::make_unique<RWyxUserProperty>(nullptr, handler.GetProperty(live))), nullptr});
                break;
            case 1:
                list.push_back({object.AddUserProperty(std::make_unique<RWyxUserProperty>(nullptr, "R", "Real", "")), nullptr});
                ASSERT_TRUE(handler.CreateUserProperty(list.back().made));
                asked.push_back(list.back().made->GetProperty());
                break;
            case 2:
                if (list.empty()) break;
                ASSERT_TRUE(object.RemoveUserProperty(object.GetUserProperty(pick)));
                list.erase(list.begin() + pick);
                if (pick < 4) makeAll();
                break;
            case 3:
                handler.DestroyPropertyAt(live);
                if (live < 4) makeAll();
                break;
            default:
                if (!list.empty()) list[static_cast<size_t>(pick)].made = object.GetUserProperty(pick);
        }
        const int madeBefore = object.made;
        for (size_t i = 0; i < list.size(); ++i) {
            const RProperty* wraps = list[i].made != nullptr ? list[i].made->GetProperty() : list[i].pending;
            ASSERT_EQ(object.GetWrappedProperty(static_cast<int>(i)), wraps) << "step " << step;
        }
        ASSERT_EQ(object.made, madeBefore) << "step " << step;
        for (const RProperty* property : asked) {
            const bool walked = std::any_of(list.begin(), list.end(), [&](const ListedEntry& e) { return e.Wraps(property); });
            ASSERT_EQ(object.HasUserPropertyFor(property), walked) << "step " << step;
        }
        const RProperty* property = asked[random() % asked.size()];
        const auto first = std::find_if(list.begin(), list.end(), [&](const ListedEntry& e) { return e.Wraps(property); });
        RWyxUserProperty* found = object.FindUserProperty(property);
        if (first != list.end() && first->made == nullptr) first->made = object.GetUserProperty(static_cast<int>(first - list.begin()));
        ASSERT_EQ(found, first != list.end() ? first->made : nullptr) << "step " << step;
    }
}

// ---- name pairs -------------------------------------------------------------------------------------

struct PairObserver : RNamePairObserver {
    void OnNamePairChanging() override { ++changes; }
    int changes = 0;
};

TEST(NamePairs, EveryChangeIsToldBeforeItHappensAndCopiesTellNobody) {
    PairObserver observer;
    RNamePair pair(RString("Model::A"));
    pair.SetObserver(&observer);
    pair.SetCurrent("Model::B");
    pair.SetBoth("Model::C");
    EXPECT_EQ(observer.changes, 2);
    RNamePair copy(pair);
    copy.SetCurrent("Model::D");
    EXPECT_EQ(observer.changes, 2);
    pair = copy;
    EXPECT_EQ(observer.changes, 3);
    EXPECT_STREQ(pair.GetCurrent().Buffer(), "Model::D");
    EXPECT_STREQ(pair.GetInitial().Buffer(), "Model::C");
}

}  // namespace
