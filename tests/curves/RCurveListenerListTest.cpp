#include "curves/RCurveListenerList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "curves/RFCurve.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

namespace {

// The user data of every entry in order.
std::vector<void*> UserDataInOrder(const RCurveListenerList& list) {
    std::vector<void*> order;
    for (std::size_t i = 0; i < list.GetCount(); ++i) order.push_back(list.At(i).userData);
    return order;
}

// Appends to a shared record which listener was called, in call order.
struct OrderLog {
    std::vector<int>* calls = nullptr;
    int id = 0;
    static void Listen(RFCurve&, const RCurveChangeRecord&, void* userData) {
        const auto* self = static_cast<OrderLog*>(userData);
        self->calls->push_back(self->id);
    }
};

}  // namespace

// The entry held in place and the ones after it keep registration order whichever is removed.
TEST(RCurveListenerList, RemovingAnyEntryKeepsTheOthersInOrder) {
    int a = 0;
    int b = 0;
    int c = 0;
    int d = 0;
    RCurveListenerList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.HoldsSerial(0));
    for (int* data : {&a, &b, &c, &d}) list.Append({&ChangeLog::Listen, data, static_cast<std::uint64_t>(list.GetCount())});
    list.RemoveAt(0);
    EXPECT_EQ(UserDataInOrder(list), (std::vector<void*>{&b, &c, &d}));
    EXPECT_EQ(list.At(0).serial, 1u);
    EXPECT_FALSE(list.HoldsSerial(0));
    EXPECT_TRUE(list.HoldsSerial(3));
    list.RemoveAt(1);
    EXPECT_EQ(UserDataInOrder(list), (std::vector<void*>{&b, &d}));
    list.RemoveAt(5);  // out of range: nothing
    EXPECT_EQ(list.GetCount(), 2u);
    list.RemoveAt(0);
    list.RemoveAt(0);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.HoldsSerial(3));
    list.Append({&ChangeLog::Listen, &a, 9});
    EXPECT_EQ(UserDataInOrder(list), (std::vector<void*>{&a}));
    std::vector<RCurveListenerList::Entry> copy;
    list.CopyTo(copy);
    ASSERT_EQ(copy.size(), 1u);
    EXPECT_EQ(copy[0].serial, 9u);
}

// Once the first listener is gone the others are still called in the order they came, and
// one registered afterwards comes last.
TEST(RCurveListenerList, ACurveCallsItsListenersInRegistrationOrderAfterTheFirstLeaves) {
    std::vector<int> calls;
    OrderLog first{&calls, 1};
    OrderLog second{&calls, 2};
    OrderLog third{&calls, 3};
    OrderLog fourth{&calls, 4};
    RFCurve curve;
    for (OrderLog* log : {&first, &second, &third}) curve.AddListener(&OrderLog::Listen, log);
    curve.RemoveListener(&OrderLog::Listen, &first);
    curve.AddListener(&OrderLog::Listen, &fourth);
    curve.SetDefaultValue(1.0f);
    EXPECT_EQ(calls, (std::vector<int>{2, 3, 4}));
}

// A lone listener that registers another during its call: the newcomer hears the next change,
// not the one being delivered; one that leaves and comes back is called once per change.
TEST(RCurveListenerList, ALoneListenerThatAddsOrReturnsDuringItsCallIsCalledOnce) {
    struct Adder {
        ChangeLog* added = nullptr;
        int calls = 0;
        bool rejoin = false;
        static void Listen(RFCurve& curve, const RCurveChangeRecord&, void* userData) {
            auto* self = static_cast<Adder*>(userData);
            ++self->calls;
            if (self->added != nullptr) curve.AddListener(&ChangeLog::Listen, std::exchange(self->added, nullptr));
            if (self->rejoin) {
                curve.RemoveListener(&Adder::Listen, self);
                curve.AddListener(&Adder::Listen, self);
            }
        }
    };
    ChangeLog log;
    Adder adder;
    adder.added = &log;
    RFCurve curve;
    curve.AddListener(&Adder::Listen, &adder);
    curve.SetDefaultValue(1.0f);
    EXPECT_EQ(adder.calls, 1);
    EXPECT_EQ(log.calls, 0);
    curve.RemoveListener(&ChangeLog::Listen, &log);
    adder.rejoin = true;
    curve.SetDefaultValue(2.0f);
    EXPECT_EQ(adder.calls, 2);
    curve.SetDefaultValue(3.0f);
    EXPECT_EQ(adder.calls, 3);
    EXPECT_EQ(log.calls, 0);
}
