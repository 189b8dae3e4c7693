// Plugs, objects and properties destroyed or detached while others still refer to them, and
// connections whose plugs change after they were made.

#include "core/RObject.h"
#include "core/RPropertyObjectList.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

template <typename T>
T* Make() {
    return CreatePlugObject<T>(nullptr);
}

// Destroys the plugs it was given when the test ends (those still alive).
class Cleanup {
public:
    Cleanup(std::initializer_list<RPlug*> plugs) {
        for (RPlug* plug : plugs) refs_.emplace_back(plug);
    }
    ~Cleanup() {
        for (const RPlugRef& ref : refs_) {
            if (RPlug* plug = ref.Get()) plug->Destroy();
        }
    }

private:
    std::vector<RPlugRef> refs_;
};

RProperty* AddInt(RObject* object, const char* name = "p") {
    return object->CreateProperty(name, kPropertyTypeInt, nullptr, false, false, nullptr);
}

// An object whose name space comes from the object it is connected to (as a source).
class SpacedObject : public RObject {
public:
    int GetNameSpaceClassId() const override { return RObject::ClassId(); }
};

// An owning object that logs the object events of the objects it owns, and destroys its
// victim when a value of it starts to change.
class WatchingOwner : public RObject {
public:
    bool ReceiveObjectEvent(RObject*, int code, const RPlugRef&, const char*, int) override {
        codes.push_back(code);
        return true;
    }
    bool ReceiveRelayA(const RRelayEvent& event) override {
        if (event.code == kRelayValueChanging && victim != nullptr) std::exchange(victim, nullptr)->Destroy();
        return true;
    }
    std::vector<int> codes;
    RObject* victim = nullptr;
};

// Handler data: destroy `target` when an event of `kind` arrives.
struct DestroyOnKind {
    int kind;
    RPlug* target;

    static void Handle(void* self, int eventKind, REventRecord&, void*) {
        auto* rule = static_cast<DestroyOnKind*>(self);
        if (eventKind == rule->kind && rule->target != nullptr) std::exchange(rule->target, nullptr)->Destroy();
    }
};

}  // namespace

TEST(ObjectLifetime, ChildrenForgetAnOwnerThatDiesWhateverOrderOthersLeft) {
    RPlug* owner = Make<RPlug>();
    RPlug* children[4];
    for (RPlug*& child : children) ASSERT_TRUE(owner->AddChild(child = Make<RPlug>()));
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
    RObject* object = Make<RObject>();
    RProperty* removed = AddInt(object, "removed");
    RProperty* destroyed = AddInt(object, "destroyed");
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
    RObject* object = Make<RObject>();
    RObject* source = Make<RObject>();
    const Cleanup cleanup{source};
    const RPlugRef propertyRef(AddInt(object));
    DestroyOnKind rule{kConnectionAdding, object};
    object->GetEventHandlers().Add(&rule, &DestroyOnKind::Handle, nullptr);
    object->GetProperty(0)->ConnectSource(source);
    EXPECT_FALSE(propertyRef.IsValid());
    EXPECT_EQ(source->GetDestinationCount(), 0);

    WatchingOwner* owner = Make<WatchingOwner>();
    RObject* changed = Make<RObject>();
    const Cleanup ownerCleanup{owner};
    changed->SetOwningObject(owner->GetRef());
    owner->victim = changed;
    RProperty* property = AddInt(changed);
    const RPlugRef changedRef(changed), changingRef(property);
    property->SetInt(5);
    EXPECT_FALSE(changedRef.IsValid());
    EXPECT_FALSE(changingRef.IsValid());
}

TEST(ObjectLifetime, AnObjectDestroyedInTheMiddleOfDisconnectingAll) {
    RObject* target = Make<RObject>();
    RObject* first = Make<RObject>();
    RObject* second = Make<RObject>();
    const Cleanup cleanup{first, second};
    ASSERT_TRUE(target->ConnectSource(first));
    ASSERT_TRUE(target->ConnectSource(second));
    DestroyOnKind rule{kConnectionRemoving, target};
    target->GetEventHandlers().Add(&rule, &DestroyOnKind::Handle, nullptr);
    const RPlugRef targetRef(target);
    target->DisconnectAllSources();
    EXPECT_FALSE(targetRef.IsValid());
    EXPECT_EQ(first->GetDestinationCount() + second->GetDestinationCount(), 0);
}

