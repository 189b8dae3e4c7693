#include "core/FilePaths.h"
#include "core/RDirectoryIterator.h"
#include "core/RError.h"
#include "core/REventHub.h"
#include "core/RFileStream.h"
#include "core/RIniFile.h"
#include "core/RMemoryStream.h"
#include "core/RProgressReporter.h"
#include "core/RRegistryKey.h"
#include "core/RTempFileRegistry.h"
#include "core/RWyxColor.h"
#include "core/RWyxLogFile.h"
#include "core/RWyxTimeStamp.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bools = std::vector<bool>;
using Longs = std::vector<long>;

template <typename Function, typename... Args>
std::string Out(Function function, Args... args) {
    RString out("stale");
    function(out, args...);
    return out.Buffer();
}

std::string Normalize(const char* path) { return Out(NormalizePath, path); }

void ExpectTexts(std::initializer_list<std::pair<std::string, const char*>> cases) {
    int row = 0;
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected) << "row " << row++;
}

// Opens a file on a buffer's worth of text for ReadLine.
std::FILE* TextFile(const ScratchFolder& scratch, const std::string& bytes) {
    return std::fopen(scratch.WriteFile("lines.txt", bytes).c_str(), "rb");
}

using NameSet = std::set<std::string>;

NameSet Names(const std::string& folder) {
    NameSet names;
    RDirectoryIterator iterator;
    if (iterator.Open(folder.c_str())) {
        do {
            names.insert(iterator.EntryName());
        } while (iterator.Next());
    }
    return names;
}

// Points the settings folder at a scratch folder for the length of a test.
class RIniFileTest : public ::testing::Test {
protected:
    RIniFileTest() : previous_(GetTempPath()) { SetTempPath(scratch_.Path().c_str()); }
    ~RIniFileTest() override { SetTempPath(previous_.c_str()); }
    std::string Write(const std::string& name, const std::string& text) { return scratch_.WriteFile(name, text); }
    std::string Read(const std::string& name) const { return ScratchFolder::ReadFile(scratch_.Join(name)); }
    ScratchFolder scratch_;
    std::string previous_;
};

const char kSample[] =
    "; settings\n"
    "[NumericField]\n"
    "Decimals = 5\n"
    "Decimal = 3 ; display precision\n"
    "\n"
    "[NumericFieldExtra]\n"
    "Decimal=9\n"
    "[Paths]\r\n"
    "  Media =  ==C:\\media  \r\n"
    "no equals sign here\n"
    "Empty =\n";

std::string Value(RIniFile& ini, const char* section, const char* key, const char* fallback) {
    const char* value = ini.GetValue(section, key, fallback);
    return value != nullptr ? value : "(none)";
}

// Entries that repeat, and what both readings must answer: the first match, as if sections were one.
struct RepeatedEntry {
    const char* name;
    const char* text;
    const char* expected;
};

const RepeatedEntry kRepeatedEntries[] = {
    {"KeyTwice", "[S]\nk = first\nk = second\n", "first"},
    {"KeyTwiceInOtherCase", "[S]\nK = first\nk = second\n", "first"},
    {"KeyTwiceOtherBlanks", "[S]\n  k=first\nk   =   second\n", "first"},
    {"EmptyFirstValue", "[S]\nk =\nk = second\n", ""},
    {"SectionTwice", "[S]\nk = first\n[T]\nk = t\n[S]\nk = second\n", "first"},
    {"SectionTwiceInOtherCase", "[s]\nk = first\n[S]\nk = second\n", "first"},
    {"KeyOnlyInTheRepeat", "[S]\na = 1\n[S]\nk = second\n", "second"},
    {"BlanksInTheSectionLine", "[ S ]\nk = first\n", "first"},
    {"LineWithoutEqualsFirst", "[S]\nk\nk = second\n", "second"},
    {"CommentedOutFirst", "[S]\n; k = first\nk = second ; note\n", "second"},
};

constexpr char kOptionsKey[] = "SOFTWARE\\Pellix\\WYX_Plugins_6.0\\Vexa50";

// Every test keeps its registry in its own scratch folder.
class RRegistryKeyTest : public ::testing::Test {
protected:
    RRegistryKeyTest() : environment_("WYX_REGISTRY_FILE", scratch_.Join("registry.txt")) {}
    // A refused call and the Windows code it left.
    static void ExpectRefused(const RRegistryKey& key, bool result, int code) {
        EXPECT_FALSE(result);
        EXPECT_EQ(key.GetLastError(), code);
    }
    // Connected to the current user's root with a key created at `path`.
    void Open(RRegistryKey& key, const char* path = "Software\\Test") {
        ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
        ASSERT_TRUE(key.CreateKey(path, nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr));
    }
    ScratchFolder scratch_;
    ScopedEnvironment environment_;
};

void FixedClock(RWyxTimeStamp& now) {
    now.Clear();
    now.year = 2004;
    now.month = 4;
    now.day = 3;
    now.hour = 9;
    now.minute = 5;
}

// Points the application folder at a scratch folder for the length of a test.
class RWyxLogFileTest : public ::testing::Test {
protected:
    RWyxLogFileTest() : previous_(GetApplicationPath()) { SetApplicationPath((scratch_.Path() + "/").c_str()); }
    ~RWyxLogFileTest() override { SetApplicationPath(previous_.c_str()); }
    std::string LogText() const { return ScratchFolder::ReadFile(scratch_.Join("wyxvexalog.txt")); }
    ScratchFolder scratch_;
    std::string previous_;
};

// The error's code and text after setting a code.
std::pair<int, std::string> Current(const RError& error) {
    return {error.GetLastErrorCode(), error.GetLastErrorString()};
}

std::pair<int, std::string> AfterCode(RError& error, int code) {
    error.SetErrorCode(code);
    return Current(error);
}

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

