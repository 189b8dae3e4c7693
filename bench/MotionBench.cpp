// Benchmarks of the BVH reader and writer on a skeleton of 100 joints (the root with 6
// channels, the others with 3) at two lengths, 50,000 and 100,000 frames: reading the file
// into a scene (parse, keys, post-read filters), and writing that scene back. Each reports
// frames per second, which must stay flat from the shorter file to the longer one (a read or
// write linear in the frames). The raw operation beside them is parsing the same file's
// numbers alone (std::from_chars over the bytes), the floor no reader can go below.
//
// Beside the read, the post-read filters it runs (rotation filter and constant key reducer, on
// copies of the read curves): the read is measured against the raw parse plus these, and
// against the raw parse with the rotation conversion the file's order needs, plus these.
//
// The read of a marker file whose names the nodes would repeat, against the read of the same
// file with unique names: the refusal costs the parse, not the nodes.
//
// A wide skeleton (limbs of ten joints hanging from the root, ten frames) of 1,000 and 4,000
// joints read from HTR, and written back to HTR (with the rest pose its read left), against
// the BVH read and write of as many joints: the cost per joint stays flat like the BVH one.
//
// A chain of 250, 500 and 1,000 joints (each the only child of the one before, 50 frames)
// written to HTR, against the BVH write of the same nodes: the time per segment stays flat from
// 250 joints deep to 1,000 (within 1.5 times), as the BVH one does.
//
// The same for C3D files of 50 markers (real numbers, DEC layout) at 20,000 and 40,000 frames:
// reading into marker nodes, writing them back, and beside them the raw decoding of the file's
// point floats alone.
//
// ASF skeletons of limbs of 10 bones hanging from the root, at 2,000 and 8,000 bones: the
// skeleton read (every bone starts under the root and the hierarchy moves it) against the same
// bones left under the root (no moves); the AMC read of a few frames into the nodes the
// skeleton's read made, against the BVH read of as many joints and frames; and the AMC write
// of such a skeleton against the BVH write of the same nodes. Each reports the time per bone
// (per node and frame for the writes), which must stay flat from the smaller skeleton to the
// larger.
//
// The teardown of a scene read from a BRD file (its group node made after the markers, so that
// the markers, ended first, leave the front of the group's children) at 2,000 and 8,000
// markers, beside that of an AOA file of as many markers (group made first): microseconds per
// node, which must stay flat from the smaller file to the larger and match the peer's.

#include "bench/RunFolder.h"
#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "curves/RFCurve.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RAsfFile.h"
#include "formats/motion/RC3dMarkerFile.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RotationCurveFilter.h"
#include "formats/motion/RWyxAsfScene.h"
#include "formats/motion/RWyxReaderAmc.h"
#include "formats/motion/RWyxReaderAsf.h"
#include "formats/motion/RWyxReaderBrd.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxReaderC3d.h"
#include "formats/motion/RWyxReaderHtr.h"
#include "formats/motion/RWyxReaderMcd.h"
#include "formats/motion/RWyxReaderTrc.h"
#include "formats/motion/RWyxWriterAmc.h"
#include "formats/motion/RWyxWriterAsf.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "formats/motion/RWyxWriterC3d.h"
#include "formats/motion/RWyxWriterHtr.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kJoints = 100;

using OptionsPtr = std::unique_ptr<RStreamOptionsMotion, RPlugDestroyer>;

// The generated files, removed at the end of the run.
wyx_bench::RunFolder& Folder() {
    static wyx_bench::RunFolder folder("wyx-motion-bench-");
    return folder;
}

