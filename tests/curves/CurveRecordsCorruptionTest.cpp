// Damaged curve and curve-node records read through the real container: truncated and
// byte-flipped files of every form, and "Key" fields of random values. Every one is read
// safely (under the sanitizers in CI) into curves whose keys keep strictly increasing times
// and finite values.

#include "curves/RFCurveNodeRecords.h"
#include "curves/RFCurveRecords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/curves/CurveNodeTestSupport.h"
#include "tests/curves/CurveRecordsTestSupport.h"

using namespace curve_node_test;
using curve_test::At;
using curve_test::MakeKey;
using record_test::RecordFile;

namespace {

using Key = RCurveKey;

void ExpectSoundCurve(const RFCurve& curve) {
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        ASSERT_TRUE(std::isfinite(curve.GetKey(k).GetValue())) << k;
        if (k > 0) {
            ASSERT_LT(curve.GetKey(k - 1).GetTime(), curve.GetKey(k).GetTime()) << k;
        }
    }
    for (int step = -2; step < 8; ++step) {
        (void)curve.EvaluateAt(At(step * 0.4));
    }
}

void ExpectSoundTree(RFCurveNode& node) {
    if (node.GetCurve() != nullptr) {
        ExpectSoundCurve(*node.GetCurve());
    }
    for (int i = 0; i < node.GetChildCount(); ++i) {
        ExpectSoundTree(*node.GetChild(i));
    }
    if (node.GetNextLayer() != nullptr) {
        ExpectSoundTree(*node.GetNextLayer());
    }
}

void EvaluateTree(RFCurveNode& node) {
    std::vector<double> values(static_cast<std::size_t>(node.GetValueCount()) + 1);
    std::vector<double> raw(static_cast<std::size_t>(node.GetRawValueCount()) + 1);
    for (int step = 0; step < 4; ++step) {
        int hint = 0;
        node.Evaluate(values.data(), At(step * 0.6), &hint, step % 2 == 0);
        node.EvaluateRaw(raw.data(), At(step * 0.6));
    }
}

// The valid file: a curve of every coding under "Curve" and a layered tree as "Channel".
void WriteSample(RWyxFile& out) {
    RFCurve curve;
    record_test::BuildEveryCoding(curve);
    out.FieldWriteBegin("Curve");
    out.FieldWriteBlockBegin();
    RFCurveRecords::Write(curve, out, false, true, false);
    out.FieldWriteBlockEnd();
    out.FieldWriteEnd();

    const NodePtr node(MakeVectorNode("Lcl Rotation", Type("Lcl Rotation"), {1, 2, 3}, RFCurveNode::LayerRotation));
    ChannelCurve(*node, 0).AddKey(At(0.0), MakeKey(0.0f, Key::Cubic, Key::Auto));
    ChannelCurve(*node, 0).AddKey(At(1.0), MakeKey(90.0f, Key::Cubic, Key::Auto));
    RFCurveNode* layer = node->CreateLayer(2, true);
    ChannelCurve(*layer, 1).AddKey(At(0.5), MakeKey(10.0f, Key::Linear, 0));
    layer->SetLayerType(RFCurveNode::LayerQuaternion);
    RFCurveNodeRecords::Write(*node, out, false, false, false, "Channel", true, false);
}

// Reads everything the records hold; the readers must cope with whatever the file says.
// Answers the number of curve keys read.
int ReadAll(RWyxFile& in) {
    int keys = 0;
    while (in.FieldReadBegin("Curve")) {
        if (in.FieldReadBlockBegin()) {
            RFCurve* curve = RFCurveRecords::CreateFromFile(in, false, true);
            if (curve != nullptr) {
                keys += curve->GetKeyCount();
                ExpectSoundCurve(*curve);
                RFCurve::Destroy(curve);
            }
            in.FieldReadBlockEnd();
        }
        in.FieldReadEnd();
    }
    while (RFCurveNode* top = RFCurveNodeRecords::ReadTopChannel(in, false, true)) {
        const NodePtr owned(top);
        keys += top->GetKeyCount(true);
        ExpectSoundTree(*top);
        EvaluateTree(*top);
    }
    return keys;
}

