#include <vexa/VFnDependencyNode.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"

#include <vexa/VPlugArray.h>

#include <utility>

using namespace vexa_host;

namespace {

// "no plug <name>", made only when read: importers probe nodes for plugs that many of them
// lack (a transform's joint orient) and pass over the failure.
class NoPlugText : public VStatus::TextSource {
public:
    explicit NoPlugText(const VString& name) : name_(name) {}
    VString text() const override { return "no plug " + name_; }

private:
    VString name_;
};

}  // namespace

VFnDependencyNode::VFnDependencyNode(const VObject& object, VStatus* status) {
    report(status, VFnDependencyNode::setObject(object));
}

VStatus VFnDependencyNode::setObject(const VObject& object) {
    Node* node = nodeOf(object);
    if (node != nullptr && !node->alive()) {
        object_ = VObject();
        return deletedNode();
    }
    if (node != nullptr && node->isWorld()) {
        object_ = VObject();
        return VStatus(VStatus::kInvalidParameter, "the world is not a node to work on");
    }
    return VFnBase::setObject(object);
}

VStatus VFnDependencyNode::checkAlive() const {
    if (object_.isNull()) return noObject();
    return liveNodeOf(object_) != nullptr ? VStatus() : deletedNode();
}

VObject VFnDependencyNode::create(const VString& typeName, VStatus* status) { return create(typeName, VString(), status); }

VObject VFnDependencyNode::create(const VString& typeName, const VString& name, VStatus* status) {
    VStatus result;
    NodePtr node = Scene::instance().createNode(typeName.str(), name.str(), nullptr, result);
    report(status, result);
    if (!node) return VObject();
    object_ = VObject(node);
    return object_;
}

VString VFnDependencyNode::name(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? VString(node->name()) : VString();
}

VString VFnDependencyNode::setName(const VString& name, VStatus* status) {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return VString();
    }
    report(status, VStatus());
    return VString(Scene::instance().rename(*liveNodeOf(object_), name.str()));
}

VString VFnDependencyNode::typeName(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? VString(node->type().name) : VString();
}

VString VFnDependencyNode::nodeNamespace(VStatus* status) const {
    const VString full = name(status);
    const int colon = full.rindex(':');
    return colon < 0 ? VString() : full.substring(0, colon - 1);
}

unsigned VFnDependencyNode::attributeCount(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? static_cast<unsigned>(node->attributeCount()) : 0u;
}

VObject VFnDependencyNode::attribute(unsigned index, VStatus* status) const {
    Node* node = liveNodeOf(object_);
    if (node == nullptr) {
        report(status, checkAlive());
        return VObject();
    }
    AttributePtr attribute = node->attributeAt(index);
    if (attribute == nullptr) {
        report(status, VStatus(VStatus::kInvalidParameter, "attribute index out of range"));
        return VObject();
    }
    report(status, VStatus());
    return VObject(std::move(attribute));
}

VObject VFnDependencyNode::attribute(const VString& name, VStatus* status) const {
    Node* node = liveNodeOf(object_);
    if (node == nullptr) {
        report(status, checkAlive());
        return VObject();
    }
    AttributePtr attribute = node->findAttribute(name.str());
    report(status, attribute ? VStatus() : VStatus(VStatus::kNotFound, "no attribute " + name));
    return attribute ? VObject(attribute) : VObject();
}

bool VFnDependencyNode::hasAttribute(const VString& name, VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr && node->findAttribute(name.str()) != nullptr;
}

VFnDependencyNode::AttributeClass VFnDependencyNode::attributeClass(const VObject& attribute, VStatus* status) const {
    AttributePtr definition = attributeOf(attribute);
    Node* node = liveNodeOf(object_);
    if (node == nullptr || !definition || node->findAttribute(definition->longName) != definition) {
        report(status, VStatus(VStatus::kInvalidParameter, "the attribute is not on this node"));
        return kInvalidAttr;
    }
    report(status, VStatus());
    return definition->dynamic ? kLocalDynamicAttr : kNormalAttr;
}

