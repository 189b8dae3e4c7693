#include "attributes/RWyxCharacterTables.h"

#include <cstring>
#include <vector>

namespace {

// The character links, one row per slot id, in id order.
// - id: the slot number by which files, the character's accessors and the host's character
//   rig commands name a link (0 to 190). The five single links (67 the reference, 68 and 69
//   the floors of the feet, 88 and 89 those of the hands) have fixed ids that the character
//   blocks of files name directly.
// - name: the text a character block stores as a grouped link's "LINK" value, and by which a
//   reader finds the slot again.
// - group: the block the link is written in ("BASE" ... "RIGHTFOOT", "PROPS" and
//   "GAMEMODEPARENT"); single links are written in blocks of their own.
// - minimum version: the first file version (4000 the original body, 4500 the later
//   additions: extra spine and neck bones, foot digits, extra fingers, in-hand and in-foot
//   links, props, the second roll bones) that carries the link; a version-5 character block
//   writes every link below version 4001 even when it is not set.
// The names and the grouping are this SDK's own: what it writes it reads back through the
// same table, so a row may be added at the end but never renumbered.
using Row = RWyxCharacterTables::LinkRow;
constexpr int kSingleLink = RWyxCharacterTables::kSingleLink;
constexpr int kBase = RWyxCharacterTables::kBase;
constexpr int kAuxiliary = RWyxCharacterTables::kAuxiliary;
constexpr int kSpine = RWyxCharacterTables::kSpine;
constexpr int kRoll = RWyxCharacterTables::kRoll;
constexpr int kSpecial = RWyxCharacterTables::kSpecial;
constexpr int kLeftHand = RWyxCharacterTables::kLeftHand;
constexpr int kRightHand = RWyxCharacterTables::kRightHand;
constexpr int kProps = RWyxCharacterTables::kProps;
constexpr int kGameModeParent = RWyxCharacterTables::kGameModeParent;
constexpr int kNeck = RWyxCharacterTables::kNeck;
constexpr int kLeftFoot = RWyxCharacterTables::kLeftFoot;
constexpr int kRightFoot = RWyxCharacterTables::kRightFoot;

const Row kLinks[RWyxCharacterTables::kLinkCount] = {
    {0, "Hips", kBase, 4000},
    {1, "LeftUpLeg", kBase, 4000},
    {2, "LeftLeg", kBase, 4000},
    {3, "LeftFoot", kBase, 4000},
    {4, "RightUpLeg", kBase, 4000},
    {5, "RightLeg", kBase, 4000},
    {6, "RightFoot", kBase, 4000},
    {7, "Spine", kBase, 4000},
    {8, "LeftArm", kBase, 4000},
    {9, "LeftForeArm", kBase, 4000},
    {10, "LeftHand", kBase, 4000},
    {11, "RightArm", kBase, 4000},
    {12, "RightForeArm", kBase, 4000},
    {13, "RightHand", kBase, 4000},
    {14, "Head", kBase, 4000},
    {15, "LeftToeBase", kAuxiliary, 4000},
    {16, "RightToeBase", kAuxiliary, 4000},
    {17, "LeftShoulder", kAuxiliary, 4000},
    {18, "RightShoulder", kAuxiliary, 4000},
    {19, "Neck", kAuxiliary, 4000},
    {20, "LeftFingerBase", kAuxiliary, 4000},
    {21, "RightFingerBase", kAuxiliary, 4000},
    {22, "Spine1", kSpine, 4000},
    {23, "Spine2", kSpine, 4000},
    {24, "Spine3", kSpine, 4000},
    {25, "Spine4", kSpine, 4500},
    {26, "Spine5", kSpine, 4500},
    {27, "Spine6", kSpine, 4500},
    {28, "Spine7", kSpine, 4500},
    {29, "Spine8", kSpine, 4500},
    {30, "Spine9", kSpine, 4500},
    {31, "Neck1", kNeck, 4000},
    {32, "Neck2", kNeck, 4500},
    {33, "Neck3", kNeck, 4500},
    {34, "Neck4", kNeck, 4500},
    {35, "Neck5", kNeck, 4500},
    {36, "Neck6", kNeck, 4500},
    {37, "Neck7", kNeck, 4500},
    {38, "Neck8", kNeck, 4500},
    {39, "Neck9", kNeck, 4500},
    {40, "LeftUpLegRoll", kRoll, 4000},
    {41, "LeftLegRoll", kRoll, 4000},
    {42, "RightUpLegRoll", kRoll, 4000},
    {43, "RightLegRoll", kRoll, 4000},
    {44, "LeftArmRoll", kRoll, 4000},
    {45, "LeftForeArmRoll", kRoll, 4000},
    {46, "RightArmRoll", kRoll, 4000},
    {47, "RightForeArmRoll", kRoll, 4000},
    {48, "HipsTranslation", kSpecial, 4500},
    {49, "LeftHandThumb1", kLeftHand, 4000},
    {50, "LeftHandThumb2", kLeftHand, 4000},
    {51, "LeftHandThumb3", kLeftHand, 4000},
    {52, "LeftHandThumb4", kLeftHand, 4000},
    {53, "LeftHandIndex1", kLeftHand, 4000},
    {54, "LeftHandIndex2", kLeftHand, 4000},
    {55, "LeftHandIndex3", kLeftHand, 4000},
    {56, "LeftHandIndex4", kLeftHand, 4000},
    {57, "LeftHandMiddle1", kLeftHand, 4000},
    {58, "LeftHandMiddle2", kLeftHand, 4000},
    {59, "LeftHandMiddle3", kLeftHand, 4000},
    {60, "LeftHandMiddle4", kLeftHand, 4000},
    {61, "LeftHandRing1", kLeftHand, 4000},
    {62, "LeftHandRing2", kLeftHand, 4000},
    {63, "LeftHandRing3", kLeftHand, 4000},
    {64, "LeftHandRing4", kLeftHand, 4000},
    {65, "LeftHandPinky1", kLeftHand, 4000},
    {66, "LeftHandPinky2", kLeftHand, 4000},
    {67, "Reference", kSingleLink, 4000},
    {68, "LeftFloor", kSingleLink, 4000},
    {69, "RightFloor", kSingleLink, 4000},
    {70, "LeftHandPinky3", kLeftHand, 4000},
    {71, "LeftHandPinky4", kLeftHand, 4000},
    {72, "LeftHandExtraFinger1", kLeftHand, 4500},
    {73, "LeftHandExtraFinger2", kLeftHand, 4500},
    {74, "LeftHandExtraFinger3", kLeftHand, 4500},
    {75, "LeftHandExtraFinger4", kLeftHand, 4500},
    {76, "RightHandThumb1", kRightHand, 4000},
    {77, "RightHandThumb2", kRightHand, 4000},
    {78, "RightHandThumb3", kRightHand, 4000},
    {79, "RightHandThumb4", kRightHand, 4000},
    {80, "RightHandIndex1", kRightHand, 4000},
    {81, "RightHandIndex2", kRightHand, 4000},
    {82, "RightHandIndex3", kRightHand, 4000},
    {83, "RightHandIndex4", kRightHand, 4000},
    {84, "RightHandMiddle1", kRightHand, 4000},
    {85, "RightHandMiddle2", kRightHand, 4000},
    {86, "RightHandMiddle3", kRightHand, 4000},
    {87, "RightHandMiddle4", kRightHand, 4000},
    {88, "LeftHandFloor", kSingleLink, 4500},
    {89, "RightHandFloor", kSingleLink, 4500},
    {90, "RightHandRing1", kRightHand, 4000},
    {91, "RightHandRing2", kRightHand, 4000},
    {92, "RightHandRing3", kRightHand, 4000},
    {93, "RightHandRing4", kRightHand, 4000},
    {94, "RightHandPinky1", kRightHand, 4000},
    {95, "RightHandPinky2", kRightHand, 4000},
    {96, "RightHandPinky3", kRightHand, 4000},
    {97, "RightHandPinky4", kRightHand, 4000},
    {98, "RightHandExtraFinger1", kRightHand, 4500},
    {99, "RightHandExtraFinger2", kRightHand, 4500},
    {100, "RightHandExtraFinger3", kRightHand, 4500},
    {101, "RightHandExtraFinger4", kRightHand, 4500},
    {102, "LeftFootThumb1", kLeftFoot, 4500},
    {103, "LeftFootThumb2", kLeftFoot, 4500},
    {104, "LeftFootThumb3", kLeftFoot, 4500},
    {105, "LeftFootThumb4", kLeftFoot, 4500},
    {106, "LeftFootIndex1", kLeftFoot, 4500},
    {107, "LeftFootIndex2", kLeftFoot, 4500},
    {108, "LeftFootIndex3", kLeftFoot, 4500},
    {109, "LeftFootIndex4", kLeftFoot, 4500},
    {110, "LeftFootMiddle1", kLeftFoot, 4500},
    {111, "LeftFootMiddle2", kLeftFoot, 4500},
    {112, "LeftFootMiddle3", kLeftFoot, 4500},
    {113, "LeftFootMiddle4", kLeftFoot, 4500},
    {114, "LeftFootRing1", kLeftFoot, 4500},
    {115, "LeftFootRing2", kLeftFoot, 4500},
    {116, "LeftFootRing3", kLeftFoot, 4500},
    {117, "LeftFootRing4", kLeftFoot, 4500},
    {118, "LeftFootPinky1", kLeftFoot, 4500},
    {119, "LeftFootPinky2", kLeftFoot, 4500},
    {120, "LeftFootPinky3", kLeftFoot, 4500},
    {121, "LeftFootPinky4", kLeftFoot, 4500},
    {122, "LeftFootExtraFinger1", kLeftFoot, 4500},
    {123, "LeftFootExtraFinger2", kLeftFoot, 4500},
    {124, "LeftFootExtraFinger3", kLeftFoot, 4500},
    {125, "LeftFootExtraFinger4", kLeftFoot, 4500},
    {126, "RightFootThumb1", kRightFoot, 4500},
    {127, "RightFootThumb2", kRightFoot, 4500},
    {128, "RightFootThumb3", kRightFoot, 4500},
    {129, "RightFootThumb4", kRightFoot, 4500},
    {130, "RightFootIndex1", kRightFoot, 4500},
    {131, "RightFootIndex2", kRightFoot, 4500},
    {132, "RightFootIndex3", kRightFoot, 4500},
    {133, "RightFootIndex4", kRightFoot, 4500},
    {134, "RightFootMiddle1", kRightFoot, 4500},
    {135, "RightFootMiddle2", kRightFoot, 4500},
    {136, "RightFootMiddle3", kRightFoot, 4500},
    {137, "RightFootMiddle4", kRightFoot, 4500},
    {138, "RightFootRing1", kRightFoot, 4500},
    {139, "RightFootRing2", kRightFoot, 4500},
    {140, "RightFootRing3", kRightFoot, 4500},
    {141, "RightFootRing4", kRightFoot, 4500},
    {142, "RightFootPinky1", kRightFoot, 4500},
    {143, "RightFootPinky2", kRightFoot, 4500},
    {144, "RightFootPinky3", kRightFoot, 4500},
    {145, "RightFootPinky4", kRightFoot, 4500},
    {146, "RightFootExtraFinger1", kRightFoot, 4500},
    {147, "RightFootExtraFinger2", kRightFoot, 4500},
    {148, "RightFootExtraFinger3", kRightFoot, 4500},
    {149, "RightFootExtraFinger4", kRightFoot, 4500},
    {150, "LeftInHandThumb", kLeftHand, 4500},
    {151, "LeftInHandIndex", kLeftHand, 4500},
    {152, "LeftInHandMiddle", kLeftHand, 4500},
    {153, "LeftInHandRing", kLeftHand, 4500},
    {154, "LeftInHandPinky", kLeftHand, 4500},
    {155, "LeftInHandExtraFinger", kLeftHand, 4500},
    {156, "RightInHandThumb", kRightHand, 4500},
    {157, "RightInHandIndex", kRightHand, 4500},
    {158, "RightInHandMiddle", kRightHand, 4500},
    {159, "RightInHandRing", kRightHand, 4500},
    {160, "RightInHandPinky", kRightHand, 4500},
    {161, "RightInHandExtraFinger", kRightHand, 4500},
    {162, "LeftInFootThumb", kLeftFoot, 4500},
    {163, "LeftInFootIndex", kLeftFoot, 4500},
    {164, "LeftInFootMiddle", kLeftFoot, 4500},
    {165, "LeftInFootRing", kLeftFoot, 4500},
    {166, "LeftInFootPinky", kLeftFoot, 4500},
    {167, "LeftInFootExtraFinger", kLeftFoot, 4500},
    {168, "RightInFootThumb", kRightFoot, 4500},
    {169, "RightInFootIndex", kRightFoot, 4500},
    {170, "RightInFootMiddle", kRightFoot, 4500},
    {171, "RightInFootRing", kRightFoot, 4500},
    {172, "RightInFootPinky", kRightFoot, 4500},
    {173, "RightInFootExtraFinger", kRightFoot, 4500},
    {174, "Props0", kProps, 4500},
    {175, "Props1", kProps, 4500},
    {176, "Props2", kProps, 4500},
    {177, "Props3", kProps, 4500},
    {178, "Props4", kProps, 4500},
    {179, "LeftUpLegRollEx", kRoll, 4500},
    {180, "LeftLegRollEx", kRoll, 4500},
    {181, "RightUpLegRollEx", kRoll, 4500},
    {182, "RightLegRollEx", kRoll, 4500},
    {183, "LeftArmRollEx", kRoll, 4500},
    {184, "LeftForeArmRollEx", kRoll, 4500},
    {185, "RightArmRollEx", kRoll, 4500},
    {186, "RightForeArmRollEx", kRoll, 4500},
    {187, "LeftShoulderExtra", kAuxiliary, 4500},
    {188, "RightShoulderExtra", kAuxiliary, 4500},
    {189, "LeftHandGameModeParent", kGameModeParent, 4500},
    {190, "RightHandGameModeParent", kGameModeParent, 4500},
};

// The block names of the groups, by group number: what the character blocks of files are
// called.
const char* const kGroupNames[RWyxCharacterTables::kGroupCount] = {
    "BASE", "AUXILIARY", "SPINE", "ROLL", "SPECIAL", "LEFTHAND",
    "RIGHTHAND", "PROPS", "GAMEMODEPARENT", "NECK", "LEFTFOOT", "RIGHTFOOT",
};

// The parameters of a character, in the order of a character block's "FILTERSET": each
// "PARAM" carries its "NAME" from here with the character's own mode and value. The solver
// switches and reductions first, then per effector the reach from the input (translation,
// rotation), the pull and the stiffness, the reach of the digits, the hips offset, the floor
// contacts, the shares of the roll bones and the remaining posture settings. The names are
// this SDK's own and read back through this table.
const char* const kParameterNames[RWyxCharacterTables::kParameterCount] = {
    "SolveInActorSpace", "CompensateScale", "CompensateScaleMode",
    "CompensateHipsHeight", "CompensateHipsHeightMode", "CompensateAnkleHeight",
    "CompensateAnkleHeightMode", "CompensateAnkleDistance", "CompensateAnkleDistanceMode",
    "CompensateMassCenter", "ApplyJointLimits", "ApplyFloorContact",
    "ReduceChest", "ReduceCollar", "ReduceNeck",
    "ReduceHead", "InputReachT Hips", "InputReachT LeftAnkle",
    "InputReachT RightAnkle", "InputReachT LeftWrist", "InputReachT RightWrist",
    "InputReachT LeftKnee", "InputReachT RightKnee", "InputReachT LeftElbow",
    "InputReachT RightElbow", "InputReachT ChestOrigin", "InputReachT ChestEnd",
    "InputReachT LeftFoot", "InputReachT RightFoot", "InputReachT LeftShoulder",
    "InputReachT RightShoulder", "InputReachT Head", "InputReachT LeftHip",
    "InputReachT RightHip", "InputReachT LeftHand", "InputReachT RightHand",
    "InputReachR Hips", "InputReachR LeftAnkle", "InputReachR RightAnkle",
    "InputReachR LeftWrist", "InputReachR RightWrist", "InputReachR LeftKnee",
    "InputReachR RightKnee", "InputReachR LeftElbow", "InputReachR RightElbow",
    "InputReachR ChestOrigin", "InputReachR ChestEnd", "InputReachR LeftFoot",
    "InputReachR RightFoot", "InputReachR LeftShoulder", "InputReachR RightShoulder",
    "InputReachR Head", "InputReachR LeftHip", "InputReachR RightHip",
    "InputReachR LeftHand", "InputReachR RightHand", "Pull Hips",
    "Pull LeftAnkle", "Pull RightAnkle", "Pull LeftWrist",
    "Pull RightWrist", "Pull LeftKnee", "Pull RightKnee",
    "Pull LeftElbow", "Pull RightElbow", "Pull ChestOrigin",
    "Pull ChestEnd", "Pull LeftFoot", "Pull RightFoot",
    "Pull LeftShoulder", "Pull RightShoulder", "Pull Head",
    "Pull LeftHip", "Pull RightHip", "Pull LeftHand",
    "Pull RightHand", "Stiffness Hips", "Stiffness LeftAnkle",
    "Stiffness RightAnkle", "Stiffness LeftWrist", "Stiffness RightWrist",
    "Stiffness LeftKnee", "Stiffness RightKnee", "Stiffness LeftElbow",
    "Stiffness RightElbow", "Stiffness ChestOrigin", "Stiffness ChestEnd",
    "Stiffness LeftFoot", "Stiffness RightFoot", "Stiffness LeftShoulder",
    "Stiffness RightShoulder", "Stiffness Head", "Stiffness LeftHip",
    "Stiffness RightHip", "Stiffness LeftHand", "Stiffness RightHand",
    "InputReachT LeftHandThumb", "InputReachT LeftHandIndex", "InputReachT LeftHandMiddle",
    "InputReachT LeftHandRing", "InputReachT LeftHandPinky", "InputReachT LeftHandExtraFinger",
    "InputReachT RightHandThumb", "InputReachT RightHandIndex", "InputReachT RightHandMiddle",
    "InputReachT RightHandRing", "InputReachT RightHandPinky", "InputReachT RightHandExtraFinger",
    "InputReachT LeftFootThumb", "InputReachT LeftFootIndex", "InputReachT LeftFootMiddle",
    "InputReachT LeftFootRing", "InputReachT LeftFootPinky", "InputReachT LeftFootExtraFinger",
    "InputReachT RightFootThumb", "InputReachT RightFootIndex", "InputReachT RightFootMiddle",
    "InputReachT RightFootRing", "InputReachT RightFootPinky", "InputReachT RightFootExtraFinger",
    "HipsOffsetTX", "HipsOffsetTY", "HipsOffsetTZ",
    "HipsOffsetRX", "HipsOffsetRY", "HipsOffsetRZ",
    "FootFloorContact", "HandFloorContact", "FingerFloorContact",
    "ToeFloorContact", "FootFloorPivot", "HandFloorPivot",
    "FootContactStiffness", "HandContactStiffness", "FootContactSize",
    "HandContactSize", "FootBottomToAnkle", "FootBackToAnkle",
    "FootMiddleToAnkle", "FootFrontToMiddle", "FootInsideToAnkle",
    "FootOutsideToAnkle", "HandBottomToWrist", "HandBackToWrist",
    "HandMiddleToWrist", "HandFrontToMiddle", "HandInsideToWrist",
    "HandOutsideToWrist", "LeftUpLegRollShare", "LeftUpLegRollShareMode",
    "LeftLegRollShare", "LeftLegRollShareMode", "RightUpLegRollShare",
    "RightUpLegRollShareMode", "RightLegRollShare", "RightLegRollShareMode",
    "LeftArmRollShare", "LeftArmRollShareMode", "LeftForeArmRollShare",
    "LeftForeArmRollShareMode", "RightArmRollShare", "RightArmRollShareMode",
    "RightForeArmRollShare", "RightForeArmRollShareMode", "StretchArms",
    "StretchLegs", "StretchSpine", "StretchNeck",
    "KneeDamping", "ElbowDamping", "SpineStiffness",
    "NeckStiffness", "ShoulderCorrection", "LegSymmetry",
    "ArmSymmetry", "MirrorAnimation", "PostureMode",
};

// The effectors of a control set, in the order of its "EFFECTOR" block (and of the
// auxiliary effectors of "EFFECTOR_AUX1"): the twenty body effectors, then the digits of the
// hands and of the feet. The names are written as each effector link's "NAME".
const char* const kEffectorNames[RWyxCharacterTables::kEffectorCount] = {
    "Hips", "LeftAnkle", "RightAnkle", "LeftWrist",
    "RightWrist", "LeftKnee", "RightKnee", "LeftElbow",
    "RightElbow", "ChestOrigin", "ChestEnd", "LeftFoot",
    "RightFoot", "LeftShoulder", "RightShoulder", "Head",
    "LeftHip", "RightHip", "LeftHand", "RightHand",
    "LeftHandThumb", "LeftHandIndex", "LeftHandMiddle", "LeftHandRing",
    "LeftHandPinky", "LeftHandExtraFinger", "RightHandThumb", "RightHandIndex",
    "RightHandMiddle", "RightHandRing", "RightHandPinky", "RightHandExtraFinger",
    "LeftFootThumb", "LeftFootIndex", "LeftFootMiddle", "LeftFootRing",
    "LeftFootPinky", "LeftFootExtraFinger", "RightFootThumb", "RightFootIndex",
    "RightFootMiddle", "RightFootRing", "RightFootPinky", "RightFootExtraFinger",
};

// The body nodes of an actor, in the order of its 21 "NODESCALE" fields.
const char* const kActorNodeNames[RWyxCharacterTables::kActorNodeCount] = {
    "Hips", "LeftUpLeg", "LeftLeg", "LeftFoot",
    "RightUpLeg", "RightLeg", "RightFoot", "Spine",
    "LeftArm", "LeftForeArm", "LeftHand", "RightArm",
    "RightForeArm", "RightHand", "Head", "LeftShoulder",
    "RightShoulder", "Neck", "Spine1", "Spine2",
    "Spine3",
};

// The ids of each group in ascending order, gathered once from the link table.
const std::vector<int>& GroupLinks(int group) {
    static const std::vector<std::vector<int>> groups = [] {
        std::vector<std::vector<int>> lists(RWyxCharacterTables::kGroupCount);
        for (const Row& row : kLinks) {
            if (row.group >= 0) lists[static_cast<size_t>(row.group)].push_back(row.id);
        }
        return lists;
    }();
    return groups[static_cast<size_t>(group)];
}

template <int Count>
const char* NameAt(const char* const (&names)[Count], int index) {
    return index >= 0 && index < Count ? names[index] : nullptr;
}

bool IsGroup(int group) { return group >= 0 && group < RWyxCharacterTables::kGroupCount; }

}  // namespace