// A BVH file of limbs of limbLength joints hanging from the root, at most `limbs` of them, each
// limb's first joint offset sideways by firstOffset(limb, joint); every channel of the joints
// moves every frame.
std::string WriteBvhFile(const std::string& name, int joints, int limbLength, int limbs, int frames,
                         int (*firstOffset)(int limb, int joint)) {
    const std::string path = Folder().Join(name);
    if (std::filesystem::exists(path)) {
        return path;
    }
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::fprintf(file, "HIERARCHY\nROOT j0\n{\nOFFSET 0 0 0\n"
                       "CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n");
    for (int limb = 0, joint = 1; limb < limbs && joint < joints; ++limb) {
        int depth = 0;
        for (; depth < limbLength && joint < joints; ++depth, ++joint) {
            std::fprintf(file, "JOINT j%d\n{\nOFFSET %d 3 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n", joint,
                         depth == 0 ? firstOffset(limb, joint) : 0);
        }
        std::fprintf(file, "End Site\n{\nOFFSET 0 2 0\n}\n");
        for (int i = 0; i < depth; ++i) std::fprintf(file, "}\n");
    }
    std::fprintf(file, "}\nMOTION\nFrames: %d\nFrame Time: 0.008333\n", frames);
    for (int f = 0; f < frames; ++f) {
        std::fprintf(file, "%.3f %.3f %.3f", 0.01 * f, 90.0, 0.0);
        for (int c = 0; c < 3 * joints; ++c) std::fprintf(file, " %.3f", 60.0 * std::sin(0.001 * f + c));
        std::fprintf(file, "\n");
    }
    std::fclose(file);
    return path;
}

// Five limbs of 19 joints hanging from the root; every channel moves every frame.
std::string WriteSkeletonFile(int frames) {
    return WriteBvhFile("skeleton-" + std::to_string(frames) + ".bvh", kJoints, (kJoints - 1) / 5, 5, frames,
                        [](int limb, int) { return limb - 2; });
}

constexpr int kMarkers = 50;

// Markers circling at their own radius, written by the C3D marker file itself.
std::string WriteMarkerFile(int frames) {
    const std::string path = Folder().Join("markers-" + std::to_string(frames) + ".c3d");
    if (std::filesystem::exists(path)) {
        return path;
    }
    RC3dMarkerFile file;
    std::vector<RString> names;
    for (int m = 0; m < kMarkers; ++m) names.push_back(RString("M") + m);
    file.Open(path.c_str(), "w");
    file.WriteHeader(kMarkers, RTime(), frames, 100.0, -1.0);
    file.WriteNames(names);
    std::vector<RVector4> positions(kMarkers);
    for (int f = 0; f < frames; ++f) {
        for (int m = 0; m < kMarkers; ++m) {
            positions[m] = RVector4((m + 1) * std::cos(0.01 * f), 100.0 + m, (m + 1) * std::sin(0.01 * f), 0.0);
        }
        file.WriteFrame(positions.data(), kMarkers, RTime(), f + 1);
    }
    file.Finish();
    file.Close();
    return path;
}

template <typename Reader = RWyxReaderBvh>
struct ReadScene {
    std::unique_ptr<RWyxObjectFactory> factory = std::make_unique<RWyxObjectFactory>();
    RWyxScene* scene = factory->CreateScene();
    OptionsPtr options;

    bool Read(const std::string& path) {
        Reader reader(factory.get());
        if (!reader.FileOpen(path.c_str())) return false;
        options.reset(static_cast<RStreamOptionsMotion*>(reader.GetReadOptions(false).release()));
        return options != nullptr && reader.Read(scene, options.get());
    }
};

void ReportFrames(benchmark::State& state, int frames) {
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate);
}

// Parses the file's numbers (std::from_chars over the bytes) and hands each to the sink.
template <typename Sink>
void ParseNumbers(const std::string& path, Sink& sink) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::vector<char> chunk(1 << 16);
    std::string carry;
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
        carry.append(chunk.data(), got);
        const char* at = carry.data();
        const std::size_t last = carry.find_last_of(" \n");
        if (last == std::string::npos) continue;
        const char* end = carry.data() + last;
        while (at < end) {
            double value = 0.0;
            const auto result = std::from_chars(at, end, value);
            if (result.ec == std::errc()) {
                sink(value);
                at = result.ptr;
            } else {
                ++at;
            }
        }
        carry.erase(0, last);
    }
    std::fclose(file);
}

void BM_BvhRaw(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const std::string path = WriteSkeletonFile(frames);
    for (auto _ : state) {
        double sum = 0.0;
        auto add = [&sum](double value) { sum += value; };
        ParseNumbers(path, add);
        benchmark::DoNotOptimize(sum);
    }
    ReportFrames(state, frames);
}

