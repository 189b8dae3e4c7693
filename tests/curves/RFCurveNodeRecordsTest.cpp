#include "curves/RFCurveNodeRecords.h"

#include <gtest/gtest.h>

#include <string>

#include "core/RIntMap.h"
#include "curves/RTimeWarpRegistry.h"
#include "tests/curves/CurveNodeTestSupport.h"
#include "tests/curves/CurveRecordsTestSupport.h"

using namespace curve_node_test;
using curve_test::At;
using curve_test::MakeKey;
using record_test::ExpectSameCurve;
using record_test::RecordFile;

namespace {

using Key = RCurveKey;

void ExpectSameTree(const RFCurveNode& expected, const RFCurveNode& actual) {
    SCOPED_TRACE(testing::Message() << "node " << expected.GetName() << " layer " << expected.GetLayerID());
    EXPECT_STREQ(expected.GetName(), actual.GetName());
    EXPECT_STREQ(expected.GetUserName().Buffer(), actual.GetUserName().Buffer());
    EXPECT_EQ(expected.GetLayerID(), actual.GetLayerID());
    EXPECT_EQ(expected.GetLayerType(), actual.GetLayerType());
    ASSERT_EQ(expected.GetCurve() != nullptr, actual.GetCurve() != nullptr);
    if (expected.GetCurve() != nullptr) {
        ExpectSameCurve(*expected.GetCurve(), *actual.GetCurve());
    }
    ASSERT_EQ(expected.GetChildCount(), actual.GetChildCount());
    for (int i = 0; i < expected.GetChildCount(); ++i) {
        ExpectSameTree(*expected.GetChild(i), *actual.GetChild(i));
    }
    ASSERT_EQ(expected.GetNextLayer() != nullptr, actual.GetNextLayer() != nullptr);
    if (expected.GetNextLayer() != nullptr) {
        ExpectSameTree(*expected.GetNextLayer(), *actual.GetNextLayer());
    }
}

void AddWavyKeys(RFCurve& curve, float scale) {
    curve.AddKey(At(0.0), MakeKey(scale, Key::Cubic, Key::Auto));
    curve.AddKey(At(0.5), MakeKey(-scale, Key::Cubic, Key::User, 2.0f * scale, -scale));
    Key tcb;
    tcb.SetTensionContinuityBias(RTime(), 0.5f * scale, 0.1f, 0.2f, -0.3f);
    curve.AddKey(At(1.25), tcb);
    curve.AddKey(At(2.0), MakeKey(3.0f * scale, Key::Linear, 0));
}

// Registers a time warp under an id for the length of a test; the test holds one reference.
class TimeWarpScope {
public:
    TimeWarpScope() : list_(16), warp_(RFCurveNode::Create("Warp", Type("TimeWarp"))) {
        warp_->AddReference();
        AddTimeWarpToList(list_, kId, warp_);
        SetTimeWarpList(&list_);
    }
    ~TimeWarpScope() {
        SetTimeWarpList(nullptr);
        RFCurveNode::Release(warp_);
    }
    TimeWarpScope(const TimeWarpScope&) = delete;
    TimeWarpScope& operator=(const TimeWarpScope&) = delete;

