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

// A name with what a node type has of it (a compound, a plug path) last found for it: work on
// many nodes of few types looks the name up once per type. Types are never removed, and what a
// type has of a name never changes, so what was found stays right.
template <typename Found>
class TypeNameLookup {
public:
    using Finder = const Found* (*)(const Node& node, const std::string& name);
    TypeNameLookup(std::string name, Finder finder) : name_(std::move(name)), finder_(finder) {}
    const std::string& text() const { return name_; }
    // What the node's type has of the name; null for nothing.
    const Found* on(const Node& node) const {
        if (type_ != &node.type()) {
            found_ = finder_(node, name_);
            type_ = &node.type();
        }
        return found_;
    }

private:
    std::string name_;
    Finder finder_;
    mutable const NodeType* type_ = nullptr;
    mutable const Found* found_ = nullptr;
};

// A stem of three plugs: the type's compound of the stem's name whose children are the three.
class VEXA_API TripleStem : public TypeNameLookup<AttributeDef> {
public:
    explicit TripleStem(std::string stem);
};
// The same write as by the stem's text.
VEXA_API VStatus writeTriple(Node& node, const TripleStem& stem, const double values[3]);

// A plain attribute name: the type's shared plug path of the name.
class VEXA_API TypePlugName : public TypeNameLookup<PlugPath> {
public:
    explicit TypePlugName(std::string name);
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
