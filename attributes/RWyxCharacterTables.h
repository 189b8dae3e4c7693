#ifndef WYX_ATTRIBUTES_RWYXCHARACTERTABLES_H
#define WYX_ATTRIBUTES_RWYXCHARACTERTABLES_H

// The fixed tables of the character side of a scene, shared by every character, control set
// and actor: the 191 character links (slot id, name, group, the file version that introduced
// it), the twelve link groups, the 177 parameters of a character, the 44 effectors of a
// control set and the 21 body nodes of an actor. The tables themselves, and what each column
// holds, are in RWyxCharacterTables.cpp.

class RWyxCharacterTables {
public:
    static constexpr int kLinkCount = 191;
    static constexpr int kGroupCount = 12;
    static constexpr int kParameterCount = 177;
    static constexpr int kEffectorCount = 44;
    static constexpr int kActorNodeCount = 21;

    // The links written in blocks of their own rather than in a group.
    static constexpr int kReferenceLink = 67;
    static constexpr int kLeftFloorLink = 68;
    static constexpr int kRightFloorLink = 69;
    static constexpr int kLeftHandFloorLink = 88;
    static constexpr int kRightHandFloorLink = 89;

    // The group of a link; single links belong to none.
    enum Group {
        kSingleLink = -1,
        kBase = 0,
        kAuxiliary,
        kSpine,
        kRoll,
        kSpecial,
        kLeftHand,
        kRightHand,
        kProps,
        kGameModeParent,
        kNeck,
        kLeftFoot,
        kRightFoot,
    };

    // Version-5 files write a link that has neither node nor name (with default offsets) when
    // its minimum file version lies below this.
    static constexpr int kAlwaysWrittenBelowVersion = 4001;

    struct LinkRow {
        int id;
        const char* name;
        int group;
        int minimumVersion;
    };

    // Null outside 0 to kLinkCount - 1.
    static const LinkRow* GetLink(int id);
    static const char* GetLinkName(int id);
    // The id of the link of that name (exact); -1 when none.
    static int FindLinkByName(const char* name);

    // The block name of a group ("BASE" ...); null outside the groups.
    static const char* GetGroupName(int group);
    // The links of a group in the group's order (ascending ids).
    static int GetGroupLinkCount(int group);
    // -1 outside the group.
    static int GetGroupLinkId(int group, int index);
    // The group and the position within it of a grouped link; false for single links and ids
    // outside the table.
    static bool FindLinkInGroups(int id, int& group, int& index);

    // Null outside the tables.
    static const char* GetParameterName(int index);
    static const char* GetEffectorName(int index);
    static const char* GetActorNodeName(int index);
};

#endif
