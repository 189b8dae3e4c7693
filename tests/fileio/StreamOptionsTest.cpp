#include "fileio/RStreamOptions.h"
#include "fileio/RStreamOptionsBase.h"
#include "fileio/RStreamOptionsWyx.h"
#include "tests/fileio/SystemCallCounter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

template <typename T>
using Owned = std::unique_ptr<T, RPlugDestroyer>;

template <typename T>
Owned<T> Make() {
    return Owned<T>(CreatePlugObject<T>(nullptr));
}

// Options of a format that takes a take name.
class TakeNameOptions : public RStreamOptionsBase {
public:
    bool AcceptsTakeName() const override { return true; }
};

int gProgressCalls = 0;
const char* gLastTitle = nullptr;

void CountProgress(int /*status*/, const char* /*text*/, float /*percent*/) { ++gProgressCalls; }
int AnswerTwo(const char* title, const char*, const char*, const char*, const char*, int) {
    gLastTitle = title;
    return 2;
}

TEST(StreamOptionsTest, ClassIdentityFollowsTheParentChain) {
    auto wyx = Make<RStreamOptionsWyx>();
    auto base = Make<RStreamOptionsBase>();
    EXPECT_TRUE(wyx->Is(RStreamOptionsWyx::ClassId()));
    EXPECT_TRUE(wyx->Is(RStreamOptions::ClassId()));
    EXPECT_TRUE(wyx->Is(RObject::ClassId()));
    EXPECT_TRUE(wyx->Is(kPlugClassId));
    EXPECT_FALSE(wyx->Is(RStreamOptionsBase::ClassId()));
    EXPECT_STREQ(wyx->GetClassName(), "RStreamOptionsWyx");

    EXPECT_TRUE(base->Is(RStreamOptionsBase::ClassId()));
    EXPECT_TRUE(base->Is(RStreamOptions::ClassId()));
    EXPECT_TRUE(base->Is(RObject::ClassId()));
    EXPECT_FALSE(base->Is(RStreamOptionsWyx::ClassId()));
    EXPECT_STREQ(base->GetClassName(), "RStreamOptionsBase");
}

TEST(StreamOptionsTest, DefaultHooksAnswerTheDefaultAndCustomHooksAreCalled) {
    auto options = Make<RStreamOptions>();
    EXPECT_EQ(options->AskQuestion("t", "x", "Yes", "No", nullptr, 7), 7);
    EXPECT_EQ(options->ShowMessage("t", "x", "Ok", nullptr, nullptr, 0), 0);
    EXPECT_EQ(options->CallDialogHook(3, "t", "x", nullptr, nullptr, nullptr, 5), 5);
    options->ReportProgress(0, "text", 50.0f);  // the default does nothing

    gProgressCalls = 0;
    options->SetProgressHook(&CountProgress);
    options->SetDialogHook(RStreamOptions::kMessageHook, &AnswerTwo);
    options->ReportProgress(0, nullptr, 10.0f);
    EXPECT_EQ(gProgressCalls, 1);
    EXPECT_EQ(options->ShowMessage("Error", "x", "Ok", nullptr, nullptr, 0), 2);
    EXPECT_STREQ(gLastTitle, "Error");
    EXPECT_EQ(options->AskQuestion("t", "x", nullptr, nullptr, nullptr, 9), 9);  // other hooks unchanged

    // Numbers outside 1 to 3 neither store nor call anything.
    options->SetDialogHook(0, &AnswerTwo);
    options->SetDialogHook(4, &AnswerTwo);
    EXPECT_EQ(options->GetDialogHook(0), nullptr);
    EXPECT_EQ(options->CallDialogHook(4, "t", "x", nullptr, nullptr, nullptr, 6), 6);

    // A null hook and the reset both bring back the defaults.
    options->SetProgressHook(nullptr);
    EXPECT_EQ(options->GetProgressHook(), &RStreamOptions::DefaultProgressHook);
    options->ResetHooks();
    EXPECT_EQ(options->GetDialogHook(RStreamOptions::kMessageHook), &RStreamOptions::DefaultDialogHook);
}

TEST(StreamOptionsBaseTest, RecordsStartWithTheirInitialValues) {
    auto options = Make<RStreamOptionsBase>();
    for (int slot = 1; slot <= 17; ++slot) {
        const RStreamOptionRecord* option = options->GetOption(slot);
        ASSERT_NE(option, nullptr) << slot;
        EXPECT_EQ(option->value, 0);
        EXPECT_EQ(option->enabled, 0);
        EXPECT_EQ(option->direction, RStreamOptionsBase::kOptionForBoth);
        EXPECT_EQ(option->maximum, 1);
        EXPECT_TRUE(option->label.IsEmptyText());
        EXPECT_EQ(option->extra, 0);
    }
    EXPECT_TRUE(options->GetTakeName().IsEmptyText());
}