TEST(FilePaths, NormalizePathTable) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},                        // drive
        {"C:/a//b/", "C:\\a\\b"},                                  // runs of separators count once
        {"C:", "C:\\"},                                            // a root alone
        {"C:\\a\\..\\..", ""},                                     // climbing above the drive
        {"\\\\server\\share\\x\\..\\y", "\\\\server\\share\\y"},  // network share
        {"\\\\", "\\\\"},
        {"\\\\server\\..\\..", ""},
        {"/home/x/./y/..", "\\home\\x"},  // the top of this file system
        {"\\home\\x", "\\home\\x"},
        {"/", "\\"},
        {"/..", ""},
        {"a/b/../../..", ".."},  // relative: unresolved ".." stay in front
        {"../../a/./b", "..\\..\\a\\b"},
        {"../a/../b", "..\\b"},
        {"a\\b/c", "a\\b\\c"},
        {".", ""},
        {"", ""},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(Normalize(path), expected) << path;
        EXPECT_EQ(Normalize(expected), expected) << "normalising again: " << expected;
    }
    EXPECT_EQ(Normalize(nullptr), "");
    RString inPlace("/a/../b");  // the output may be the input's own text
    NormalizePath(inPlace, inPlace.Buffer());
    EXPECT_STREQ(inPlace.Buffer(), "\\b");
}

TEST(FilePaths, NamesExtensionsFoldersAndRootsOnMixedSeparators) {
    ExpectTexts({{Out(GetFileName, "C:/dir\\sub/file.tar.gz", true), "file.tar.gz"},
                 {Out(GetFileName, "C:\\dir/sub\\file.tar.gz", false), "file.tar"},
                 {Out(GetFileName, "plain", false), "plain"},
                 {Out(GetFileName, "dir/", true), ""},
                 {Out(GetFileExtension, "a.b\\c/d.wyx"), "wyx"},
                 {Out(GetFileExtension, "a.b\\c"), ""},
                 {Out(GetFileExtension, "a.b/c"), ""},
                 {Out(ChangeFileExtension, "dir.v2/file", ".obj"), "dir.v2/file.obj"},
                 {Out(ChangeFileExtension, "dir.v2\\file.wyx", "_mtl"), "dir.v2\\file_mtl"},
                 {Out(ChangeFileExtension, "file.wyx", nullptr), "file"},
                 // The folder ends at the last separator of either kind.
                 {Out(GetFileDirectory, "C:/dir\\sub\\file.txt"), "C:/dir\\sub"},
                 {Out(GetFileDirectory, "C:\\dir/sub/file.txt"), "C:\\dir/sub"},
                 {Out(GetFileDirectory, "file.txt"), ""},
                 {Out(GetFileDirectory, nullptr), ""},
                 {Out(GetPathRoot, "C:\\a\\b"), "C:"},
                 {Out(GetPathRoot, "\\\\server\\share\\dir\\f"), "\\\\server\\share"},
                 {Out(GetPathRoot, "//server/share"), "//server/share"},
                 {Out(GetPathRoot, "/home/x"), "/"},
                 {Out(GetPathRoot, "a/b"), ""}});
    for (const char* relative : {"a\\b", ""}) EXPECT_TRUE(IsRelativePath(relative)) << relative;
    for (const char* absolute : {static_cast<const char*>(nullptr), "C:x", "\\\\server", "/home/x", "\\home\\x"}) {
        EXPECT_FALSE(IsRelativePath(absolute)) << (absolute != nullptr ? absolute : "null");
    }
}

TEST(FilePaths, AbsoluteAndRelativePaths) {
    ExpectTexts({{Out(MakeAbsolutePath, "C:\\scenes", "tex/a.png"), "C:\\scenes\\tex\\a.png"},
                 {Out(MakeAbsolutePath, "C:\\scenes\\", "..\\a.png"), "C:\\a.png"},
                 {Out(MakeAbsolutePath, "C:\\scenes", "D:\\b.png"), "D:\\b.png"},
                 {Out(MakeAbsolutePath, "/home/u", "/srv/a.png"), "\\srv\\a.png"},
                 {Out(MakeAbsolutePath, "/home/u", "a.png"), "\\home\\u\\a.png"},
                 {Out(MakeAbsolutePath, "", "a.png"), "\\a.png"},
                 {Out(MakeAbsolutePath, nullptr, "a.png"), "\\a.png"},
                 {Out(MakeAbsolutePath, "rel", "a.png"), "rel\\a.png"},
                 {Out(MakeRelativePath, "/s/scene.wyx", "/s/tex/a.png"), "tex/a.png"},
                 {Out(MakeRelativePath, "/s/deep/er/scene.wyx", "/s/tex/a.png"), "../../tex/a.png"},
                 {Out(MakeRelativePath, "\\s\\scene.wyx", "/s/a.png"), "a.png"},
                 // Names compare as the file system does: case counts here.
                 {Out(MakeRelativePath, "/S/scene.wyx", "/s/a.png"), "../s/a.png"},
                 // The file's folder is seen as a file beside the base's folder, so the path climbs
                 // to the common folder and comes down again by name; it leads to the file all the same.
                 {Out(MakeRelativeFilePath, "/s/scene.wyx", "/s/tex/a.png"), "tex\\a.png"},
                 {Out(MakeRelativeFilePath, "/s/x/scene.wyx", "/s/a.png"), "..\\..\\s\\a.png"},
                 {Out(MakeRelativeFilePath, "/scene.wyx", "/a.png"), "a.png"}});
    // A file without a folder lies in the current folder.
    const std::string current = Out(GetCurrentDirectoryPath);
    const std::string relative = Out(MakeRelativeFilePath, (current + "/sub/scene.wyx").c_str(), "a.png");
    EXPECT_EQ(Out(MakeAbsolutePath, (current + "/sub").c_str(), relative.c_str()),
              Out(MakeAbsolutePath, current.c_str(), "a.png"))
        << relative;
}

