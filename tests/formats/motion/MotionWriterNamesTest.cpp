// Node names holding line breaks, tabs, other control characters and blanks, and a name that is
// empty after its last ':', through every text motion writer: the formats that name their
// markers or segments write each name as one field and read back whole; the skeleton formats
// refuse such names before writing; the formats without names keep their markers and frames.
// The skeleton formats also refuse names their readers would take for syntax or keep only in
// part, and write every other name so that it reads back whole. Names that the file would make
// one are refused before anything is written, and names a writer or reader makes up yield to
// the scene's: every write that succeeds reads back with every node and key.

#include "attributes/RWyxSkeleton.h"
#include "core/PreOrderWalk.h"
#include "formats/motion/RWyxReaderAmc.h"
#include "formats/motion/RWyxReaderAsf.h"
#include "formats/motion/RWyxReaderBrd.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxReaderC3d.h"
#include "formats/motion/RWyxReaderHtr.h"
#include "formats/motion/RWyxReaderMcd.h"
#include "formats/motion/RWyxReaderMov.h"
#include "formats/motion/RWyxReaderTrc.h"
#include "formats/motion/RWyxReaderVpm.h"
#include "formats/motion/RWyxWriterAmc.h"
#include "formats/motion/RWyxWriterAsf.h"
#include "formats/motion/RWyxWriterBrd.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "formats/motion/RWyxWriterC3d.h"
#include "formats/motion/RWyxWriterHtr.h"
#include "formats/motion/RWyxWriterMcd.h"
#include "formats/motion/RWyxWriterMov.h"
#include "formats/motion/RWyxWriterTrc.h"
#include "formats/motion/RWyxWriterVpm.h"
#include "scene/RWyxNodeLimits.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/KeptFile.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_set>
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
    const char* written;  // how the file holds "L Heel"; null for the formats without names
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
    // The TRC reader makes "*Unnamed_<place>" of an "Unnamed" marker and '_' of a blank, which
    // the file holds as it is.
    {"take.trc", Writer<RWyxWriterTrc>, Reader<RWyxReaderTrc>,
     {"Hips", "Left_Knee", "Ankle__", "Toe__", "L_Heel", "*Unnamed_6"}, nullptr, "\tL Heel\t"},
    {"take.vpm", Writer<RWyxWriterVpm>, Reader<RWyxReaderVpm>,
     {"Hips", "Left_Knee", "Ankle__", "Toe__", "L_Heel", "Unnamed"}, nullptr, "\tL_Heel\n"},
    {"take.aoa", AoaWriter, AoaReader, {}, nullptr, nullptr},
    {"take.mov", Writer<RWyxWriterMov>, Reader<RWyxReaderMov>, {}, nullptr, nullptr},
    {"take.brd", Writer<RWyxWriterBrd>, Reader<RWyxReaderBrd>, {}, nullptr, nullptr},
    {"take.bvh", Writer<RWyxWriterBvh>, nullptr, {}, "BVH", nullptr},
    {"take.htr", Writer<RWyxWriterHtr>, nullptr, {}, "HTR", nullptr},
    {"take.asf", Writer<RWyxWriterAsf>, nullptr, {}, "ASF", nullptr},
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
        // One line per name: control characters are escaped.
        EXPECT_EQ(std::string(writer->GetLastErrorString()),
                  std::string("Spaces are not allowed in ") + c.label + " node names:\n    Model::Left\\nKnee" +
                      "\n    Model::Ankle\\t\\r\n    Model::Toe\\x01\\x7f\n    Model::L Heel");
        return;
    }
    ASSERT_TRUE(written) << writer->GetLastErrorString();
    ASSERT_TRUE(writer->FileClose());
    const std::string text = ScratchFolder::ReadFile(path);
    if (c.written != nullptr) {
        EXPECT_NE(text.find(c.written), std::string::npos) << text;
    }

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

    // A joint alone is the root, a joint with its name, though it looks like an end site.
    for (const std::string& name : {tooLong, std::string()}) {
        SkeletonScene lone({});
        lone.hips->SetName(RString(name.c_str()));
        EXPECT_NE(WriteSkeleton<RWyxWriterBvh>(lone, path).find("\n    \"" + name + "\" is "), std::string::npos);
    }
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
// away from it, so each hangs from a dummy bone named after it with "Dummy" (the name cut to
// fit, so that only the other faults of a name show in its dummy's).
TEST(SkeletonNamesTest, AsfRefusesBoneNamesItsReadersTakeForSyntax) {
    ScratchFolder folder;
    SkeletonScene refused({"#a", ":b", "End", "BEGIN", "12", "-1.5", "a(b)", "a)b", ",c", std::string(51, 'f'),
                           "EndEffector", "1stFinger", std::string(50, 'g')});
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
              "\n    \"a)bDummy\" holds ',', '(' or ')', which separate words"
              "\n    \"a)b\" holds ',', '(' or ')', which separate words"
              "\n    \",cDummy\" holds ',', '(' or ')', which separate words"
              "\n    \",c\" holds ',', '(' or ')', which separate words"
              "\n    \"" + std::string(51, 'f') + "\" is longer than 50 characters");
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));  // nothing was put in place
}

