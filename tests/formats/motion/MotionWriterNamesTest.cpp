// Node names holding line breaks, tabs, other control characters and blanks, and a name that is
// empty after its last ':', through every text motion writer: the formats that name their
// markers or segments write each name as one field and read back whole; the skeleton formats
// refuse such names before writing; the formats without names keep their markers and frames.
// The skeleton formats also refuse names their readers would take for syntax or keep only in
// part, and write every other name so that it reads back whole.

#include "formats/motion/RWyxReaderBrd.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxReaderHtr.h"
#include "formats/motion/RWyxReaderMcd.h"
#include "formats/motion/RWyxReaderMov.h"
#include "formats/motion/RWyxReaderTrc.h"
#include "formats/motion/RWyxReaderVpm.h"
#include "formats/motion/RWyxWriterAsf.h"
#include "formats/motion/RWyxWriterBrd.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "formats/motion/RWyxWriterHtr.h"
#include "formats/motion/RWyxWriterMcd.h"
#include "formats/motion/RWyxWriterMov.h"
#include "formats/motion/RWyxWriterTrc.h"
#include "formats/motion/RWyxWriterVpm.h"
#include "scene/RWyxNodeLimits.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace motion_test;

const char* const kNames[] = {"Left\nKnee", "Ankle\t\r", "Toe\x01\x7f", "L Heel", "actor:"};
constexpr int kFrames = 3;

// The export root "Hips" with a marked child of each name, child k at x = 10 (k + 1) + frame.
struct NamesScene : SceneFixture {
    NamesScene() {
        RWyxNode* hips = factory.CreateNode("Hips");
        hips->SetMarked(1, false);
        scene->GetRootNode()->AddChild(hips);
        for (int k = 0; k < 5; ++k) {
            RWyxTakeNode* take = AddMarkedNode(*this, hips, kNames[k]);
            for (int f = 0; f < kFrames; ++f) {
                take->GetTranslationXCurve()->AppendKey(RTime(RTime::kTicksPerSecond / 25) * f,
                                                        static_cast<float>(10 * (k + 1) + f));
            }
        }
    }
};

struct NamesCase {
    const char* file;
    std::unique_ptr<RWyxWriter> (*writer)(RWyxObjectFactory* factory);
    // Null for the skeleton formats, which refuse the names; label names them in the refusal.
    std::unique_ptr<RWyxReaderMotion> (*reader)(RWyxObjectFactory* factory);
    std::vector<std::string> namesRead;  // empty for the formats without names
    const char* label;
};

template <typename T>
std::unique_ptr<RWyxWriter> Writer(RWyxObjectFactory* factory) {
    return std::make_unique<T>(factory);
}
template <typename T>
std::unique_ptr<RWyxReaderMotion> Reader(RWyxObjectFactory* factory) {
    return std::make_unique<T>(factory);
}
std::unique_ptr<RWyxWriter> AoaWriter(RWyxObjectFactory* factory) {
    return std::make_unique<RWyxWriterMcd>(factory, nullptr, false);
}
std::unique_ptr<RWyxReaderMotion> AoaReader(RWyxObjectFactory* factory) {
    return std::make_unique<RWyxReaderMcd>(factory, false);
}

const NamesCase kCases[] = {
    // The TRC reader makes "*Unnamed_<place>" of an "Unnamed" marker and '_' of a blank.
    {"take.trc", Writer<RWyxWriterTrc>, Reader<RWyxReaderTrc>,
     {"Hips", "Left_Knee", "Ankle__", "Toe__", "L_Heel", "*Unnamed_6"}, nullptr},
    {"take.vpm", Writer<RWyxWriterVpm>, Reader<RWyxReaderVpm>,
     {"Hips", "Left_Knee", "Ankle__", "Toe__", "L_Heel", "Unnamed"}, nullptr},
    {"take.aoa", AoaWriter, AoaReader, {}, nullptr},
    {"take.mov", Writer<RWyxWriterMov>, Reader<RWyxReaderMov>, {}, nullptr},
    {"take.brd", Writer<RWyxWriterBrd>, Reader<RWyxReaderBrd>, {}, nullptr},
    {"take.bvh", Writer<RWyxWriterBvh>, nullptr, {}, "BVH"},
    {"take.htr", Writer<RWyxWriterHtr>, nullptr, {}, "HTR"},
    {"take.asf", Writer<RWyxWriterAsf>, nullptr, {}, "ASF"},
};

void PrintTo(const NamesCase& c, std::ostream* out) { *out << c.file; }

class MotionWriterNamesTest : public ::testing::TestWithParam<NamesCase> {};

