#include "formats/motion/RAsfFile.h"

#include "core/EulerAngles.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RAmcFile.h"
#include "formats/motion/RAsfBone.h"
#include "formats/motion/RWyxAsfScene.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace {

const char* const kDelimiters = " \t,()\r\n";
// The delimiters a name may hold no more than blanks and control characters.
const char* const kNameSeparators = ",()";

enum Section { kVersion, kName, kUnits, kDocumentation, kRoot, kBoneData, kHierarchy, kSkin, kBareColon };
enum Unit { kMass, kLength, kAngle };
enum RootKey { kRootAxis, kRootOrder, kRootPosition, kRootOrientation };
enum Block { kBegin, kEnd };
enum BoneKey { kId, kBoneName, kDirection, kBoneLength, kBoneAxis, kDof, kLimits, kBodyMass, kCofMass };
constexpr int kLengthDof = 6;  // the "l" entry of the DOF words

const char* const kSectionWords[] = {":version", ":name", ":units", ":documentation", ":root",
                                     ":bonedata", ":hierarchy", ":skin", ":"};
const char* const kUnitWords[] = {"mass", "length", "angle"};
const char* const kAngleUnitWords[] = {"deg", "rad"};
const char* const kRootWords[] = {"axis", "order", "position", "orientation"};
const char* const kRotationOrderWords[] = {"zyx", "xzy", "yxz", "yzx", "zxy", "xyz"};
const char* const kChannelWords[] = {"tx", "ty", "tz", "rz", "ry", "rx"};
const char* const kBlockWords[] = {"begin", "end"};
const char* const kBoneWords[] = {"id", "name", "direction", "length", "axis", "dof", "limits", "bodymass", "cofmass"};
const char* const kDofWords[] = {"tx", "ty", "tz", "rz", "ry", "rx", "l"};

// The order in which the axis rotations act, left first, as Euler codes.
constexpr int kRotationOrderCodes[] = {10, 2, 6, 4, 8, 0};

constexpr double kInchesToCentimetres = 2.54;

template <std::size_t N>
void FillTable(RMotionKeyword* table, const char* const (&words)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        table[i] = RMotionKeyword{words[i], 0};
    }
    table[N] = RMotionKeyword{"", 0};
}

// The bone seen flags of a bone block.
constexpr unsigned kSeenName = 1;
constexpr unsigned kSeenDirection = 2;
constexpr unsigned kSeenLength = 4;

int Depth(const RAsfBone* root) {
    int deepest = 0;
    std::vector<std::pair<const RAsfBone*, int>> pending{{root, 1}};
    while (!pending.empty()) {
        const auto [bone, depth] = pending.back();
        pending.pop_back();
        if (depth > kMaxSkeletonDepth) {
            return depth;
        }
        deepest = depth > deepest ? depth : deepest;
        for (const std::unique_ptr<RAsfBone>& child : bone->children) {
            pending.emplace_back(child.get(), depth + 1);
        }
    }
    return deepest;
}

}  // namespace

RAsfFile::RAsfFile(bool report) : RMotionTextFile("ASF", kDelimiters, "#", true, report) {
    FillTable(sections_, kSectionWords);
    FillTable(units_, kUnitWords);
    FillTable(angleUnits_, kAngleUnitWords);
    FillTable(rootKeys_, kRootWords);
    FillTable(rotationOrders_, kRotationOrderWords);
    FillTable(rootChannels_, kChannelWords);
    FillTable(block_, kBlockWords);
    FillTable(boneKeys_, kBoneWords);
    FillTable(dofWords_, kDofWords);
}

double RAsfFile::LengthAsRead(double length, double lengthUnit) {
    return lengthUnit > 0.0 ? length * (kInchesToCentimetres / lengthUnit) : length;
}

bool RAsfFile::RotationOrderCode(int wordIndex, int& code) {
    if (wordIndex < 0 || wordIndex >= 6) {
        return false;
    }
    code = kRotationOrderCodes[wordIndex];
    return true;
}

RString RAsfFile::BoneNameFault(const RString& name) {
    if (name[0u] == '#') {
        return RString("begins with '#', which starts a comment line");
    }
    if (name[0u] == ':') {
        return RString("begins with ':', which starts a section");
    }
    if (name.FindAnyChar(kNameSeparators) >= 0) {
        return RString("holds ',', '(' or ')', which separate words");
    }
    for (const char* keyword : kBlockWords) {
        if (name.CompareIgnoringCase(keyword) == 0) {
            return RString("is the keyword ") + keyword;
        }
    }
    if (RAmcFile::BeginsWithNumberWord(name.Buffer())) {
        return RString("is a number, which begins a frame of the motion");
    }
    return WordNameFault(name, RAsfBone::kMaxReadNameLength);
}

