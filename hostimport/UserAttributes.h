#ifndef WYX_HOSTIMPORT_USERATTRIBUTES_H
#define WYX_HOSTIMPORT_USERATTRIBUTES_H

// The host attributes that stand for a node's user properties (the properties with the user
// flag 2).
//
// A property is known by its key: its label, or its name when the label is empty. The node
// records key -> host attribute name (VexaNode::AddAttributeName) when the attribute is made
// here and when the merge binding finds one on an existing host node, so that both roads, and
// the import of the values, look an attribute up the same way.
//
// The host attribute's name is the key made an identifier (every character other than a
// letter, a digit or "_" becomes "_", and a leading digit gets a "_" before it), so that it is
// the same name whichever road made it and it never carries script text. A name the node has
// already gets a number: name1 .. name9.

#include <string>

class RWyxUserProperty;
class VFnDependencyNode;
class VObject;
class VexaNode;

// The label, or the name when the label is empty.
const char* UserAttributeKey(const RWyxUserProperty& property);
// The key as an identifier; empty for an empty key.
std::string UserAttributeBaseName(const RWyxUserProperty& property);
// The base name for attempt 0, then the base name followed by the attempt number.
std::string UserAttributeCandidate(const std::string& baseName, int attempt);
// Attempts at a free name in all: the base name and the base name with 1 to 9.
constexpr int kUserAttributeAttempts = 10;

// True when a host attribute of that kind holds a property of that type: booleans for Bool,
// the integer types for Integer, single floating-point numbers for Real and Unidentified,
// three numbers for Color and Vector.
bool IsCompatibleAttribute(const RWyxUserProperty& property, const VObject& attribute);

// True for the property under which an export wrote the plug-in's type tag ("wyxID"): it
// stands for the tag, not for a user attribute.
bool IsTypeTagProperty(const RWyxUserProperty& property);

// Makes the host attribute of the property on the node (keyable, not hidden; Real and Integer
// with the property's range as soft limits) under the first free name of the ten, and records
// it on the node. False when no attempt was taken, the property's type makes none, or the
// property is the type tag.
bool CreateUserAttribute(const RWyxUserProperty& property, VFnDependencyNode& host, VexaNode& node);

// CreateUserAttribute for every user property of a node that has a node attribute; the type
// tag's property tags the host node with its value instead.
void ImportUserProperties(VFnDependencyNode& host, VexaNode& node);

#endif