// A curve whose keys are random values: times in and out of order, numbers of every size,
// letters of every coding, and key counts that do not match.
void WriteRandomCurve(RWyxFile& out, std::mt19937& random) {
    static const char kLetters[] = "CLUBHIORTAZaspqtbdnrlxU?";
    static const int kVersions[] = {0, 3000, 4000, 4002, 4004};
    out.FieldWriteBegin("Curve");
    out.FieldWriteBlockBegin();
    out.FieldWriteBegin("Default");
    out.FieldWriteDouble(1.0);
    out.FieldWriteEnd();
    out.FieldWriteBegin("KeyVer");
    out.FieldWriteInt(kVersions[random() % 5]);
    out.FieldWriteEnd();
    out.FieldWriteBegin("KeyCount");
    out.FieldWriteInt(static_cast<int>(random() % 40) - 5);
    out.FieldWriteEnd();
    out.FieldWriteBegin("Key");
    const int values = static_cast<int>(random() % 80);
    for (int i = 0; i < values; ++i) {
        switch (random() % 6) {
        case 0:
            out.FieldWriteTime(At((static_cast<int>(random() % 40) - 5) * 0.1));
            break;
        case 1:
        case 2:
            out.FieldWriteChar(kLetters[random() % (sizeof kLetters - 1)]);
            break;
        case 3:
            out.FieldWriteDouble(
                std::ldexp(static_cast<double>(random() % 200) - 100.0, static_cast<int>(random() % 300) - 150));
            break;
        case 4:
            out.FieldWriteDouble(static_cast<double>(random() % 7) - 3.0);
            break;
        default:
            out.FieldWriteInt(static_cast<int>(random()));
            break;
        }
    }
    out.FieldWriteEnd();
    out.FieldWriteBlockEnd();
    out.FieldWriteEnd();
}

class RecordCorruption : public testing::TestWithParam<WyxForm> {
protected:
    void SetUp() override {
        ASSERT_TRUE(valid_.Write(WriteSample));
        bytes_ = valid_.Bytes();
    }

    // Reads the damaged bytes when they open; answers whether they did.
    bool Try(const std::string& bytes) {
        const std::string path = scratch_.WriteFile("damaged.wyx", bytes);
        RWyxFile in;
        if (!in.Open(path.c_str())) {
            return false;
        }
        ReadAll(in);
        return true;
    }

    RecordFile valid_{GetParam()};
    ScratchFolder scratch_;
    std::string bytes_;
};

INSTANTIATE_TEST_SUITE_P(Forms, RecordCorruption, testing::Values(WyxForm::kBinary, WyxForm::kAscii),
                         [](const testing::TestParamInfo<WyxForm>& info) { return FormName(info.param); });

TEST_P(RecordCorruption, TruncationsAndByteFlipsAreReadSafely) {
    ASSERT_TRUE(Try(bytes_));
    for (std::size_t length = 0; length < bytes_.size(); length += 7) {
        Try(bytes_.substr(0, length));
    }
    int opened = 0;
    for (std::size_t at = 0; at < bytes_.size(); ++at) {
        for (const unsigned char mask : {0x01, 0xff}) {
            std::string damaged = bytes_;
            damaged[at] = static_cast<char>(damaged[at] ^ mask);
            opened += Try(damaged) ? 1 : 0;
        }
    }
    EXPECT_GT(opened, 0);
}

TEST_P(RecordCorruption, RandomKeyValuesAreReadSafely) {
    std::mt19937 random(99);
    int keys = 0;
    for (int round = 0; round < 40; ++round) {
        RecordFile file(GetParam());
        ASSERT_TRUE(file.Write([&](RWyxFile& out) {
            for (int curve = 0; curve < 100; ++curve) {
                WriteRandomCurve(out, random);
            }
        }));
        RWyxFile in;
        ASSERT_TRUE(file.Open(in));
        keys += ReadAll(in);
        if (HasFatalFailure()) {
            return;
        }
    }
    EXPECT_GT(keys, 500);
}

}  // namespace
