#ifndef WYX_FORMATS_MOTION_RASFFILE_H
#define WYX_FORMATS_MOTION_RASFFILE_H

// The Acclaim ASF skeleton format object: parses a file into an ASF skeleton and prints one.
//
// The file as read ("#" starts a comment line; keywords without regard to case, as prefixes,
// but for "begin" and "end", which are whole words: a bone named "EndEffector" is no "end"):
//   :version 1.10
//   :name <skeleton>                 up to 50 characters; unit lines may follow
//   :units                           mass <n>, length <n>, angle deg|rad
//   :documentation                   text, not kept
//   :root                            axis <order>, order <root channels>, position x y z,
//                                    orientation x y z
//   :bonedata                        blocks "begin" ... "end" of: id, name, direction x y z,
//                                    length, axis x y z <order>, dof <tx ty tz rz ry rx>,
//                                    limits (min max) per DOF, bodymass, cofmass
//   :hierarchy                       begin, lines "<parent> <child> ...", end
//   :skin                            dropped
// Every bone hangs under the root until the hierarchy moves it; a bone already moved keeps
// its first parent.
//
// Error policy: a failing section fails the read (the skeleton is the caller's to drop): an
// unknown rotation order, a bone block missing its name, direction or length, a forbidden
// bone name, unreadable numbers, limits or lengths beyond the doubles, bone data before the
// root, a hierarchy naming an unknown bone, a bone put under itself or one of its
// descendants, a skeleton deeper than kMaxSkeletonDepth, a file without a root, and an
// overlong line. Unknown sections and tokens, a missing version or name are warnings. The
// last error text says where and why.

#include "formats/motion/RMotionTextFile.h"

#include <string>
#include <unordered_map>
#include <vector>

class RAsfBone;
class RWyxAsfScene;

class RAsfFile : public RMotionTextFile {
public:
    explicit RAsfFile(bool report = false);

    // Parses the open file into the skeleton (units, name and bones replaced); with collapse,
    // bones without DOFs are removed afterwards. Then the nodes a read makes up are named
    // (RWyxAsfScene::NameMadeUpNodes).
    bool Read(RWyxAsfScene& skeleton, bool collapse);
    // Prints the skeleton to the open file.
    bool Write(RWyxAsfScene& skeleton);

    // The centimetres a read makes of a bone length given in the length unit (inches scaled by
    // it; a unit that is not above 0 leaves the length as it is).
    static double LengthAsRead(double length, double lengthUnit);
    // The ASF rotation-order words and their Euler codes, shared with the AMC format.
    static bool RotationOrderCode(int wordIndex, int& code);
    // Why a bone name cannot be written so that the ASF and AMC readers take it back: the
    // hierarchy section's lines and the AMC file's bone lines begin with bone names, so a
    // name may not begin with '#' (a comment line) or ':' (a section), nor be "begin" or
    // "end" in any case, nor a number (AMC frames begin with theirs); it may hold no ',', '('
    // or ')' (word separators here, as blanks are everywhere), and may be at most
    // RAsfBone::kMaxReadNameLength characters long, as reads keep no more
    // (RMotionTextFile::WordNameFault). Empty when it can be written.
    static RString BoneNameFault(const RString& name);

private:
    bool ReadSections();
    bool ReadVersion();
    bool ReadName();
    bool ReadUnitLines();
    bool ReadDocumentation();
    bool ReadRoot();
    bool ReadRootLine(RAsfBone& root);
    bool ReadBoneData();
    bool ReadBoneBlock();
    bool ReadBoneLine(RAsfBone& bone, unsigned& seen);
    bool ReadDofLimits(int count);
    bool ReadHierarchy();
    bool ReadHierarchyLine();
    void ReadSkin();
    void SkipToColonLine();
    bool SkipToNextSection();
    bool AtNextSection() const;
    bool ReadRotationOrder(int& code);
    bool ReadBoneWord(std::string& name);
    RAsfBone* LookUpBone(const std::string& name);
    // Closes the root's empty slots and forgets the slots.
    void CloseRootSlots();
    // The slot of a bone hanging under the root.
    std::size_t RootSlotOf(const RAsfBone* bone);
    bool Fail(const char* text);
    void WriteBones(const RAsfBone& bone, int& id);
    void WriteHierarchyLines(const RAsfBone& bone);

    RMotionKeyword sections_[10];
    RMotionKeyword units_[4];
    RMotionKeyword angleUnits_[3];
    RMotionKeyword rootKeys_[5];
    RMotionKeyword rotationOrders_[7];
    RMotionKeyword rootChannels_[7];
    RMotionKeyword block_[3];
    RMotionKeyword boneKeys_[10];
    RMotionKeyword dofWords_[8];

    RWyxAsfScene* skeleton_ = nullptr;
    // The bones of each name (read bones first hang under the root, so the first of a name
    // is the one a search in pre-order finds while names are unique).
    std::unordered_map<std::string, std::vector<RAsfBone*>> bonesByName_;
    // Where each bone lies in the root's children (the first rootSlotsIndexed_ of them are
    // indexed). A bone the hierarchy moves leaves its slot empty, so that no slot changes until
    // CloseRootSlots closes them (at the end of the read, and before a new root replaces the
    // old one).
    std::unordered_map<const RAsfBone*, std::size_t> rootSlots_;
    std::size_t rootSlotsIndexed_ = 0;
};

#endif
