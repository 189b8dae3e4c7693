#include "core/REventHub.h"
#include "core/RProgressReporter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Listener {
    std::vector<int> codes;
    std::vector<void*> arguments;
    bool sawSender = false;
};

void Record(void* object, int eventType, REventRecord& record, void*) {
    auto* listener = static_cast<Listener*>(object);
    ASSERT_EQ(eventType, kHubEventId);
    ASSERT_EQ(record.eventId, kHubEventId);
    const auto& hubRecord = static_cast<RHubEventRecord&>(record);
    listener->codes.push_back(hubRecord.code);
    listener->arguments.push_back(hubRecord.argument);
    listener->sawSender = hubRecord.sender == &GetEventHub()->GetEventSource() && hubRecord.name.IsEmptyText();
}

}  // namespace

TEST(RProgressReporter, CancelFlagsTitlesAndReset) {
    RProgress* progress = GetProgressReporter();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(GetProgressReporter(), progress);
    progress->Reset();
    const auto flags = [progress] {
        const bool requested = progress->IsCancelRequested();  // asked first: it marks the request seen
        return std::make_pair(requested, progress->IsCancelSeen());
    };
    EXPECT_EQ(flags(), std::make_pair(false, false));
    progress->RequestCancel();
    EXPECT_FALSE(progress->IsCancelSeen());
    EXPECT_EQ(flags(), std::make_pair(true, true));
    progress->BeginRun();
    progress->SetStepCount(3);
    progress->StepDone();
    progress->EndRun();
    EXPECT_TRUE(progress->IsCancelRequested());  // the notices change nothing
    progress->Reset();
    EXPECT_EQ(flags(), std::make_pair(false, false));
    EXPECT_EQ(progress->GetProgress(), 0);

    progress->SetTitle("Reading");
    EXPECT_STREQ(progress->GetTitle(), "Reading");
    EXPECT_STREQ(progress->GetDetail(), "");
    progress->SetTitle(nullptr);
    EXPECT_STREQ(progress->GetTitle(), "");
    progress->SetTitle("Writing");
    progress->ClearTexts();
    EXPECT_STREQ(progress->GetTitle(), "");
}

TEST(RProgressReporterAndEventHub, InterfaceQueriesAndRelease) {
    RProgress* progress = GetProgressReporter();
    ASSERT_NE(progress, nullptr);
    auto* reporter = static_cast<RProgressReporter*>(progress->QueryInterface(0));
    ASSERT_NE(reporter, nullptr);
    EXPECT_EQ(progress->QueryInterface(3), reporter);
    EXPECT_EQ(reporter->QueryInterface(12), progress);
    EXPECT_EQ(reporter->QueryInterface(1), nullptr);
    EXPECT_EQ(progress->QueryInterface(2), nullptr);
    progress->SetTitle("before release");
    progress->Release();
    RProgress* fresh = GetProgressReporter();
    ASSERT_NE(fresh, nullptr);
    EXPECT_STREQ(fresh->GetTitle(), "");

    REventHub* hub = GetEventHub();
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ(GetEventHub(), hub);
    EXPECT_EQ(hub->QueryInterface(0), hub);
    EXPECT_EQ(hub->QueryInterface(2), hub);
    EXPECT_EQ(hub->QueryInterface(3), &hub->GetEventSource());
    EXPECT_EQ(hub->QueryInterface(12), nullptr);
    EXPECT_EQ(hub->GetEventSource().QueryInterface(2), hub);
}

TEST(REventHub, ListenersReceiveEmittedEventsUntilRemoved) {
    Listener listener;
    int argument = 0;
    ASSERT_EQ(AddEventListener(&listener, &Record), 0);
    EmitEvent(&argument, 16);
    EmitEvent(nullptr, 15);
    EXPECT_EQ(listener.codes, (std::vector<int>{16, 15}));
    EXPECT_EQ(listener.arguments[0], &argument);
    EXPECT_TRUE(listener.sawSender);
    EXPECT_EQ(RemoveEventListener(&listener, &Record), 0);
    EXPECT_EQ(RemoveEventListener(&listener, &Record), 1);
    EmitEvent(nullptr, 15);
    EXPECT_EQ(listener.codes.size(), 2u);
}

TEST(REventHub, TheSourceCarriesOnlyTheHubsEventId) {
    REventSource& source = GetEventHub()->GetEventSource();
    Listener listener;
    const int before = source.GetHandlerCount();
    EXPECT_EQ(source.AddHandler(0x1234, 0x7fffffff, &listener, &Record, nullptr), 1);
    EXPECT_EQ(source.GetHandlerCount(), before);
    EmitEvent(nullptr, 15);
    EXPECT_TRUE(listener.codes.empty());
    EXPECT_EQ(source.AddHandler(kHubEventId, 0, &listener, &Record, nullptr), 0);
    EXPECT_EQ(source.RemoveHandler(0x1234, &listener, &Record), 1);
    EXPECT_EQ(source.GetHandlerCount(), before + 1);
    EXPECT_EQ(source.RemoveHandler(kHubEventId, &listener, &Record), 0);
}

TEST(REventHubDeathTest, EmittingBeforeTheHubExistsDoesNothingAndAReleasedHubStaysGone) {
    // "threadsafe" runs the test again in a fresh process, where nothing has made the hub yet.
    const std::string previousStyle = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EmitEvent(nullptr, 15);
            REventHub* hub = GetEventHub();
            if (hub == nullptr) {
                std::exit(1);
            }
            hub->Release();
            std::exit(GetEventHub() == nullptr && AddEventListener(nullptr, &Record) == -1 ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, previousStyle);
}
