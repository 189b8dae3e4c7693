#include "formats/motion/RAmcFile.h"

#include "core/EulerAngles.h"
#include "core/PreOrderWalk.h"
#include "curves/RFCurveNode.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RAsfBone.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxAsfScene.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <strings.h>
#include <vector>

namespace {

const char* const kDelimiters = " \t,()\r\n";

enum Keyword {
    kFormat,
    kFullySpecified,
    kDegrees,
    kAsfFile,
    kAsfPath,
    kSamplesPerSecond,
    kFrameRange,
    kKeyframeList,
    kSmpte,
    kOtherKeyword,
};

const char* const kKeywordTexts[] = {":FORMAT",        ":FULLY-SPECIFIED", ":DEGREES",
                                     ":ASF-FILE",      ":ASF-PATH",        ":SAMPLES-PER-SECOND",
                                     ":FRAME-RANGE",   ":KEYFRAME-LIST",   ":SMPTE",
                                     ":"};

const char* const kSupportedFormat = "FIRSTFRAME-INDEXED";
constexpr double kInchesToCentimetres = 2.54;
constexpr double kCentimetresToInches = 0.39370078740157477;
// Frame indices beyond this are refused: their times could not be told apart.
constexpr double kMaxFrameIndex = 2147483647.0;

// Length units at or below 0 leave lengths as they stand (as the ASF reader does).
double TranslationScale(const RWyxAsfScene& skeleton) {
    return skeleton.lengthUnit > 0.0 ? kInchesToCentimetres / skeleton.lengthUnit : 1.0;
}

}  // namespace

RAmcFile::RAmcFile(bool report) : RMotionTextFile("AMC", kDelimiters, "#", true, report) {
    for (int i = 0; i <= kOtherKeyword; ++i) {
        keywords_[i] = RMotionKeyword{kKeywordTexts[i], 0};
    }
    keywords_[kOtherKeyword + 1] = RMotionKeyword{"", 0};
}

bool RAmcFile::Fail(const char* text) {
    Error("%s", text);
    return false;
}

bool RAmcFile::BeginsWithNumberWord(const char* text) {
    double value = 0.0;
    const std::size_t used = ParseDouble(text, value);
    return used > 0 && (text[used] == '\0' || CharInSet(text[used], kDelimiters));
}

bool RAmcFile::AtFrameLine() const { return GetCursor() != nullptr && BeginsWithNumberWord(GetCursor()); }

bool RAmcFile::CheckFormat() {
    char word[kWordBufferLength + 1];
    if (!ReadWord(word, kWordBufferLength)) {
        return Fail("Can't read the DOF line format");
    }
    return strcasecmp(word, kSupportedFormat) == 0 || Fail("Unsupported DOF line format\n");
}

int RAmcFile::SkipFrame() {
    int skipped = 0;
    while (NextLine() && !AtFrameLine()) {
        ++skipped;
    }
    return skipped;
}

bool RAmcFile::ReadHeader(RStreamOptionsMotion& options) {
    Rewind();
    ResetKeywordCounts(keywords_);
    std::int64_t frames = 0;
    double rate = 0.0;
    bool hasRate = false;
    bool hasRange = false;
    int first = 0;
    int last = 0;
    while (!IsAtEnd()) {
        switch (ReadKeyword(keywords_)) {
            case kFormat:
                if (!CheckFormat()) {
                    return false;
                }
                NextLine();
                break;
            case kSamplesPerSecond:
                if (ReadDouble(rate, 1.0)) {
                    if (!std::isfinite(rate) || rate < 0.0 || rate > RStreamOptionsMotion::kMaxFrameRate) {
                        Error("Frame rate %g is outside 0 to %g", rate, RStreamOptionsMotion::kMaxFrameRate);
                        return false;
                    }
                    hasRate = true;
                }
                NextLine();
                break;
            case kFrameRange: {
                int from = 0;
                int to = 0;
                char dash = '\0';
                if (ReadInt(from) && GetChar(dash) && dash == '-' && ReadInt(to) && to >= from) {
                    hasRange = true;
                    first = from;
                    last = to;
                }
                NextLine();
                break;
            }
            case -1: {
                int index = 0;
                if (!ReadInt(index)) {
                    return Fail("Frame index expected");
                }
                ++frames;
                SkipFrame();
                break;
            }
            default:
                NextLine();
                break;
        }
    }
    if (HasReadFailed()) {
        return false;
    }
    if (hasRate) {
        options.SetFrameRate(0, rate);
    }
    if (hasRange) {
        const std::int64_t span = static_cast<std::int64_t>(last) - first + 1;
        frames = span < frames ? span : frames;
    }
    if (frames > kMaxFrameIndex) {
        return Fail("Too many frames");
    }
    const RTime start = options.GetFramePeriod() * first;
    options.SetStartTime(start);
    if (start.IsInfinitelyLate() || start.IsInfinitelyEarly() ||
        !options.FramesFitTimeRange(static_cast<int>(frames))) {
        return Fail("The frames reach beyond the time range");
    }
    options.SetFrameCount(static_cast<int>(frames));
    return true;
}

