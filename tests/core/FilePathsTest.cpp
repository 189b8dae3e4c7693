#include "core/FilePaths.h"

#include "core/RFileStream.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

template <typename Function, typename... Args>
std::string Out(Function function, Args... args) {
    RString out("stale");
    function(out, args...);
    return out.Buffer();
}

std::string Normalize(const char* path) { return Out(NormalizePath, path); }

// The SDK's form of an absolute native path: "\" and the components joined by '\'.
std::string SdkForm(const std::string& native) { return Normalize(native.c_str()); }

// Opens a file on a buffer's worth of text for ReadLine.
std::FILE* TextFile(const ScratchFolder& scratch, const std::string& bytes) {
    return std::fopen(scratch.WriteFile("lines.txt", bytes).c_str(), "rb");
}

}  // namespace

TEST(FilePaths, NormalizePathTable) {
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},          // drive
        {"C:/a//b/", "C:\\a\\b"},                      // runs of separators count once
        {"C:", "C:\\"},                                // a root alone
        {"C:\\a\\..\\..", ""},                         // climbing above the drive
        {"\\\\server\\share\\x\\..\\y", "\\\\server\\share\\y"},  // network share
        {"\\\\", "\\\\"},
        {"\\\\server\\..\\..", ""},
        {"/home/x/./y/..", "\\home\\x"},               // the top of this file system
        {"\\home\\x", "\\home\\x"},
        {"/", "\\"},
        {"/..", ""},
        {"a/b/../../..", ".."},                        // relative: unresolved ".." stay in front
        {"../../a/./b", "..\\..\\a\\b"},
        {"../a/../b", "..\\b"},
        {"a\\b/c", "a\\b\\c"},
        {".", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Normalize(c.path), c.expected) << c.path;
    EXPECT_EQ(Normalize(nullptr), "");
    // Normalising is idempotent, so a normalised path keeps its meaning.
    for (const Case& c : cases) EXPECT_EQ(Normalize(c.expected), c.expected) << c.expected;
    // The output may be the input's own text.
    RString inPlace("/a/../b");
    NormalizePath(inPlace, inPlace.Buffer());
    EXPECT_STREQ(inPlace.Buffer(), "\\b");
}

TEST(FilePaths, NameExtensionAndFolderOnMixedSeparators) {
    EXPECT_EQ(Out(GetFileName, "C:/dir\\sub/file.tar.gz", true), "file.tar.gz");
    EXPECT_EQ(Out(GetFileName, "C:\\dir/sub\\file.tar.gz", false), "file.tar");
    EXPECT_EQ(Out(GetFileName, "plain", false), "plain");
    EXPECT_EQ(Out(GetFileName, "dir/", true), "");

    EXPECT_EQ(Out(GetFileExtension, "a.b\\c/d.wyx"), "wyx");
    EXPECT_EQ(Out(GetFileExtension, "a.b\\c"), "");
    EXPECT_EQ(Out(GetFileExtension, "a.b/c"), "");

    EXPECT_EQ(Out(ChangeFileExtension, "dir.v2/file", ".obj"), "dir.v2/file.obj");
    EXPECT_EQ(Out(ChangeFileExtension, "dir.v2\\file.wyx", "_mtl"), "dir.v2\\file_mtl");
    EXPECT_EQ(Out(ChangeFileExtension, "file.wyx", nullptr), "file");

    // The folder ends at the last separator of either kind.
    EXPECT_EQ(Out(GetFileDirectory, "C:/dir\\sub\\file.txt"), "C:/dir\\sub");
    EXPECT_EQ(Out(GetFileDirectory, "C:\\dir/sub/file.txt"), "C:\\dir/sub");
    EXPECT_EQ(Out(GetFileDirectory, "file.txt"), "");
    EXPECT_EQ(Out(GetFileDirectory, nullptr), "");
}