TEST(ObjectLifetime, TheNewPlugOfAReplacementDestroyedByAHandler) {
    RObject* target = Make<RObject>();
    RObject* oldSource = Make<RObject>();
    RObject* replacement = Make<RObject>();
    const Cleanup cleanup{target, oldSource};
    ASSERT_TRUE(target->ConnectSource(oldSource));
    DestroyOnKind rule{kConnectionRemoved, replacement};
    target->GetEventHandlers().Add(&rule, &DestroyOnKind::Handle, nullptr);
    const RPlugRef replacementRef(replacement);
    target->ReplaceSource(oldSource, replacement);
    EXPECT_FALSE(replacementRef.IsValid());
    EXPECT_EQ(oldSource->GetDestinationCount(), 0);
    EXPECT_EQ(target->GetSource(0), nullptr);
}

TEST(ObjectLifetime, RegisteredListsHearBothEndsOfAReplacementAndCopyOnlyTheirSide) {
    RObject* target = Make<RObject>();
    RObject* oldSource = Make<RObject>();
    RObject* newSource = Make<RObject>();
    RObject* destination = Make<RObject>();
    const Cleanup cleanup{target, oldSource, newSource, destination};
    ASSERT_TRUE(target->ConnectDestination(destination));
    ASSERT_TRUE(target->ConnectSource(oldSource));
    RPropertyObjectList* list = RPropertyObjectList::CreateObjectListProperty(
        target, "Sources", true, RObject::ClassId(), 0, RPlug::kTakesSources, 0);
    EXPECT_EQ(list->GetSourceCount(), 1);
    EXPECT_EQ(list->GetDestinationCount(), 0);
    ASSERT_TRUE(target->ReplaceSource(oldSource, newSource));
    EXPECT_EQ(list->GetObject(0), newSource);
    EXPECT_FALSE(target->IsReplacing(list, oldSource));
    EXPECT_FALSE(target->IsReplacing(target, oldSource));
}

TEST(ObjectLifetime, ConnectionsStayRemovableWhenTheFilterChanges) {
    RObject* owner = Make<RObject>();
    RObject* member = Make<RObject>();
    RPlug* src = Make<RPlug>();
    RPlug* dst = Make<RPlug>();
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
    RObject* scene = Make<RObject>();
    SpacedObject* object = Make<SpacedObject>();
    const Cleanup cleanup{scene, object};
    scene->SetNameSpaceAndCopy("scene");
    object->SetNameSpaceAndCopy("scene:ns");
    object->SetName("a");
    ASSERT_TRUE(scene->ConnectSource(object));
    EXPECT_STREQ(object->GetNameSpace(), "ns");
    EXPECT_EQ(object->GetFullName(), "scene:ns:a");
}

TEST(ObjectLifetime, ALockedObjectDestroyedLivesWholeUntilTheLastUnlock) {
    WatchingOwner* owner = Make<WatchingOwner>();
    RObject* object = Make<RObject>();
    const Cleanup cleanup{owner};
    object->SetOwningObject(owner->GetRef());
    RProperty* property = AddInt(object);
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
}

TEST(ObjectLifetime, ALockedPropertyDestroyedStaysInItsObjectUntilTheUnlock) {
    RObject* object = Make<RObject>();
    const Cleanup cleanup{object};
    RProperty* property = AddInt(object);
    const RPlugRef propertyRef(property);
    property->Lock();
    property->Destroy();
    ASSERT_TRUE(propertyRef.IsValid()) << "destroyed at once while locked";
    EXPECT_EQ(object->FindProperty("p"), property);
    EXPECT_EQ(property->GetOwnerObject(), object);
    property->Unlock();
    EXPECT_FALSE(propertyRef.IsValid());
    EXPECT_EQ(object->GetPropertyCount(), 0);
}