// ---- names that clash in the file ---------------------------------------------------------

// A node below the root: its name, its parent (-1 for the root), whether it moves in the take.
struct ClashNode {
    std::string name;
    int parent;
    bool animated;
};

// The root with the nodes, every one a marked limb-node joint, node k (from 1) k units along x
// and 2 up from its parent; an animated one moves along x and turns about z at every frame.
struct ClashScene : SceneFixture {
    ClashScene(const char* rootName, const std::vector<ClashNode>& nodes) {
        std::vector<RWyxNode*> made{Add(rootName, scene->GetRootNode(), false)};
        for (const ClashNode& node : nodes) {
            made.push_back(Add(node.name, made[static_cast<std::size_t>(node.parent + 1)], node.animated));
        }
    }
    RWyxNode* Add(const std::string& name, RWyxNode* parent, bool animated) {
        const float k = static_cast<float>(count++);
        RWyxNode* node = factory.CreateNode(name.c_str());
        if (name.find("::") != std::string::npos) node->SetName(RString(name.c_str()));  // kept whole
        RWyxSkeleton* skeleton = factory.CreateSkeleton();
        skeleton->SetSkeletonType(2);
        node->SetNodeAttribute(skeleton);
        node->SetMarked(1, false);
        node->SetDefaultTranslation(RVector4(k, 2.0, 0.0, 1.0));
        parent->AddChild(node);
        if (animated) {
            node->AddTakeNode("take");
            node->SetCurrentTakeNodeByName("take");
            for (int f = 0; f < kFrames; ++f) {
                const RTime time = RTime(RTime::kTicksPerSecond / 25) * f;
                const float step = static_cast<float>(f);
                node->GetCurrentTakeNode()->GetTranslationXCurve()->AppendKey(time, k + 0.5f * step);
                node->GetCurrentTakeNode()->GetRotationZCurve()->AppendKey(time, 10.0f * k + 5.0f * step);
            }
        }
        return node;
    }
    int count = 0;
};

std::unique_ptr<RWyxWriter> McdWriter(RWyxObjectFactory* factory) {
    return std::make_unique<RWyxWriterMcd>(factory, nullptr, true);
}
std::unique_ptr<RWyxReaderMotion> McdReader(RWyxObjectFactory* factory) {
    return std::make_unique<RWyxReaderMcd>(factory, true);
}

struct ClashFormat {
    const char* label;
    const char* file;
    std::unique_ptr<RWyxWriter> (*writer)(RWyxObjectFactory* factory);
    std::unique_ptr<RWyxReaderMotion> (*reader)(RWyxObjectFactory* factory);
};

// ASF goes with its motion, written and read as AMC beside it.
const ClashFormat kClashFormats[] = {
    {"BVH", "take.bvh", Writer<RWyxWriterBvh>, Reader<RWyxReaderBvh>},
    {"HTR", "take.htr", Writer<RWyxWriterHtr>, Reader<RWyxReaderHtr>},
    {"ASF", "take.asf", Writer<RWyxWriterAsf>, Reader<RWyxReaderAsf>},
    {"TRC", "take.trc", Writer<RWyxWriterTrc>, Reader<RWyxReaderTrc>},
    {"C3D", "take.c3d", Writer<RWyxWriterC3d>, Reader<RWyxReaderC3d>},
    {"VPM", "take.vpm", Writer<RWyxWriterVpm>, Reader<RWyxReaderVpm>},
    {"AOA", "take.aoa", AoaWriter, AoaReader},
    {"MCD", "take.mcd", McdWriter, McdReader},
    {"MOV", "take.mov", Writer<RWyxWriterMov>, Reader<RWyxReaderMov>},
    {"BRD", "take.brd", Writer<RWyxWriterBrd>, Reader<RWyxReaderBrd>},
};