    static constexpr int kId = 7;
    RFCurveNode* Warp() const { return warp_; }

private:
    RIntMap list_;
    RFCurveNode* warp_;
};

// "Defaults" with a translation node (user name, time warp on its "X", two additive layers)
// and a rotation node.
RFCurveNode* BuildTakeTree(RFCurveNode* warp) {
    RFCurveNode* root = RFCurveNode::Create("Defaults", nullptr);
    RFCurveNode* translation = MakeVectorNode("Lcl Translation", Type("Lcl Translation"), {1, 2, 3},
                                              RFCurveNode::LayerAdditive);
    translation->SetUserName("Position");
    for (int i = 0; i < 3; ++i) {
        AddWavyKeys(ChannelCurve(*translation, i), static_cast<float>(i + 1));
    }
    translation->GetChild(0)->SetTimeWarp(warp);
    RFCurveNode* layer = translation->CreateLayer(3, true);
    AddWavyKeys(ChannelCurve(*layer, 1), 0.25f);
    translation->AddLayer(5);
    root->AddChild(translation);
    RFCurveNode* rotation = MakeVectorNode("Lcl Rotation", Type("Lcl Rotation"), {0, 90, 0},
                                           RFCurveNode::LayerRotation);
    AddWavyKeys(ChannelCurve(*rotation, 2), 45.0f);
    root->AddChild(rotation);
    return root;
}

void WriteChildren(RecordFile& file, const RFCurveNode& root, bool defaultOnly, bool letterNames) {
    ASSERT_TRUE(file.Write([&](RWyxFile& out) {
        for (int i = 0; i < root.GetChildCount(); ++i) {
            EXPECT_TRUE(RFCurveNodeRecords::Write(*root.GetChild(i), out, defaultOnly, letterNames, false, "Channel",
                                                  true, false));
        }
    }));
}

int ReadChildren(const RecordFile& file, RFCurveNode& root, bool createMissing = true,
                 RFCurveRecords::Losses* losses = nullptr) {
    RWyxFile in;
    EXPECT_TRUE(file.Open(in));
    int read = 0;
    while (RFCurveNodeRecords::ReadChannel(in, &root, false, createMissing, true, losses) != nullptr) {
        ++read;
    }
    EXPECT_EQ(-1, in.GetLastErrorID());
    return read;
}

class NodeRecordsForms : public testing::TestWithParam<WyxForm> {};

INSTANTIATE_TEST_SUITE_P(Forms, NodeRecordsForms, testing::Values(WyxForm::kBinary, WyxForm::kAscii),
                         [](const testing::TestParamInfo<WyxForm>& info) { return FormName(info.param); });

TEST_P(NodeRecordsForms, LayeredTreeWithTimeWarpRoundTrips) {
    TimeWarpScope scope;
    const NodePtr tree(BuildTakeTree(scope.Warp()));
    // A channel with both a curve and channels of its own keeps both.
    RFCurveNode* mixed = tree->GetChild(1)->GetChild(2);
    AddWavyKeys(*mixed->FindOrAddChild("Offset", true)->GetCurve(), 2.0f);
    RecordFile file(GetParam());
    WriteChildren(file, *tree, false, false);

    const NodePtr read(RFCurveNode::Create("Defaults", nullptr));
    ASSERT_EQ(2, ReadChildren(file, *read));
    ExpectSameTree(*tree, *read);
    // The time warp of a component is the vector's.
    RFCurveNode* translation = read->GetChild(0);
    EXPECT_EQ(scope.Warp(), translation->GetTimeWarp());
    EXPECT_EQ(nullptr, translation->GetChild(0)->GetTimeWarp());
    // The layers hang off the base node; their channels share the base channels' names.
    RFCurveNode* layer = translation->GetNextLayer();
    EXPECT_EQ(translation, layer->GetLayerOwner());
    EXPECT_EQ(translation, layer->GetNextLayer()->GetLayerOwner());
    EXPECT_EQ(translation->GetChild(1), layer->GetChild(1)->GetLayerOwner());
}

TEST_P(NodeRecordsForms, LetterNamesFindTheTransformNodes) {
    const NodePtr tree(BuildTakeTree(nullptr));
    RecordFile file(GetParam());
    WriteChildren(file, *tree, false, true);
    RWyxFile in;
    ASSERT_TRUE(file.Open(in));
    ASSERT_TRUE(in.FieldReadBegin("Channel"));
    EXPECT_STREQ("T", in.FieldReadString().Buffer());

    // A scene's skeleton: the transform nodes are found by data type, in any order.
    const NodePtr skeleton(RFCurveNode::Create("Defaults", nullptr));
    skeleton->AddChild(RFCurveNode::Create("Lcl Rotation", Type("Lcl Rotation")));
    skeleton->AddChild(RFCurveNode::Create("Lcl Translation", Type("Lcl Translation")));
    ASSERT_EQ(2, ReadChildren(file, *skeleton));
    ExpectSameTree(*tree->GetChild(0), *skeleton->GetChild(1));
    ExpectSameTree(*tree->GetChild(1), *skeleton->GetChild(0));
}

TEST_P(NodeRecordsForms, UserNamesAndDefaultsOnly) {
    const NodePtr tree(BuildTakeTree(nullptr));
    RecordFile file(GetParam());
    WriteChildren(file, *tree, true, false);
    RWyxFile in;
    ASSERT_TRUE(file.Open(in));
    ASSERT_TRUE(in.FieldReadBegin("Channel"));
    ASSERT_TRUE(in.FieldReadBlockBegin());
    EXPECT_STREQ("Position", in.FieldReadStringByName("UserName", "").Buffer());
    EXPECT_FALSE(in.FieldReadBegin("LayerChannel"));
    ASSERT_TRUE(in.FieldReadBegin("Channel"));
    ASSERT_TRUE(in.FieldReadBlockBegin());
    EXPECT_FALSE(in.FieldReadBegin("UserName"));  // "X" is its own user name
    EXPECT_FALSE(in.FieldReadBegin("KeyCount"));
    EXPECT_TRUE(in.FieldReadBegin("Default"));
}

// ---- Channel lookup and hand-made records -------------------------------------------------

// Writes a "Channel" field with the name whose block body() writes.
template <typename Body>
void Channel(RWyxFile& out, const char* name, Body body, const char* field = "Channel") {
    out.FieldWriteBegin(field);
    out.FieldWriteString(name);
    out.FieldWriteBlockBegin();
    body();
    out.FieldWriteBlockEnd();
    out.FieldWriteEnd();
}

void IntField(RWyxFile& out, const char* name, int value) {
    out.FieldWriteBegin(name);
    out.FieldWriteInt(value);
    out.FieldWriteEnd();
}

void DefaultField(RWyxFile& out, double value) {
    out.FieldWriteBegin("Default");
    out.FieldWriteDouble(value);
    out.FieldWriteEnd();
}

TEST_P(NodeRecordsForms, ChannelsAreFoundCreatedOrPassed) {
    RecordFile file(GetParam());
    ASSERT_TRUE(file.Write([](RWyxFile& out) {
        Channel(out, "Vector", [&] {
            Channel(out, "X  (note)", [&] { DefaultField(out, 1); });
            Channel(out, "New", [&] { DefaultField(out, 2e39); });
        });
        Channel(out, "Leaf", [&] {
            DefaultField(out, -2e39);
            Channel(out, "Unknown", [&] { DefaultField(out, 4); });
        });
        Channel(out, "Mixed", [&] {
            DefaultField(out, 5);
            Channel(out, "Unknown", [&] { DefaultField(out, 6); });
        });
    }));
    const NodePtr root(RFCurveNode::Create("Defaults", nullptr));
    RFCurveNode* vector = RFCurveNode::Create("Vector", nullptr);
    vector->AddChild(RFCurveNode::Create("X", nullptr));
    root->AddChild(vector);
    RFCurveNode* leaf = root->FindOrAddChild("Leaf", true);
    leaf->GetCurve()->SetDefaultValue(3.0f);
    // Defaults no float holds leave the curve's own, read into a curve the node had or a new one.
    RFCurveRecords::Losses losses;
    ASSERT_EQ(3, ReadChildren(file, *root, true, &losses));
    EXPECT_EQ(losses.numbers, 2);
    EXPECT_EQ(0.0f, vector->GetChild(1)->GetCurve()->GetDefaultValue());
    ASSERT_EQ(2, vector->GetChildCount());
    EXPECT_EQ(1.0f, vector->GetChild(0)->GetCurve()->GetDefaultValue());
    EXPECT_STREQ("New", vector->GetChild(1)->GetName());
    // A parent that had a curve before the file was read passes channels it does not know.
    EXPECT_EQ(3.0f, leaf->GetCurve()->GetDefaultValue());
    EXPECT_EQ(0, leaf->GetChildCount());
    // A node the file makes keeps both the curve and the channels the file gives it.
    RFCurveNode* mixed = root->GetChild(2);
    ASSERT_STREQ("Mixed", mixed->GetName());
    EXPECT_EQ(5.0f, mixed->GetCurve()->GetDefaultValue());
    ASSERT_EQ(1, mixed->GetChildCount());
    EXPECT_EQ(6.0f, mixed->GetChild(0)->GetCurve()->GetDefaultValue());

    // Without create-missing nothing new appears.
    const NodePtr bare(RFCurveNode::Create("Defaults", nullptr));
    EXPECT_EQ(0, ReadChildren(file, *bare, false));
    EXPECT_EQ(0, bare->GetChildCount());
}

TEST_P(NodeRecordsForms, LayerIdsTypesAndChannelsFromTheFileAreChecked) {
    RecordFile file(GetParam());
    ASSERT_TRUE(file.Write([](RWyxFile& out) {
        Channel(out, "Lcl Translation", [&] {
            IntField(out, "LayerID", -4);
            Channel(out, "X", [&] { DefaultField(out, 1); });
            Channel(out, "Y", [&] { DefaultField(out, 2); });
            Channel(
                out, "Lcl Translation",
                [&] {
                    IntField(out, "LayerID", 2);
                    Channel(out, "X", [&] { DefaultField(out, 5); });
                    Channel(out, "Extra", [&] { DefaultField(out, 6); });  // not in the base node
                    Channel(
                        out, "Lcl Translation", [&] { IntField(out, "LayerID", 2); },  // not above 2
                        "LayerChannel");
                },
                "LayerChannel");
        });
        Channel(out, "Odd", [&] {
            IntField(out, "LayerType", 99);
            DefaultField(out, 0);
        });
        Channel(out, "Quaternion", [&] {
            IntField(out, "LayerType", RFCurveNode::LayerQuaternion);
            Channel(out, "X", [&] { DefaultField(out, 0); });
            Channel(out, "Y", [&] { DefaultField(out, 0); });
        });
    }));
    const NodePtr root(RFCurveNode::Create("Defaults", nullptr));
    ASSERT_EQ(3, ReadChildren(file, *root));
    RFCurveNode* translation = root->GetChild(0);
    EXPECT_EQ(0, translation->GetLayerID());
    EXPECT_EQ(RFCurveNode::LayerAdditive, translation->GetLayerType());
    RFCurveNode* layer = translation->GetNextLayer();
    ASSERT_NE(nullptr, layer);
    EXPECT_EQ(2, layer->GetLayerID());
    ASSERT_EQ(2, layer->GetChildCount());
    EXPECT_EQ(5.0f, layer->GetChild(0)->GetCurve()->GetDefaultValue());
    EXPECT_EQ(nullptr, layer->GetNextLayer());
    EXPECT_EQ(RFCurveNode::LayerNormal, root->GetChild(1)->GetLayerType());
    EXPECT_EQ(RFCurveNode::LayerNormal, root->GetChild(2)->GetLayerType());

    // Read into a node that has a layer already, an id at or above that layer's is not taken.
    const NodePtr layered(RFCurveNode::Create("Defaults", nullptr));
    RFCurveNode* existing = MakeVectorNode("Lcl Translation", Type("Lcl Translation"), {0, 0, 0});
    existing->CreateLayer(1, true);
    layered->AddChild(existing);
    RecordFile high(GetParam());
    ASSERT_TRUE(high.Write([](RWyxFile& out) { Channel(out, "Lcl Translation", [&] { IntField(out, "LayerID", 5); }); }));
    ASSERT_EQ(1, ReadChildren(high, *layered));
    EXPECT_LT(existing->GetLayerID(), existing->GetNextLayer()->GetLayerID());
}

// ---- Hostile shapes: what a file makes and the work it takes are bounded by what it holds ----

// Counts how often the reader asks a node about its children.
class CountingNode : public RFCurveNode {
public:
    CountingNode() : RFCurveNode("Counted") {}
    int GetChildCount() const override { return ++asked_, RFCurveNode::GetChildCount(); }
    RFCurveNode* GetChild(int index) const override { return ++asked_, RFCurveNode::GetChild(index); }
    // A walk over all the children.
    int GetChildIndex(const RFCurveNode* node) const override {
        asked_ += RFCurveNode::GetChildCount();
        return RFCurveNode::GetChildIndex(node);
    }
    int GetChildIndexByName(const char* name) const override {
        asked_ += RFCurveNode::GetChildCount();
        return RFCurveNode::GetChildIndexByName(name);
    }
    int Asked() const { return asked_; }

private:
    mutable int asked_ = 0;
};

int CountNodes(const RFCurveNode& node) {
    int count = 1;
    for (int i = 0; i < node.GetChildCount(); ++i) {
        count += CountNodes(*node.GetChild(i));
    }
    return node.GetNextLayer() != nullptr ? count + CountNodes(*node.GetNextLayer()) : count;
}

// One node of many channels with distinct names (and the transform letters), followed by a
// chain of layer records that hold nothing.
void WriteWideNode(RWyxFile& out, int channels, int layers) {
    Channel(out, "Wide", [&] {
        for (int c = 0; c < channels; ++c) {
            const std::string name = c % 100 == 0 ? "T" : "channel " + std::to_string(c);
            Channel(out, name.c_str(), [&] { DefaultField(out, c); });
        }
        for (int l = 1; l <= layers; ++l) {
            out.FieldWriteBegin("LayerChannel");
            out.FieldWriteString("Wide");
            out.FieldWriteBlockBegin();
            IntField(out, "LayerID", l);
        }
        for (int l = 0; l < layers; ++l) {
            out.FieldWriteBlockEnd();
            out.FieldWriteEnd();
        }
    });
}

TEST_P(NodeRecordsForms, ChannelsAreFoundWithoutComparingEachWithAllBefore) {
    constexpr int kChannels = 3000;
    RecordFile file(GetParam());
    ASSERT_TRUE(file.Write([](RWyxFile& out) { WriteWideNode(out, kChannels, 0); }));
    RWyxFile in;
    ASSERT_TRUE(file.Open(in));
    ASSERT_TRUE(in.FieldReadBegin("Channel"));
    CountingNode wide;
    RFCurveNodeRecords::Read(wide, in, false, true, true);
    ASSERT_EQ(wide.RFCurveNode::GetChildCount(), kChannels - kChannels / 100 + 1);
    EXPECT_LE(wide.Asked(), 8 * kChannels);
}

// Every layer copies its node's channels: a chain of empty layer records may not make the
// channels the file holds again for each record.
TEST_P(NodeRecordsForms, EmptyLayerRecordsDoNotCopyTheirNodeOverAndOver) {
    constexpr int kChannels = 400;
    constexpr int kLayers = 100;
    RecordFile file(GetParam());
    ASSERT_TRUE(file.Write([](RWyxFile& out) { WriteWideNode(out, kChannels, kLayers); }));
    RWyxFile in;
    ASSERT_TRUE(file.Open(in));
    const NodePtr top(RFCurveNodeRecords::ReadTopChannel(in, false, true));
    ASSERT_NE(top, nullptr);
    EXPECT_LE(CountNodes(*top), 4 * (kChannels + kLayers));
    // The layers that were read are whole copies of the node.
    ASSERT_NE(top->GetNextLayer(), nullptr);
    EXPECT_EQ(top->GetNextLayer()->GetChildCount(), top->GetChildCount());
}

TEST_P(NodeRecordsForms, DeepNestingStopsAtTheLimit) {
    constexpr int kDepth = RFCurveNodeRecords::kMaxNesting + 40;
    RecordFile file(GetParam());
    ASSERT_TRUE(file.Write([](RWyxFile& out) {
        for (int i = 0; i < kDepth; ++i) {
            out.FieldWriteBegin("Channel");
            out.FieldWriteString("N");
            out.FieldWriteBlockBegin();
        }
        for (int i = 0; i < kDepth; ++i) {
            out.FieldWriteBlockEnd();
            out.FieldWriteEnd();
        }
    }));
    RWyxFile in;
    ASSERT_TRUE(file.Open(in));
    const NodePtr top(RFCurveNodeRecords::ReadTopChannel(in, false, true));
    ASSERT_NE(nullptr, top);
    int depth = 1;
    for (const RFCurveNode* node = top.get(); node->GetChildCount() > 0; node = node->GetChild(0)) {
        ++depth;
    }
    EXPECT_EQ(RFCurveNodeRecords::kMaxNesting, depth);
}

}  // namespace