TEST(FilePaths, RealFilesAreFoundAgainThroughNormalisedPaths) {
    ScratchFolder scratch;
    const std::string native = scratch.WriteFile("model.obj", "v 0 0 0\n");
    const std::string sdk = Normalize(native.c_str());
    ASSERT_EQ(sdk.find('/'), std::string::npos);
    EXPECT_TRUE(FileExists(sdk.c_str()));
    EXPECT_EQ(Out(MakeAbsolutePath, Normalize(scratch.Path().c_str()).c_str(), "sub/../model.obj"), sdk);
    const std::string current = Out(GetCurrentDirectoryPath);
    const std::string relative = Out(MakeRelativePath, (current + "/x").c_str(), native.c_str());
    EXPECT_EQ(Out(MakeAbsolutePath, current.c_str(), relative.c_str()), sdk);
    for (const std::string& missing : {Normalize(scratch.Join("missing").c_str()), scratch.Path(), std::string()}) {
        EXPECT_FALSE(FileExists(missing.c_str())) << missing;
    }
    EXPECT_FALSE(FileExists(nullptr));
}

TEST(FilePaths, CreateDirectoryPathAndTempFileNames) {
    ScratchFolder scratch;
    const std::string file = Normalize(scratch.Join("a/b/c/file.txt").c_str());
    scratch.WriteFile("plain", "");
    EXPECT_EQ((std::vector<bool>{CreateDirectoryPath(file.c_str()), CreateDirectoryPath(file.c_str()),
                                 CreateDirectoryPath("file-in-current-folder.txt"),
                                 CreateDirectoryPath(scratch.Join("plain/sub/file.txt").c_str())}),
              (std::vector<bool>{true, true, true, false}));
    EXPECT_TRUE(platform::IsDirectory(scratch.Join("a/b/c").c_str()));
    const RString first = TempFileName(scratch.Path().c_str(), "wyx");
    const RString second = TempFileName(scratch.Path().c_str(), "wyx");
    ASSERT_FALSE(first.IsEmptyText());
    EXPECT_NE(first, second);
    EXPECT_TRUE(FileExists(first.Buffer()));
    EXPECT_EQ(Out(GetFileName, first.Buffer(), true).rfind("wyx", 0), 0u);
    EXPECT_TRUE(RemoveFile(first.Buffer()));
    EXPECT_FALSE(RemoveFile(first.Buffer()));
    // With an ending: created under a name that keeps it, unique like the others.
    const RString tiff = TempFileName(scratch.Path().c_str(), "tex", ".tif");
    const RString another = TempFileName(scratch.Path().c_str(), "tex", ".tif");
    ASSERT_FALSE(tiff.IsEmptyText());
    EXPECT_NE(tiff, another);
    EXPECT_TRUE(FileExists(tiff.Buffer()));
    EXPECT_EQ(Out(GetFileExtension, tiff.Buffer()), "tif");
    EXPECT_EQ(Out(GetFileName, tiff.Buffer(), true).rfind("tex", 0), 0u);
    EXPECT_EQ(Out(GetFileName, tiff.Buffer(), true).size(), std::string("texXXXXXX.tif").size());
}

TEST(ReadLine, EndsLinesAtLfCrAndCrLfSplitsLongLinesAndRefusesUselessBuffers) {
    // Size 5 holds 4 bytes: "abcd" then "e\r\n"; "fgh\r" + LF taken along; then "ij".
    const std::pair<int, std::vector<const char*>> cases[] = {
        {16, {"lf\n", "cr\r", "crlf\r\n", "last"}}, {5, {"abcd", "e\r\n", "fgh\r", "ij"}}};
    const char* const texts[] = {"lf\ncr\rcrlf\r\nlast", "abcde\r\nfgh\r\nij"};
    ScratchFolder scratch;
    for (int c = 0; c < 2; ++c) {
        std::FILE* file = TextFile(scratch, texts[c]);
        ASSERT_NE(file, nullptr);
        char buffer[16];
        for (const char* line : cases[c].second) {
            ASSERT_EQ(ReadLine(buffer, cases[c].first, file), buffer);
            EXPECT_STREQ(buffer, line);
        }
        EXPECT_EQ(ReadLine(buffer, cases[c].first, file), nullptr);
        EXPECT_STREQ(buffer, "");
        std::fclose(file);
    }
    std::FILE* file = TextFile(scratch, "x\n");
    ASSERT_NE(file, nullptr);
    char one[1] = {'z'};
    char buffer[4] = {'z'};
    EXPECT_EQ((std::vector<char*>{ReadLine(one, 1, file), ReadLine(one, 0, file), ReadLine(nullptr, 10, file),
                                  ReadLine(buffer, sizeof(buffer), nullptr)}),
              std::vector<char*>(4, nullptr));
    EXPECT_EQ(std::string(one, 1) + buffer[0], std::string(2, '\0'));
    EXPECT_STREQ(ReadLine(buffer, sizeof(buffer), file), "x\n");  // the refused calls consumed nothing
    std::fclose(file);
}

TEST(RFileStream, OpensByModeNumberAndTextFlagAndTruncates) {
    ScratchFolder scratch;
    const std::string path = scratch.Join("data.bin");
    RFileStream stream;
    EXPECT_FALSE(stream.OpenWithMode(path.c_str(), 0, false));  // "rb" of a missing file
    EXPECT_STREQ(stream.GetFileName().Buffer(), path.c_str());
    ASSERT_TRUE(stream.OpenWithMode(path.c_str(), 1, false));  // "wb"
    EXPECT_EQ(stream.Write("abc", 3), 3);
    ASSERT_TRUE(stream.OpenWithMode(path.c_str(), 3, true));  // "at": the earlier file is closed first
    EXPECT_EQ(stream.Write("def", 3), 3);
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(ScratchFolder::ReadFile(path), "abcdef");
    EXPECT_FALSE(stream.OpenWithMode(path.c_str(), 4, false));
    EXPECT_FALSE(stream.Open(nullptr, "rb"));
    ASSERT_TRUE(stream.Open(path.c_str(), "rb+"));
    EXPECT_EQ(stream.Truncate(3), 0);
    stream.Close();
    EXPECT_EQ(ScratchFolder::ReadFile(path), "abc");
}

