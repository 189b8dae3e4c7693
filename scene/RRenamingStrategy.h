#ifndef WYX_SCENE_RRENAMINGSTRATEGY_H
#define WYX_SCENE_RRENAMINGSTRATEGY_H

// Makes names unique by appending a clash suffix that records how to undo it, and undoes such
// suffixes again. The object factory calls an installed strategy on the name pair of every
// new node (material, texture); the host plug-in derives its own strategy, replacing the
// cleaning of names.
//
// Suffixes:
// - "_ncl1_<n>": the n-th exact repeat of a name ("Cube", "Cube_ncl1_1", "Cube_ncl1_2").
// - "_ncl2_ul<a>lu<b>": a name that differs from a recorded one only in case; it is written in
//   the recorded spelling, and bit k of a (b) says that character k was lower (upper) case in
//   the name given. Only the first 32 characters are recorded this way: bit k stands for the
//   characters k, k + 32, ... when the masks are made, and for character k alone when they
//   are undone.
// - "(<digits>)", a bracketed number another application appended, is undone as well.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/RNamePair.h"
#include "core/RString.h"

class RRenamingStrategy {
public:
    // Which clashes MakeUnique resolves.
    static constexpr int kBothClashes = 0;
    static constexpr int kExactRepeatsOnly = 1;
    static constexpr int kCaseDifferencesOnly = 2;

    // direction 0 makes names unique, any other value restores them. With bracketFlag,
    // restoring "Arm(2)" keeps "Arm_2_" as the pair's initial name (else "Arm(2)").
    RRenamingStrategy(int direction, bool bracketFlag);
    virtual ~RRenamingStrategy() = default;
    RRenamingStrategy(const RRenamingStrategy&) = delete;
    RRenamingStrategy& operator=(const RRenamingStrategy&) = delete;

    // The object factory calls it once it has destroyed all its objects; nothing to do here.
    virtual void OnFactoryObjectsDestroyed() {}
    // MakeUnique with direction 0, else RestoreName.
    virtual bool Rename(RNamePair& names);
    // Gives the pair's current name a clash suffix when it repeats a name seen before, and
    // records the (new) current name. True when the name was changed.
    virtual bool MakeUnique(RNamePair& names);
    // Undoes a clash suffix: the current name becomes the name without it, the initial name
    // the name with it; then the current name is cleaned. True when a suffix was undone.
    virtual bool RestoreName(RNamePair& names);
    // Every character that is not an ASCII letter or digit becomes the replacement.
    virtual RString CleanName(const RString& text, char replacement) const;

    // Kinds of clash as the k-constants above. A change of mode forgets the names seen.
    void SetCaseMode(int mode);
    int GetCaseMode() const { return caseMode_; }

    // The part after the first "::"; the whole text when it has none.
    static RString NameWithoutPrefix(const RString& text);

private:
    struct Entry {
        RString name;
        std::uint32_t repeats = 0;
    };

    // The first recorded entry, in order, that the name clashes with under the case mode.
    Entry* FindClash(const RString& name);
    void Record(const RString& name);
    static RString CaseSuffixName(const Entry& entry, const RString& name);

    int direction_;
    int caseMode_ = kBothClashes;
    bool bracketFlag_;
    std::vector<Entry> entries_;
    // Entry indexes by upper-case name: both clash rules need names equal but for case.
    std::unordered_map<std::string, std::vector<size_t>> entriesByFoldedName_;
};

#endif