bool RAsfFile::Fail(const char* text) {
    Error("%s", text);
    return false;
}

bool RAsfFile::AtNextSection() const { return PeekKeyword(sections_) >= 0; }

// Lines up to the next section; the end of the file fails the section.
bool RAsfFile::SkipToNextSection() {
    while (!AtNextSection()) {
        if (!NextLine()) {
            return false;
        }
    }
    return true;
}

void RAsfFile::SkipToColonLine() {
    char c = '\0';
    while (NextLine() && !(PeekChar(c) && c == ':')) {
    }
}

bool RAsfFile::ReadRotationOrder(int& code) {
    return RotationOrderCode(ReadKeyword(rotationOrders_), code) || Fail("Unknown rotation order");
}

// ---- sections ------------------------------------------------------------------------------------------

bool RAsfFile::ReadVersion() {
    double version = 0.0;
    if (!ReadDouble(version, 1.0) || !std::isfinite(version)) {
        Warning("Can't read file format version (%s), trying version 1.10\n", GetCursor());
    } else if (std::trunc(version * 100.0) != 110.0) {
        Warning("Bad File format version (%f), trying 1.10\n", version);
    }
    return NextLine() && SkipToNextSection();
}

bool RAsfFile::ReadName() {
    char name[RWyxAsfScene::kMaxReadNameLength + 1];
    if (ReadWord(name, RWyxAsfScene::kMaxReadNameLength)) {
        skeleton_->SetSkeletonName(name);
    } else {
        skeleton_->SetSkeletonName("Untitled");
        Warning("Can't read skeleton name, using \"%s\"\n", skeleton_->GetName());
    }
    return ReadUnitLines();
}

bool RAsfFile::ReadUnitLines() {
    if (!NextLine()) {
        return false;
    }
    ResetKeywordCounts(units_);
    while (!AtNextSection()) {
        double value = 0.0;
        switch (ReadKeyword(units_)) {
            case kMass:
                if (ReadDouble(value, 1.0) && std::isfinite(value)) {
                    skeleton_->massUnit = value;
                } else {
                    Warning("Can't read mass unit, using %f\n", skeleton_->massUnit);
                }
                break;
            case kLength:
                if (ReadDouble(value, 1.0) && std::isfinite(value)) {
                    skeleton_->lengthUnit = value;
                } else {
                    Warning("Can't read length unit, using %f\n", skeleton_->lengthUnit);
                }
                break;
            case kAngle: {
                const int unit = ReadKeyword(angleUnits_);
                if (unit < 0) {
                    Warning("Unknown angle unit, using default (deg)\n");
                } else {
                    skeleton_->angleUnit = unit == 0 ? 1.0 : RWyxAsfScene::kRadiansUnit;
                }
                break;
            }
            default:
                Warning("Unknown unit token\n");
                break;
        }
        if (!NextLine()) {
            return false;
        }
    }
    return true;
}

bool RAsfFile::ReadDocumentation() { return NextLine() && SkipToNextSection(); }

bool RAsfFile::ReadRootLine(RAsfBone& root) {
    double values[3] = {0.0, 0.0, 0.0};
    switch (ReadKeyword(rootKeys_)) {
        case kRootAxis:
            return ReadRotationOrder(root.rotationOrder);
        case kRootOrder: {
            root.dofCount = 0;
            int channel = -1;
            while ((channel = ReadKeyword(rootChannels_)) >= 0) {
                if (root.dofCount < RAsfBone::kMaxDofs) {
                    root.dofs[root.dofCount++] = channel;
                }
            }
            return true;
        }
        case kRootPosition:
            if (!ReadVector(values, 1.0)) {
                Warning("Can't read position, using 0.0 0.0 0.0\n");
            }
            root.endOffset.Set(values[0], values[1], values[2], 1.0);
            return true;
        case kRootOrientation:
            if (!ReadVector(values, 1.0)) {
                Warning("Can't read orientation, using 0.0 0.0 0.0\n");
            }
            std::memcpy(root.axis, values, sizeof values);
            return true;
        default:
            Warning("Unknown %s token (%s)\n", ":root", GetCursor());
            return true;
    }
}

bool RAsfFile::ReadRoot() {
    auto root = std::make_unique<RAsfBone>("root");
    ResetKeywordCounts(rootKeys_);
    if (!NextLine()) {
        return Fail("The file ends in the root section");
    }
    while (!AtNextSection()) {
        if (!ReadRootLine(*root)) {
            return false;
        }
        if (!NextLine()) {
            return Fail("The file ends in the root section");
        }
    }
    root->SetAxisFrame();
    CloseRootSlots();
    bonesByName_.clear();
    skeleton_->SetRoot(std::move(root));
    return true;
}

