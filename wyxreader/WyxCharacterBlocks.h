#ifndef WYX_WYXREADER_WYXCHARACTERBLOCKS_H
#define WYX_WYXREADER_WYXCHARACTERBLOCKS_H

// The blocks a character's links are written in, in both layouts and read back from: the five
// links with blocks of their own and the link groups in the order of the record.

#include "attributes/RWyxCharacterTables.h"

namespace wyx_character_blocks {

struct SingleLinkBlock {
    const char* name;
    int link;
};

using Tables = RWyxCharacterTables;

inline constexpr SingleLinkBlock kSingleLinks[] = {{"REFERENCE", Tables::kReferenceLink},
                                                   {"LEFT_FLOOR", Tables::kLeftFloorLink},
                                                   {"RIGHT_FLOOR", Tables::kRightFloorLink},
                                                   {"LEFT_HANDFLOOR", Tables::kLeftHandFloorLink},
                                                   {"RIGHT_HANDFLOOR", Tables::kRightHandFloorLink}};

// The groups of a character's record, in order (the game-mode parents are written apart).
inline constexpr int kGroupOrder[] = {Tables::kBase,     Tables::kAuxiliary, Tables::kSpine,    Tables::kNeck,
                                      Tables::kRoll,     Tables::kSpecial,   Tables::kLeftHand, Tables::kRightHand,
                                      Tables::kLeftFoot, Tables::kRightFoot, Tables::kProps};

}  // namespace wyx_character_blocks

#endif