TEST_P(MotionWriterNamesTest, ControlCharactersInNamesNeverBreakTheFile) {
    const NamesCase& c = GetParam();
    NamesScene scene;
    ScratchFolder folder;
    const std::string path = folder.Join(c.file);
    std::unique_ptr<RWyxWriter> writer = c.writer(&scene.factory);
    OptionsPtr options = TakeMotionOptions(writer->GetWriteOptions());
    options->SetFrameRate(10, 0.0);  // 25 frames per second
    options->SetFrameCount(kFrames);
    ASSERT_TRUE(writer->FileCreate(path.c_str()));
    const bool written = writer->Write(scene.scene, options.get());
    if (c.reader == nullptr) {
        EXPECT_FALSE(written);
        EXPECT_EQ(writer->GetLastErrorCode(), RWyxWriter::kErrorUnidentified);
        EXPECT_EQ(std::string(writer->GetLastErrorString()),
                  std::string("Spaces are not allowed in ") + c.label + " node names:\n    Model::Left\nKnee" +
                      "\n    Model::Ankle\t\r\n    Model::Toe\x01\x7f\n    Model::L Heel");
        return;
    }
    ASSERT_TRUE(written) << writer->GetLastErrorString();
    ASSERT_TRUE(writer->FileClose());
    const std::string text = ScratchFolder::ReadFile(path);

    SceneFixture back;
    std::unique_ptr<RWyxReaderMotion> reader = c.reader(&back.factory);
    OptionsPtr read;
    ASSERT_TRUE(ReadText(back, *reader, text, c.file, [](RStreamOptionsMotion&) {}, &read))
        << reader->GetLastErrorString() << "\n" << text;
    EXPECT_EQ(read->GetFrameCount(), kFrames);
    ASSERT_EQ(back.scene->GetRootNode()->GetChildCount(), 1);
    RWyxNode* parent = back.scene->GetRootNode()->GetChild(0);
    ASSERT_EQ(parent->GetChildCount(), 6) << text;
    for (std::size_t k = 0; k < c.namesRead.size(); ++k) {
        EXPECT_EQ(parent->GetChild(static_cast<int>(k))->GetNameWithoutPrefix().Buffer(), c.namesRead[k]);
    }
    // The last marker's column holds its own values: no name moved a field.
    const RTime last = read->GetStartTime() + read->GetFramePeriod() * (kFrames - 1);
    EXPECT_NEAR(ValueAt(parent->GetChild(5), 0, last), 52.0, 1e-3) << text;
}

INSTANTIATE_TEST_SUITE_P(Writers, MotionWriterNamesTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<NamesCase>& info) {
                             const std::string file = info.param.file;
                             return file.substr(file.find('.') + 1);
                         });

// ---- names a reader would take for syntax or keep only in part ------------------------------

// The export root "Hips" (its name is written too) with a leaf of each name, one unit up.
struct SkeletonScene : SceneFixture {
    explicit SkeletonScene(const std::vector<std::string>& names) {
        hips = factory.CreateNode("Hips");
        hips->SetMarked(1, false);
        scene->GetRootNode()->AddChild(hips);
        for (const std::string& name : names) Add(hips, name);
    }
    RWyxNode* Add(RWyxNode* parent, const std::string& name) {
        RWyxNode* node = factory.CreateNode(name.c_str());
        node->SetDefaultTranslation(RVector4(0.0, 1.0, 0.0, 1.0));
        parent->AddChild(node);
        return node;
    }
    RWyxNode* hips = nullptr;
};

// Writes the scene (3 frames) with a new writer of the kind; the error text, empty when the
// file was written and put in place.
template <typename Writer>
std::string WriteSkeleton(SkeletonScene& scene, const std::string& path) {
    Writer writer(&scene.factory);
    OptionsPtr options = TakeMotionOptions(writer.GetWriteOptions());
    options->SetFrameCount(kFrames);
    EXPECT_TRUE(writer.FileCreate(path.c_str()));
    const bool written = writer.Write(scene.scene, options.get());
    const std::string error = writer.GetLastErrorString();
    EXPECT_EQ(written, error.empty());
    EXPECT_EQ(writer.GetLastErrorCode(), written ? -1 : RWyxWriter::kErrorUnidentified) << error;
    return writer.FileClose() ? std::string() : error;
}

// Reads the file back; the names of the nodes below the skeleton's root, in order.
template <typename Reader>
std::vector<std::string> ReadBackNames(const std::string& path) {
    SceneFixture back;
    Reader reader(&back.factory);
    OptionsPtr options;
    const std::string text = ScratchFolder::ReadFile(path);
    EXPECT_TRUE(ReadText(back, reader, text, "back.txt", [](RStreamOptionsMotion&) {}, &options))
        << reader.GetLastErrorString() << "\n" << text;
    std::vector<std::string> names;
    RWyxNode* hips = back.Node("Hips");
    for (int i = 0; hips != nullptr && i < hips->GetChildCount(); ++i) {
        names.emplace_back(hips->GetChild(i)->GetNameWithoutPrefix().Buffer());
    }
    return names;
}