TEST(FilePaths, RootsAndRelativePaths) {
    EXPECT_EQ(Out(GetPathRoot, "C:\\a\\b"), "C:");
    EXPECT_EQ(Out(GetPathRoot, "\\\\server\\share\\dir\\f"), "\\\\server\\share");
    EXPECT_EQ(Out(GetPathRoot, "//server/share"), "//server/share");
    EXPECT_EQ(Out(GetPathRoot, "/home/x"), "/");
    EXPECT_EQ(Out(GetPathRoot, "a/b"), "");

    EXPECT_TRUE(IsRelativePath("a\\b"));
    EXPECT_TRUE(IsRelativePath(""));
    EXPECT_FALSE(IsRelativePath(nullptr));
    EXPECT_FALSE(IsRelativePath("C:x"));
    EXPECT_FALSE(IsRelativePath("\\\\server"));
    EXPECT_FALSE(IsRelativePath("/home/x"));
    EXPECT_FALSE(IsRelativePath("\\home\\x"));
}

TEST(FilePaths, MakeAbsolutePathJoinsOnlyRelativePaths) {
    EXPECT_EQ(Out(MakeAbsolutePath, "C:\\scenes", "tex/a.png"), "C:\\scenes\\tex\\a.png");
    EXPECT_EQ(Out(MakeAbsolutePath, "C:\\scenes\\", "..\\a.png"), "C:\\a.png");
    EXPECT_EQ(Out(MakeAbsolutePath, "C:\\scenes", "D:\\b.png"), "D:\\b.png");
    EXPECT_EQ(Out(MakeAbsolutePath, "/home/u", "/srv/a.png"), "\\srv\\a.png");
    EXPECT_EQ(Out(MakeAbsolutePath, "/home/u", "a.png"), "\\home\\u\\a.png");
    EXPECT_EQ(Out(MakeAbsolutePath, "", "a.png"), "\\a.png");
    EXPECT_EQ(Out(MakeAbsolutePath, nullptr, "a.png"), "\\a.png");
    EXPECT_EQ(Out(MakeAbsolutePath, "rel", "a.png"), "rel\\a.png");
}

TEST(FilePaths, RelativePathsBetweenFiles) {
    EXPECT_EQ(Out(MakeRelativePath, "/s/scene.wyx", "/s/tex/a.png"), "tex/a.png");
    EXPECT_EQ(Out(MakeRelativePath, "/s/deep/er/scene.wyx", "/s/tex/a.png"), "../../tex/a.png");
    EXPECT_EQ(Out(MakeRelativePath, "\\s\\scene.wyx", "/s/a.png"), "a.png");
    // Names compare as the file system does: case counts here.
    EXPECT_EQ(Out(MakeRelativePath, "/S/scene.wyx", "/s/a.png"), "../s/a.png");

    // The file's folder is seen as a file beside the base's folder, so the path climbs to
    // the common folder and comes down again by name; it leads to the file all the same.
    EXPECT_EQ(Out(MakeRelativeFilePath, "/s/scene.wyx", "/s/tex/a.png"), "tex\\a.png");
    EXPECT_EQ(Out(MakeRelativeFilePath, "/s/x/scene.wyx", "/s/a.png"), "..\\..\\s\\a.png");
    EXPECT_EQ(Out(MakeRelativeFilePath, "/scene.wyx", "/a.png"), "a.png");
    // A file without a folder lies in the current folder.
    RString current;
    GetCurrentDirectoryPath(current);
    const std::string base = std::string(current.Buffer()) + "/sub/scene.wyx";
    RString relative;
    MakeRelativeFilePath(relative, base.c_str(), "a.png");
    RString resolved;
    MakeAbsolutePath(resolved, (std::string(current.Buffer()) + "/sub").c_str(), relative.Buffer());
    RString expected;
    MakeAbsolutePath(expected, current.Buffer(), "a.png");
    EXPECT_EQ(resolved, expected) << relative.Buffer();
}