bool RAsfFile::ReadDofLimits(int count) {
    for (int i = 0; i < count; ++i) {
        double pair[2];
        if (!ReadDoublePair(pair, 1.0) && !(NextLine() && ReadDoublePair(pair, 1.0))) {
            return Fail("Can't read dof limits\n");
        }
    }
    return true;
}

bool RAsfFile::ReadBoneLine(RAsfBone& bone, unsigned& seen) {
    double values[3];
    double value = 0.0;
    int number = 0;
    switch (ReadKeyword(boneKeys_)) {
        case kId:
            if (!ReadInt(number)) {
                Warning("Can't read bone id value\n");
            }
            return true;
        case kBoneName: {
            char name[RAsfBone::kMaxReadNameLength + 1];
            if (!ReadWord(name, RAsfBone::kMaxReadNameLength)) {
                return Fail("Can't read bone name\n");
            }
            if (std::strcmp(name, "root") == 0) {
                return Fail("Forbidden bone name\n");
            }
            bone.SetName(name);
            seen |= kSeenName;
            return true;
        }
        case kDirection:
            if (!ReadVector(values, 1.0)) {
                return Fail("Can't read bone direction\n");
            }
            bone.direction.Set(values[0], values[1], values[2], 1.0);
            bone.direction.Normalize3();
            seen |= kSeenDirection;
            return true;
        case kBoneLength:
            if (!ReadDouble(value, 1.0) || !std::isfinite(value)) {
                return Fail("Can't read bone length\n");
            }
            value = LengthAsRead(value, skeleton_->lengthUnit);
            if (!std::isfinite(value)) {
                return Fail("Bone length beyond the range of numbers\n");
            }
            bone.length = value;
            seen |= kSeenLength;
            return true;
        case kBoneAxis:
            if (!ReadVector(values, 1.0)) {
                return Fail("Can't read bone local coordinate system\n");
            }
            std::memcpy(bone.axis, values, sizeof values);
            return ReadRotationOrder(bone.rotationOrder);
        case kDof: {
            bone.dofCount = 0;
            int dof = -1;
            while ((dof = ReadKeyword(dofWords_)) >= 0) {
                if (dof == kLengthDof) {
                    Warning("Unknown degree of freedom (%s)\n", GetCursor());
                } else if (bone.dofCount < RAsfBone::kMaxDofs) {
                    bone.dofs[bone.dofCount++] = dof;
                }
            }
            return true;
        }
        case kLimits:
            return ReadDofLimits(bone.dofCount);
        case kBodyMass:
            if (!ReadDouble(value, skeleton_->massUnit)) {
                Warning("Can't read bodymass value\n");
            }
            return true;
        case kCofMass:
            if (!ReadDouble(value, 1.0)) {
                Warning("Can't read cofmass value\n");
            }
            return true;
        default:
            Warning("Unknown bonedata token\n");
            return true;
    }
}

bool RAsfFile::ReadBoneBlock() {
    auto bone = std::make_unique<RAsfBone>();
    unsigned seen = 0;
    ResetKeywordCounts(boneKeys_);
    if (!NextLine()) {
        return Fail("The file ends in a bone block");
    }
    while (PeekWholeKeyword(block_) < 0) {
        if (!ReadBoneLine(*bone, seen)) {
            return false;
        }
        if (!NextLine()) {
            return Fail("The file ends in a bone block");
        }
    }
    if ((seen & kSeenName) == 0) {
        return Fail("Bone has no name\n");
    }
    if ((seen & kSeenDirection) == 0) {
        return Fail("Bone has no direction\n");
    }
    if ((seen & kSeenLength) == 0) {
        return Fail("Bone has no length\n");
    }
    bone->SetAxisFrame();
    bonesByName_[bone->name].push_back(bone.get());
    skeleton_->GetRoot()->AddChild(std::move(bone));
    return true;
}

bool RAsfFile::ReadBoneData() {
    if (skeleton_->GetRoot() == nullptr) {
        return Fail("Bone data before the root");
    }
    ResetKeywordCounts(block_);
    if (!NextLine()) {
        return Fail("The file ends in the bone data");
    }
    while (!AtNextSection()) {
        const int keyword = ReadWholeKeyword(block_);
        if (keyword == kBegin) {
            if (!ReadBoneBlock()) {
                return false;
            }
            continue;
        }
        if (keyword != kEnd) {
            Warning("Begin/End keyword expected\n");
        }
        if (!NextLine()) {
            return Fail("The file ends in the bone data");
        }
    }
    return true;
}

