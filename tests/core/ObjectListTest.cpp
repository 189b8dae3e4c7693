#include "core/REntityList.h"
#include "core/RObjectList.h"
#include "core/RPropertyObjectList.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

template <typename T>
using Owned = std::unique_ptr<T, RPlugDestroyer>;

template <typename T>
Owned<T> Make(RPlug* initArgument = nullptr) {
    return Owned<T>(CreatePlugObject<T>(initArgument));
}

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

using Names = std::vector<std::string>;

RProperty* IndexedProperty(RObject* object, const char* name) {
    RProperty* property = object->CreateProperty(name, kPropertyTypeInt, nullptr, false, false, nullptr);
    property->SetFlag(RProperty::kIndexed, true);
    return property;
}

// The objects a list holds, in order (null for stale entries).
std::vector<const RObject*> Entries(const RGenericObjectList& list) {
    std::vector<const RObject*> entries;
    for (int i = 0; i < list.GetCount(); ++i) entries.push_back(RGenericObjectList::Resolve(list.GetAt(i)));
    return entries;
}

}  // namespace

// ---- RGenericObjectList and RObjectList ---------------------------------------------------------

TEST(RGenericObjectList, WatcherIsAskedAndToldAndCanVeto) {
    auto list = Make<RObjectList>();
    auto a = Make<RObject>();
    auto watcher = Make<Watcher>();
    list->SetWatcher(watcher.get());
    using Calls = std::vector<std::pair<int, int>>;
    EXPECT_EQ(list->Add(a->GetRef()), 0);
    EXPECT_EQ(watcher->calls, (Calls{{RGenericObjectList::kAskAdd, 0}, {RGenericObjectList::kTellAdded, 0}}));

    watcher->refuse = RGenericObjectList::kAskAdd;
    EXPECT_EQ(list->Add(a->GetRef()), -1);
    EXPECT_EQ(list->InsertAt(0, a->GetRef()), -1);
    EXPECT_EQ(list->SetAt(0, a->GetRef()), -1);
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
    EXPECT_EQ(Entries(*list), (std::vector<const RObject*>{a.get(), b.get()}));
    EXPECT_EQ(watcher->calls.back(), std::make_pair(RGenericObjectList::kTellRemoved, 2));
    EXPECT_FALSE(list->Remove(RPlugRef()));

    auto plain = Make<RGenericObjectList>();
    EXPECT_FALSE(plain->GetAt(0).IsValid());
    EXPECT_FALSE(plain->GetAt(-1).IsValid());
    EXPECT_EQ(plain->SetAt(0, a->GetRef()), -1);
    EXPECT_FALSE(plain->RemoveAt(0));
    EXPECT_EQ(plain->InsertAt(-1, a->GetRef()), -1);
    EXPECT_EQ(plain->InsertAt(7, a->GetRef()), 0);  // past the end: appended
    EXPECT_EQ(plain->InsertAt(0, b->GetRef()), 0);
    EXPECT_EQ(plain->AddAll(*plain), 2);  // the entries it held when the call began
    EXPECT_EQ(Entries(*plain), (std::vector<const RObject*>{b.get(), a.get(), b.get(), a.get()}));
}

TEST(RGenericObjectList, StaleEntriesResolveToNone) {
    auto list = Make<RGenericObjectList>();
    auto b = Make<RObject>();
    RObject* a = CreatePlugObject<RObject>(nullptr);
    a->SetName("a");
    b->SetName("b");
    list->Add(a->GetRef());
    list->Add(b->GetRef());
    EXPECT_EQ(list->FindByFullName("a").Get(), a);
    a->Destroy();
    EXPECT_EQ(Entries(*list), (std::vector<const RObject*>{nullptr, b.get()}));
    EXPECT_EQ(list->FindByFullName("a").Get(), nullptr);
    EXPECT_EQ(list->FindByFullName("B").Get(), nullptr);
    EXPECT_EQ(list->FindByFullName("b").Get(), b.get());
}