VStatus VFnDependencyNode::addAttribute(const VObject& attribute, AttributeClass attributeClass) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    AttributePtr definition = attributeOf(attribute);
    if (!definition) return VStatus(VStatus::kFailure, "not an attribute");
    if (attributeClass != kLocalDynamicAttr && attributeClass != kGlobalDynamicAttr) {
        return VStatus(VStatus::kInvalidParameter, "only dynamic attributes can be added");
    }
    if (!liveNodeOf(object_)->addDynamicAttribute(definition)) {
        return VStatus(VStatus::kInvalidParameter, "the name " + VString(definition->longName) + " is in use");
    }
    return VStatus();
}

VStatus VFnDependencyNode::removeAttribute(const VObject& attribute) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    AttributePtr definition = attributeOf(attribute);
    if (!definition) return VStatus(VStatus::kFailure, "not an attribute");
    Node* node = liveNodeOf(object_);
    if (node->findAttribute(definition->longName) != definition) {
        return VStatus(VStatus::kInvalidParameter, "the attribute is not on this node");
    }
    return Scene::instance().removeAttribute(*node, *definition);
}

VPlug VFnDependencyNode::findPlug(const VString& name, VStatus* status) const {
    Node* node = liveNodeOf(object_);
    if (node == nullptr) {
        report(status, checkAlive());
        return VPlug();
    }
    // A type attribute's plain name (the common case) takes the type's path as it stands.
    if (std::shared_ptr<const PlugPath> shared = node->typePlugPath(name.str())) {
        report(status, VStatus());
        return VPlug(node->self(), std::move(shared));
    }
    // Past the type's names a plain name can only be a dynamic attribute's.
    // (A plain loop: the library's search for either of two bytes costs several times more
    // on names this short.)
    bool plain = true;
    for (const char c : name.str()) plain = plain && c != '.' && c != '[';
    PlugPath path;
    if ((plain && node->dynamicAttributes().empty()) || !parsePlugPath(*node, name.str(), path)) {
        if (status != nullptr) *status = VStatus(VStatus::kNotFound, std::make_shared<NoPlugText>(name));
        return VPlug();
    }
    report(status, VStatus());
    return VPlug(node->self(), std::make_shared<PlugPath>(std::move(path)));
}

VPlug VFnDependencyNode::findPlug(const VObject& attribute, VStatus* status) const {
    Node* node = liveNodeOf(object_);
    // One of the type's attributes (found by its place, not its name) takes the type's path;
    // the attribute is looked at without a handle made to it.
    const AttributeDef* raw = attribute.isNull() ? nullptr : attribute.record()->asAttribute();
    if (node != nullptr && raw != nullptr) {
        if (std::shared_ptr<const PlugPath> shared = node->typePlugPath(*raw)) {
            if (status != nullptr) *status = VStatus();
            return VPlug(node->self(), std::move(shared));
        }
    }
    AttributePtr definition = attributeOf(attribute);
    if (node == nullptr || !definition || node->findAttribute(definition->longName) != definition) {
        report(status, VStatus(VStatus::kNotFound, "the attribute is not on this node"));
        return VPlug();
    }
    report(status, VStatus());
    return VPlug(node->self(), std::make_shared<PlugPath>(PlugPath::of(definition)));
}

VStatus VFnDependencyNode::getConnections(VPlugArray& plugs) const {
    plugs.clear();
    if (VStatus alive = checkAlive(); !alive) return alive;
    Node* node = liveNodeOf(object_);
    auto addPlug = [&plugs, node](const PlugPath& path) {
        VPlug plug(node->self(), std::make_shared<PlugPath>(path));
        for (const VPlug& existing : plugs) {
            if (existing == plug) return;
        }
        plugs.append(plug);
    };
    for (const Connection& connection : node->incoming()) addPlug(connection.local);
    for (const Connection& connection : node->outgoing()) addPlug(connection.local);
    return VStatus();
}