TEST(StreamOptionsBaseTest, OnlySlotsOneToSeventeenAreReachable) {
    auto options = Make<RStreamOptionsBase>();
    for (int slot : {-1, 0, 18, 1000}) {
        options->SetOptionValue(slot, 5);
        options->SetOptionLabel(slot, RString("x"));
        EXPECT_EQ(options->GetOptionValue(slot), 0) << slot;
        EXPECT_EQ(options->GetOption(slot), nullptr) << slot;
    }
    for (int slot : {1, 17}) {
        options->SetOptionValue(slot, 3);
        options->SetOptionEnabled(slot, 1);
        options->SetOptionDirection(slot, RStreamOptionsBase::kOptionForReading);
        options->SetOptionMaximum(slot, 2);
        options->SetOptionLabel(slot, RString("Weld Vertices"));
        options->SetOptionExtra(slot, 5);
        const RStreamOptionRecord* option = options->GetOption(slot);
        EXPECT_EQ(options->GetOptionValue(slot), 3);
        EXPECT_EQ(option->enabled, 1);
        EXPECT_EQ(option->direction, 0);
        EXPECT_EQ(option->maximum, 2);
        EXPECT_STREQ(option->label.Buffer(), "Weld Vertices");
        EXPECT_EQ(option->extra, 5);
    }
    EXPECT_EQ(options->GetOptionValue(2), 0);  // neighbours untouched
    EXPECT_EQ(options->GetOptionValue(16), 0);
}

TEST(StreamOptionsBaseTest, TakeNameIsStoredOnlyWhenAccepted) {
    auto base = Make<RStreamOptionsBase>();
    EXPECT_FALSE(base->AcceptsTakeName());
    base->SetTakeName("default take");
    EXPECT_TRUE(base->GetTakeName().IsEmptyText());

    auto accepting = Make<TakeNameOptions>();
    accepting->SetTakeName("default take");
    EXPECT_STREQ(accepting->GetTakeName().Buffer(), "default take");
    accepting->SetTakeName(nullptr);
    EXPECT_TRUE(accepting->GetTakeName().IsValid());
    EXPECT_TRUE(accepting->GetTakeName().IsEmptyText());
}

void ExpectResetFlags(const RStreamOptionsWyx& options) {
    for (int i = 0; i < RStreamOptionsWyx::kFlagCount; ++i) {
        EXPECT_EQ(options.GetFlag(i), i != 10 && i != 11) << "flag " << i;
    }
}

TEST(StreamOptionsWyxTest, FlagsStartAllOnButTenAndEleven) {
    Owned<RStreamOptionsWyx> options(RStreamOptionsWyx::Create());
    ASSERT_NE(options, nullptr);
    ExpectResetFlags(*options);
    EXPECT_FALSE(options->GetFlag(-1));
    EXPECT_FALSE(options->GetFlag(12));
    options->SetFlag(12, true);
    EXPECT_FALSE(options->GetFlag(12));
    options->SetFlag(RStreamOptionsWyx::kFlagTakes, false);
    options->SetFlag(11, true);
    EXPECT_FALSE(options->GetFlag(6));
    EXPECT_TRUE(options->GetFlag(11));
}

TEST(StreamOptionsWyxTest, TakeEntriesKeepSelectionAndPasswords) {
    Owned<RStreamOptionsWyx> options(RStreamOptionsWyx::Create());
    EXPECT_EQ(options->AddTake("Take 001"), 0);
    EXPECT_EQ(options->AddTake("Take 002"), 1);
    EXPECT_EQ(options->AddTake("Take 001"), 0);  // a listed name is not added twice
    EXPECT_EQ(options->AddTake(nullptr), -1);
    ASSERT_EQ(options->GetTakeCount(), 2);

    RStreamTakeEntry* second = options->GetTake(1);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->selected);
    EXPECT_FALSE(second->passwordProtected);
    second->selected = false;
    second->passwordProtected = true;
    second->password = "secret";
    EXPECT_EQ(options->GetSelectedTakeCount(), 1);
    EXPECT_EQ(options->FindTake("Take 002"), 1);
    EXPECT_EQ(options->FindTake("take 002"), -1);
    EXPECT_STREQ(options->GetTake(1)->password.Buffer(), "secret");
    EXPECT_EQ(options->GetTake(2), nullptr);
    EXPECT_EQ(options->GetTake(-1), nullptr);

    // The file's own password counts only with its flag and a text.
    options->SetPassword("pw");
    EXPECT_FALSE(options->HasPassword());
    options->SetPasswordProtected(true);
    EXPECT_TRUE(options->HasPassword());
    options->SetPassword(nullptr);
    EXPECT_FALSE(options->HasPassword());
}

