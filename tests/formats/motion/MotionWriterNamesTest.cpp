// Node names holding line breaks, tabs, other control characters and blanks, and a name that is
// empty after its last ':', through every text motion writer: the formats that name their
// markers or segments write each name as one field and read back whole; the skeleton formats
// refuse such names before writing; the formats without names keep their markers and frames.

#include "formats/motion/RWyxReaderBrd.h"
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
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

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

}  // namespace
