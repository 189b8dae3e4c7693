#include "core/REventHandlerList.h"
#include "core/RNamedEventSubscription.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

// A handler target: records its id when called and then runs an optional action.
struct Target {
    std::vector<int>* log;
    int id;
    std::function<void(REventRecord&)> action;
};

void Handle(void* object, int eventType, REventRecord& record, void* userData) {
    auto* target = static_cast<Target*>(object);
    target->log->push_back(target->id);
    EXPECT_EQ(eventType, 77);
    EXPECT_EQ(userData, target);
    if (target->action) {
        target->action(record);
    }
}

void Other(void*, int, REventRecord&, void*) {}

void AddTarget(REventHandlerList& list, Target& target) {
    ASSERT_EQ(list.Add(&target, Handle, &target), 0);
}

int Dispatch(REventHandlerList& list) {
    REventRecord record;
    return list.Dispatch(77, record);
}

}  // namespace

TEST(REventHandlerList, CallsHandlersFromTheOldest) {
    std::vector<int> log;
    Target a{&log, 1, {}}, b{&log, 2, {}}, c{&log, 3, {}};
    REventHandlerList list;
    AddTarget(list, a);
    AddTarget(list, b);
    AddTarget(list, c);
    EXPECT_EQ(Dispatch(list), 0);
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list.Add(&a, nullptr, nullptr), -1);
}

TEST(REventHandlerList, RemoveMatchesObjectAndMethod) {
    std::vector<int> log;
    Target a{&log, 1, {}}, b{&log, 2, {}};
    REventHandlerList list;
    AddTarget(list, a);
    AddTarget(list, b);
    EXPECT_EQ(list.Remove(&a, Other), 1);
    EXPECT_EQ(list.Remove(&a, Handle), 0);
    EXPECT_EQ(list.Remove(&a, Handle), 1);
    Dispatch(list);
    EXPECT_EQ(log, (std::vector<int>{2}));
}

TEST(REventHandlerList, HandlerAddedDuringADispatchWaitsForTheNext) {
    std::vector<int> log;
    REventHandlerList list;
    Target late{&log, 9, {}};
    Target a{&log, 1, [&](REventRecord&) { AddTarget(list, late); }};
    Target b{&log, 2, {}};
    AddTarget(list, a);
    AddTarget(list, b);
    Dispatch(list);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
    log.clear();
    list.Remove(&a, Handle);
    Dispatch(list);
    EXPECT_EQ(log, (std::vector<int>{2, 9}));
}

TEST(REventHandlerList, RemovingHandlersDuringADispatch) {
    std::vector<int> log;
    REventHandlerList list;
    Target c{&log, 3, {}};
    Target b{&log, 2, [&](REventRecord&) { list.Remove(&b, Handle); }};  // itself
    Target a{&log, 1, [&](REventRecord&) { list.Remove(&c, Handle); }};  // one not yet run
    Target d{&log, 4, {}};
    AddTarget(list, a);
    AddTarget(list, b);
    AddTarget(list, c);
    AddTarget(list, d);
    Dispatch(list);
    EXPECT_EQ(log, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(REventHandlerList, HandledRecordStopsTheDispatch) {
    std::vector<int> log;
    REventHandlerList list;
    Target a{&log, 1, {}};
    Target b{&log, 2, [](REventRecord& record) { record.handled = true; }};
    Target c{&log, 3, {}};
    AddTarget(list, a);
    AddTarget(list, b);
    AddTarget(list, c);
    Dispatch(list);
    EXPECT_EQ(log, (std::vector<int>{1, 2}));
}

TEST(REventHandlerList, ClearingOrDestroyingTheListInsideAHandlerEndsTheDispatch) {
    std::vector<int> log;
    auto list = std::make_unique<REventHandlerList>();
    Target a{&log, 1, [&](REventRecord&) { list.reset(); }};
    Target b{&log, 2, {}};
    AddTarget(*list, a);
    AddTarget(*list, b);
    Dispatch(*list);
    EXPECT_EQ(log, (std::vector<int>{1}));
    EXPECT_EQ(list, nullptr);

    log.clear();
    REventHandlerList cleared;
    Target c{&log, 3, [&](REventRecord&) { cleared.Clear(); }};
    AddTarget(cleared, c);
    AddTarget(cleared, b);
    Dispatch(cleared);
    EXPECT_EQ(log, (std::vector<int>{3}));
    EXPECT_EQ(cleared.GetCount(), 0);
}

TEST(REventHandlerList, NestedDispatchesKeepTheirOwnCursors) {
    std::vector<int> log;
    REventHandlerList list;
    int depth = 0;
    Target a{&log, 1, [&](REventRecord&) {
                 if (depth++ == 0) {
                     Dispatch(list);
                 }
             }};
    Target b{&log, 2, {}};
    AddTarget(list, a);
    AddTarget(list, b);
    Dispatch(list);
    EXPECT_EQ(log, (std::vector<int>{1, 1, 2, 2}));
}

TEST(RNamedEventSubscription, ListsLiveAsLongAsTheirSubscriptions) {
    std::vector<int> log;
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
            EXPECT_EQ(log, (std::vector<int>{1, 2}));
        }
        ASSERT_NE(FindNamedHandlerList("SceneChanged"), nullptr);
        EXPECT_EQ(FindNamedHandlerList("SceneChanged")->GetCount(), 1);
    }
    EXPECT_EQ(FindNamedHandlerList("SceneChanged"), nullptr);
    RNamedEventSubscription refused(nullptr, &a, Handle);
    EXPECT_FALSE(refused.IsRegistered());
}

TEST(RNamedEventSubscription, TheLastSubscriptionMayEndInsideADispatch) {
    std::vector<int> log;
    std::unique_ptr<RNamedEventSubscription> subscription;
    Target a{&log, 1, [&](REventRecord&) { subscription.reset(); }};
    subscription = std::make_unique<RNamedEventSubscription>("Closing", &a, Handle, &a);
    Dispatch(*FindNamedHandlerList("Closing"));
    EXPECT_EQ(log, (std::vector<int>{1}));
    EXPECT_EQ(FindNamedHandlerList("Closing"), nullptr);
}