bool RAsfFile::ReadBoneWord(std::string& name) {
    RString word;
    if (!ReadWord(word)) {
        return false;
    }
    // Names are kept as a read keeps them.
    name.assign(word.Buffer(), static_cast<std::size_t>(word.GetLength()));
    if (name.size() > static_cast<std::size_t>(RAsfBone::kMaxReadNameLength)) {
        name.resize(static_cast<std::size_t>(RAsfBone::kMaxReadNameLength));
    }
    return true;
}

void RAsfFile::CloseRootSlots() {
    if (RAsfBone* root = skeleton_->GetRoot()) {
        root->CloseEmptySlots();
    }
    rootSlots_.clear();
    rootSlotsIndexed_ = 0;
}

std::size_t RAsfFile::RootSlotOf(const RAsfBone* bone) {
    auto found = rootSlots_.find(bone);
    if (found == rootSlots_.end()) {
        // Bones are only appended to the root while slots stay open: the new ones are indexed.
        const std::vector<std::unique_ptr<RAsfBone>>& children = skeleton_->GetRoot()->children;
        for (; rootSlotsIndexed_ < children.size(); ++rootSlotsIndexed_) {
            rootSlots_.emplace(children[rootSlotsIndexed_].get(), rootSlotsIndexed_);
        }
        found = rootSlots_.find(bone);
    }
    return found != rootSlots_.end() ? found->second : skeleton_->GetRoot()->children.size();
}

RAsfBone* RAsfFile::LookUpBone(const std::string& name) {
    const auto found = bonesByName_.find(name);
    if (found == bonesByName_.end()) {
        return nullptr;
    }
    // A name borne by several bones is looked up as the pre-order search finds it.
    return found->second.size() == 1 ? found->second[0] : skeleton_->GetRoot()->FindBone(name.c_str());
}

bool RAsfFile::ReadHierarchyLine() {
    std::string parentName;
    if (!ReadBoneWord(parentName)) {
        Warning("Can't read parent bone name\n");
        return true;
    }
    if (parentName == "root") {
        return true;
    }
    RAsfBone* root = skeleton_->GetRoot();
    RAsfBone* parent = LookUpBone(parentName);
    if (parent == nullptr) {
        Error("Unknown parent bone name (%s)\n", parentName.c_str());
        return false;
    }
    std::string childName;
    while (ReadBoneWord(childName)) {
        RAsfBone* child = LookUpBone(childName);
        if (child == nullptr) {
            Error("Unknown child bone name (%s)\n", childName.c_str());
            return false;
        }
        if (child->parent != root) {
            continue;  // a bone moved already keeps its first parent
        }
        int depth = 0;
        for (const RAsfBone* at = parent; at != nullptr; at = at->parent) {
            if (at == child) {
                Error("Bone %s cannot hang under itself or its descendant %s\n", child->GetName(), parent->GetName());
                return false;
            }
            if (++depth > kMaxSkeletonDepth) {
                Error("The skeleton is deeper than %d bones\n", kMaxSkeletonDepth);
                return false;
            }
        }
        // Found by its slot: a search and a shift of the root's list per move would cost
        // time growing with the square of the bone count.
        parent->AddChild(root->TakeChildAt(RootSlotOf(child)));
    }
    return true;
}

bool RAsfFile::ReadHierarchy() {
    ResetKeywordCounts(block_);
    if (skeleton_->GetRoot() == nullptr) {
        return Fail("Hierarchy before the root");
    }
    if (!NextLine()) {
        return true;
    }
    while (!AtNextSection()) {
        const int keyword = ReadWholeKeyword(block_);
        if (keyword == kBegin) {
            if (!NextLine()) {
                return true;
            }
            while (!AtNextSection() && PeekWholeKeyword(block_) != kEnd) {
                if (!ReadHierarchyLine()) {
                    return false;
                }
                if (!NextLine()) {
                    return true;
                }
            }
            continue;
        }
        if (keyword != kEnd) {
            Warning("Begin/End keyword expected\n");
        }
        if (!NextLine()) {
            return true;
        }
    }
    return true;
}

void RAsfFile::ReadSkin() {
    char word[kWordBufferLength + 1];
    for (int i = 0; i < 3 && ReadWord(word, kWordBufferLength); ++i) {
    }
    SkipToColonLine();
}

// ---- the whole file ---------------------------------------------------------------------------------