const RWyxCharacterTables::LinkRow* RWyxCharacterTables::GetLink(int id) {
    return id >= 0 && id < kLinkCount ? &kLinks[id] : nullptr;
}

const char* RWyxCharacterTables::GetLinkName(int id) {
    const LinkRow* row = GetLink(id);
    return row != nullptr ? row->name : nullptr;
}

int RWyxCharacterTables::FindLinkByName(const char* name) {
    if (name == nullptr) return -1;
    for (const Row& row : kLinks) {
        if (std::strcmp(row.name, name) == 0) return row.id;
    }
    return -1;
}

const char* RWyxCharacterTables::GetGroupName(int group) { return NameAt(kGroupNames, group); }

int RWyxCharacterTables::GetGroupLinkCount(int group) {
    return IsGroup(group) ? static_cast<int>(GroupLinks(group).size()) : 0;
}

int RWyxCharacterTables::GetGroupLinkId(int group, int index) {
    if (!IsGroup(group) || index < 0 || index >= GetGroupLinkCount(group)) return -1;
    return GroupLinks(group)[static_cast<size_t>(index)];
}

bool RWyxCharacterTables::FindLinkInGroups(int id, int& group, int& index) {
    const LinkRow* row = GetLink(id);
    if (row == nullptr || !IsGroup(row->group)) return false;
    const std::vector<int>& links = GroupLinks(row->group);
    for (size_t i = 0; i < links.size(); ++i) {
        if (links[i] == id) {
            group = row->group;
            index = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

const char* RWyxCharacterTables::GetParameterName(int index) { return NameAt(kParameterNames, index); }

const char* RWyxCharacterTables::GetEffectorName(int index) { return NameAt(kEffectorNames, index); }

const char* RWyxCharacterTables::GetActorNodeName(int index) { return NameAt(kActorNodeNames, index); }
