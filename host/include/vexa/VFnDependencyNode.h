#ifndef VEXA_VFNDEPENDENCYNODE_H
#define VEXA_VFNDEPENDENCYNODE_H

// The function set of every node: its name, type, attributes and plugs.
//
// Names are made legal and unique as they are set: every character other than a letter, a
// digit, "_" or the namespace separator ":" becomes "_"; an empty name becomes the type's name
// followed by a number; a name that is taken gets a number at its end, counting up from the
// number it already ends with ("ball" -> "ball1", "ball7" -> "ball8"). A DAG node's name only
// has to differ from its siblings' names and from the names of nodes outside the DAG; every
// other node's name differs from all names. "ns:ball" puts the node into namespace "ns",
// which is made when it does not exist.
//
// Attributes are listed static first (those of the node's type, parents before their
// children), then dynamic ones in the order they were added.

#include <vexa/VFnBase.h>
#include <vexa/VPlug.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

class VPlugArray;

class VEXA_API VFnDependencyNode : public VFnBase {
public:
    enum AttributeClass { kInvalidAttr = 0, kNormalAttr = 1, kLocalDynamicAttr = 2, kGlobalDynamicAttr = 3 };

    VFnDependencyNode() = default;
    explicit VFnDependencyNode(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kDependencyNode; }
    VStatus setObject(const VObject& object) override;

    // Creates a node of a registered type (a DAG type is made under the world).
    VObject create(const VString& typeName, VStatus* status = nullptr);
    VObject create(const VString& typeName, const VString& name, VStatus* status = nullptr);

    VString name(VStatus* status = nullptr) const;
    // Renames the node and answers the name it got (see the naming rules above).
    VString setName(const VString& name, VStatus* status = nullptr);
    VString typeName(VStatus* status = nullptr) const;
    VString nodeNamespace(VStatus* status = nullptr) const;

    unsigned attributeCount(VStatus* status = nullptr) const;
    VObject attribute(unsigned index, VStatus* status = nullptr) const;
    VObject attribute(const VString& name, VStatus* status = nullptr) const;  // long or short name
    bool hasAttribute(const VString& name, VStatus* status = nullptr) const;
    AttributeClass attributeClass(const VObject& attribute, VStatus* status = nullptr) const;
    // Adds a dynamic attribute. kInvalidParameter when its long or short name is in use on the
    // node; kFailure for an object that is not an attribute.
    VStatus addAttribute(const VObject& attribute, AttributeClass attributeClass = kLocalDynamicAttr);
    VStatus removeAttribute(const VObject& attribute);

    // The plug named by an attribute's long or short name, a child attribute's name, or a path
    // with element indices ("input[0].groupId"). kNotFound when there is none.
    VPlug findPlug(const VString& name, VStatus* status = nullptr) const;
    VPlug findPlug(const VObject& attribute, VStatus* status = nullptr) const;
    VStatus getConnections(VPlugArray& plugs) const;

protected:
    VStatus checkAlive() const;
};

#endif