TEST(RFileStream, ClosedStreamsDoNothingAndPrintfWritesTextsLongerThanItsBuffer) {
    RFileStream stream;
    char buffer[8] = {};
    std::int32_t value = 7;
    EXPECT_EQ((std::vector<long>{stream.Read(buffer, 8), stream.Write("x", 1), stream.Printf("%d", 1),
                                 stream.ReadInt32(value, false), stream.Tell(), stream.Truncate(0)}),
              (std::vector<long>{0, 0, 0, 0, 0, -1}));
    EXPECT_EQ(stream.Gets(buffer, 8), nullptr);
    EXPECT_FALSE(stream.HasError());
    EXPECT_FALSE(stream.IsEof());
    ScratchFolder scratch;
    const std::string path = scratch.Join("long.txt");
    ASSERT_TRUE(stream.Open(path.c_str(), "w"));
    const std::string longText(RFileStream::kPrintfBufferSize + 100, 'x');
    EXPECT_EQ(stream.Printf("%s|%.1f", longText.c_str(), 2.5), static_cast<int>(longText.size() + 4));
    stream.Close();
    EXPECT_EQ(ScratchFolder::ReadFile(path), longText + "|2.5");
}

TEST(RFileStream, ReadsIntegersWithAndWithoutSwapping) {
    ScratchFolder scratch;
    const std::string path = scratch.WriteFile("ints", std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9));
    RFileStream stream;
    ASSERT_TRUE(stream.Open(path.c_str(), "rb"));
    std::uint32_t word = 0;
    std::int32_t swapped = 0;
    std::uint8_t byte = 0;
    std::int16_t half = 5;  // nothing left for it: zero, not stale bytes
    EXPECT_EQ((Longs{stream.ReadInt32(word, false), stream.ReadInt32(swapped, true), stream.ReadByte(byte),
                     stream.ReadInt16(half, false), half}),
              (Longs{0x04030201, 0x05060708, 9, 0, 0}));
    EXPECT_TRUE(stream.IsEof());
    stream.ClearError();
    EXPECT_FALSE(stream.IsEof());
    EXPECT_EQ(stream.Seek(RFileStream::kFromEnd, -3), 0);
    EXPECT_EQ(stream.Tell(), 6);
    EXPECT_EQ(stream.SeekTo(1), 0);
    EXPECT_EQ(stream.ReadInt16(half, true), 0x0203);
}

TEST(RMemoryStream, ReadsWritesAndLinesStayInsideTheBlock) {
    char block[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    RMemoryStream stream;
    EXPECT_EQ((Bools{stream.IsOpen(), stream.IsEof(), stream.SetBuffer(nullptr, 8), stream.SetBuffer(block, -1)}),
              (Bools{false, true, false, false}));
    ASSERT_TRUE(stream.SetBuffer(block, 8));
    EXPECT_FALSE(stream.Open("x", "rb"));
    EXPECT_EQ(stream.Truncate(1), -1);
    char out[16] = {};
    EXPECT_EQ((Longs{stream.Read(out, 5), stream.Read(out, 100), stream.Read(out, 1), stream.Read(out, -4)}),
              (Longs{5, 3, 0, 0}));
    EXPECT_TRUE(stream.IsEof());
    stream.Seek(RFileStream::kFromEnd, 2);  // size - offset
    EXPECT_EQ(stream.Tell(), 6);
    EXPECT_EQ(stream.Write("XYZW", 4), 2);
    EXPECT_EQ(std::string(block, 8), "abcdefXY");
    EXPECT_EQ(stream.Printf("%d", 12345), 0);
    char lines[] = {'o', 'n', 'e', '\n', 't', 'w', 'o'};
    ASSERT_TRUE(stream.SetBuffer(lines, sizeof(lines)));
    char line[16];
    EXPECT_STREQ(stream.Gets(line, sizeof(line)), "one\n");
    char small[3];
    EXPECT_STREQ(stream.Gets(small, sizeof(small)), "tw");
    EXPECT_EQ(stream.Gets(line, 1), nullptr);
    EXPECT_STREQ(stream.Gets(line, sizeof(line)), "o");
    EXPECT_EQ(stream.Gets(line, sizeof(line)), nullptr);
    EXPECT_STREQ(line, "");
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.Read(line, 4), 0);
}

