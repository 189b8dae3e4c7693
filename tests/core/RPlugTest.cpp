#include "core/RClassIdFilter.h"
#include "core/RPlug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

// A plug that records the events it receives, can veto one event code, and can run an
// action when an event arrives.
class RecordingPlug : public RPlug {
public:
    struct Seen {
        int code;
        const RPlug* other;
        int index;
    };

    bool SendEvent(const RPlugEventPath* path, const RPlugEvent& event) override {
        seen.push_back({event.code, event.other, event.index});
        if (onEvent) onEvent(event);
        if (event.code == vetoCode) return false;
        return RPlug::SendEvent(path, event);
    }

    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Seen& s : seen) codes.push_back(s.code);
        return codes;
    }

    std::vector<Seen> seen;
    int vetoCode = -100;
    std::function<void(const RPlugEvent&)> onEvent;
};

using PlugPtr = std::unique_ptr<RPlug, RPlugDestroyer>;
using RecordingPtr = std::unique_ptr<RecordingPlug, RPlugDestroyer>;
using Codes = std::vector<int>;

RecordingPtr NewRecording() { return RecordingPtr(CreatePlugObject<RecordingPlug>(nullptr)); }
PlugPtr NewPlug() { return PlugPtr(CreatePlugObject<RPlug>(nullptr)); }
// A plug of another class, for class filters to tell apart.
PlugPtr NewFilterPlug() { return PlugPtr(CreatePlugObject<RPlugFilter>(nullptr)); }

// The sources of a plug, in order.
std::vector<const RPlug*> Sources(const RPlug& plug) {
    std::vector<const RPlug*> sources;
    for (int i = 0; i < plug.GetSourceCount(); ++i) sources.push_back(plug.GetSource(i));
    return sources;
}

}  // namespace

TEST(RPlugRef, ResolvesOnlyWhileThePlugLivesAndEveryPlugHasItsOwnCell) {
    RPlug* plug = CreatePlugObject<RPlug>(nullptr);
    const RPlugRef ref(plug);
    EXPECT_EQ(ref.Get(), plug);
    const RPlugHandleCell* cell = plug->GetHandleCell();
    plug->Destroy();
    EXPECT_FALSE(ref.IsValid());
    // The freed cell goes to the head of the free list: the next plug takes it, with a new
    // serial, and the old reference still resolves to nothing.
    PlugPtr reuse = NewPlug();
    EXPECT_EQ(reuse->GetHandleCell(), cell);
    EXPECT_EQ(ref.Get(), nullptr);
    EXPECT_FALSE(ref.IsEqual(reuse->GetRef()));
    EXPECT_TRUE(reuse->GetRef().IsEqual(RPlugRef(reuse.get())));
    EXPECT_EQ(RPlugRef(nullptr).Get(), nullptr);
    EXPECT_FALSE(RPlugRef().IsValid());

    std::vector<PlugPtr> plugs;
    for (int i = 0; i < 2 * RPlugHandleTable::kCellsPerBlock + 1; ++i) plugs.push_back(NewPlug());
    EXPECT_GE(GetHandleTable().GetBlockCount(), 3);
    std::vector<const RPlugHandleCell*> cells;
    for (const PlugPtr& each : plugs) {
        EXPECT_EQ(RPlugRef(each.get()).Get(), each.get());
        cells.push_back(each->GetHandleCell());
    }
    std::sort(cells.begin(), cells.end());
    EXPECT_EQ(std::unique(cells.begin(), cells.end()), cells.end());
}

TEST(RPlugConnect, SendsTheEventsInOrderAndRecordsBothSides) {
    RecordingPtr src = NewRecording();
    RecordingPtr dst = NewRecording();
    ASSERT_TRUE(RPlug::Connect(src.get(), nullptr, dst.get(), nullptr, 0));
    EXPECT_EQ(dst->Codes(), (Codes{0, 2, 4}));
    EXPECT_EQ(src->Codes(), (Codes{1, 3, 5}));
    EXPECT_EQ(dst->seen[0].other, src.get());
    EXPECT_EQ(dst->seen[2].index, 0);
    EXPECT_EQ(src->GetDestination(0), dst.get());
    EXPECT_EQ(Sources(*dst), (std::vector<const RPlug*>{src.get()}));

    src->seen.clear();
    dst->seen.clear();
    ASSERT_TRUE(dst->DisconnectSource(src.get()));
    EXPECT_EQ(dst->Codes(), (Codes{6, 8}));
    EXPECT_EQ(src->Codes(), (Codes{7, 9}));
    EXPECT_EQ(dst->GetSourceCount() + src->GetDestinationCount(), 0);
    EXPECT_FALSE(dst->DisconnectSource(src.get()));
}

