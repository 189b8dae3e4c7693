#ifndef VEXA_HOST_PLUGACCESS_H
#define VEXA_HOST_PLUGACCESS_H

// Reading and writing plug values on the scene database.
//
// A read goes, in this order, to: the source of a connection into the plug or into one of its
// parents (a compound's child reads the same child of the source compound); a computed output
// of the node's type; the stored value; the attribute's default. Chains of connections are
// followed up to 64 links (a loop reads as kFailure). A plug driven by a time curve (an
// animation curve whose input is the time) reads the value last written to it instead of the
// curve until the current time changes, as the host evaluates the curve again only then.
//
// A write checks the plug (resolved indices, a value-holding attribute, writable, not locked),
// converts a number to the attribute's type (booleans 0 or 1, integer types cut towards zero,
// clamped to the hard limits) and stores it by the plug's key.

#include "host/src/scene/Node.h"
#include "host/src/scene/PlugPath.h"
#include "host/src/scene/PlugValue.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <vector>

namespace vexa_host {

VEXA_API VStatus readValue(const Node& node, const PlugPath& path, PlugValue& value);
// The value the plug holds of its own, whatever drives it: the value last written to it,
// else its attribute's default; no connection or computed output is looked at.
VEXA_API VStatus readOwnValue(const Node& node, const PlugPath& path, PlugValue& value);
VEXA_API VStatus writeValue(Node& node, const PlugPath& path, const PlugValue& value);
VEXA_API VStatus readNumber(const Node& node, const PlugPath& path, double& value);
// Reads a numeric plug by attribute name (convenience for computed outputs); the default when
// the attribute is missing.
VEXA_API double readNumber(const Node& node, const std::string& attributeName, double fallback = 0.0);
VEXA_API VStatus writeNumber(Node& node, const std::string& attributeName, double value);
// The same write to an attribute of the node found before.
VEXA_API VStatus writeNumber(Node& node, const AttributePtr& attribute, double value);
// Numbers written to attributes of the node found before, one after another as writeNumber
// writes each; the first failure ends the run.
VEXA_API VStatus writeNumbers(Node& node, const AttributePtr* attributes, const double* values, size_t count);
// A number written to the plug: as writeValue with the number.
VEXA_API VStatus writeNumber(Node& node, const PlugPath& path, double value);

// The plug or one of its parents is locked.
VEXA_API bool isLocked(const Node& node, const PlugPath& path);
VEXA_API void setLocked(Node& node, const PlugPath& path, bool locked);

// The connection that drives the plug (into it or into a parent), with the source path mapped
// down to the plug; null when nothing drives it.
VEXA_API const Connection* drivingConnection(const Node& node, const PlugPath& path, PlugPath* sourcePath = nullptr);
// The logical indices of an array plug that hold a value or a connection, ascending.
VEXA_API std::vector<int> existingIndices(const Node& node, const PlugPath& arrayPath);
// The same for one of the few arrays of a node asked again and again (a deformer's geometries):
// the node keeps the connected indices of each array asked (Node::connectedIndices), so the
// answer needs no walk over its other connections.
VEXA_API std::vector<int> keptExistingIndices(const Node& node, const PlugPath& arrayPath);
// The index after the highest of existingIndices, 0 when there is none, without the list.
VEXA_API int nextFreeIndex(const Node& node, const PlugPath& arrayPath);
// The default value of an attribute that holds one.
PlugValue defaultValue(const AttributeDef& attribute);

}  // namespace vexa_host

#endif