TEST(RMemoryStream, SeekClampsEveryTargetAndIntegersAreReadWholeOrNotAtAll) {
    char block[10] = {};
    RMemoryStream stream;
    stream.SetBuffer(block, 10);
    const std::pair<int, long> seeks[] = {{RFileStream::kFromEnd, 0},           {RFileStream::kFromStart, -5},
                                          {RFileStream::kFromStart, 50},        {RFileStream::kFromCurrent, LONG_MAX},
                                          {RFileStream::kFromCurrent, LONG_MIN}, {RFileStream::kFromEnd, LONG_MIN},
                                          {RFileStream::kFromEnd, LONG_MAX},    {RFileStream::kFromStart, 4},
                                          {7, 3}};  // an unknown origin goes to the start
    const long expected[] = {10, 0, 10, 10, 0, 10, 0, 4, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(stream.Seek(seeks[i].first, seeks[i].second), expected[i]) << i;
    EXPECT_EQ((std::vector<long>{stream.SeekTo(11), stream.SeekTo(-1), stream.Tell(), stream.SeekTo(10),
                                 stream.Tell()}),
              (std::vector<long>{-1, -1, 0, 0, 10}));
    EXPECT_TRUE(stream.IsEof());
    unsigned char ints[7] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    ASSERT_TRUE(stream.SetBuffer(ints, 7));
    std::int32_t value = 0;
    std::uint32_t rest = 99;  // 3 bytes left for it: none is read
    std::uint16_t half = 0;
    char byte = 0;
    EXPECT_EQ((Longs{stream.ReadInt32(value, true), stream.ReadInt32(rest, false), stream.Tell(),
                     stream.ReadInt16(half, false), stream.ReadByte(byte), stream.ReadByte(byte), stream.Tell()}),
              (Longs{0x01020304, 0, 4, 0x0605, 7, 0, 7}));
}

TEST(RDirectoryIterator, ListsEntriesWithTheirExtensionsAndCreateAndOpenMakesTheFolder) {
    ScratchFolder scratch;
    scratch.WriteFile("scene.v2.wyx", "");
    scratch.WriteFile("README", "");
    EXPECT_EQ(Names(scratch.Path()), (NameSet{".", "..", "scene.v2.wyx", "README"}));
    RDirectoryIterator iterator;
    ASSERT_TRUE(iterator.Open((scratch.Path() + "\\*.wyx").c_str()));
    EXPECT_STREQ(iterator.EntryName(), "scene.v2.wyx");
    EXPECT_STREQ(iterator.EntryExtension(), "wyx");
    EXPECT_FALSE(iterator.Next());
    ASSERT_TRUE(iterator.Open((scratch.Path() + "/README*").c_str()));
    EXPECT_STREQ(iterator.EntryExtension(), "");
    iterator.Close();
    EXPECT_STREQ(iterator.EntryName(), "");
    const std::string missing = scratch.Join("missing");
    for (const char* refused : {missing.c_str(), "", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(iterator.Open(refused));
    }
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

TEST(RDirectoryIterator, DeleteDirectoryLeavesFoldersInsideAndEmptyMeansOnlyDotEntries) {
    ScratchFolder scratch;
    EXPECT_TRUE(RDirectoryIterator::IsDirectoryEmpty(scratch.Path().c_str()));
    EXPECT_TRUE(RDirectoryIterator::IsDirectoryEmpty(scratch.Join("missing").c_str()));
    scratch.WriteFile("..hidden", "");
    EXPECT_FALSE(RDirectoryIterator::IsDirectoryEmpty(scratch.Path().c_str()));
    ASSERT_TRUE(platform::MakeDirectory(scratch.Join("outer").c_str()));
    ASSERT_TRUE(platform::MakeDirectory(scratch.Join("outer/inner").c_str()));
    scratch.WriteFile("outer/file", "x");
    EXPECT_FALSE(RDirectoryIterator::DeleteDirectory(scratch.Join("outer").c_str()));
    EXPECT_EQ(Names(scratch.Join("outer")), (NameSet{".", "..", "inner"}));
    EXPECT_EQ((Bools{RDirectoryIterator::DeleteDirectory(scratch.Join("missing").c_str()),
                     RDirectoryIterator::DeleteDirectory(""), RDirectoryIterator::DeleteDirectory(nullptr)}),
              (Bools{true, false, false}));
}

TEST(RTempFileRegistry, KeepsOneEntryPerPathAndKeptFilesAndNonEmptyFoldersSurviveClearing) {
    RTempFileRegistry registry;
    EXPECT_EQ((Bools{registry.Add("/tmp/a.png", true), registry.Add("/tmp/a.png", false),
                     registry.Add("/tmp/b.png", false), registry.Add(nullptr, true)}),
              (Bools{true, true, true, false}));
    ASSERT_EQ(registry.GetCount(), 2);
    EXPECT_STREQ(registry.GetPath(0), "/tmp/a.png");
    EXPECT_TRUE(registry.IsMarkedForDeletion(0));
    EXPECT_EQ(registry.GetPath(2), nullptr);
    EXPECT_EQ(registry.QueryInterface(RTempFileRegistry::kInterfaceId), &registry);
    EXPECT_EQ(registry.QueryInterface(3), nullptr);
    EXPECT_TRUE(registry.GetKeepFiles());
    registry.Clear();  // keeping files: nothing is removed
    EXPECT_EQ(registry.GetCount(), 0);
    ScratchFolder scratch;
    const std::string file = scratch.WriteFile("extracted.png", "x");
    const std::string other = scratch.WriteFile("other.png", "x");
    {
        RTempFileRegistry clearing;
        clearing.Add(file.c_str(), true);
        clearing.Clear();
        EXPECT_TRUE(platform::PathExists(file.c_str()));
        clearing.SetKeepFiles(false);
        clearing.Add(file.c_str(), true);
    }  // destruction clears
    EXPECT_EQ((Bools{platform::PathExists(file.c_str()), platform::PathExists(other.c_str()),
                     platform::IsDirectory(scratch.Path().c_str())}),
              (Bools{false, true, true}));
}

TEST(RTempFileRegistry, ClearsOnCode15AndNotOn16AndTheProcessWideOneListensToo) {
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
    RTempFileRegistry* instance = RTempFileRegistry::Instance();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(RTempFileRegistry::Instance(), instance);
    instance->Add("/nonexistent/wyx-test-entry", false);
    EmitEvent(nullptr, kHubCodeClearTempFiles);
    EXPECT_EQ(instance->GetCount(), 0);
}

TEST_F(RIniFileTest, PathsComeFromTheSettingsFolderAndTheMachineName) {
    RIniFile plain("Application.txt", false);
    EXPECT_EQ(std::string(plain.GetPath().Buffer()), scratch_.Join("Application.txt"));
    RIniFile perMachine("@Application.txt", false);
    char machine[256];
    GetMachineName(machine, sizeof(machine));
    EXPECT_EQ(std::string(perMachine.GetPath().Buffer()), scratch_.Join(std::string(machine) + ".Application.txt"));
    SetTempPath("");
    RIniFile unset("x.ini", false);
    EXPECT_STREQ(unset.GetPath().Buffer(), "/x.ini");
}

TEST_F(RIniFileTest, CachedReadsMatchWholeNamesWithoutRegardToCaseUncachedOnesByPrefix) {
    Write("a.ini", kSample);
    RIniFile cached("a.ini", true);
    using Texts = std::vector<std::string>;
    EXPECT_EQ((Texts{Value(cached, "numericfield", "DECIMAL", "2"), Value(cached, "NumericField", "Decimals", nullptr),
                     Value(cached, "NumericFieldExtra", "Decimal", nullptr), Value(cached, "Paths", "Media", nullptr),
                     Value(cached, "Paths", "Empty", "d"), Value(cached, "Paths", "no equals sign here", "skipped"),
                     Value(cached, "Numeric", "Decimal", nullptr)}),
              (Texts{"3", "5", "9", "C:\\media", "", "skipped", "(none)"}));
    EXPECT_FALSE(cached.IsModified());
    // Uncached: "Decimals" begins with "Decimal" and comes first; "[NumericField]" begins with "Numeric".
    RIniFile uncached("a.ini", false);
    RIniFile missing("missing.ini", false);
    EXPECT_EQ((Texts{Value(uncached, "NumericField", "decimal", "2"), Value(uncached, "Numeric", "Decimals", nullptr),
                     Value(uncached, "Paths", "Media", nullptr), Value(uncached, "Paths", "Missing", "fallback"),
                     Value(uncached, "Nowhere", "Decimal", nullptr), Value(missing, "S", "K", "d"),
                     Value(missing, "S", "K", nullptr)}),
              (Texts{"s = 5", "5", "C:\\media", "fallback", "(none)", "d", "(none)"}));
}

TEST_F(RIniFileTest, SavedFilesHaveTheExactFormatAndLoadBack) {
    {
        RIniFile ini("new.ini", true);
        // The last is the same section and key as the one before.
        EXPECT_EQ((Bools{ini.SetValue("Zeta", "b", "2"), ini.SetValue("Alpha", "key", "value with spaces"),
                         ini.SetValue("Zeta", "a", "1"), ini.SetValue("zeta", "A", "one"), ini.IsModified()}),
                  Bools(5, true));
    }  // saved on destruction
    EXPECT_EQ(Read("new.ini"), "[Alpha]\nkey = value with spaces\n\n[Zeta]\na = one\nb = 2\n");
    RIniFile again("new.ini", true);
    EXPECT_STREQ(again.GetValue("Zeta", "a", nullptr), "one");
    EXPECT_STREQ(again.GetValue("Alpha", "key", nullptr), "value with spaces");
    EXPECT_TRUE(again.Save());
    EXPECT_EQ(Read("new.ini"), "[Alpha]\nkey = value with spaces\n\n[Zeta]\na = one\nb = 2\n");
}

TEST_F(RIniFileTest, SavingReplacesTheFileWithoutASharedBackup) {
    Write("a.ini", kSample);
    Write("b.ini", "[S]\nk = 1\n");
    RIniFile first("a.ini", true);
    RIniFile second("b.ini", true);
    ASSERT_TRUE(first.SetValue("Paths", "Media", "D:\\other"));
    ASSERT_TRUE(second.SetValue("S", "k", "2"));
    EXPECT_EQ((Bools{first.Save(), second.Save(), first.IsModified()}), (Bools{true, true, false}));
    EXPECT_EQ(Read("b.ini"), "[S]\nk = 2\n");
    EXPECT_NE(Read("a.ini").find("Media = D:\\other\n"), std::string::npos);
    // Nothing is left beside the files: no backup, no temporary file.
    EXPECT_FALSE(platform::PathExists(scratch_.Join("backupfile.ini").c_str()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch_.Path()), {}), 2);
}

TEST_F(RIniFileTest, SetValueRefusesWhatCouldNotBeReadBackAndSaveNeedsTheFolder) {
    RIniFile ini("x.ini", true);
    const char* const refused[][3] = {{"S", "k", "a;b"},   {"S", "k", "line\nbreak"}, {"S", "k", " padded"},
                                      {"S", "k", "=starts"}, {"S", "k=v", "x"},        {"S", "[k", "x"},
                                      {"S]", "k", "x"},      {"", "k", "x"},          {"S", nullptr, "x"}};
    for (const auto& entry : refused) EXPECT_FALSE(ini.SetValue(entry[0], entry[1], entry[2])) << entry[2];
    EXPECT_FALSE(ini.IsModified());
    EXPECT_TRUE(ini.SetValue("S", "k", "a=b"));
    RIniFile uncached("x.ini", false);
    EXPECT_FALSE(uncached.SetValue("S", "k", "v"));
    EXPECT_FALSE(uncached.Save());
    SetTempPath(scratch_.Join("missing").c_str());
    RIniFile elsewhere("x.ini", true);
    ASSERT_TRUE(elsewhere.SetValue("S", "k", "v"));
    EXPECT_FALSE(elsewhere.Save());
    EXPECT_TRUE(elsewhere.IsModified());
}

TEST_F(RIniFileTest, CachedAndUncachedReadsOfRepeatedEntriesAgree) {
    for (const RepeatedEntry& entry : kRepeatedEntries) {
        SCOPED_TRACE(entry.name);
        Write("r.ini", entry.text);
        RIniFile cached("r.ini", true);
        RIniFile uncached("r.ini", false);
        EXPECT_STREQ(cached.GetValue("S", "k", "default"), entry.expected);
        EXPECT_STREQ(uncached.GetValue("S", "k", "default"), entry.expected);
    }
}

TEST(RRegistryKey, RootNamesAndMachineName) {
    const std::pair<RRegistryKey::Handle, const char*> roots[] = {
        {RRegistryKey::kClassesRoot, "HKEY_CLASSES_ROOT"}, {RRegistryKey::kCurrentUser, "HKEY_CURRENT_USER"},
        {RRegistryKey::kPerformanceData, "HKEY_PERFORMANCE_DATA"}, {RRegistryKey::kDynData, "HKEY_DYN_DATA"},
        {0x80000007u, "Unknown"}, {0, "Unknown"}};
    for (const auto& [root, name] : roots) EXPECT_STREQ(RRegistryKey::RootName(root), name);
    char name[256];
    EXPECT_TRUE(GetMachineName(name, sizeof(name)));
    char tiny[2];
    EXPECT_FALSE(GetMachineName(tiny, sizeof(tiny)));
    EXPECT_STREQ(tiny, "?");
}

TEST_F(RRegistryKeyTest, ValuesRoundTripThroughTheStore) {
    {
        RRegistryKey key;
        ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
        char machine[256];
        GetMachineName(machine, sizeof(machine));
        EXPECT_EQ(std::string(key.GetRootName().Buffer()) + "|" + key.GetComputerName().Buffer(),
                  std::string("HKEY_CURRENT_USER|") + machine);
        std::uint32_t disposition = 0;
        ASSERT_TRUE(key.CreateKey(kOptionsKey, nullptr, 0, platform::kRegistryAllAccess, nullptr, &disposition));
        EXPECT_EQ(disposition, platform::kRegistryCreatedNewKey);
        EXPECT_STREQ(key.GetKeyPath().Buffer(), kOptionsKey);
        EXPECT_TRUE(key.SetDWORD("kImportShowUI", 1) && key.SetString("UserParams", "merge;hard edges"));
        EXPECT_TRUE(key.Close());
        EXPECT_EQ(key.GetRoot(), 0u);
        EXPECT_STREQ(key.GetRootName().Buffer(), "");
    }
    RRegistryKey key;
    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, ""));
    ASSERT_TRUE(key.OpenKey(kOptionsKey, platform::kRegistryRead));
    EXPECT_EQ(std::make_pair(key.GetInfo().valueCount, key.GetInfo().maxValueNameLength), std::make_pair(2u, 13u));
    std::uint32_t flag = 0;
    RString text("stale");
    EXPECT_TRUE(key.QueryDWORD("kimportshowui", flag) && key.QueryString("UserParams", text));
    EXPECT_EQ(flag, 1u);
    EXPECT_STREQ(text.Buffer(), "merge;hard edges");
    EXPECT_EQ(key.GetLastError(), 0);
}

