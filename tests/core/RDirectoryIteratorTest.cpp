#include "core/RDirectoryIterator.h"

#include "core/REventHub.h"
#include "core/RTempFileRegistry.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    RDirectoryIterator iterator;
    if (iterator.Open(folder.c_str())) {
        do {
            names.insert(iterator.EntryName());
        } while (iterator.Next());
    }
    return names;
}

}  // namespace

TEST(RDirectoryIterator, ListsEntriesWithTheirExtensions) {
    ScratchFolder scratch;
    scratch.WriteFile("scene.v2.wyx", "");
    scratch.WriteFile("README", "");
    EXPECT_EQ(Names(scratch.Path()), (std::set<std::string>{".", "..", "scene.v2.wyx", "README"}));

    RDirectoryIterator iterator;
    ASSERT_TRUE(iterator.Open((scratch.Path() + "\\*.wyx").c_str()));
    EXPECT_STREQ(iterator.EntryName(), "scene.v2.wyx");
    EXPECT_STREQ(iterator.EntryExtension(), "wyx");
    EXPECT_FALSE(iterator.Next());
    ASSERT_TRUE(iterator.Open((scratch.Path() + "/README*").c_str()));
    EXPECT_STREQ(iterator.EntryExtension(), "");
    iterator.Close();
    EXPECT_STREQ(iterator.EntryName(), "");

    EXPECT_FALSE(iterator.Open(scratch.Join("missing").c_str()));
    EXPECT_FALSE(iterator.Open(""));
    EXPECT_FALSE(iterator.Open(nullptr));
}

TEST(RDirectoryIterator, CreateAndOpenMakesTheFolder) {
    ScratchFolder scratch;
    RDirectoryIterator iterator;
    EXPECT_TRUE(iterator.CreateAndOpen((scratch.Path() + "\\new\\.").c_str()));
    EXPECT_TRUE(platform::IsDirectory(scratch.Join("new").c_str()));
}

TEST(RDirectoryIterator, DeleteDirectoryRemovesEveryFileWhateverTheListingOrder) {
    // Names that sort before and after "." and "..", made in several orders, so that no
    // position in the listing is special.
    const std::vector<std::string> names{"!first", "-dash", "...dots", "zzz", "a.txt", "0"};
    for (int rotation = 0; rotation < 3; ++rotation) {
        ScratchFolder scratch;
        const std::string folder = scratch.Join("media");
        ASSERT_TRUE(platform::MakeDirectory(folder.c_str()));
        std::vector<std::string> order = names;
        std::rotate(order.begin(), order.begin() + rotation * 2, order.end());
        for (const std::string& name : order) scratch.WriteFile("media/" + name, "x");
        EXPECT_FALSE(RDirectoryIterator::IsDirectoryEmpty(folder.c_str()));
        EXPECT_TRUE(RDirectoryIterator::DeleteDirectory(folder.c_str()));
        EXPECT_FALSE(platform::PathExists(folder.c_str())) << rotation;
        EXPECT_TRUE(platform::IsDirectory(scratch.Path().c_str()));
    }
}

TEST(RDirectoryIterator, DeleteDirectoryLeavesFoldersInside) {
    ScratchFolder scratch;
    ASSERT_TRUE(platform::MakeDirectory(scratch.Join("outer").c_str()));
    ASSERT_TRUE(platform::MakeDirectory(scratch.Join("outer/inner").c_str()));
    scratch.WriteFile("outer/file", "x");
    EXPECT_FALSE(RDirectoryIterator::DeleteDirectory(scratch.Join("outer").c_str()));
    EXPECT_EQ(Names(scratch.Join("outer")), (std::set<std::string>{".", "..", "inner"}));
    EXPECT_TRUE(RDirectoryIterator::DeleteDirectory(scratch.Join("missing").c_str()));
    EXPECT_FALSE(RDirectoryIterator::DeleteDirectory(""));
    EXPECT_FALSE(RDirectoryIterator::DeleteDirectory(nullptr));
}

