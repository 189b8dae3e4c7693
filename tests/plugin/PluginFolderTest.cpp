// Where the plug-in finds its own folder: the host's list of plug-in folders, then TEMP,
// then the system's temporary folder.

#include "plugin/PluginFolder.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace {

class PluginFolderTest : public ::testing::Test {
protected:
    std::string folder(const char* name) {
        const std::string path = scratch_.Join(name);
        ::mkdir(path.c_str(), 0755);
        return path;
    }
    std::string pluginFolder(const char* name, const char* file) {
        const std::string path = folder(name);
        scratch_.WriteFile(std::string(name) + "/" + file, "module");
        return path;
    }
    static RString found() { return FindPluginFolder(); }

    ScratchFolder scratch_;
    ScopedEnvironment temp_{"TEMP", ""};
    ScopedEnvironment tmpdir_{"TMPDIR", ""};
};

TEST_F(PluginFolderTest, TheFirstWritableFolderHoldingThePluginWins) {
    const std::string empty = folder("empty");
    const std::string second = pluginFolder("second", "WYXVEXA.VLL");
    const std::string third = pluginFolder("third", "wyxvexa.vll");
    ScopedEnvironment path("VEXA_PLUG_IN_PATH", empty + ";;" + second + ";" + third);
    EXPECT_EQ(found(), RString((second + "\\").c_str()));
}

TEST_F(PluginFolderTest, OnlyTheExtensionAfterTheLastDotCounts) {
    const std::string backup = pluginFolder("backup", "wyxvexa.vll.bak");
    const std::string other = pluginFolder("other", "wyxvexa_debug.Vll");
    ScopedEnvironment path("VEXA_PLUG_IN_PATH", backup + ";" + other);
    EXPECT_EQ(found(), RString((other + "\\").c_str()));
    ScopedEnvironment shortName("VEXA_PLUG_IN_PATH", pluginFolder("short", "wyxvex.vll") + ";" + backup);
    ScopedEnvironment temp("TEMP", "/scratch/temp");
    EXPECT_EQ(found(), "/scratch/temp\\");
}

TEST_F(PluginFolderTest, AReadOnlyFolderIsPassedOver) {
    const std::string locked = pluginFolder("locked", "wyxvexa.vll");
    const std::string open = pluginFolder("open", "wyxvexa.vll");
    ::chmod(locked.c_str(), 0555);
    ScopedEnvironment path("VEXA_PLUG_IN_PATH", locked + ";" + open);
    EXPECT_EQ(found(), RString((open + "\\").c_str()));
    EXPECT_FALSE(IsWritablePath(locked.c_str()));
    EXPECT_TRUE(IsWritablePath(open.c_str()));
    EXPECT_FALSE(IsWritablePath(scratch_.Join("missing").c_str()));
    ::chmod(locked.c_str(), 0755);
}

TEST_F(PluginFolderTest, WithoutAPluginFolderTheTemporaryFoldersServe) {
    ScopedEnvironment path("VEXA_PLUG_IN_PATH", folder("nothing"));
    {
        ScopedEnvironment temp("TEMP", "/scratch/temp");
        EXPECT_EQ(found(), "/scratch/temp\\");
    }
    const std::string tmpdirFolder = folder("tmpdir");
    {
        ScopedEnvironment tmpdir("TMPDIR", tmpdirFolder);
        EXPECT_EQ(found(), RString((tmpdirFolder + "\\").c_str()));
    }
    {
        ScopedEnvironment tmpdir("TMPDIR", "/scratch/not-a-folder");
        EXPECT_EQ(found(), "/tmp\\") << "a TMPDIR that names no folder is passed over";
    }
    EXPECT_EQ(found(), "/tmp\\");
    ::unsetenv("VEXA_PLUG_IN_PATH");
    EXPECT_EQ(found(), "/tmp\\");
}

}  // namespace
