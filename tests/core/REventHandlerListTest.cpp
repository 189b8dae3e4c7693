#include "core/REventHandlerList.h"
#include "core/RNamedEventSubscription.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

using Log = std::vector<int>;

// A handler target: records its id when called and then runs an optional action.
struct Target {
    Log* log;
    int id;
    std::function<void(REventRecord&)> action;
};

void Handle(void* object, int eventType, REventRecord& record, void* userData) {
    auto* target = static_cast<Target*>(object);
    target->log->push_back(target->id);
    EXPECT_EQ(eventType, 77);
    EXPECT_EQ(userData, target);
    if (target->action) target->action(record);
}

void Other(void*, int, REventRecord&, void*) {}

void AddTargets(REventHandlerList& list, std::initializer_list<Target*> targets) {
    for (Target* target : targets) ASSERT_EQ(list.Add(target, Handle, target), 0);
}

int Dispatch(REventHandlerList& list) {
    REventRecord record;
    return list.Dispatch(77, record);
}

}  // namespace

TEST(REventHandlerList, CallsHandlersFromTheOldestAndRemovesByObjectAndMethod) {
    Log log;
    Target a{&log, 1, {}}, b{&log, 2, {}}, c{&log, 3, {}};
    REventHandlerList list;
    AddTargets(list, {&a, &b, &c});
    EXPECT_EQ(Dispatch(list), 0);
    EXPECT_EQ(log, (Log{1, 2, 3}));
    EXPECT_EQ(list.Add(&a, nullptr, nullptr), -1);
    EXPECT_EQ(list.Remove(&a, Other), 1);
    EXPECT_EQ(list.Remove(&a, Handle), 0);
    EXPECT_EQ(list.Remove(&a, Handle), 1);
    log.clear();
    Dispatch(list);
    EXPECT_EQ(log, (Log{2, 3}));
}

TEST(REventHandlerList, HandlerAddedDuringADispatchWaitsForTheNext) {
    Log log;
    REventHandlerList list;
    Target late{&log, 9, {}};
    Target a{&log, 1, [&](REventRecord&) { AddTargets(list, {&late}); }};
    Target b{&log, 2, {}};
    AddTargets(list, {&a, &b});
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 2}));
    list.Remove(&a, Handle);
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 2, 2, 9}));
}

TEST(REventHandlerList, RemovingHandlersDuringADispatch) {
    Log log;
    REventHandlerList list;
    Target c{&log, 3, {}};
    Target b{&log, 2, [&](REventRecord&) { list.Remove(&b, Handle); }};  // itself
    Target a{&log, 1, [&](REventRecord&) { list.Remove(&c, Handle); }};  // one not yet run
    Target d{&log, 4, {}};
    AddTargets(list, {&a, &b, &c, &d});
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 2, 4}));
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(REventHandlerList, HandledRecordStopsTheDispatch) {
    Log log;
    REventHandlerList list;
    Target a{&log, 1, {}};
    Target b{&log, 2, [](REventRecord& record) { record.handled = true; }};
    Target c{&log, 3, {}};
    AddTargets(list, {&a, &b, &c});
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 2}));
}

TEST(REventHandlerList, ClearingOrDestroyingTheListInsideAHandlerEndsTheDispatch) {
    Log log;
    auto list = std::make_unique<REventHandlerList>();
    Target a{&log, 1, [&](REventRecord&) { list.reset(); }};
    Target b{&log, 2, {}};
    AddTargets(*list, {&a, &b});
    Dispatch(*list);
    EXPECT_EQ(log, (Log{1}));
    EXPECT_EQ(list, nullptr);

    REventHandlerList cleared;
    Target c{&log, 3, [&](REventRecord&) { cleared.Clear(); }};
    AddTargets(cleared, {&c, &b});
    Dispatch(cleared);
    EXPECT_EQ(log, (Log{1, 3}));
    EXPECT_EQ(cleared.GetCount(), 0);
}

TEST(REventHandlerList, NestedDispatchesKeepTheirOwnCursors) {
    Log log;
    REventHandlerList list;
    int depth = 0;
    Target a{&log, 1, [&](REventRecord&) {
                 if (depth++ == 0) Dispatch(list);
             }};
    Target b{&log, 2, {}};
    AddTargets(list, {&a, &b});
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 1, 2, 2}));
}

TEST(RNamedEventSubscription, ListsLiveAsLongAsTheirSubscriptions) {
    Log log;
    Target a{&log, 1, {}};
    Target b{&log, 2, {}};
    {
        RNamedEventSubscription first("SceneChanged", &a, Handle, &a);
        ASSERT_TRUE(first.IsRegistered());
        {
            RNamedEventSubscription second("scenechanged", &b, Handle, &b);
            REventHandlerList* list = FindNamedHandlerList("SCENECHANGED");
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->GetCount(), 2);
            Dispatch(*list);
            EXPECT_EQ(log, (Log{1, 2}));
        }
        ASSERT_NE(FindNamedHandlerList("SceneChanged"), nullptr);
        EXPECT_EQ(FindNamedHandlerList("SceneChanged")->GetCount(), 1);
    }
    EXPECT_EQ(FindNamedHandlerList("SceneChanged"), nullptr);
    RNamedEventSubscription refused(nullptr, &a, Handle);
    EXPECT_FALSE(refused.IsRegistered());
}

TEST(RNamedEventSubscription, TheLastSubscriptionMayEndInsideADispatch) {
    Log log;
    std::unique_ptr<RNamedEventSubscription> subscription;
    Target a{&log, 1, [&](REventRecord&) { subscription.reset(); }};
    subscription = std::make_unique<RNamedEventSubscription>("Closing", &a, Handle, &a);
    Dispatch(*FindNamedHandlerList("Closing"));
    EXPECT_EQ(log, (Log{1}));
    EXPECT_EQ(FindNamedHandlerList("Closing"), nullptr);
}
