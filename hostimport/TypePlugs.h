#ifndef WYX_HOSTIMPORT_TYPEPLUGS_H
#define WYX_HOSTIMPORT_TYPEPLUGS_H

// Plugs of fixed plain names found on many nodes of few host types. Each name is looked up
// once per node type, and a node's plug is then found through its type's attribute, without
// a lookup by name. A name the type lacks is looked up by name only on a node that has
// attributes of its own (one of them may have the name). The plugs found are those a lookup
// by name finds.

#include <vexa/VObject.h>
#include <vexa/VPlug.h>

#include <cstddef>
#include <string>
#include <vector>

class VFnDependencyNode;

class TypePlugs {
public:
    // The names are plain attribute names that outlive the table (string literals).
    explicit TypePlugs(std::vector<const char*> names);

    // Makes the table serve the node's type: its attributes are looked up the first time the
    // type is met.
    void Use(const VFnDependencyNode& node);
    // The node's plug of the name at the index, the node's type in use; the null plug when
    // the node has none.
    VPlug Find(const VFnDependencyNode& node, std::size_t index) const;

private:
    // What one node type has of the names.
    struct TypeEntry {
        std::string typeName;
        unsigned typeAttributes = 0;    // the count of the type's own attributes
        std::vector<VObject> attributes;  // by name; null for a name the type lacks
    };
    TypeEntry Learn(const VFnDependencyNode& node, const char* typeName) const;

    std::vector<const char*> names_;
    std::vector<TypeEntry> types_;
    std::size_t current_ = 0;
};

#endif