// The raw parse with the conversion the file's rotation order asks of a reader: every three
// numbers taken as Z, X, Y angles and turned into X, Y, Z ones through their matrix (the
// header's few numbers and the root's position go through it too).
void BM_BvhRawConverted(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const std::string path = WriteSkeletonFile(frames);
    const auto isZxy = [](const EulerOrder& o) { return o.axes[0] == 2 && o.axes[1] == 0 && o.axes[2] == 1 && !o.repeated; };
    int zxy = 0;
    while (zxy < 12 && !isZxy(GetEulerOrder(zxy))) ++zxy;
    const EulerOrder order = GetEulerOrder(zxy);
    for (auto _ : state) {
        double sum = 0.0;
        double triple[3];
        int held = 0;
        auto convert = [&](double value) {
            triple[held++] = value;
            if (held < 3) return;
            held = 0;
            RMatrix rotation;
            EulerToMatrixOfOrder(rotation, triple[0], triple[1], triple[2], order);
            RVector4 xyz;
            MatrixToEulerXYZ(xyz, rotation);
            sum += xyz.x + xyz.y + xyz.z;
        };
        ParseNumbers(path, convert);
        benchmark::DoNotOptimize(sum);
    }
    ReportFrames(state, frames);
}

// The file read into a new scene by the reader once an iteration.
template <typename Reader>
void ReadScenes(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        ReadScene<Reader> read;
        if (!read.Read(path)) state.SkipWithError("read failed");
        state.PauseTiming();
        read = ReadScene<Reader>();  // the scene's destruction is not the reader's
        state.ResumeTiming();
    }
}

template <typename Reader, std::string (*WriteFile)(int)>
void BM_Read(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    ReadScenes<Reader>(state, WriteFile(frames));
    ReportFrames(state, frames);
}

void BM_BvhRead(benchmark::State& state) { BM_Read<RWyxReaderBvh, &WriteSkeletonFile>(state); }

// The filters the BVH read runs after its frames, joint by joint as it runs them, on copies
// of the curves it read (made outside the timing).
void BM_BvhFilters(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    ReadScene<> read;
    if (!read.Read(WriteSkeletonFile(frames))) {
        state.SkipWithError("read failed");
        return;
    }
    std::vector<RFCurve*> readCurves;
    int joints = 0;
    for (RWyxNode* node; (node = read.factory->FindNode(("j" + std::to_string(joints)).c_str(), 0)) != nullptr; ++joints) {
        RWyxTakeNode* take = node->GetCurrentTakeNode();
        for (int c = joints == 0 ? RWyxTakeNode::TranslationX : RWyxTakeNode::RotationX; c <= RWyxTakeNode::RotationZ; ++c) {
            readCurves.push_back(take->GetChannelCurve(static_cast<RWyxTakeNode::Channel>(c)));
        }
    }
    std::vector<RFCurve> copies(readCurves.size());
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < copies.size(); ++i) copies[i].CopyFrom(*readCurves[i], true);
        std::vector<RFCurve*> curves;
        for (RFCurve& copy : copies) curves.push_back(&copy);
        state.ResumeTiming();
        RFCurve** joint = curves.data();
        ReduceConstantKeys(joint, 3);
        joint += 3;
        RotationCurveFilter rotationFilter;
        for (int j = 0; j < joints; ++j, joint += 3) {
            rotationFilter.Apply(joint);
            ReduceConstantKeys(joint, 3);
        }
    }
    ReportFrames(state, frames);
}

void BM_BvhWrite(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    ReadScene<> read;
    if (!read.Read(WriteSkeletonFile(frames))) {
        state.SkipWithError("read failed");
        return;
    }
    read.factory->FindNode("j0", 0)->SetMarked(1, false);
    const std::string out = Folder().Join("written.bvh");
    for (auto _ : state) {
        RWyxWriterBvh writer(read.factory.get());
        if (!writer.FileCreate(out.c_str()) || !writer.Write(read.scene, read.options.get()) || !writer.FileClose()) {
            state.SkipWithError("write failed");
        }
    }
    ReportFrames(state, frames);
}