TEST(RPlugConnect, RefusesSelfNullAndVetoedConnectionsWithoutChanges) {
    RecordingPtr a = NewRecording();
    RecordingPtr b = NewRecording();
    EXPECT_FALSE(a->ConnectSource(a.get()));
    EXPECT_FALSE(a->ConnectSource(nullptr));
    b->vetoCode = kPlugEventMayTakeSource;
    EXPECT_FALSE(b->ConnectSource(a.get()));
    EXPECT_EQ(b->Codes(), (Codes{0}));
    EXPECT_TRUE(a->seen.empty());
    EXPECT_EQ(b->GetSourceCount(), 0);
    // A plug that takes no destinations refuses too.
    b->vetoCode = -100;
    a->SetState(RPlug::kTakesDestinations, false);
    EXPECT_FALSE(b->ConnectSource(a.get()));
    EXPECT_EQ(a->GetDestinationCount(), 0);
}

TEST(RPlugConnect, KeepsTheRequestedOrder) {
    PlugPtr dst = NewPlug();
    PlugPtr a = NewPlug();
    PlugPtr b = NewPlug();
    PlugPtr c = NewPlug();
    ASSERT_TRUE(dst->ConnectSource(a.get()));
    ASSERT_TRUE(dst->ConnectSource(b.get()));
    ASSERT_TRUE(dst->ConnectSourceAt(0, c.get()));
    EXPECT_EQ(Sources(*dst), (std::vector<const RPlug*>{c.get(), a.get(), b.get()}));
    EXPECT_EQ(dst->IndexOfSource(b.get()), 2);
    EXPECT_EQ(dst->GetSource(3), nullptr);
}

TEST(RPlugConnect, OneWayDestinationsAreRecordedOnlyOnTheirSide) {
    RecordingPtr src = NewRecording();
    RecordingPtr dst = NewRecording();
    dst->SetState(RPlug::kOneWayDestination, true);
    ASSERT_TRUE(dst->ConnectSource(src.get()));
    EXPECT_EQ(dst->GetSourceCount(), 1);
    EXPECT_EQ(src->GetDestinationCount(), 0);
    EXPECT_TRUE(src->seen.empty());
    EXPECT_EQ(dst->GetSourceConnection(0)->flags & RPlug::kOneWay, RPlug::kOneWay);
    // The source does not know of the connection, so its end leaves a stale entry, which
    // resolves to nothing and is skipped by a full disconnection.
    src.reset();
    EXPECT_EQ(dst->GetSource(0), nullptr);
    dst->DisconnectAllSources();
    EXPECT_EQ(dst->GetSourceCount(), 1);
}

TEST(RPlugDestroy, DestroyingAPlugDisconnectsItAndIsDeferredInsideItsEvents) {
    RecordingPtr dst = NewRecording();
    RecordingPlug* src = CreatePlugObject<RecordingPlug>(nullptr);
    RPlug* plain = CreatePlugObject<RPlug>(nullptr);
    const RPlugRef srcRef(src);
    ASSERT_TRUE(dst->ConnectSource(src));
    ASSERT_TRUE(dst->ConnectSource(plain));
    plain->Destroy();
    EXPECT_EQ(dst->GetSourceCount(), 1);

    bool aliveAtRemoved = false;
    src->onEvent = [&](const RPlugEvent& event) {
        if (event.code == kPlugEventDestinationRemoving) src->Destroy();
        if (event.code == kPlugEventDestinationRemoved) aliveAtRemoved = srcRef.IsValid();
    };
    ASSERT_TRUE(dst->DisconnectSource(src));
    EXPECT_TRUE(aliveAtRemoved);
    EXPECT_FALSE(srcRef.IsValid());
}

TEST(RPlugDestroy, DestroyCalledAgainWhileDyingDestroysOnce) {
    RecordingPtr dst = NewRecording();
    RecordingPlug* src = CreatePlugObject<RecordingPlug>(nullptr);
    ASSERT_TRUE(dst->ConnectSource(src));
    int calls = 0;
    // Every disconnection event of the dying plug asks for its destruction again.
    src->onEvent = [&](const RPlugEvent&) {
        ++calls;
        src->Destroy();
    };
    src->Destroy();
    EXPECT_GT(calls, 0);
    EXPECT_EQ(dst->GetSourceCount(), 0);
}

TEST(RPlugLock, TheLastUnlockDestroysAPendingPlug) {
    RPlug* plug = CreatePlugObject<RPlug>(nullptr);
    const RPlugRef ref(plug);
    plug->Lock();
    plug->Lock();
    plug->Destroy();
    EXPECT_TRUE(ref.IsValid());
    EXPECT_TRUE(plug->HasState(RPlug::kDestroyPending));
    plug->Unlock();
    EXPECT_TRUE(ref.IsValid());
    plug->Unlock();
    EXPECT_FALSE(ref.IsValid());
}

