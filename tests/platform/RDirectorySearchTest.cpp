#include "platform/RDirectorySearch.h"

#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::set<std::string> ListAll(RDirectorySearch& search, const std::string& pattern) {
    std::set<std::string> names;
    if (search.Open(pattern.c_str())) {
        do {
            names.insert(search.EntryName());
        } while (search.Next());
    }
    return names;
}

}  // namespace

TEST(RDirectorySearch, StaysOpenAtTheEndUntilClosed) {
    ScratchFolder scratch;
    RDirectorySearch search;
    EXPECT_EQ(ListAll(search, scratch.Join("*.*")), (std::set<std::string>{".", ".."}));
    EXPECT_TRUE(search.IsOpen());
    EXPECT_STREQ(search.EntryName(), "");
    search.Close();
    EXPECT_FALSE(search.IsOpen());
}

TEST(RDirectorySearch, PatternsMatchWithoutRegardToCase) {
    ScratchFolder scratch;
    scratch.WriteFile("one.WYX", "");
    scratch.WriteFile("two.obj", "");
    RDirectorySearch search;
    std::string pattern = scratch.Join("*.wyx");
    for (char& c : pattern) {
        c = c == '/' ? '\\' : c;
    }
    EXPECT_EQ(ListAll(search, pattern), std::set<std::string>{"one.WYX"});
}

TEST(RDirectorySearch, FailsForMissingFoldersAndEmptyPatterns) {
    ScratchFolder scratch;
    RDirectorySearch search;
    EXPECT_FALSE(search.Open(scratch.Join("missing/*.*").c_str()));
    EXPECT_FALSE(search.Open(scratch.Join("none*").c_str()));
    EXPECT_FALSE(search.Open((scratch.Path() + "/").c_str()));
    EXPECT_FALSE(search.Open(nullptr));
    EXPECT_FALSE(search.Next());
}