void BM_C3dRaw(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const std::string path = WriteMarkerFile(frames);
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint8_t> chunk(1 << 16);
        std::size_t got = 0;
        while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
        std::fclose(file);
        // The data starts at the block the header's word 9 names.
        const std::size_t data = (static_cast<std::size_t>(bytes[17] << 8 | bytes[16]) - 1) * RC3dFile::kBlockSize;
        double sum = 0.0;
        for (std::size_t at = data; at + 4 <= bytes.size(); at += 4) sum += RC3dFile::DecodeFloat(&bytes[at], RC3dFile::kDec);
        benchmark::DoNotOptimize(sum);
    }
    ReportFrames(state, frames);
}

void BM_C3dRead(benchmark::State& state) { BM_Read<RWyxReaderC3d, &WriteMarkerFile>(state); }

void BM_C3dWrite(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    ReadScene<RWyxReaderC3d> read;
    if (!read.Read(WriteMarkerFile(frames))) {
        state.SkipWithError("read failed");
        return;
    }
    for (int m = 0; m < kMarkers; ++m) read.factory->FindNode(("M" + std::to_string(m)).c_str(), 0)->SetMarked(1, false);
    read.options->SetOption(kMotionExportC3DRealFormat, 1);
    const std::string out = Folder().Join("written.c3d");
    for (auto _ : state) {
        RWyxWriterC3d writer(read.factory.get());
        if (!writer.FileCreate(out.c_str()) || !writer.Write(read.scene, read.options.get()) || !writer.FileClose()) {
            state.SkipWithError("write failed");
        }
    }
    ReportFrames(state, frames);
}

// A TRC text of one frame of the markers; with `repeat` the last marker takes the first one's
// name, so that the read is refused for duplicate names.
std::string MarkerText(int markers, bool repeat) {
    std::string names;
    std::string labels = "\t";
    std::string values = "1\t0";
    for (int m = 1; m <= markers; ++m) {
        names += "\tM" + std::to_string(repeat && m == markers ? 1 : m);
        labels += "\tX" + std::to_string(m) + "\tY" + std::to_string(m) + "\tZ" + std::to_string(m);
        values += "\t1\t2\t3";
    }
    return "PathFileType\t3\t(X/Y/Z)\tbench.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n"
           "60\t60\t1\t" + std::to_string(markers) + "\tmm\nFrame#\tTime" + names + "\n" + labels + "\n" + values + "\n";
}

// A marker file read into a new scene, from memory, then the factory torn down, as a fuzz
// input is: names that the nodes would repeat (argument 1) against unique names (argument 0).
void BM_MarkerNames(benchmark::State& state) {
    const int markers = static_cast<int>(state.range(0));
    const bool repeat = state.range(1) != 0;
    const std::string text = MarkerText(markers, repeat);
    for (auto _ : state) {
        RWyxObjectFactory factory;
        RWyxReaderTrc reader(&factory);
        reader.OpenBytes(text.data(), text.size(), "bench.trc");
        OptionsPtr options(static_cast<RStreamOptionsMotion*>(reader.GetReadOptions(false).release()));
        if (options == nullptr || reader.Read(factory.CreateScene(), options.get()) == repeat) {
            state.SkipWithError("the read did not end as expected");
        }
    }
    state.SetLabel(repeat ? "refused for a repeated name" : "read");
}

constexpr int kLimbBones = 10;

// The bone data of bones b1 .. b(bones-1), then, with `moves`, the hierarchy hanging them in
// limbs of kLimbBones from the root.
std::string AsfText(int bones, bool moves) {
    std::string text = ":version 1.10\n:name bench\n:units\n  length 0.45\n  angle deg\n:root\n"
                       "   order TX TY TZ RX RY RZ\n   axis XYZ\n   position 0 0 0\n   orientation 0 0 0\n:bonedata\n";
    for (int b = 1; b < bones; ++b) {
        text += "begin\nname b" + std::to_string(b) + "\ndirection 0 1 0\nlength 2\naxis 0 0 20 XYZ\ndof rx ry rz\nend\n";
    }
    text += ":hierarchy\nbegin\n";
    for (int b = 1; moves && b < bones; ++b) {
        if ((b - 1) % kLimbBones != kLimbBones - 1 && b + 1 < bones) {
            text += "b" + std::to_string(b) + " b" + std::to_string(b + 1) + "\n";
        }
    }
    return text + "end\n";
}

