// Plugs, objects and properties destroyed or detached while others still refer to them, and
// connections whose plugs change after they were made.

#include "core/RObject.h"
#include "core/RPropertyObjectList.h"

#include <gtest/gtest.h>

namespace {

template <typename T>
T* Make() {
    return CreatePlugObject<T>(nullptr);
}

// An object whose name space comes from the object it is connected to (as a source).
class SpacedObject : public RObject {
public:
    int GetNameSpaceClassId() const override { return RObject::ClassId(); }
};

// An owning object that destroys the object it owns when a value of it starts to change.
class DestroyingOwner : public RObject {
public:
    bool ReceiveRelayA(const RRelayEvent& event) override {
        if (event.code == kRelayValueChanging && victim != nullptr) {
            RObject* doomed = victim;
            victim = nullptr;
            doomed->Destroy();
        }
        return true;
    }
    RObject* victim = nullptr;
};

// Handler data: destroy `target` when an event of `kind` arrives.
struct DestroyOnKind {
    int kind;
    RPlug* target;

    static void Handle(void* self, int eventKind, REventRecord&, void*) {
        auto* rule = static_cast<DestroyOnKind*>(self);
        if (eventKind == rule->kind && rule->target != nullptr) {
            RPlug* doomed = rule->target;
            rule->target = nullptr;
            doomed->Destroy();
        }
    }
};

}  // namespace

TEST(ObjectLifetime, ChildrenForgetAnOwnerThatDies) {
    RPlug* owner = Make<RPlug>();
    RPlug* child = Make<RPlug>();
    ASSERT_TRUE(owner->AddChild(child));
    owner->Destroy();
    EXPECT_EQ(child->GetOwner(), nullptr);
    child->Destroy();  // relays to no one
}

TEST(ObjectLifetime, ARemovedPropertyNoLongerPointsAtItsObject) {
    RObject* object = Make<RObject>();
    RProperty* property = object->CreateProperty("p", kPropertyTypeInt, nullptr, false, false, nullptr);
    ASSERT_TRUE(object->RemoveProperty(property));
    EXPECT_EQ(property->GetOwner(), nullptr);
    object->Destroy();
    EXPECT_TRUE(property->SetInt(3));
    EXPECT_EQ(property->GetInt(), 3);
    property->Destroy();
}

TEST(ObjectLifetime, APropertyDestroyedOnItsOwnLeavesItsObject) {
    RObject* object = Make<RObject>();
    RProperty* property = object->CreateProperty("p", kPropertyTypeInt, nullptr, false, false, nullptr);
    property->Destroy();
    EXPECT_EQ(object->GetPropertyCount(), 0);
    EXPECT_EQ(object->FindProperty("p"), nullptr);
    object->Destroy();
}

TEST(ObjectLifetime, AnObjectDestroyedWhileItsPropertyConnects) {
    RObject* object = Make<RObject>();
    RObject* source = Make<RObject>();
    RProperty* property = object->CreateProperty("p", kPropertyTypeInt, nullptr, false, false, nullptr);
    const RPlugRef propertyRef(property);
    DestroyOnKind rule{kConnectionAdding, object};
    object->GetEventHandlers().Add(&rule, &DestroyOnKind::Handle, nullptr);
    property->ConnectSource(source);
    EXPECT_FALSE(propertyRef.IsValid());
    EXPECT_EQ(source->GetDestinationCount(), 0);
    source->Destroy();
}

TEST(ObjectLifetime, AnObjectDestroyedWhileItsPropertyChanges) {
    DestroyingOwner* owner = Make<DestroyingOwner>();
    RObject* object = Make<RObject>();
    object->SetOwningObject(owner->GetRef());
    owner->victim = object;
    RProperty* property = object->CreateProperty("p", kPropertyTypeInt, nullptr, false, false, nullptr);
    const RPlugRef objectRef(object);
    const RPlugRef propertyRef(property);
    property->SetInt(5);
    EXPECT_FALSE(objectRef.IsValid());
    EXPECT_FALSE(propertyRef.IsValid());
    owner->Destroy();
}

TEST(ObjectLifetime, AnObjectDestroyedInTheMiddleOfDisconnectingAll) {
    RObject* target = Make<RObject>();
    RObject* first = Make<RObject>();
    RObject* second = Make<RObject>();
    ASSERT_TRUE(target->ConnectSource(first));
    ASSERT_TRUE(target->ConnectSource(second));
    DestroyOnKind rule{kConnectionRemoving, target};
    target->GetEventHandlers().Add(&rule, &DestroyOnKind::Handle, nullptr);
    const RPlugRef targetRef(target);
    target->DisconnectAllSources();
    EXPECT_FALSE(targetRef.IsValid());
    EXPECT_EQ(first->GetDestinationCount(), 0);
    EXPECT_EQ(second->GetDestinationCount(), 0);
    first->Destroy();
    second->Destroy();
}