TEST(RGenericObjectList, ClearDestroysFromLastToFirstSkippingStaleEntries) {
    Names log;
    auto list = Make<RGenericObjectList>();
    for (const char* name : {"a", "b", "c"}) list->Add(CreatePlugObject<Tracked>(nullptr, &log, name)->GetRef());
    RGenericObjectList::Resolve(list->GetAt(1))->Destroy();
    EXPECT_TRUE(list->Clear(true));
    EXPECT_EQ(log, (Names{"b", "c", "a"}));
    EXPECT_EQ(list->GetCount(), 0);
}

TEST(RGenericObjectList, ClearIsSafeWhenDestructionsEditOrDestroyTheList) {
    Names log;
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
    EXPECT_EQ(log, (Names{"d", "c", "b", "a"}));
    EXPECT_FALSE(listRef.IsValid());  // destroyed once the clear was over
}

// ---- RPropertyObjectList -------------------------------------------------------------------------

TEST(RPropertyObjectList, CreateDeclaresAnObjectListOnTheOwner) {
    auto owner = Make<RObject>();
    auto* property = RPropertyObjectList::CreateObjectListProperty(
        owner.get(), "Targets", false, RObject::ClassId(), 7, RPlug::kTakesSources, RProperty::kStateNotSaved);
    ASSERT_NE(property, nullptr);
    EXPECT_EQ(owner->FindProperty("Targets"), property);
    EXPECT_EQ(property->GetTypeCode(), kPropertyTypeObject);
    EXPECT_TRUE(property->HasFlag(RProperty::kObjectList | RProperty::kListFlag | RProperty::kOwnedByObject));
    EXPECT_TRUE(property->HasStateFlags(RProperty::kStateNotSaved));
    EXPECT_FALSE(property->HasState(RPlug::kTakesDestinations));
    int classId = 0, second = 0;
    property->GetClass(classId, second);
    EXPECT_EQ(std::make_pair(classId, second), std::make_pair(RObject::ClassId(), 7));
    EXPECT_EQ(RPropertyObjectList::CreateObjectListProperty(nullptr, "x", false, -1, 0, 1, 0), nullptr);
}

TEST(RPropertyObjectList, SourceSideListsAndCountsItsSources) {
    auto owner = Make<RObject>();
    auto a = Make<RObject>();
    auto b = Make<RObject>();
    auto* list = RPropertyObjectList::CreateObjectListProperty(owner.get(), "Targets", false, RObject::ClassId(), 0,
                                                               RPlug::kTakesSources, 0);
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
    auto* list = RPropertyObjectList::CreateObjectListProperty(owner.get(), "Users", false, RObject::ClassId(), 0,
                                                               RPlug::kTakesDestinations, 0);
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

// ---- REntityList ---------------------------------------------------------------------------------

TEST(REntityList, RemovingAnObjectFreesItsIndex) {
    auto list = Make<REntityList>();
    auto a = Make<RObject>(list.get());  // Init adds the object to the list
    EXPECT_EQ(a->GetEntityList(), list.get());
    EXPECT_EQ(a->GetEntityIndex(), 0);
    EXPECT_EQ(list->Add(a.get()), 0);  // already in: keeps its index
    EXPECT_TRUE(list->Remove(a.get()));
    EXPECT_EQ(a->GetEntityIndex(), -1);
    EXPECT_EQ(a->GetEntityList(), nullptr);
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
    EXPECT_EQ(list->Add(objects[35].get()), 35);
    EXPECT_EQ(list->Add(objects[36].get()), 36);
    objects.push_back(Make<RObject>());
    EXPECT_EQ(list->Add(objects.back().get()), 40);
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
    EXPECT_EQ(b->GetEntityList(), nullptr);
    EXPECT_EQ(b->GetEntityIndex(), -1);
    b.reset();
    EXPECT_EQ(a->GetEntityList(), other.get());
    EXPECT_EQ(property->GetIndex(), 0);
}