bool RAmcFile::ReadFrameIndex(double& index) {
    return ReadDouble(index, 1.0) && std::isfinite(index);
}

bool RAmcFile::ReadFrames(RWyxAsfScene& skeleton, const RStreamOptionsMotion& options) {
    RAsfBone* root = skeleton.GetRoot();
    if (root == nullptr) {
        return Fail("The skeleton has no bones");
    }
    const RTime start = options.GetStartTime();
    const RTime period = options.GetFramePeriod();
    const int count = options.GetFrameCount();
    bones_.clear();
    lastTimes_.clear();
    VisitPreOrder(root, [this](RAsfBone& bone) { bones_.emplace(bone.name, &bone); });
    root->CreateCurves();
    root->BeginCurveEdit();
    Rewind();
    ResetKeywordCounts(keywords_);
    bool ok = true;
    int framesRead = 0;
    std::int64_t previousIndex = 0;
    while (ok && !IsAtEnd()) {
        const int keyword = ReadKeyword(keywords_);
        if (keyword >= 0) {
            if (keyword == kFormat) {
                ok = CheckFormat();
            } else if (keyword == kOtherKeyword) {
                Warning("Ignoring unknown keyword (:%s)\n", GetCursor());
            }
            if (ok && !NextLine()) {
                ok = Fail("Unexpected end of file\n");
            }
            continue;
        }
        double index = 0.0;
        if (!ReadFrameIndex(index)) {
            ok = Fail("Unknown keyword\n");
            break;
        }
        if (framesRead >= count) {
            if (framesRead == 0) {
                ok = Fail("The options hold no frames to read, the file has some\n");
            }
            break;
        }
        options.ReportProgress(0, "Reading AMC animation frames",
                               static_cast<float>(static_cast<std::int64_t>(framesRead) * 100 / count));
        const double step = std::trunc(index - 1.0);
        if (!(std::fabs(step) <= kMaxFrameIndex) || (framesRead > 0 && step <= previousIndex)) {
            Error("Frame index %g does not follow frame %lld", index, static_cast<long long>(previousIndex + 1));
            ok = false;
            break;
        }
        previousIndex = static_cast<std::int64_t>(step);
        const std::int64_t ticks = period.GetTicks();
        if (ticks <= 0 || std::fabs(step) > static_cast<double>((RTime::kInfinitelyLate - 1) / ticks)) {
            ok = Fail("A frame lies beyond the time range");
            break;
        }
        const RTime time = start + RTime(ticks * previousIndex);
        if (time.IsInfinitelyLate() || time.IsInfinitelyEarly()) {
            ok = Fail("A frame lies beyond the time range");
            break;
        }
        ok = ReadFrame(skeleton, time);
        ++framesRead;
    }
    if (count == 0) {
        options.ReportProgress(0, "Reading AMC animation frames", 0.0f);
    }
    root->FinishCurves();
    bones_.clear();
    lastTimes_.clear();
    return ok && !HasReadFailed();
}

bool RAmcFile::ReadFrame(RWyxAsfScene& skeleton, RTime time) {
    RAsfBone* root = skeleton.GetRoot();
    const double translationScale = TranslationScale(skeleton);
    bool rootSeen = false;
    while (NextLine() && !AtFrameLine()) {
        char name[RAsfBone::kMaxReadNameLength + 1];
        if (!ReadWord(name, RAsfBone::kMaxReadNameLength)) {
            continue;
        }
        RAsfBone* bone = nullptr;
        if (std::strcmp(name, "root") == 0) {
            bone = rootSeen ? nullptr : root;
            rootSeen = true;
        } else if (!bones_.empty()) {
            const auto found = bones_.find(name);
            bone = found != bones_.end() && found->second != root ? found->second : nullptr;
        } else if (root != nullptr) {
            bone = root->FindBone(name);
        }
        if (bone == nullptr) {
            Error("Unknown bone name (%s)\n", name);
            return false;
        }
        const auto last = lastTimes_.find(bone);
        if (last != lastTimes_.end() && last->second >= time) {
            Error("Bone %s given twice in one frame\n", name);
            return false;
        }
        lastTimes_[bone] = time;
        double values[RAsfBone::kMaxDofs] = {};
        for (int i = 0; i < RAsfBone::kMaxDofs && ReadDouble(values[i], 1.0); ++i) {
            if (!std::isfinite(values[i] * translationScale) || !std::isfinite(values[i] * skeleton.angleUnit)) {
                Error("Value %d of %s is not a number\n", i + 1, name);
                return false;
            }
        }
        if (!bone->AddFrameKeys(values, time, translationScale, skeleton.angleUnit)) {
            return Fail("Can't store the keys");
        }
    }
    return !HasReadFailed();
}