// Writes the scene as the format into the folder, over a file there: the text of the refusal,
// which leaves the old file alone and nothing beside it; empty when the file was written.
std::string WriteClash(const ClashFormat& format, ClashScene& scene, const ScratchFolder& folder) {
    const KeptFile old(folder.Join(format.file), "the take before\n");
    const std::unique_ptr<RWyxWriter> writer = format.writer(&scene.factory);
    OptionsPtr options = TakeMotionOptions(writer->GetWriteOptions());
    options->SetFrameRate(10, 0.0);  // 25 frames per second
    options->SetFrameCount(kFrames);
    EXPECT_TRUE(writer->FileCreate(old.Path().c_str()));
    if (!writer->Write(scene.scene, options.get())) {
        EXPECT_EQ(writer->GetLastErrorCode(), RWyxWriter::kErrorUnidentified);
        EXPECT_FALSE(writer->FileClose());
        EXPECT_TRUE(old.IsUnchanged());
        EXPECT_EQ(FolderEntryCount(folder.Path()), 1u);
        return writer->GetLastErrorString();
    }
    EXPECT_TRUE(writer->FileClose()) << writer->GetLastErrorString();
    if (format.label == std::string("ASF")) {
        RWyxWriterAmc amc(&scene.factory);
        EXPECT_TRUE(amc.FileCreate(folder.Join("take.amc").c_str()) && amc.Write(scene.scene, options.get()) &&
                    amc.FileClose())
            << amc.GetLastErrorString();
    }
    return "";
}

// What a read of the written file made below the scene root: nodes, the keys of their current
// takes and their names; and the file's text.
struct ReadBack {
    std::size_t nodes = 0;
    int keys = 0;
    std::unordered_set<std::string> names;
    std::string text;
};

ReadBack ReadClash(const ClashFormat& format, const ScratchFolder& folder) {
    SceneFixture back;
    const std::unique_ptr<RWyxReaderMotion> reader = format.reader(&back.factory);
    ReadBack read;
    read.text = ScratchFolder::ReadFile(folder.Join(format.file));
    OptionsPtr options;
    EXPECT_TRUE(ReadText(back, *reader, read.text, format.file, [](RStreamOptionsMotion&) {}, &options))
        << reader->GetLastErrorString() << "\n" << read.text;
    if (format.label == std::string("ASF") && options != nullptr) {
        RWyxReaderAmc amc(&back.factory);
        const std::string motion = ScratchFolder::ReadFile(folder.Join("take.amc"));
        amc.OpenBytes(motion.data(), motion.size(), "take.amc");
        options->SetFrameCount(TakeMotionOptions(amc.GetReadOptions(false))->GetFrameCount());
        EXPECT_TRUE(amc.Read(back.scene, options.get())) << amc.GetLastErrorString() << "\n" << motion;
    }
    RWyxNode* root = back.scene->GetRootNode();
    VisitPreOrder(root, [root, &read](RWyxNode& node) {
        if (&node == root) return;
        ++read.nodes;
        for (int channel = 0; channel <= RWyxTakeNode::Occlusion; ++channel) {
            read.keys += Curve(&node, channel) != nullptr ? Curve(&node, channel)->GetKeyCount() : 0;
        }
        read.names.insert(node.GetNameWithoutPrefix().Buffer());
    });
    return read;
}

// What a case gives in the formats named (blank-separated): the clash refusal with the text
// after its first line, another refusal holding the text, or a made-up name that yielded,
// read back (or, for ASF's dummy bones, which a read folds away, written).
struct ClashOutcome {
    enum Kind { kClash, kRefusal, kYield };
    const char* formats;
    Kind kind;
    std::string text;
};

