#include "host/src/scene/PlugPath.h"

#include "host/src/scene/Node.h"

#include <cstdlib>

namespace vexa_host {

bool PlugPath::indicesResolved() const {
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        if (steps[i].attribute->array && steps[i].index < 0) return false;
    }
    return !steps.empty();
}

std::string PlugPath::key() const { return text(true, false); }

std::string PlugPath::text(bool longNames, bool everyStep) const {
    std::string result;
    for (size_t i = 0; i < steps.size(); ++i) {
        const PlugStep& step = steps[i];
        const bool last = i + 1 == steps.size();
        if (!everyStep && !last && step.index < 0) continue;
        if (!result.empty()) result += '.';
        result += longNames ? step.attribute->longName : step.attribute->shortName;
        if (step.index >= 0) result += "[" + std::to_string(step.index) + "]";
    }
    return result;
}

bool PlugPath::startsWith(const PlugPath& prefix) const {
    if (prefix.steps.size() > steps.size()) return false;
    for (size_t i = 0; i < prefix.steps.size(); ++i) {
        if (!(steps[i] == prefix.steps[i])) return false;
    }
    return true;
}

int PlugPath::elementIndexIn(const PlugPath& arrayPath) const {
    const size_t depth = arrayPath.steps.size();
    if (depth == 0 || steps.size() < depth) return -1;
    for (size_t i = 0; i + 1 < depth; ++i) {
        if (!(steps[i] == arrayPath.steps[i])) return -1;
    }
    const PlugStep& element = steps[depth - 1];
    return element.attribute == arrayPath.steps[depth - 1].attribute && element.index >= 0 ? element.index : -1;
}

// Filled from the leaf up in one allocation: most plugs are top-level attributes, and every
// plug access by name builds its path.
PlugPath PlugPath::of(const AttributePtr& attribute) {
    std::size_t depth = 1;
    for (const AttributeDef* current = attribute->parent; current != nullptr; current = current->parent) ++depth;
    PlugPath path;
    path.steps.resize(depth);
    path.steps[depth - 1].attribute = attribute;
    // Parents are owned by their own parents, or are top-level attributes that the caller's
    // node keeps; share ownership through the child links.
    std::size_t index = depth - 1;
    for (AttributeDef* current = attribute->parent; current != nullptr; current = current->parent) {
        AttributePtr& step = path.steps[--index].attribute;
        if (current->parent == nullptr) {
            step = std::static_pointer_cast<AttributeDef>(current->shared_from_this());
        } else {
            for (const AttributePtr& child : current->parent->children) {
                if (child.get() == current) step = child;
            }
        }
    }
    return path;
}

namespace {

// Splits "name[3]" into the name and the index (-1 without brackets); false when malformed.
bool splitIndex(const std::string& part, std::string& name, int& index) {
    const size_t open = part.find('[');
    if (open == std::string::npos) {
        name = part;
        index = -1;
        return !name.empty();
    }
    if (part.back() != ']' || open == 0) return false;
    const std::string digits = part.substr(open + 1, part.size() - open - 2);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) {
        return false;
    }
    name = part.substr(0, open);
    index = std::atoi(digits.c_str());
    return true;
}

// Appends the steps from below `from` (or from the top) down to `target`.
void appendChain(PlugPath& path, const AttributePtr& target) {
    PlugPath full = PlugPath::of(target);
    size_t start = 0;
    if (!path.steps.empty()) {
        for (size_t i = 0; i < full.steps.size(); ++i) {
            if (full.steps[i].attribute == path.steps.back().attribute) start = i + 1;
        }
    }
    for (size_t i = start; i < full.steps.size(); ++i) path.steps.push_back(full.steps[i]);
}

}  // namespace

bool parsePlugPath(const Node& node, const std::string& text, PlugPath& path) {
    path.steps.clear();
    // A plain attribute name (the common case) is looked up as it stands.
    if (text.find_first_of(".[") == std::string::npos) {
        const AttributePtr attribute = text.empty() ? nullptr : node.findAttribute(text);
        if (!attribute) return false;
        path = PlugPath::of(attribute);
        return true;
    }
    size_t begin = 0;
    while (begin <= text.size()) {
        const size_t dot = text.find('.', begin);
        const std::string part = text.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin);
        std::string name;
        int index = -1;
        if (!splitIndex(part, name, index)) return false;
        AttributePtr attribute =
            path.steps.empty() ? node.findAttribute(name) : path.steps.back().attribute->findDescendant(name);
        if (!attribute) return false;
        if (index >= 0 && !attribute->array) return false;
        appendChain(path, attribute);
        path.steps.back().index = index;
        if (dot == std::string::npos) break;
        begin = dot + 1;
    }
    return !path.steps.empty();
}

}  // namespace vexa_host
