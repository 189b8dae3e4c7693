// Every reader meets truncated files and files with bytes changed: whatever it answers, it
// must neither crash nor touch memory it does not own (the sanitizers watch), and a refusal
// must come with a reason.

#include "formats/motion/RWyxReaderAmc.h"
#include "formats/motion/RWyxReaderAsf.h"
#include "formats/motion/RWyxReaderBrd.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxReaderHtr.h"
#include "tests/formats/motion/MotionSamples.h"
#include "tests/formats/motion/MotionTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace motion_test;

// Truncations at every few bytes and flips to a handful of telling bytes, the places spread
// over the whole file.
std::vector<std::string> Damaged(const std::string& valid) {
    std::vector<std::string> files;
    for (std::size_t size = 0; size < valid.size(); size += 7) files.push_back(valid.substr(0, size));
    const char replacements[] = {'\0', '\xff', '9', '-', '\n', '{', ':', '['};
    for (std::size_t at = 0; at < valid.size(); at += 11) {
        for (std::size_t i = 0; i < 4; ++i) {
            std::string changed = valid;
            changed[at] = replacements[(at + i * 3) % sizeof replacements];
            files.push_back(changed);
        }
    }
    return files;
}

// Reads with a reader of the given kind into the fixture's scene (one scene takes every
// damaged file: making a factory costs more than a read); answers whether it was read.
template <typename Reader>
bool ReadDamaged(SceneFixture& fixture, const std::string& text,
                 const std::function<void(SceneFixture&, OptionsPtr&)>& before = {}) {
    OptionsPtr skeleton;
    if (before) before(fixture, skeleton);
    Reader reader(&fixture.factory);
    reader.OpenBytes(text.data(), text.size(), "damaged.txt");
    OptionsPtr options = TakeMotionOptions(reader.GetReadOptions(false));
    if (options == nullptr) {
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
        return false;
    }
    RStreamOptionsMotion* use = options.get();
    if (skeleton != nullptr) {
        skeleton->SetFrameRate(0, options->GetFrameRate());
        skeleton->SetFrameCount(options->GetFrameCount());
        skeleton->SetStartTime(options->GetStartTime());
        use = skeleton.get();
    }
    const bool read = reader.Read(fixture.scene, use);
    if (!read) {
        EXPECT_GE(reader.GetLastErrorCode(), 0);
        EXPECT_GT(std::string(reader.GetLastErrorString()).size(), 0u);
    }
    return read;
}

template <typename Reader>
void ExpectSurvivesDamage(const std::string& valid,
                          const std::function<void(SceneFixture&, OptionsPtr&)>& before = {}) {
    SceneFixture fixture;
    ASSERT_TRUE(ReadDamaged<Reader>(fixture, valid, before));
    int read = 0;
    const std::vector<std::string> files = Damaged(valid);
    for (const std::string& file : files) read += ReadDamaged<Reader>(fixture, file, before) ? 1 : 0;
    // Some damage is harmless (a digit for a digit), most is refused.
    EXPECT_GT(read, 0);
    EXPECT_LT(read, static_cast<int>(files.size()));
}

TEST(MotionCorruptionTest, Bvh) { ExpectSurvivesDamage<RWyxReaderBvh>(motion_samples::Bvh()); }

TEST(MotionCorruptionTest, Htr) { ExpectSurvivesDamage<RWyxReaderHtr>(motion_samples::Htr()); }

TEST(MotionCorruptionTest, Asf) { ExpectSurvivesDamage<RWyxReaderAsf>(motion_samples::Asf()); }

TEST(MotionCorruptionTest, Amc) {
    ExpectSurvivesDamage<RWyxReaderAmc>(motion_samples::Amc(), [](SceneFixture& fixture, OptionsPtr& options) {
        RWyxReaderAsf asf(&fixture.factory);
        ASSERT_TRUE(ReadText(fixture, asf, motion_samples::Asf(), "skel.asf", [](RStreamOptionsMotion&) {}, &options));
    });
}

TEST(MotionCorruptionTest, Brd) { ExpectSurvivesDamage<RWyxReaderBrd>(motion_samples::Brd()); }

}  // namespace