struct ClashCase {
    const char* title;
    const char* root;
    std::vector<ClashNode> nodes;
    // Formats without a refusal here write a file that reads back with every node and key.
    std::vector<ClashOutcome> outcomes;
};

const char* const kAllNamed = "BVH HTR ASF TRC C3D VPM";
const char* const kMarkersNamed = "TRC C3D VPM";
constexpr ClashOutcome::Kind kClash = ClashOutcome::kClash;
constexpr ClashOutcome::Kind kYield = ClashOutcome::kYield;

const std::string kA44(44, 'a');
const std::string kB44(44, 'b');

// Pairs "a::n<k>" and "n<k>", each read as "n<k>".
std::vector<ClashNode> ManyClashingNodes(int pairs) {
    std::vector<ClashNode> nodes;
    for (int k = 0; k < pairs; ++k) {
        nodes.push_back({"a::n" + std::to_string(k), -1, true});
        nodes.push_back({"n" + std::to_string(k), -1, true});
    }
    return nodes;
}

const ClashCase kClashCases[] = {
    // The factory names a node made without a name "Name".
    {"one name", "Hips", {{"", -1, true}, {"", -1, true}},
     {{kAllNamed, kClash, R"("Name", "Name" are read as "Name")"}}},
    {"one name down a chain", "Hips", {{"", -1, true}, {"", 0, true}},
     {{kAllNamed, kClash, R"("Name", "Name" are read as "Name")"}}},
    {"the cut at the last ':'", "Hips", {{"actorA:ArmL", -1, true}, {"actorB:ArmL", -1, true}},
     {{kMarkersNamed, kClash, R"("actorA:ArmL", "actorB:ArmL" are read as "ArmL")"}}},
    {"root and :root", "Hips", {{"root", -1, true}, {":root", -1, true}},
     {{kMarkersNamed, kClash, R"("root", ":root" are read as "root")"},
      {"ASF", ClashOutcome::kRefusal, "Model name \"root\" is only allowed for the ASF root node."}}},
    // TRC reads blanks as '_' and writes line ends and tabs so; VPM writes all three so.
    {"blanks made '_'", "Hips", {{"a b", -1, true}, {"a_b", -1, true}, {"a\tb", -1, true}},
     {{"TRC VPM", kClash, R"("a b", "a_b", "a\tb" are read as "a_b")"},
      {"BVH HTR ASF", ClashOutcome::kRefusal, "Spaces are not allowed"}}},
    // A C3D label is filled with blanks, which a read cuts off.
    {"a blank at the end", "Hips", {{"a ", -1, true}, {"a", -1, true}},
     {{"C3D", kClash, R"("a ", "a" are read as "a")"},
      {"BVH HTR ASF", ClashOutcome::kRefusal, "Spaces are not allowed"}}},
    // Nothing after the cut: an empty C3D label (read as the factory's "Name"), VPM's "Unnamed".
    {"empty after the cut", "Hips", {{"x:", -1, true}, {"Name", -1, true}, {"Unnamed", -1, true}},
     {{"C3D", kClash, R"("x:", "Name" are read as "Name")"},
      {"VPM", kClash, R"("x:", "Unnamed" are read as "Unnamed")"}}},
    // A node is named after its last "::"; an ASF bone still finds its node.
    {"'::'", "Hips", {{"a::b", -1, true}, {"b", -1, true}}, {{kAllNamed, kClash, R"("a::b", "b" are read as "b")"}}},
    {"'::' alone", "Hips", {{"a::b", -1, true}, {"c", -1, true}}, {}},
    // The readers' end nodes: X's (BVH, HTR) and Y's, whose only child is an end site in BVH and
    // is pruned from ASF, so that Y is a leaf with a length.
    {"end nodes", "Hips",
     {{"X", -1, true}, {"X_End", -1, true}, {"Y", -1, true}, {"Y_End", -1, true}, {"tip", 2, false}},
     {{"BVH HTR", kYield, "X_End1"}, {"BVH ASF", kYield, "Y_End1"}}},
    {"end nodes taken twice", "Hips", {{"X", -1, true}, {"X_End", -1, true}, {"X_End1", -1, true}},
     {{"BVH HTR", kYield, "X_End2"}}},
    {"reference nodes", "BVH:reference", {{"HTR:reference", -1, true}, {"ASF:reference", 0, true}},
     {{kMarkersNamed, kClash, R"("BVH:reference", "HTR:reference", "ASF:reference" are read as "reference")"},
      {"BVH", kYield, "BVH:reference1"}, {"HTR", kYield, "HTR:reference1"}, {"ASF", kYield, "ASF:reference1"}}},
    // The children sit apart from the root: each hangs from an ASF dummy bone named after it.
    {"dummy bones", "Hips", {{"a", -1, true}, {"aDummy", -1, true}}, {{"ASF", kYield, "aDummy1"}}},
    // A read keeps 50 bytes of a bone name: the child's name is cut so that "Dummy" and the
    // number fit, before a UTF-8 character the cut would split (the bone lines as written).
    {"dummy bones of long names", "Hips",
     {{kA44 + "aa", -1, true}, {kA44 + "aaa", -1, true}, {kA44 + "aaaa", -1, true}, {kA44 + "aaaaa", -1, true},
      {kA44 + "aaaaaa", -1, true}, {kB44 + "\xc3\xa9", -1, true}},
     {{"ASF", kYield, "name " + kA44 + "aDummy\n"}, {"ASF", kYield, "name " + kA44 + "Dummy1\n"},
      {"ASF", kYield, "name " + kA44 + "Dummy2\n"}, {"ASF", kYield, "name " + kA44 + "Dummy3\n"},
      {"ASF", kYield, "name " + kA44 + "Dummy4\n"}, {"ASF", kYield, "name " + kB44 + "Dummy\n"}}},
    // More than twenty groups: the first twenty, then how many more.
    {"more clashes than are listed", "Hips", ManyClashingNodes(22),
     {{kAllNamed, ClashOutcome::kRefusal, "\n    \"a::n19\", \"n19\" are read as \"n19\"\n    and 2 more"}}},
};