TEST(RDirectoryIterator, EmptyMeansOnlyDotEntries) {
    ScratchFolder scratch;
    EXPECT_TRUE(RDirectoryIterator::IsDirectoryEmpty(scratch.Path().c_str()));
    scratch.WriteFile("..hidden", "");
    EXPECT_FALSE(RDirectoryIterator::IsDirectoryEmpty(scratch.Path().c_str()));
    EXPECT_TRUE(RDirectoryIterator::IsDirectoryEmpty(scratch.Join("missing").c_str()));
}

TEST(RTempFileRegistry, KeepsOneEntryPerPath) {
    RTempFileRegistry registry;
    EXPECT_TRUE(registry.Add("/tmp/a.png", true));
    EXPECT_TRUE(registry.Add("/tmp/a.png", false));
    EXPECT_TRUE(registry.Add("/tmp/b.png", false));
    EXPECT_FALSE(registry.Add(nullptr, true));
    ASSERT_EQ(registry.GetCount(), 2);
    EXPECT_STREQ(registry.GetPath(0), "/tmp/a.png");
    EXPECT_TRUE(registry.IsMarkedForDeletion(0));
    EXPECT_EQ(registry.GetPath(2), nullptr);
    EXPECT_EQ(registry.QueryInterface(RTempFileRegistry::kInterfaceId), &registry);
    EXPECT_EQ(registry.QueryInterface(3), nullptr);
    EXPECT_TRUE(registry.GetKeepFiles());
    registry.Clear();  // keeping files: nothing is removed
    EXPECT_EQ(registry.GetCount(), 0);
}

TEST(RTempFileRegistry, ClearsOnCode15AndNotOn16) {
    ScratchFolder scratch;
    ASSERT_TRUE(platform::MakeDirectory(scratch.Join("media").c_str()));
    const std::string doomed = scratch.WriteFile("media/doomed.png", "x");
    const std::string kept = scratch.WriteFile("kept.png", "x");

    RTempFileRegistry registry;
    registry.SetKeepFiles(false);
    registry.Add(doomed.c_str(), true);
    registry.Add(kept.c_str(), false);

    EmitEvent(nullptr, kHubCodeExtractionFailed);
    EXPECT_EQ(registry.GetCount(), 2);
    EXPECT_TRUE(platform::PathExists(doomed.c_str()));

    EmitEvent(&registry, kHubCodeClearTempFiles);
    EXPECT_EQ(registry.GetCount(), 0);
    EXPECT_FALSE(platform::PathExists(doomed.c_str()));
    EXPECT_FALSE(platform::PathExists(scratch.Join("media").c_str()));  // left empty, so removed
    EXPECT_TRUE(platform::PathExists(kept.c_str()));
}

TEST(RTempFileRegistry, KeepFilesAndNonEmptyFoldersSurviveClearing) {
    ScratchFolder scratch;
    const std::string file = scratch.WriteFile("extracted.png", "x");
    const std::string other = scratch.WriteFile("other.png", "x");
    {
        RTempFileRegistry registry;
        registry.Add(file.c_str(), true);
        registry.Clear();
        EXPECT_TRUE(platform::PathExists(file.c_str()));
        registry.SetKeepFiles(false);
        registry.Add(file.c_str(), true);
    }  // destruction clears
    EXPECT_FALSE(platform::PathExists(file.c_str()));
    EXPECT_TRUE(platform::PathExists(other.c_str()));
    EXPECT_TRUE(platform::IsDirectory(scratch.Path().c_str()));
}

TEST(RTempFileRegistry, TheProcessWideRegistryListensToTheHub) {
    RTempFileRegistry* registry = RTempFileRegistry::Instance();
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(RTempFileRegistry::Instance(), registry);
    registry->Add("/nonexistent/wyx-test-entry", false);
    EmitEvent(nullptr, kHubCodeClearTempFiles);
    EXPECT_EQ(registry->GetCount(), 0);
}