bool RAsfFile::ReadSections() {
    bool ok = true;
    while (!IsAtEnd() && ok) {
        const int section = ReadKeyword(sections_);
        switch (section) {
            case kVersion: ok = ReadVersion(); break;
            case kName: ok = ReadName(); break;
            case kUnits: ok = ReadUnitLines(); break;
            case kDocumentation: ok = ReadDocumentation(); break;
            case kRoot: ok = ReadRoot(); break;
            case kBoneData: ok = ReadBoneData(); break;
            case kHierarchy: ok = ReadHierarchy(); break;
            case kSkin: ReadSkin(); break;
            default:
                Warning("Ignoring unknown keyword (:%s)\n", GetCursor());
                SkipToColonLine();
                break;
        }
    }
    return ok;
}

bool RAsfFile::Read(RWyxAsfScene& skeleton, bool collapse) {
    skeleton_ = &skeleton;
    bonesByName_.clear();
    CloseRootSlots();
    Rewind();
    ResetKeywordCounts(sections_);
    const bool ok = ReadSections();
    CloseRootSlots();
    bonesByName_.clear();
    skeleton_ = nullptr;
    if (!ok || HasReadFailed()) {
        if (GetLastErrorText().empty()) {
            Fail("The file ends inside a section");
        }
        return false;
    }
    RAsfBone* root = skeleton.GetRoot();
    if (root == nullptr) {
        return Fail("No :root section");
    }
    if (Depth(root) > kMaxSkeletonDepth) {
        Error("The skeleton is deeper than %d bones", kMaxSkeletonDepth);
        return false;
    }
    root->ComputeRestFrames();
    if (collapse) {
        root->CollapseBonesWithoutDof();
    }
    skeleton.NameMadeUpNodes();
    return true;
}

// ---- printing ----------------------------------------------------------------------------------------

void RAsfFile::WriteBones(const RAsfBone& bone, int& id) {
    for (const std::unique_ptr<RAsfBone>& child : bone.children) {
        const RAsfBone& b = *child;
        Print(1, "%s\n", "begin");
        Print(2, "%s %d\n", "id", id);
        Print(2, "%s %s\n", "name", b.GetName());
        Print(2, "%s %g %g %g\n", "direction", b.direction.x, b.direction.y, b.direction.z);
        Print(2, "%s %g\n", "length", b.length);
        Print(2, "%s %g %g %g %s\n", "axis", b.axis[0], b.axis[1], b.axis[2], "xyz");
        if (b.dofCount > 0) {
            Print(2, "%s", "dof");
            for (int i = 0; i < b.dofCount; ++i) {
                Print(0, " %s", kDofWords[b.dofs[i]]);
            }
            Print(0, "\n");
        }
        Print(1, "%s\n", "end");
        ++id;
        WriteBones(b, id);
    }
}

void RAsfFile::WriteHierarchyLines(const RAsfBone& bone) {
    if (bone.children.empty()) {
        return;
    }
    Print(2, "%s", bone.GetName());
    for (const std::unique_ptr<RAsfBone>& child : bone.children) {
        Print(0, " %s", child->GetName());
    }
    Print(0, "\n");
    for (const std::unique_ptr<RAsfBone>& child : bone.children) {
        WriteHierarchyLines(*child);
    }
}

bool RAsfFile::Write(RWyxAsfScene& skeleton) {
    if (!IsWriting()) {
        return false;
    }
    Print(0, "%s 1.10\n", ":version");
    Print(0, "%s %s\n", ":name", skeleton.GetName());
    Print(0, "%s\n", ":units");
    Print(1, "%s %g\n", "mass", 1.0);
    Print(1, "%s %g\n", "length", skeleton.lengthUnit);
    Print(1, "%s %s\n", "angle", "deg");
    Print(0, "%s\n", ":documentation");
    Print(1, "%s\n", "ASF file generated by Rusvane");
    Print(0, "%s\n", ":root");
    Print(1, "%s %s\n", "axis", "xyz");
    Print(1, "%s ", "order");
    const RAsfBone* root = skeleton.GetRoot();
    for (int i = 0; root != nullptr && i < root->dofCount; ++i) {
        Print(0, " %s", kChannelWords[root->dofs[i]]);
    }
    Print(0, "\n");
    Print(1, "%s %g %g %g\n", "position", 0.0, 0.0, 0.0);
    Print(1, "%s %g %g %g\n", "orientation", 0.0, 0.0, 0.0);
    Print(0, "%s\n", ":bonedata");
    int id = 1;
    if (root != nullptr) {
        WriteBones(*root, id);
    }
    Print(0, "%s\n", ":hierarchy");
    Print(1, "%s\n", "begin");
    if (root != nullptr) {
        WriteHierarchyLines(*root);
    }
    Print(1, "%s\n", "end");
    return Flush();
}
