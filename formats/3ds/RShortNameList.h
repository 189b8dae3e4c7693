#ifndef WYX_FORMATS_3DS_RSHORTNAMELIST_H
#define WYX_FORMATS_3DS_RSHORTNAMELIST_H

// Short names for 3D Studio files, which hold object names of at most 10 characters and
// material names of at most 16. A name loses its type prefix (everything up to and including
// the first "::"), is cut to leave room for a counter (limit - 3 characters), and a repeated
// short name gets a counter: with limit 10, Model::Cylinder01, Model::Cylinder02 and
// Model::Box give Cylinde, Cylinde1 and Box.
//
// Every name handed out is unique within the list as a reader makes an object of it (the
// text after its first "::", "Name" for an empty text, as the object factory names objects),
// counters included: a later name that is itself "Cylinde1" does not get that name again,
// "a::b" and "b" do not both keep their names, and a counter too long for the limit cuts the
// name further instead of running past the limit. So one list never gives two objects one
// name, a put never replaces another object of the same name, and a parent named in the file
// is found as itself. An empty name, which a file cannot give as a parent, becomes "Name".
// Cuts keep whole UTF-8 characters.
//
// Claim hands out a name made by the writer (a material record's "1.Mat0Tex0", "Default") as
// it stands, cut to the limit only, and yields with a counter to every name given before it:
// "Default1" after a material named "Default".

#include "core/RUniqueNameList.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

class RShortNameList : public RUniqueNameList {
public:
    // The limit of MakeUnique: object names.
    static constexpr int kObjectNameLimit = 10;
    // The limit of material names.
    static constexpr int kMaterialNameLimit = 15;

    RShortNameList();
    ~RShortNameList() override;

    void Clear() override;
    // MakeUniqueWithLimit with the object-name limit.
    bool MakeUnique(RNamePair& name) override;
    // Shortens the pair's current name for the limit and makes it unique; true when the name
    // was given a counter, false when its short form was new.
    bool MakeUniqueWithLimit(RNamePair& name, int limit);
    // The short form MakeUniqueWithLimit starts from: the name without its type prefix, cut to
    // leave room for a counter; "Name" for an empty one.
    static std::string ShortForm(const std::string& name, int limit);
    // The name cut to the limit ("Name" for none) when no name given reads as it, else it with
    // a counter, as a repeat of its short form gets one; given from then on.
    std::string Claim(const std::string& name, int limit);
    std::unique_ptr<RNameUniquifier> Create() const override;

private:
    // The base counted with the next free counter, cut so that it stays within the limit;
    // given from then on.
    std::string GiveNumbered(const std::string& base, int limit);

    // Counter of every short name met as a first occurrence.
    std::unordered_map<std::string, int> counters_;
    // Every name handed out, as a reader makes an object of it.
    std::unordered_set<std::string> given_;
};

#endif
