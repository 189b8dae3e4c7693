// Writes the seed files of the curve record fuzzers into <folder>/curve and <folder>/node:
// curves of every coding and curve-node trees written by the SDK's own writers, in the
// binary, ASCII and encrypted forms, and hand-made records of the older key versions.

#include <cstdio>
#include <functional>
#include <string>
#include <sys/stat.h>

#include "core/RDataType.h"
#include "core/RIntMap.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveNodeRecords.h"
#include "curves/RFCurveRecords.h"
#include "curves/RTimeWarpRegistry.h"
#include "fileio/RWyxFile.h"

namespace {

using Key = RCurveKey;

RTime At(double seconds) {
    RTime time;
    time.FromSeconds(seconds);
    return time;
}

Key MakeKey(float value, uint32_t interpolation, uint32_t mode, float data0 = 0.0f, float data1 = 0.0f,
            uint32_t weights = 0, float w2 = Key::kDefaultWeight, float w3 = Key::kDefaultWeight) {
    Key key;
    key.Set(RTime(), value, interpolation, mode, data0, data1, weights, w2, w3, 0.0f, 0.0f);
    return key;
}

Key Tcb(float value, float tension, float continuity, float bias) {
    Key key;
    key.SetTensionContinuityBias(RTime(), value, tension, continuity, bias);
    return key;
}

void BuildEveryCoding(RFCurve& curve) {
    curve.SetDefaultValue(7.5f);
    curve.AddKey(At(0.0), MakeKey(1.0f, Key::Constant, Key::ConstantNext));
    curve.AddKey(At(0.1), MakeKey(2.0f, Key::Constant, 0));
    curve.AddKey(At(0.2), MakeKey(-3.0f, Key::Linear, 0));
    curve.AddKey(At(0.3), Tcb(4.25f, 0.1f, 0.2f, 0.3f));
    curve.AddKey(At(0.4), MakeKey(2.0f, Key::Cubic, Key::Auto));
    curve.AddKey(At(0.5), MakeKey(5.0f, Key::Cubic, Key::User, 1.5f, -2.0f, Key::WeightedRight | Key::WeightedNextLeft, 0.25f, 0.6f));
    curve.AddKey(At(0.65), MakeKey(6.0f, Key::Cubic, Key::UserBreak, -0.75f, 3.0f, Key::WeightedRight, 0.7f));
    curve.AddKey(At(0.7), MakeKey(1.0f, Key::Cubic, Key::Auto, 0.0f, 30.0f));
    curve.AddKey(At(0.8), MakeKey(0.5f, Key::Cubic, Key::Auto, -30.0f, 12.0f, Key::WeightedNextLeft, Key::kDefaultWeight, 0.4f));
    curve.AddKey(At(0.9), MakeKey(0.25f, Key::Cubic, Key::AutoBreak, 20.0f, 0.0f));
    curve.AddKey(At(1.0), MakeKey(0.125f, Key::Cubic, Key::AutoBreak));
    curve.AddKey(At(1.1), MakeKey(-1.0f, Key::Cubic, Key::User, 1.0f, 0.0f));
    curve.SetPreExtrapolationType(RFCurve::ExtrapolationRepetition);
    curve.SetPreExtrapolationRepetition(3);
    curve.SetPostExtrapolationType(RFCurve::ExtrapolationKeepSlope);
    curve.SetPostExtrapolationRepetition(RFCurve::kUnlimitedRepetitions);
    const float rgb[3] = {0.25f, 0.5f, 0.75f};
    curve.SetColor(rgb);
}

void FillVector(RFCurveNode& node, float scale) {
    for (int i = 0; i < node.GetChildCount(); ++i) {
        RFCurve& curve = *node.GetChild(i)->GetCurve();
        curve.AddKey(At(0.0), MakeKey(scale * (i + 1), Key::Cubic, Key::Auto));
        curve.AddKey(At(0.5), Tcb(-scale, 0.0f, 0.3f, -0.2f));
        curve.AddKey(At(1.0), MakeKey(scale * 3.0f, Key::Linear, 0));
    }
}

RFCurveNode* MakeVector(const char* name, int layerType) {
    RFCurveNode* node = RFCurveNode::Create(name, RDataType::FindByName(name), layerType);
    for (const char* axis : {"X", "Y", "Z"}) {
        node->FindOrAddChild(axis, true);
    }
    return node;
}

// A take's tree: layered translation with a user name and a time warp, rotation with a
// quaternion layer, a leaf channel with a curve and channels of its own.
RFCurveNode* BuildTree(RFCurveNode* warp) {
    RFCurveNode* root = RFCurveNode::Create("Defaults", nullptr);
    RFCurveNode* translation = MakeVector("Lcl Translation", RFCurveNode::LayerAdditive);
    translation->SetUserName("Position");
    FillVector(*translation, 1.0f);
    translation->GetChild(0)->SetTimeWarp(warp);
    FillVector(*translation->CreateLayer(3, true), 0.5f);
    translation->AddLayer(5);
    root->AddChild(translation);
    RFCurveNode* rotation = MakeVector("Lcl Rotation", RFCurveNode::LayerRotation);
    rotation->SetRotationOrder(4);
    FillVector(*rotation, 30.0f);
    RFCurveNode* layer = rotation->CreateLayer(2, true);
    layer->SetLayerType(RFCurveNode::LayerQuaternion);
    root->AddChild(rotation);
    RFCurveNode* leaf = root->FindOrAddChild("Intensity", true);
    BuildEveryCoding(*leaf->GetCurve());
    leaf->FindOrAddChild("Offset", true)->GetCurve()->AddKey(At(0.2), MakeKey(1.0f, Key::Linear, 0));
    root->AddChild(MakeVector("Lcl Scaling", RFCurveNode::LayerMultiplicative));
    return root;
}

bool WriteFile(const std::string& path, int form, int version, const std::function<void(RWyxFile&)>& body) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = version;
    if (!file.Create(path.c_str(), form != 1, form == 2, info)) {
        return false;
    }
    body(file);
    return file.Close();
}