// ---- printing ----------------------------------------------------------------------------------------

void RAmcFile::WriteHeader(bool writeRate, double rate, bool writeRange, int first, int last) {
    if (writeRate) {
        Print(0, "%s %g\n", ":SAMPLES-PER-SECOND", rate);
    }
    if (writeRange) {
        Print(0, "%s %d-%d\n", ":FRAME-RANGE", first, last);
    }
    Print(0, "%s\n", ":FULLY-SPECIFIED");
    Print(0, "%s\n", ":DEGREES");
}

const RAsfBone* RAmcFile::WriteFrame(RWyxAsfScene& skeleton, RTime time, int frameIndex, const RMatrix* parentMatrix) {
    Print(0, "%d\n", frameIndex);
    return skeleton.GetRoot() != nullptr ? WriteBoneValues(skeleton, *skeleton.GetRoot(), time, parentMatrix) : nullptr;
}

namespace {

// The values of a bone's stored channel at the time; the fallback when it has none.
RVector4 ChannelValues(RFCurveNode* channel, RTime time, double fallback) {
    double values[3] = {fallback, fallback, fallback};
    ChannelNodeValues(channel, &time, values);
    return RVector4(values[0], values[1], values[2], 0.0);
}

}  // namespace

const RAsfBone* RAmcFile::WriteBoneValues(RWyxAsfScene& skeleton, const RAsfBone& bone, RTime time,
                                          const RMatrix* parentMatrix) {
    RMatrix childMatrix;
    if (parentMatrix != nullptr) {
        RVector4 scaling;
        MatrixToScaling(scaling, *parentMatrix);
        childMatrix[0][0] = scaling.x;
        childMatrix[1][1] = scaling.y;
        childMatrix[2][2] = scaling.z;
    }
    if (bone.dofCount > 0) {
        RVector4 translation = ChannelValues(bone.takeCurveNodes[0], time, 0.0);
        RVector4 angles = ChannelValues(bone.takeCurveNodes[1], time, 0.0);
        if (bone.takeCurveNodes[2] != nullptr) {
            ScaleMatrixRows(childMatrix, childMatrix, ChannelValues(bone.takeCurveNodes[2], time, 1.0));
        }
        if (parentMatrix != nullptr) {
            MatrixTransformPoint(translation, *parentMatrix, translation);
            RMatrix rotation;
            EulerVectorXYZToMatrix(rotation, angles);
            RMatrix parentRotation = *parentMatrix;
            NormalizeMatrixRows(parentRotation, parentRotation);
            MatrixToEulerXYZ(angles, RotationProduct(rotation, parentRotation));
        }
        RMatrix own;
        EulerVectorXYZToMatrix(own, angles);
        const int order = bone.DofRotationOrder();
        RVector4 sequence;
        MatrixToEuler(sequence, RotationProduct(own, bone.parentAxisFrame, bone.inverseAxisFrame), order);
        double byAxis[3] = {0.0, 0.0, 0.0};
        const EulerOrder euler = GetEulerOrder(order);
        for (int position = 0; position < 3; ++position) {
            byAxis[euler.AngleAxis(position)] = *sequence.Component(position);
        }
        RVector4 moved;
        MatrixTransformVector(moved, bone.parentAxisFrame, translation);
        moved = moved - RVector4(bone.parentOffset[0], bone.parentOffset[1], bone.parentOffset[2], 0.0);
        MatrixTransformVector(translation, bone.inverseAxisFrame, moved);
        if (!WithinFloats(translation.x) || !WithinFloats(translation.y) || !WithinFloats(translation.z)) {
            return &bone;
        }
        translation *= skeleton.lengthUnit * kCentimetresToInches;
        Print(0, "%s ", bone.GetName());
        for (int i = 0; i < bone.dofCount; ++i) {
            const int dof = bone.dofs[i];
            const double value = dof <= RAsfBone::kTz ? *translation.Component(dof) : byAxis[RAsfBone::kRx - dof];
            Print(0, " %g", value);
        }
        Print(0, "\n");
    }
    for (const std::unique_ptr<RAsfBone>& child : bone.children) {
        if (const RAsfBone* beyond = WriteBoneValues(skeleton, *child, time, &childMatrix)) {
            return beyond;
        }
    }
    return nullptr;
}