// Names renamed through handed-out entries are found under their new names; of two
// takes renamed alike the first is found; a reset or clear forgets every name.
TEST(StreamOptionsWyxTest, FindTakeFollowsRenamesThroughEntriesAndClears) {
    Owned<RStreamOptionsWyx> options(RStreamOptionsWyx::Create());
    for (const char* name : {"Walk", "Run", "Jump"}) options->AddTake(name);
    EXPECT_EQ(options->FindTake("run"), -1);  // byte for byte
    options->GetTake(2)->name = "Hop";
    EXPECT_EQ(options->FindTake("Jump"), -1);
    EXPECT_EQ(options->FindTake("Hop"), 2);
    RStreamTakeEntry* first = options->GetTake(0);
    options->GetTake(1)->name = "Hop";
    first->name = "Hop";
    EXPECT_EQ(options->FindTake("Hop"), 0);
    EXPECT_EQ(options->AddTake("Walk"), 3);  // its old name is free again
    EXPECT_EQ(options->AddTake("Hop"), 0);
    // More entries handed out than there are takes: every name is checked.
    for (int i = 0; i < 10; ++i) options->GetTake(0);
    options->GetTake(3)->name = "Skip";
    EXPECT_EQ(options->FindTake("Skip"), 3);
    EXPECT_EQ(options->FindTake("Walk"), -1);
    options->ClearTakes();
    EXPECT_EQ(options->FindTake("Hop"), -1);
    EXPECT_EQ(options->AddTake("Hop"), 0);
    options->ResetHooks();
    EXPECT_EQ(options->FindTake("Hop"), -1);
}

TEST(StreamOptionsWyxTest, ResetRestoresEverything) {
    Owned<RStreamOptionsWyx> options(RStreamOptionsWyx::Create());
    for (int i = 0; i < RStreamOptionsWyx::kFlagCount; ++i) options->SetFlag(i, i >= 10);
    options->AddTake("Take 001");
    options->SetPasswordProtected(true);
    options->SetPassword("pw");
    options->SetTemplate(1);
    options->SetDialogHook(RStreamOptions::kQuestionHook, &AnswerTwo);

    // Through the base's virtual reset, as a caller holding any options would.
    static_cast<RStreamOptions*>(options.get())->ResetHooks();
    ExpectResetFlags(*options);
    EXPECT_EQ(options->GetTakeCount(), 0);
    EXPECT_FALSE(options->IsPasswordProtected());
    EXPECT_TRUE(options->GetPassword().IsEmptyText());
    EXPECT_EQ(options->GetTemplate(), 0);
    EXPECT_EQ(options->AskQuestion("t", "x", nullptr, nullptr, nullptr, 4), 4);
}

// Passwords do not outlive their use in the options: a replaced one, the one held at a
// reset or at destruction, short (inline) or long (on the heap), the takes' ones too.
TEST(StreamOptionsWyxTest, PasswordsAreWipedWhenReplacedResetOrDestroyed) {
    const std::string longer(100, 'L');
    const struct {
        const char* label;
        const char* secret;
        void (*drop)(Owned<RStreamOptionsWyx>&);
    } cases[] = {
        {"replaced", "first secret", [](Owned<RStreamOptionsWyx>& o) { o->SetPassword("next"); }},
        {"cleared", "first secret", [](Owned<RStreamOptionsWyx>& o) { o->SetPassword(nullptr); }},
        {"reset", "first secret", [](Owned<RStreamOptionsWyx>& o) { o->ResetHooks(); }},
        {"destroyed", "first secret", [](Owned<RStreamOptionsWyx>& o) { o.reset(); }},
        {"long, replaced", longer.c_str(), [](Owned<RStreamOptionsWyx>& o) { o->SetPassword("next"); }},
        {"long, destroyed", longer.c_str(), [](Owned<RStreamOptionsWyx>& o) { o.reset(); }},
    };
    for (const auto& c : cases) {
        Owned<RStreamOptionsWyx> options(RStreamOptionsWyx::Create());
        options->SetPassword(c.secret);
        WatchWipesOf(c.secret, std::strlen(c.secret));
        c.drop(options);
        EXPECT_EQ(WipesOfWatched(), 1) << c.label;
    }
    for (const bool destroy : {false, true}) {
        Owned<RStreamOptionsWyx> options(RStreamOptionsWyx::Create());
        options->AddTake("Take 001");
        options->GetTake(0)->password = "take secret";
        WatchWipesOf("take secret", 11);
        for (int i = 0; i < 40; ++i) options->AddTake(std::to_string(i).c_str());  // the list grows
        EXPECT_GE(WipesOfWatched(), 1);  // copies left behind are wiped
        EXPECT_STREQ(options->GetTake(0)->password.Buffer(), "take secret");
        WatchWipesOf("take secret", 11);
        if (destroy) {
            options.reset();
        } else {
            options->ClearTakes();
        }
        EXPECT_EQ(WipesOfWatched(), 1) << destroy;
    }
    WatchWipesOf(nullptr, 0);
}

}  // namespace