TEST_F(RRegistryKeyTest, FailuresLeaveTheirWindowsCodes) {
    RRegistryKey key;
    ExpectRefused(key, key.Connect(RRegistryKey::kCurrentUser, "OTHERPC"), 6);
    ExpectRefused(key, key.Connect(RRegistryKey::kClassesRoot, "OTHERPC"), 6);
    ExpectRefused(key, key.Connect(RRegistryKey::kLocalMachine, "\\\\OTHERPC-that-is-not-here"),
                  platform::kRegistryBadNetPath);
    RRegistryKey unconnected;
    ExpectRefused(unconnected, unconnected.SetDWORD("v", 1), 6);
    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
    ExpectRefused(key, key.CreateKey(nullptr, nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr), 87);
    ExpectRefused(key, key.OpenKey("Software\\Missing", platform::kRegistryRead), 2);
    Open(key);
    RString text("stale");
    ExpectRefused(key, key.QueryString("Missing", text), 2);
    EXPECT_STREQ(text.Buffer(), "");
    std::uint32_t number = 7;
    ExpectRefused(key, key.QueryDWORD(nullptr, number), 87);
    ExpectRefused(key, key.SetValue("x", platform::kRegistryTypeDword, nullptr, 4), 87);
    ExpectRefused(key, key.SetString("x", nullptr), 87);
    ExpectRefused(key, key.SetDWORD(nullptr, 1), 87);
    // Values of the wrong type are refused, and the out value is untouched.
    ASSERT_TRUE(key.SetString("text", "12"));
    ExpectRefused(key, key.QueryDWORD("text", number), RRegistryKey::kErrorUnsupportedType);
    EXPECT_EQ(number, 7u);
    ASSERT_TRUE(key.SetDWORD("number", 12));
    EXPECT_FALSE(key.QueryString("number", text));
    EXPECT_STREQ(text.Buffer(), "");
}