TEST(ObjectLifetime, TheNewPlugOfAReplacementDestroyedByAHandler) {
    RObject* target = Make<RObject>();
    RObject* oldSource = Make<RObject>();
    RObject* replacement = Make<RObject>();
    ASSERT_TRUE(target->ConnectSource(oldSource));
    DestroyOnKind rule{kConnectionRemoved, replacement};
    target->GetEventHandlers().Add(&rule, &DestroyOnKind::Handle, nullptr);
    const RPlugRef replacementRef(replacement);
    target->ReplaceSource(oldSource, replacement);
    EXPECT_FALSE(replacementRef.IsValid());
    EXPECT_EQ(oldSource->GetDestinationCount(), 0);
    EXPECT_EQ(target->GetSource(0), nullptr);
    target->Destroy();
    oldSource->Destroy();
}

TEST(ObjectLifetime, RegisteredChildrenHearBothEndsOfAReplacement) {
    RObject* target = Make<RObject>();
    RObject* oldSource = Make<RObject>();
    RObject* newSource = Make<RObject>();
    RPropertyObjectList* list = RPropertyObjectList::CreateObjectListProperty(
        target, "Sources", true, RObject::ClassId(), 0, RPlug::kTakesSources, 0);
    ASSERT_TRUE(target->ConnectSource(oldSource));
    ASSERT_EQ(list->GetCount(), 1);
    ASSERT_TRUE(target->ReplaceSource(oldSource, newSource));
    EXPECT_EQ(list->GetObject(0), newSource);
    EXPECT_FALSE(target->IsReplacing(list, oldSource));
    EXPECT_FALSE(target->IsReplacing(target, oldSource));
    target->Destroy();
    oldSource->Destroy();
    newSource->Destroy();
}

TEST(ObjectLifetime, ARegisteredListCopiesOnlyItsOwnSide) {
    RObject* owner = Make<RObject>();
    RObject* destination = Make<RObject>();
    RObject* source = Make<RObject>();
    ASSERT_TRUE(owner->ConnectDestination(destination));
    ASSERT_TRUE(owner->ConnectSource(source));
    RPropertyObjectList* list = RPropertyObjectList::CreateObjectListProperty(
        owner, "Sources", true, RObject::ClassId(), 0, RPlug::kTakesSources, 0);
    EXPECT_EQ(list->GetSourceCount(), 1);
    EXPECT_EQ(list->GetDestinationCount(), 0);
    owner->Destroy();
    destination->Destroy();
    source->Destroy();
}

TEST(ObjectLifetime, ConnectionsStayRemovableWhenTheFilterChanges) {
    RObject* owner = Make<RObject>();
    RObject* member = Make<RObject>();
    RPropertyObjectList* list =
        RPropertyObjectList::CreateObjectListProperty(owner, "L", false, RObject::ClassId(), 0, RPlug::kTakesSources, 0);
    ASSERT_TRUE(list->Add(member));
    list->SetClass(ClassInfoAt(RClassTableIndex::RGenericObjectList).classId, -1);
    EXPECT_TRUE(list->Remove(member));
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(member->GetDestinationCount(), 0);

    // A one-way connection from a plug that takes no destinations can still be undone.
    RPlug* src = Make<RPlug>();
    RPlug* dst = Make<RPlug>();
    src->SetState(RPlug::kTakesDestinations, false);
    ASSERT_TRUE(RPlug::Connect(src, nullptr, dst, nullptr, RPlug::kOneWay));
    EXPECT_TRUE(dst->DisconnectSource(src));
    EXPECT_EQ(dst->GetSourceCount(), 0);
    src->Destroy();
    dst->Destroy();
    owner->Destroy();
    member->Destroy();
}

TEST(ObjectLifetime, AConnectedObjectTakesItsNameSpaceRelativeToItsOwner) {
    RObject* scene = Make<RObject>();
    scene->SetNameSpaceAndCopy("scene");
    SpacedObject* object = Make<SpacedObject>();
    object->SetNameSpaceAndCopy("scene:ns");
    object->SetName("a");
    ASSERT_TRUE(scene->ConnectSource(object));
    EXPECT_STREQ(object->GetNameSpace(), "ns");
    EXPECT_EQ(object->GetFullName(), "scene:ns:a");
    scene->Destroy();
    object->Destroy();
}
