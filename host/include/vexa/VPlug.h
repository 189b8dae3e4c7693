#ifndef VEXA_VPLUG_H
#define VEXA_VPLUG_H

// One attribute of one node: a value that can be read, set, locked and connected.
//
// Array attributes have elements addressed by logical index ("weight[3]"); an element exists
// once it holds a value or a connection. Compound attributes have child plugs.
//
// Values are kept in internal units (centimetres, radians, seconds). A plug that is the
// destination of a connection reads its source: an animation curve's output gives the curve's
// value at the current time (or at its input's value, for driven keys), a transform's
// "matrix" and "worldMatrix[i]" are computed from its attributes. Setting a connected plug
// keeps the value for when it is disconnected; a plug that a curve drives by time reads the
// value set on it until the current time changes. A plug is locked when it or one of its parents
// is; a locked plug refuses new values and new incoming connections (kFailure).
//
// Names: name() is "node.attr" with the node's name; info() puts the node's partial DAG path
// name first; both use long attribute names and give every element index ("input[0].groupId").

#include <vexa/VMatrix.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

#include <memory>

class VIntArray;
class VPlugArray;

namespace vexa_host {
class Node;
struct PlugPath;
}

class VEXA_API VPlug {
public:
    VPlug() = default;
    // The plug of an attribute (a VObject from VFnDependencyNode::attribute) on a node.
    VPlug(const VObject& node, const VObject& attribute);

    bool isNull() const { return node_ == nullptr; }
    VObject node(VStatus* status = nullptr) const;
    VObject attribute(VStatus* status = nullptr) const;
    VString name(VStatus* status = nullptr) const;
    VString info(VStatus* status = nullptr) const;
    VString partialName(bool includeNodeName = false, bool includeNonMandatoryIndices = false,
                        bool includeInstancedIndices = false, bool useAlias = false,
                        bool useFullAttributePath = false, bool useLongNames = false,
                        VStatus* status = nullptr) const;

    // Arrays and elements.
    bool isArray(VStatus* status = nullptr) const;     // the array plug itself, no index
    bool isElement(VStatus* status = nullptr) const;   // one element of an array
    unsigned logicalIndex(VStatus* status = nullptr) const;
    VPlug elementByLogicalIndex(unsigned index, VStatus* status = nullptr) const;
    VPlug elementByPhysicalIndex(unsigned index, VStatus* status = nullptr) const;
    unsigned numElements(VStatus* status = nullptr) const;
    int getExistingArrayAttributeIndices(VIntArray& indices, VStatus* status = nullptr) const;
    VPlug array(VStatus* status = nullptr) const;
    // Sets the logical index of the nearest array plug above (or at) this one whose attribute
    // is the given one; a null attribute means the nearest array of all.
    VStatus selectAncestorLogicalIndex(unsigned index, const VObject& attribute = VObject::kNullObj);

    // Compounds.
    bool isCompound(VStatus* status = nullptr) const;
    bool isChild(VStatus* status = nullptr) const;
    unsigned numChildren(VStatus* status = nullptr) const;
    VPlug child(unsigned index, VStatus* status = nullptr) const;
    VPlug child(const VObject& attribute, VStatus* status = nullptr) const;
    VPlug parent(VStatus* status = nullptr) const;

    // Connections.
    bool isConnected(VStatus* status = nullptr) const;
    bool isDestination(VStatus* status = nullptr) const;
    bool isSource(VStatus* status = nullptr) const;
    bool connectedTo(VPlugArray& plugs, bool asDestination, bool asSource, VStatus* status = nullptr) const;
    bool isDynamic(VStatus* status = nullptr) const;
    bool isKeyable(VStatus* status = nullptr) const;

    bool isLocked(VStatus* status = nullptr) const;
    VStatus setLocked(bool locked);

    // Values. Numeric attributes convert between the number types; a boolean reads 0 or 1.
    VStatus getValue(double& value) const;
    VStatus getValue(float& value) const;
    VStatus getValue(int& value) const;
    VStatus getValue(short& value) const;
    VStatus getValue(bool& value) const;
    VStatus getValue(char& value) const;
    VStatus getValue(VString& value) const;
    VStatus getValue(VMatrix& value) const;
    // A data plug's value (geometry) as an object that function sets such as VFnMesh take;
    // the null object when the plug holds no data. kInvalidParameter for another kind of plug.
    VStatus getValue(VObject& data) const;
    // The number the plug holds of its own, whatever drives it: the value last set on it (kept
    // for when it is disconnected), else its attribute's default.
    VStatus getOwnValue(double& value) const;
    VStatus setValue(double value);
    VStatus setValue(float value);
    VStatus setValue(int value);
    VStatus setValue(short value);
    VStatus setValue(bool value);
    VStatus setValue(char value);
    VStatus setValue(const VString& value);
    VStatus setValue(const char* value);
    VStatus setValue(const VMatrix& value);
    // Stores the data of an object that getValue gave (or a function set made).
    VStatus setValue(const VObject& data);
    double asDouble(VStatus* status = nullptr) const;
    float asFloat(VStatus* status = nullptr) const;
    int asInt(VStatus* status = nullptr) const;
    short asShort(VStatus* status = nullptr) const;
    bool asBool(VStatus* status = nullptr) const;
    char asChar(VStatus* status = nullptr) const;
    VString asString(VStatus* status = nullptr) const;

    bool operator==(const VPlug& other) const;
    bool operator!=(const VPlug& other) const { return !(*this == other); }

    // Host side only.
    VPlug(std::shared_ptr<vexa_host::Node> node, std::shared_ptr<const vexa_host::PlugPath> path)
        : node_(std::move(node)), path_(std::move(path)) {}
    const std::shared_ptr<vexa_host::Node>& nodeRecord() const { return node_; }
    const std::shared_ptr<const vexa_host::PlugPath>& path() const { return path_; }

private:
    std::shared_ptr<vexa_host::Node> node_;
    std::shared_ptr<const vexa_host::PlugPath> path_;
};

#endif