TEST_F(RRegistryKeyTest, ClassNameInformationOtherRootsAndStringsThatFillTheBuffer) {
    RRegistryKey key;
    ASSERT_TRUE(key.Connect(RRegistryKey::kCurrentUser, nullptr));
    ASSERT_TRUE(key.CreateKey("A\\B", "Options", 0, platform::kRegistryAllAccess, nullptr, nullptr));
    ASSERT_TRUE(key.CreateKey("A\\C", nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr));
    ASSERT_TRUE(key.OpenKey("A\\B", platform::kRegistryRead));
    EXPECT_STREQ(key.GetClassName().Buffer(), "Options");
    ASSERT_TRUE(key.OpenKey("A", platform::kRegistryRead));
    EXPECT_STREQ(key.GetClassName().Buffer(), "");
    EXPECT_EQ(key.GetInfo().subKeyCount, 2u);
    ExpectRefused(key, key.SetDWORD("v", 1), platform::kRegistryAccessDenied);  // opened for reading only
    // Other local roots connect but hold nothing.
    ASSERT_TRUE(key.Connect(RRegistryKey::kLocalMachine, nullptr));
    EXPECT_STREQ(key.GetRootName().Buffer(), "HKEY_LOCAL_MACHINE");
    ExpectRefused(key, key.OpenKey("SOFTWARE", platform::kRegistryRead), platform::kRegistryAccessDenied);
    EXPECT_TRUE(key.Close());
    Open(key);
    const std::string full(RRegistryKey::kStringBufferSize, 'a');  // no room for a terminator
    ASSERT_TRUE(key.SetValue("full", platform::kRegistryTypeString, full.data(),
                             static_cast<std::uint32_t>(full.size())));
    RString text;
    ASSERT_TRUE(key.QueryString("full", text));
    EXPECT_EQ(text.GetLength(), static_cast<int>(RRegistryKey::kStringBufferSize));
    const std::string tooLong(RRegistryKey::kStringBufferSize, 'b');  // with its terminator, one too many
    ASSERT_TRUE(key.SetString("long", tooLong.c_str()));
    text = "stale";
    ExpectRefused(key, key.QueryString("long", text), platform::kRegistryMoreData);
    EXPECT_STREQ(text.Buffer(), "");
}