void Field(RWyxFile& out, const char* name, const std::function<void()>& values) {
    out.FieldWriteBegin(name);
    values();
    out.FieldWriteEnd();
}

// Curves of the older key versions, spelt out value by value.
void WriteOlderCurves(RWyxFile& out) {
    struct Older {
        int version;
        int count;
        std::function<void()> keys;
    };
    const auto time = [&](double s) { out.FieldWriteTime(At(s)); };
    const Older curves[] = {
        {4002, 4, [&] { time(0); out.FieldWriteDouble(1); out.FieldWriteChar('U'); out.FieldWriteChar('a');
                        time(1); out.FieldWriteDouble(2); out.FieldWriteChar('U'); out.FieldWriteChar('S'); out.FieldWriteDouble(1.5); out.FieldWriteDouble(-0.5); out.FieldWriteChar('l'); out.FieldWriteDouble(0.75);
                        time(2); out.FieldWriteDouble(3); out.FieldWriteChar('U'); out.FieldWriteChar('d'); out.FieldWriteDouble(4); out.FieldWriteChar('r'); out.FieldWriteDouble(0.2);
                        time(3); out.FieldWriteDouble(4); out.FieldWriteChar('U'); out.FieldWriteChar('p'); out.FieldWriteDouble(5); out.FieldWriteDouble(0); out.FieldWriteChar('n'); }},
        {4000, 5, [&] { time(0); out.FieldWriteDouble(0); out.FieldWriteChar('U'); out.FieldWriteChar('A'); out.FieldWriteDouble(25);
                        time(1); out.FieldWriteDouble(1); out.FieldWriteChar('L');
                        time(2); out.FieldWriteDouble(2); out.FieldWriteChar('U'); out.FieldWriteChar('a'); out.FieldWriteDouble(0);
                        time(3); out.FieldWriteDouble(3); out.FieldWriteChar('U'); out.FieldWriteChar('b'); out.FieldWriteDouble(2); out.FieldWriteDouble(-1);
                        time(4); out.FieldWriteDouble(1); out.FieldWriteChar('Z'); }},
        {3000, 5, [&] { time(0); out.FieldWriteDouble(0); out.FieldWriteChar('B'); out.FieldWriteChar('b'); out.FieldWriteDouble(99); out.FieldWriteDouble(1);
                        time(2); out.FieldWriteDouble(3); out.FieldWriteChar('B'); out.FieldWriteChar('b'); out.FieldWriteDouble(2); out.FieldWriteDouble(4);
                        time(3); out.FieldWriteDouble(5); out.FieldWriteChar('H'); out.FieldWriteChar('s'); out.FieldWriteDouble(-1.5);
                        time(4); out.FieldWriteDouble(6); out.FieldWriteChar('T'); out.FieldWriteDouble(0.5); out.FieldWriteDouble(0); out.FieldWriteDouble(-0.25);
                        time(5); out.FieldWriteDouble(2); out.FieldWriteChar('O'); out.FieldWriteChar('a'); }},
    };
    for (const Older& curve : curves) {
        Field(out, "Curve", [&] {
            out.FieldWriteBlockBegin();
            Field(out, "Default", [&] { out.FieldWriteDouble(1.0); });
            Field(out, "KeyVer", [&] { out.FieldWriteInt(curve.version); });
            Field(out, "KeyCount", [&] { out.FieldWriteInt(curve.count); });
            Field(out, "Key", curve.keys);
            out.FieldWriteBlockEnd();
        });
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    mkdir(folder.c_str(), 0755);
    mkdir((folder + "/curve").c_str(), 0755);
    mkdir((folder + "/node").c_str(), 0755);

    RFCurve every;
    BuildEveryCoding(every);
    RIntMap list(8);
    RFCurveNode* warp = RFCurveNode::Create("Warp", RDataType::FindByName("TimeWarp"));
    warp->AddReference();
    AddTimeWarpToList(list, 7, warp);
    SetTimeWarpList(&list);
    RFCurveNode* tree = BuildTree(warp);

    bool written = true;
    static const char* const kForms[] = {"binary", "ascii", "encrypted"};
    for (int form = 0; form < 3; ++form) {
        for (const int version : {6000, 2000}) {
            const std::string suffix = std::string(kForms[form]) + "-" + std::to_string(version) + ".wyx";
            written = WriteFile(folder + "/curve/curves-" + suffix, form, version, [&](RWyxFile& out) {
                RFCurveRecords::Write(every, out, false, true, false);
                for (const bool autoSlopes : {false, true}) {
                    Field(out, "Curve", [&] {
                        out.FieldWriteBlockBegin();
                        RFCurveRecords::Write(every, out, false, true, autoSlopes);
                        out.FieldWriteBlockEnd();
                    });
                }
                WriteOlderCurves(out);
            }) && written;
            written = WriteFile(folder + "/node/tree-" + suffix, form, version, [&](RWyxFile& out) {
                for (int i = 0; i < tree->GetChildCount(); ++i) {
                    RFCurveNodeRecords::Write(*tree->GetChild(i), out, false, form == 1, false, "Channel", true, form == 2);
                }
            }) && written;
        }
    }
    SetTimeWarpList(nullptr);
    RFCurveNode::Destroy(tree);
    RFCurveNode::Release(warp);
    return written ? 0 : 1;
}