TEST(RPlugOwnership, RegisteredChildMirrorsTheAcceptedConnectionsInOrder) {
    PlugPtr owner = NewPlug();
    PlugPtr plain = NewPlug();
    PlugPtr first = NewFilterPlug();
    PlugPtr second = NewFilterPlug();
    ASSERT_TRUE(owner->ConnectSource(first.get()));
    ASSERT_TRUE(owner->ConnectSource(plain.get()));

    const RClassIdFilter* filter = GetClassIdFilter(RPlugFilter::ClassId());
    ASSERT_NE(filter, nullptr);
    RPlug* child = owner->GetFilteredSubPlug(filter);
    ASSERT_NE(child, owner.get());
    EXPECT_EQ(owner->GetFilteredSubPlug(filter), child);  // found again, not made twice
    EXPECT_EQ(Sources(*child), (std::vector<const RPlug*>{first.get()}));  // copied on registration
    // A new accepted source goes to the mirror at the place that keeps the owner's order.
    ASSERT_TRUE(owner->ConnectSourceAt(0, second.get()));
    EXPECT_EQ(Sources(*child), (std::vector<const RPlug*>{second.get(), first.get()}));
    ASSERT_TRUE(owner->DisconnectSource(first.get()));
    EXPECT_EQ(Sources(*child), (std::vector<const RPlug*>{second.get()}));

    // Connecting through the child connects its owner.
    PlugPtr third = NewFilterPlug();
    ASSERT_TRUE(child->ConnectSource(third.get()));
    EXPECT_TRUE(owner->HasSourceConnection(third.get()));
    EXPECT_TRUE(child->HasSourceConnection(third.get()));
    EXPECT_FALSE(child->HasSourceConnection(plain.get()));

    // The owned child dies with its owner.
    const RPlugRef childRef(child);
    owner.reset();
    EXPECT_FALSE(childRef.IsValid());
    EXPECT_EQ(third->GetDestinationCount(), 0);

    PlugPtr plug = NewPlug();  // accept-all filters answer the plug itself
    for (const RPlugFilter* all : {static_cast<const RPlugFilter*>(GetClassIdFilter(kNoClassId)),
                                   static_cast<const RPlugFilter*>(GetClassIdFilter(RPlug::ClassId())),
                                   static_cast<const RPlugFilter*>(nullptr)}) {
        EXPECT_EQ(plug->GetFilteredSubPlug(all), plug.get());
    }
    EXPECT_EQ(plug->GetChildCount(), 0);
}

TEST(RPlugOwnership, EventsClimbTheOwnerChainButNotFromOwnedChildrenAndCyclesAreRefused) {
    RecordingPtr top = NewRecording();
    PlugPtr middle = NewPlug();
    PlugPtr other = NewPlug();
    ASSERT_TRUE(top->AddChild(middle.get()));
    EXPECT_FALSE(top->AddChild(middle.get()));
    EXPECT_FALSE(middle->AddChild(top.get()));
    EXPECT_FALSE(top->SetOwner(top.get()));
    EXPECT_EQ(top->GetOwner(), nullptr);
    EXPECT_EQ(middle->GetOwner(), top.get());
    ASSERT_TRUE(middle->ConnectSource(other.get()));
    EXPECT_EQ(top->Codes(), (Codes{0, 2, 4}));

    top->seen.clear();
    middle->SetState(RPlug::kOwnedChild, true);
    ASSERT_TRUE(middle->DisconnectSource(other.get()));
    EXPECT_TRUE(top->seen.empty());
    EXPECT_TRUE(top->RemoveChild(middle.get()));
    EXPECT_EQ(middle->GetOwner(), nullptr);
    EXPECT_FALSE(top->RemoveChild(middle.get()));
}

TEST(RPlugReplace, TheNewPlugTakesTheOldOnesPlace) {
    RecordingPtr dst = NewRecording();
    RecordingPtr oldPlug = NewRecording();
    PlugPtr a = NewPlug();
    PlugPtr c = NewPlug();
    PlugPtr replacement = NewPlug();
    for (RPlug* source : {a.get(), static_cast<RPlug*>(oldPlug.get()), c.get()}) {
        ASSERT_TRUE(dst->ConnectSource(source));
    }
    dst->seen.clear();
    oldPlug->seen.clear();

    ASSERT_TRUE(dst->ReplaceSource(oldPlug.get(), replacement.get()));
    EXPECT_EQ(Sources(*dst), (std::vector<const RPlug*>{a.get(), replacement.get(), c.get()}));
    EXPECT_EQ(oldPlug->GetDestinationCount(), 0);
    EXPECT_EQ(dst->Codes().front(), kPlugEventDestinationReplacing);
    EXPECT_EQ(dst->Codes().back(), kPlugEventDestinationReplaced);
    EXPECT_EQ(oldPlug->Codes().front(), kPlugEventSourceReplacing);
    EXPECT_EQ(oldPlug->Codes().back(), kPlugEventSourceReplaced);

    EXPECT_FALSE(dst->ReplaceSource(oldPlug.get(), replacement.get()));
    // Past the list, the new plug is connected at the end.
    PlugPtr extra = NewPlug();
    ASSERT_TRUE(dst->ReplaceSourceAt(10, extra.get()));
    EXPECT_EQ(dst->GetSource(3), extra.get());
}