TEST(RError, CodesTakeTheirTextsFromTheTableAndOthersGiveAnEmptyText) {
    const char* const messages[] = {"File is corrupted", nullptr, "Unexpected end of file"};
    RError error(messages, 3);
    using Result = std::pair<int, std::string>;
    EXPECT_EQ(Current(error), Result(-1, ""));
    EXPECT_FALSE(error.HasError());
    EXPECT_EQ(AfterCode(error, 2), Result(2, "Unexpected end of file"));
    EXPECT_EQ(AfterCode(error, 1), Result(1, ""));  // a null row reads as empty
    error.SetErrorCode(0);
    EXPECT_EQ(AfterCode(error, 3), Result(3, ""));
    EXPECT_EQ(AfterCode(error, -7), Result(-7, ""));
    error.SetErrorCode(0);
    EXPECT_EQ(AfterCode(error, -1), Result(-1, ""));
    EXPECT_FALSE(error.HasError());
    error.SetError(10, "Begin Field error last field not closed");
    EXPECT_EQ(Current(error), Result(10, "Begin Field error last field not closed"));
    error.SetErrorText("other");
    EXPECT_EQ(Current(error), Result(10, "other"));
    error.ClearError();
    EXPECT_EQ(Current(error), Result(-1, ""));
    RError noTable(nullptr, 5);
    EXPECT_EQ(AfterCode(noTable, 2), Result(2, ""));
    EXPECT_EQ(noTable.GetMessageCount(), 0);
}

TEST(RWyxColorAndTimeStamp, ComponentsAreClampedToTheUnitRangeAndStampsClear) {
    const RWyxColor white;
    EXPECT_EQ(white.GetRed() + white.GetGreen() + white.GetBlue() + white.GetAlpha(), 4.0);
    RWyxColor color(1.5, -0.2, 0.5, 2.0);
    const auto components = [&color] {
        return std::vector<double>{color.GetRed(), color.GetGreen(), color.GetBlue(), color.GetAlpha()};
    };
    EXPECT_EQ(components(), (std::vector<double>{1.0, 0.0, 0.5, 1.0}));
    color.Set(std::nan(""), 0.25, std::numeric_limits<double>::infinity(), -0.0);
    EXPECT_EQ(components(), (std::vector<double>{0.0, 0.25, 1.0, 0.0}));
    const RWyxColor copy(color);
    EXPECT_EQ((std::vector<bool>{copy != color, copy != white, RWyxColor(1, 1, 1, 0.5) != white,
                                 RWyxColor(1, 1, 1, 1) == white}),
              (std::vector<bool>{false, true, true, true}));
    RWyxTimeStamp stamp;
    stamp.SetToLocalTime();
    EXPECT_TRUE(stamp.year >= 2020 && stamp.month >= 1 && stamp.day >= 1);
    stamp.Clear();
    EXPECT_EQ(stamp.year + stamp.month + stamp.day + stamp.hour + stamp.minute + stamp.second + stamp.millisecond, 0);
}

TEST_F(RWyxLogFileTest, WritesDateTitleAndLinesAppendsAfterABlankLineAndNothingWithoutLines) {
    {
        RWyxLogFile log("wyxvexalog.txt", "File Export : scene.wyx", false, true);
        log.SetClock(&FixedClock);
        EXPECT_EQ(std::string(log.GetPath().Buffer()), scratch_.Join("wyxvexalog.txt"));
        log.AddLine("first warning");
        log.AddLine(nullptr);
        log.AddLine("third");
    }
    const std::string first = "Date: 3/4/2004 9:5\nFile Export : scene.wyx\n\n\tfirst warning\n\t\n\tthird\n";
    EXPECT_EQ(LogText(), first);
    {
        RWyxLogFile log("wyxvexalog.txt", "Import", true, true);
        log.SetClock(&FixedClock);
        log.AddLine("w");
    }
    EXPECT_EQ(LogText(), first + "\n\nDate: 3/4/2004 9:5\nImport\n\n\tw\n");
    scratch_.WriteFile("wyxvexalog.txt", "kept");
    {
        RWyxLogFile empty("wyxvexalog.txt", "Title", false, true);
        EXPECT_FALSE(empty.Write());
        RWyxLogFile silent("wyxvexalog.txt", "Title", false, false);
        silent.AddLine("never written");
    }
    EXPECT_EQ(LogText(), "kept");
    RWyxLogFile unwritable("missing/log.txt", "Title", false, false);
    unwritable.AddLine("x");
    EXPECT_FALSE(unwritable.Write());
}

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
    EXPECT_EQ(std::string(progress->GetTitle()) + "|" + progress->GetDetail(), "Reading|");
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
    using Pointers = std::vector<const void*>;
    EXPECT_EQ((Pointers{progress->QueryInterface(3), reporter->QueryInterface(12), reporter->QueryInterface(1),
                        progress->QueryInterface(2)}),
              (Pointers{reporter, progress, nullptr, nullptr}));
    progress->SetTitle("before release");
    progress->Release();
    RProgress* fresh = GetProgressReporter();
    ASSERT_NE(fresh, nullptr);
    EXPECT_STREQ(fresh->GetTitle(), "");
    REventHub* hub = GetEventHub();
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ((Pointers{GetEventHub(), hub->QueryInterface(0), hub->QueryInterface(2), hub->QueryInterface(3),
                        hub->QueryInterface(12), hub->GetEventSource().QueryInterface(2)}),
              (Pointers{hub, hub, hub, &hub->GetEventSource(), nullptr, hub}));
}

TEST(REventHub, ListenersReceiveEmittedEventsUntilRemovedAndTheSourceCarriesOnlyTheHubsEventId) {
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
    REventSource& source = GetEventHub()->GetEventSource();
    Listener other;
    const int before = source.GetHandlerCount();
    EXPECT_EQ(source.AddHandler(0x1234, 0x7fffffff, &other, &Record, nullptr), 1);
    EXPECT_EQ(source.GetHandlerCount(), before);
    EmitEvent(nullptr, 15);
    EXPECT_TRUE(other.codes.empty());
    EXPECT_EQ(source.AddHandler(kHubEventId, 0, &other, &Record, nullptr), 0);
    EXPECT_EQ(source.RemoveHandler(0x1234, &other, &Record), 1);
    EXPECT_EQ(source.GetHandlerCount(), before + 1);
    EXPECT_EQ(source.RemoveHandler(kHubEventId, &other, &Record), 0);
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