TEST(FilePaths, RealFilesAreFoundAgainThroughNormalisedPaths) {
    ScratchFolder scratch;
    const std::string native = scratch.WriteFile("model.obj", "v 0 0 0\n");
    const std::string sdk = SdkForm(native);
    ASSERT_EQ(sdk.find('/'), std::string::npos);
    EXPECT_TRUE(FileExists(sdk.c_str()));

    RString joined;
    MakeAbsolutePath(joined, SdkForm(scratch.Path()).c_str(), "sub/../model.obj");
    EXPECT_EQ(joined.Buffer(), sdk);
    EXPECT_TRUE(FileExists(joined.Buffer()));

    RString current;
    GetCurrentDirectoryPath(current);
    RString relative;
    MakeRelativePath(relative, (std::string(current.Buffer()) + "/x").c_str(), native.c_str());
    RString back;
    MakeAbsolutePath(back, current.Buffer(), relative.Buffer());
    EXPECT_EQ(back.Buffer(), sdk);

    EXPECT_FALSE(FileExists(SdkForm(scratch.Join("missing")).c_str()));
    EXPECT_FALSE(FileExists(scratch.Path().c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST(FilePaths, CreateDirectoryPathMakesEveryMissingLevel) {
    ScratchFolder scratch;
    const std::string file = SdkForm(scratch.Join("a/b/c/file.txt"));
    EXPECT_TRUE(CreateDirectoryPath(file.c_str()));
    EXPECT_TRUE(platform::IsDirectory(scratch.Join("a/b/c").c_str()));
    EXPECT_TRUE(CreateDirectoryPath(file.c_str()));
    EXPECT_TRUE(CreateDirectoryPath("file-in-current-folder.txt"));

    scratch.WriteFile("plain", "");
    EXPECT_FALSE(CreateDirectoryPath(scratch.Join("plain/sub/file.txt").c_str()));
}

TEST(FilePaths, TempFileNamesAreNewFilesInTheFolder) {
    ScratchFolder scratch;
    const RString first = TempFileName(scratch.Path().c_str(), "wyx");
    const RString second = TempFileName(scratch.Path().c_str(), "wyx");
    ASSERT_FALSE(first.IsEmptyText());
    EXPECT_NE(first, second);
    EXPECT_TRUE(FileExists(first.Buffer()));
    RString name;
    GetFileName(name, first.Buffer(), true);
    EXPECT_EQ(std::strncmp(name.Buffer(), "wyx", 3), 0);
    EXPECT_TRUE(RemoveFile(first.Buffer()));
    EXPECT_FALSE(RemoveFile(first.Buffer()));

    const std::string previous = GetApplicationPath();
    SetApplicationPath(nullptr);
    EXPECT_STREQ(GetApplicationPath(), "");
    SetApplicationPath(previous.c_str());
}

TEST(ReadLine, EndsLinesAtLfCrAndCrLfAndSplitsLongLines) {
    struct Case {
        const char* bytes;
        int size;
        std::vector<const char*> lines;
    };
    // Size 5 holds 4 bytes: "abcd" then "e\r\n"; "fgh\r" + LF taken along; then "ij".
    const Case cases[] = {{"lf\ncr\rcrlf\r\nlast", 16, {"lf\n", "cr\r", "crlf\r\n", "last"}},
                          {"abcde\r\nfgh\r\nij", 5, {"abcd", "e\r\n", "fgh\r", "ij"}}};
    ScratchFolder scratch;
    for (const Case& c : cases) {
        std::FILE* file = TextFile(scratch, c.bytes);
        ASSERT_NE(file, nullptr);
        char buffer[16];
        for (const char* line : c.lines) {
            ASSERT_EQ(ReadLine(buffer, c.size, file), buffer);
            EXPECT_STREQ(buffer, line);
        }
        EXPECT_EQ(ReadLine(buffer, c.size, file), nullptr);
        EXPECT_STREQ(buffer, "");
        std::fclose(file);
    }
}

TEST(ReadLine, RefusesUselessBuffers) {
    ScratchFolder scratch;
    std::FILE* file = TextFile(scratch, "x\n");
    ASSERT_NE(file, nullptr);
    char one[1] = {'z'};
    EXPECT_EQ(ReadLine(one, 1, file), nullptr);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(ReadLine(one, 0, file), nullptr);
    EXPECT_EQ(ReadLine(nullptr, 10, file), nullptr);
    char buffer[4] = {'z'};
    EXPECT_EQ(ReadLine(buffer, sizeof(buffer), nullptr), nullptr);
    EXPECT_EQ(buffer[0], '\0');
    // Nothing was consumed by the refused calls.
    EXPECT_STREQ(ReadLine(buffer, sizeof(buffer), file), "x\n");
    std::fclose(file);
}