// A BVH read keeps 127 characters of a name; an end site is written without its name.
TEST(SkeletonNamesTest, BvhRefusesEmptyAndOverlongJointNames) {
    const std::string longest(127, 'a');
    const std::string tooLong(128, 'b');
    ScratchFolder folder;
    const std::string path = folder.Join("take.bvh");
    SkeletonScene refused({longest, tooLong, "x"});
    refused.Node("x")->SetName(RString(""));  // the factory names no new node ""
    EXPECT_EQ(WriteSkeleton<RWyxWriterBvh>(refused, path),
              "BVH files cannot hold these node names:\n    \"" + tooLong + "\" is longer than 127 characters" +
                  "\n    \"\" is empty");
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));  // nothing was put in place

    SkeletonScene written({longest, "Arm"});
    written.Add(written.Node("Arm"), tooLong);  // an end site
    ASSERT_EQ(WriteSkeleton<RWyxWriterBvh>(written, path), "");
    EXPECT_EQ(ReadBackNames<RWyxReaderBvh>(path), (std::vector<std::string>{longest, "Arm"}));
}

// An HTR read keeps 255 characters of a name, "#" begins a comment line and "[" a section; the
// root segment's parent is written "GLOBAL". End nodes are no segments: their names are not
// written.
TEST(SkeletonNamesTest, HtrRefusesNamesItsReaderTakesForSyntax) {
    const std::string longest(255, 'e');
    const std::string tooLong(256, 'd');
    ScratchFolder folder;
    const std::string path = folder.Join("take.htr");
    SkeletonScene refused({"#x", longest, "[x", "GLOBAL", tooLong});
    RWyxNode* end = refused.Add(refused.Node("Hips"), "[End");
    end->GetLimits()->SetAuto(RWyxNodeLimits::kRotation, false);
    end->GetLimits()->SetAxisLength(0.0);
    EXPECT_EQ(WriteSkeleton<RWyxWriterHtr>(refused, path),
              "HTR files cannot hold these node names:"
              "\n    \"#x\" begins with '#', which starts a comment line"
              "\n    \"[x\" begins with '[', which starts a section"
              "\n    \"GLOBAL\" is the parent name of the root segment"
              "\n    \"" + tooLong + "\" is longer than 255 characters");
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));  // nothing was put in place

    const std::vector<std::string> names = {longest, "x#[", "Global"};
    SkeletonScene written(names);
    ASSERT_EQ(WriteSkeleton<RWyxWriterHtr>(written, path), "");
    EXPECT_EQ(ReadBackNames<RWyxReaderHtr>(path), names);
}

// ASF hierarchy lines and AMC bone lines begin with bone names; the readers keep 50 characters
// of one. Bones are refused by the names they would be written with: the root's children sit
// away from it, so each hangs from a dummy bone named after it with "Dummy".
TEST(SkeletonNamesTest, AsfRefusesBoneNamesItsReadersTakeForSyntax) {
    ScratchFolder folder;
    SkeletonScene refused({"#a", ":b", "End", "BEGIN", "12", "-1.5", "a(b)", ",c", std::string(51, 'f'), "EndEffector",
                           "1stFinger", std::string(50, 'g')});
    for (int i = 0; i < refused.hips->GetChildCount(); ++i) {
        refused.Add(refused.hips->GetChild(i), "Tip")->SetDefaultTranslation(RVector4(0.0, 2.0, 0.0, 1.0));
    }
    EXPECT_EQ(WriteSkeleton<RWyxWriterAsf>(refused, folder.Join("take.asf")),
              "ASF files cannot hold these bone names:"
              "\n    \"#aDummy\" begins with '#', which starts a comment line"
              "\n    \"#a\" begins with '#', which starts a comment line"
              "\n    \":bDummy\" begins with ':', which starts a section"
              "\n    \":b\" begins with ':', which starts a section"
              "\n    \"End\" is the keyword end"
              "\n    \"BEGIN\" is the keyword begin"
              "\n    \"12\" is a number, which begins a frame of the motion"
              "\n    \"-1.5\" is a number, which begins a frame of the motion"
              "\n    \"a(b)Dummy\" holds ',', '(' or ')', which separate words"
              "\n    \"a(b)\" holds ',', '(' or ')', which separate words"
              "\n    \",cDummy\" holds ',', '(' or ')', which separate words"
              "\n    \",c\" holds ',', '(' or ')', which separate words"
              "\n    \"" + std::string(51, 'f') + "Dummy\" is longer than 50 characters"
              "\n    \"" + std::string(51, 'f') + "\" is longer than 50 characters"
              "\n    \"" + std::string(50, 'g') + "Dummy\" is longer than 50 characters");
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));  // nothing was put in place
}

}  // namespace
