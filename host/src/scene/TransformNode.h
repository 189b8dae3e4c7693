#ifndef VEXA_HOST_TRANSFORMNODE_H
#define VEXA_HOST_TRANSFORMNODE_H

// Transform-kind nodes on the scene database: their parts read from and written to plugs, the
// limits, and the matrices worked out from them.

#include "host/src/scene/Node.h"
#include "host/src/scene/Scene.h"

#include <vexa/VFnTransform.h>
#include <vexa/VMatrix.h>
#include <vexa/VTransformationMatrix.h>
#include <vexa/VexaExport.h>

#include <string>
#include <utility>

namespace vexa_host {

// The parts as stored; with limited, translation, rotation and scale clamped by the enabled
// limits (what the node's matrix uses).
VEXA_API VTransformationMatrix readTransformation(const Node& node, bool limited);
// Writes every part; stops at the first plug that refuses (a locked one).
VEXA_API VStatus writeTransformation(Node& node, const VTransformationMatrix& transformation);
// The node's local matrix: its transformation for transform kinds, else the identity.
VEXA_API VMatrix localMatrix(const Node& node);
// The product of the local matrices of a path, the last node's first.
VEXA_API VMatrix inclusiveMatrix(const NodeChain& chain);

// The three plugs stem+"X", stem+"Y", stem+"Z" ("translate", "rotateAxis", ...).
VEXA_API void readTriple(const Node& node, const std::string& stem, double values[3], double fallback = 0.0);
VEXA_API VStatus writeTriple(Node& node, const std::string& stem, const double values[3]);

// A stem of three plugs with the type's compound of that name last found for it: writes to
// many nodes of few types look the name up once per type. Types are never removed, and what
// a type has of a name never changes, so the compound found stays right.
class VEXA_API TripleStem {
public:
    explicit TripleStem(std::string stem) : stem_(std::move(stem)) {}
    const std::string& text() const { return stem_; }
    // The node type's compound of the stem's name whose children are the three plugs; null
    // when the type has none such.
    const AttributeDef* compoundOf(const Node& node) const;

private:
    std::string stem_;
    mutable const NodeType* type_ = nullptr;
    mutable const AttributeDef* compound_ = nullptr;
};
// The same write as by the stem's text.
VEXA_API VStatus writeTriple(Node& node, const TripleStem& stem, const double values[3]);

// A plain attribute name with the type's plug path of that name last found for it, in the
// same way: a name read and written on many nodes of few types is looked up once per type.
class VEXA_API TypePlugName {
public:
    explicit TypePlugName(std::string name) : name_(std::move(name)) {}
    const std::string& text() const { return name_; }
    // The node type's shared path of the name; null when the type has no attribute of it.
    const PlugPath* pathOn(const Node& node) const;

private:
    std::string name_;
    mutable const NodeType* type_ = nullptr;
    mutable const PlugPath* path_ = nullptr;
};
// The number of the plug of that name (the fallback without one), as readNumber by name.
VEXA_API double readNumber(const Node& node, const TypePlugName& name, double fallback = 0.0);
// The number written to the plug of that name, as writeNumber by name.
VEXA_API VStatus writeNumber(Node& node, const TypePlugName& name, double value);

// The plugs of a limit: its value and its enable flag. False for an unknown limit type.
bool limitAttributeNames(int limitType, std::string& valueName, std::string& enableName);

// Computed outputs: "matrix" of transform kinds, "worldMatrix[i]" and "worldInverseMatrix[i]"
// of DAG nodes (i: the instance number).
bool computeTransformOutputs(const Node& node, const PlugPath& path, PlugValue& value);
bool computeDagOutputs(const Node& node, const PlugPath& path, PlugValue& value);

MatrixValue toMatrixValue(const VMatrix& matrix);
VMatrix fromMatrixValue(const MatrixValue& value);

}  // namespace vexa_host

#endif