bool Names(const ClashOutcome& outcome, const std::string& label) {
    return (std::string(" ") + outcome.formats + " ").find(" " + label + " ") != std::string::npos;
}

TEST(MotionWriterClashTest, NamesThatClashInTheFileAreRefusedAndMadeUpNamesYield) {
    for (const ClashCase& c : kClashCases) {
        for (const ClashFormat& format : kClashFormats) {
            SCOPED_TRACE(std::string(c.title) + " as " + format.label);
            ScratchFolder folder;
            ClashScene scene(c.root, c.nodes);
            const std::string refusal = WriteClash(format, scene, folder);
            bool refused = false;
            for (const ClashOutcome& outcome : c.outcomes) {
                if (!Names(outcome, format.label) || outcome.kind == kYield) continue;
                refused = true;
                if (outcome.kind == kClash) {
                    EXPECT_EQ(refusal, std::string(format.label) +
                                           " files cannot tell these nodes apart (make their names unique):\n    " +
                                           outcome.text);
                } else {
                    EXPECT_NE(refusal.find(outcome.text), std::string::npos) << refusal;
                }
            }
            if (refused) continue;
            ASSERT_EQ(refusal, "");
            // Read back, the file holds what the same scene with names of its own does.
            std::vector<ClashNode> plainNodes = c.nodes;
            for (std::size_t k = 0; k < plainNodes.size(); ++k) plainNodes[k].name = "n" + std::to_string(k);
            ScratchFolder plainFolder;
            ClashScene plain("Hips", plainNodes);
            ASSERT_EQ(WriteClash(format, plain, plainFolder), "");
            const ReadBack expected = ReadClash(format, plainFolder);
            const ReadBack read = ReadClash(format, folder);
            EXPECT_GT(expected.keys, 0);
            EXPECT_EQ(read.nodes, expected.nodes);
            EXPECT_EQ(read.keys, expected.keys);
            EXPECT_EQ(read.names.size(), read.nodes);  // no name is shared
            for (const ClashOutcome& outcome : c.outcomes) {
                if (Names(outcome, format.label)) {
                    const bool named = read.names.count(outcome.text) != 0;
                    EXPECT_TRUE(named || read.text.find(outcome.text) != std::string::npos) << outcome.text;
                }
            }
        }
    }
}

}  // namespace
