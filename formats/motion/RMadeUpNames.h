#ifndef WYX_FORMATS_MOTION_RMADEUPNAMES_H
#define WYX_FORMATS_MOTION_RMADEUPNAMES_H

// The names a motion reader or writer makes up for nodes of its own (a reader's end nodes and
// reference node, the ASF writer's dummy bones) yield to the names the file or the scene
// gives: a made-up name that one of them bears already takes the first free name with a
// number after it ("X_End1", "aDummy2", "BVH:reference1"), so that no two nodes of a read
// share a name and every bone is found by its own. Where nothing clashes the names stay as
// they always were.
//
// Names compare as the nodes a read makes of them: the object factory's node name
// (BuildPrefixedName with "Model::": the text after a "::", "Name" for an empty one), exactly.

#include "core/RString.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

class RMadeUpNames {
public:
    // The name of the node a read makes of the name, without its "Model::".
    static RString AsNodeName(const char* name);

    // A name the file or the scene gives a node.
    void Take(const char* name);
    // The stem followed by the ending when free, else followed by the ending and the first
    // number (1, 2, ...) that makes it free; taken from then on. A name a file keeps only
    // maxLength bytes of is made with its stem cut (at a UTF-8 character boundary) so that the
    // ending and the number still fit: "<stem cut>Dummy", "<stem cut shorter>Dummy1".
    std::string MakeUp(const std::string& stem, const std::string& ending = std::string(),
                       std::size_t maxLength = std::string::npos);

private:
    bool IsTaken(const std::string& name) const;

    std::unordered_set<std::string> taken_;
    // Per made-up name, the number to try first: those below it are taken.
    std::unordered_map<std::string, int> next_;
};

#endif