void ReportPerUnit(benchmark::State& state, double units, const char* name) {
    state.counters[name] = benchmark::Counter(units, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The skeleton read from memory (argument 1: 1 with the hierarchy's moves, 0 without).
void BM_AsfRead(benchmark::State& state) {
    const int bones = static_cast<int>(state.range(0));
    const std::string text = AsfText(bones, state.range(1) != 0);
    for (auto _ : state) {
        RAsfFile file;
        std::unique_ptr<RWyxAsfScene, RPlugDestroyer> skeleton(RWyxAsfScene::Create());
        file.OpenBytes(text.data(), text.size());
        if (!file.Read(*skeleton, false)) state.SkipWithError("read failed");
    }
    ReportPerUnit(state, bones, "s/bone");
    state.SetLabel(state.range(1) != 0 ? "limbs moved by the hierarchy" : "bones left under the root");
}

constexpr int kWrittenFrames = 4;

// The frames of every bone: the root and three angles per bone.
std::string AmcText(int bones) {
    std::string text = ":FULLY-SPECIFIED\n:DEGREES\n:SAMPLES-PER-SECOND 120\n";
    for (int f = 1; f <= kWrittenFrames; ++f) {
        text += std::to_string(f) + "\nroot 0 17 -17 0 0 " + std::to_string(f) + "\n";
        for (int b = 1; b < bones; ++b) text += "b" + std::to_string(b) + " " + std::to_string(b % 90) + " 4.5 " + std::to_string(f) + "\n";
    }
    return text;
}

// The ASF file of a skeleton of limbs and the AMC file of its frames, written once.
std::pair<std::string, std::string> WriteAsfAmc(int bones) {
    const std::string asfPath = Folder().Join("skeleton-" + std::to_string(bones) + ".asf");
    const std::string amcPath = Folder().Join("skeleton-" + std::to_string(bones) + ".amc");
    for (const auto& [path, text] : {std::make_pair(asfPath, AsfText(bones, true)), std::make_pair(amcPath, AmcText(bones))}) {
        if (std::filesystem::exists(path)) continue;
        std::FILE* file = std::fopen(path.c_str(), "w");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    return {asfPath, amcPath};
}

// The skeleton read from the ASF file into a new scene, and the AMC reader opened with the
// options taking the frames of its header.
struct AsfThenAmc {
    ReadScene<RWyxReaderAsf> read;
    RWyxReaderAmc amc{read.factory.get()};

    bool Open(int bones) {
        const auto [asfPath, amcPath] = WriteAsfAmc(bones);
        if (!read.Read(asfPath) || !amc.FileOpen(amcPath.c_str())) return false;
        OptionsPtr header(static_cast<RStreamOptionsMotion*>(amc.GetReadOptions(false).release()));
        if (header == nullptr) return false;
        read.options->SetFrameRate(0, header->GetFrameRate());
        read.options->SetFrameCount(header->GetFrameCount());
        read.options->SetStartTime(header->GetStartTime());
        return true;
    }
    // The frames merged into the skeleton's nodes.
    bool ReadAmc() { return amc.Read(read.scene, read.options.get()); }
};

// The AMC frames read into the scene that holds the skeleton's nodes (argument 1: 0), against
// the BVH read of as many joints in limbs and frames (1). The ASF read is not measured.
void BM_AmcRead(benchmark::State& state) {
    const int bones = static_cast<int>(state.range(0));
    const bool bvh = state.range(1) != 0;
    if (bvh) {
        ReadScenes<RWyxReaderBvh>(state, WriteBvhFile("amc-peer-" + std::to_string(bones) + ".bvh", bones, kLimbBones,
                                                      bones, kWrittenFrames, [](int, int joint) { return joint % 7 - 3; }));
    } else {
        for (auto _ : state) {
            state.PauseTiming();
            auto read = std::make_unique<AsfThenAmc>();
            const bool opened = read->Open(bones);
            state.ResumeTiming();
            if (!opened || !read->ReadAmc()) state.SkipWithError("read failed");
            state.PauseTiming();
            read.reset();
            state.ResumeTiming();
        }
    }
    ReportPerUnit(state, bones, "s/bone");
    state.SetLabel(bvh ? "BVH of as many joints and frames" : "AMC into the skeleton's nodes");
}

// A skeleton and its frames read, the root node marked, and the ASF written once (as the AMC
// write needs); then the AMC write (argument 1: 0) or the BVH write (1) of the same nodes.
void BM_AmcWrite(benchmark::State& state) {
    const int bones = static_cast<int>(state.range(0));
    const bool bvh = state.range(1) != 0;
    AsfThenAmc both;
    if (!both.Open(bones) || !both.ReadAmc()) {
        state.SkipWithError("read failed");
        return;
    }
    ReadScene<RWyxReaderAsf>& read = both.read;
    read.factory->FindNode("root", 0)->SetMarked(1, false);
    RWyxWriterAsf asf(read.factory.get());
    OptionsPtr options(static_cast<RStreamOptionsMotion*>(asf.GetWriteOptions().release()));
    options->SetFrameRate(0, read.options->GetFrameRate());
    options->SetFrameCount(read.options->GetFrameCount());
    options->SetStartTime(read.options->GetStartTime());
    options->SetOption(kMotionExportFrameRange, 1);
    if (!asf.FileCreate(Folder().Join("written.asf").c_str()) || !asf.Write(read.scene, options.get()) || !asf.FileClose()) {
        state.SkipWithError("ASF write failed");
        return;
    }
    const std::string out = Folder().Join(bvh ? "written-skeleton.bvh" : "written.amc");
    for (auto _ : state) {
        bool written = false;
        if (bvh) {
            RWyxWriterBvh writer(read.factory.get());
            written = writer.FileCreate(out.c_str()) && writer.Write(read.scene, options.get()) && writer.FileClose();
        } else {
            RWyxWriterAmc writer(read.factory.get());
            written = writer.FileCreate(out.c_str()) && writer.Write(read.scene, options.get()) && writer.FileClose();
        }
        if (!written) state.SkipWithError("write failed");
    }
    ReportPerUnit(state, static_cast<double>(bones) * kWrittenFrames, "s/bone-frame");
    state.SetLabel(bvh ? "BVH of the same nodes" : "AMC");
}

// Markers in two frames: a BRD file (argument 1) or an AOA file.
std::string WriteTeardownFile(int markers, bool brd) {
    const std::string path = Folder().Join("teardown-" + std::to_string(markers) + (brd ? ".brd" : ".aoa"));
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!brd) std::fprintf(file, "bench\nframes = 2 markers = %d Hz = 60\n", markers);
    for (int f = 0; f < 2; ++f) {
        for (int m = 0; m < markers; ++m) {
            if (brd) {
                std::fprintf(file, "%d\t%d\tP\t%d\t2\t3\tQ\t0\t0\t0\t1\t0\t%d\n", f, m, m % 50 + f, f * 10000);
            } else {
                std::fprintf(file, "%d 100 %d\n", m % 50 + f, m % 7);
            }
        }
    }
    std::fclose(file);
    return path;
}

// ---- wide skeletons: HTR against BVH per joint --------------------------------------------------

constexpr int kWideFrames = 10;
constexpr int kWideLimb = 10;

// Joint j's parent: limbs of kWideLimb joints hanging from joint 0.
int WideParent(int joint) { return joint == 0 ? -1 : ((joint - 1) % kWideLimb == 0 ? 0 : joint - 1); }

std::string WriteWideHtr(int joints) {
    const std::string path = Folder().Join("wide-" + std::to_string(joints) + ".htr");
    if (std::filesystem::exists(path)) {
        return path;
    }
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::fprintf(file, "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments %d\nNumFrames %d\n"
                       "DataFrameRate 60\nEulerRotationOrder ZYX\nCalibrationUnits mm\nRotationUnits Degrees\n"
                       "GlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n[SegmentNames&Hierarchy]\n",
                 joints, kWideFrames);
    std::fprintf(file, "j0 GLOBAL\n");
    for (int j = 1; j < joints; ++j) std::fprintf(file, "j%d j%d\n", j, WideParent(j));
    std::fprintf(file, "[BasePosition]\nj0 0 900 0 0 0 0 100\n");
    for (int j = 1; j < joints; ++j) std::fprintf(file, "j%d 0 100 0 0 0 10 100\n", j);
    for (int j = 0; j < joints; ++j) {
        std::fprintf(file, "[j%d]\n", j);
        for (int f = 0; f < kWideFrames; ++f) {
            std::fprintf(file, "%d %.3f 0 0 %.3f %.3f 0 1.0\n", f, 0.1 * f, 30 * std::sin(0.01 * f + j),
                         20 * std::cos(0.01 * f));
        }
    }
    std::fprintf(file, "[EndOfFile]\n");
    std::fclose(file);
    return path;
}

std::string WriteWideBvh(int joints) {
    return WriteBvhFile("wide-" + std::to_string(joints) + ".bvh", joints, kWideLimb, joints, kWideFrames,
                        [](int, int joint) { return joint % 7 - 3; });
}

template <typename Reader, typename... Extra>
bool ReadMarkers(RWyxObjectFactory& factory, const std::string& path, Extra... extra) {
    Reader reader(&factory, extra...);
    if (!reader.FileOpen(path.c_str())) return false;
    OptionsPtr options(static_cast<RStreamOptionsMotion*>(reader.GetReadOptions(false).release()));
    return options != nullptr && reader.Read(factory.CreateScene(), options.get());
}

// The factory holding a marker scene torn down; the read is not measured.
void BM_MarkerTeardown(benchmark::State& state) {
    const int markers = static_cast<int>(state.range(0));
    const bool brd = state.range(1) != 0;
    const std::string path = WriteTeardownFile(markers, brd);
    double seconds = 0.0;
    for (auto _ : state) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        if (!(brd ? ReadMarkers<RWyxReaderBrd>(*factory, path) : ReadMarkers<RWyxReaderMcd>(*factory, path, false))) {
            state.SkipWithError("read failed");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        factory.reset();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["teardown_us/node"] = 1e6 * seconds / (static_cast<double>(state.iterations()) * markers);
    state.SetLabel(brd ? "BRD, group made last" : "AOA, group made first");
}

void ReportJoints(benchmark::State& state, int joints) {
    state.counters["s/joint"] =
        benchmark::Counter(joints, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Argument 1: 0 reads HTR, 1 BVH.
void BM_WideSkeletonRead(benchmark::State& state) {
    const int joints = static_cast<int>(state.range(0));
    const bool htr = state.range(1) == 0;
    if (htr) {
        ReadScenes<RWyxReaderHtr>(state, WriteWideHtr(joints));
    } else {
        ReadScenes<RWyxReaderBvh>(state, WriteWideBvh(joints));
    }
    ReportJoints(state, joints);
    state.SetLabel(htr ? "HTR" : "BVH");
}

template <typename Reader, typename Writer>
void WriteWide(benchmark::State& state, const std::string& path, const std::string& out) {
    ReadScene<Reader> read;
    if (!read.Read(path)) {
        state.SkipWithError("read failed");
        return;
    }
    read.factory->FindNode("j0", 0)->SetMarked(1, false);
    for (auto _ : state) {
        Writer writer(read.factory.get());
        if (!writer.FileCreate(out.c_str()) || !writer.Write(read.scene, read.options.get()) || !writer.FileClose()) {
            state.SkipWithError("write failed");
        }
    }
}

// The scene read from the wide file written back in its format. Argument 1: 0 HTR, 1 BVH.
void BM_WideSkeletonWrite(benchmark::State& state) {
    const int joints = static_cast<int>(state.range(0));
    const bool htr = state.range(1) == 0;
    if (htr) {
        WriteWide<RWyxReaderHtr, RWyxWriterHtr>(state, WriteWideHtr(joints), Folder().Join("written-wide.htr"));
    } else {
        WriteWide<RWyxReaderBvh, RWyxWriterBvh>(state, WriteWideBvh(joints), Folder().Join("written-wide.bvh"));
    }
    ReportJoints(state, joints);
    state.SetLabel(htr ? "HTR" : "BVH");
}

// ---- deep chains: HTR against BVH per segment ----------------------------------------------------

constexpr int kChainFrames = 50;

// A chain of limb-node joints, each one unit up from the one before, turning and moving along x
// at every frame of the take.
struct ChainScene {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    OptionsPtr options{RStreamOptionsMotion::Create()};

    explicit ChainScene(int joints) {
        RWyxNode* parent = scene->GetRootNode();
        for (int j = 0; j < joints; ++j) {
            RWyxNode* node = factory.CreateNode(("j" + std::to_string(j)).c_str());
            RWyxSkeleton* skeleton = factory.CreateSkeleton();
            skeleton->SetSkeletonType(2);
            node->SetNodeAttribute(skeleton);
            node->SetDefaultTranslation(RVector4(0.0, j == 0 ? 0.0 : 1.0, 0.0, 1.0));
            node->AddTakeNode("take");
            node->SetCurrentTakeNodeByName("take");
            RWyxTakeNode* take = node->GetCurrentTakeNode();
            for (int f = 0; f < kChainFrames; ++f) {
                const RTime time = RTime(RTime::kTicksPerSecond / 50) * f;
                take->GetTranslationXCurve()->AppendKey(time, 0.01f * static_cast<float>(f));
                take->GetRotationZCurve()->AppendKey(time, static_cast<float>(10.0 * std::sin(0.1 * f + j)));
            }
            parent->AddChild(node);
            parent = node;
        }
        scene->GetRootNode()->GetChild(0)->SetMarked(1, false);
        options->SetFrameRate(0, 50.0);
        options->SetFrameCount(kChainFrames);
    }
};

// The chain written in HTR (argument 1: 0) or BVH (1), each time a fresh one: a first write is
// what an export makes, and it finds no matrix cached.
void BM_ChainWrite(benchmark::State& state) {
    const int joints = static_cast<int>(state.range(0));
    const bool htr = state.range(1) == 0;
    const std::string out = Folder().Join(htr ? "written-chain.htr" : "written-chain.bvh");
    for (auto _ : state) {
        state.PauseTiming();
        auto chain = std::make_unique<ChainScene>(joints);
        state.ResumeTiming();
        {
            RWyxWriterHtr htrWriter(&chain->factory);
            RWyxWriterBvh bvhWriter(&chain->factory);
            RWyxWriter& writer = htr ? static_cast<RWyxWriter&>(htrWriter) : bvhWriter;
            if (!(writer.FileCreate(out.c_str()) && writer.Write(chain->scene, chain->options.get()) &&
                  writer.FileClose())) {
                state.SkipWithError("write failed");
            }
        }
        state.PauseTiming();
        chain.reset();
        state.ResumeTiming();
    }
    ReportPerUnit(state, joints, "s/segment");
    state.SetLabel(htr ? "HTR" : "BVH");
}

}  // namespace

BENCHMARK(BM_AsfRead)->ArgsProduct({{2000, 8000}, {1, 0}})->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_AmcRead)->ArgsProduct({{2000, 8000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_AmcWrite)->ArgsProduct({{2000, 8000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_MarkerTeardown)->Args({2000, 1})->Args({8000, 1})->Args({2000, 0})->Args({8000, 0})
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkerNames)->Args({50, 0})->Args({50, 1})->Args({500, 0})->Args({500, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_C3dRaw)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_C3dRead)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_C3dWrite)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BvhRaw)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BvhRawConverted)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BvhRead)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BvhFilters)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BvhWrite)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_WideSkeletonRead)->ArgsProduct({{1000, 4000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_WideSkeletonWrite)->ArgsProduct({{1000, 4000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_ChainWrite)->ArgsProduct({{250, 500, 1000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3)
    ->UseRealTime();
