#include "host/src/commands/SceneDump.h"

#include "host/src/scene/Scene.h"
#include "host/src/script/ScriptText.h"

#include <vexa/VString.h>

#include <sstream>

namespace vexa_host {

namespace {

std::string displayName(const Node& node) {
    return node.isDag() ? Scene::fullPathName(Scene::firstPath(node)) : node.name();
}

std::string valueText(const PlugValue& value) {
    if (const double* number = std::get_if<double>(&value)) return VString::fromDouble(*number).str();
    if (const std::string* text = std::get_if<std::string>(&value)) return quoted(*text);
    if (const MatrixValue* matrix = std::get_if<MatrixValue>(&value)) {
        std::string text;
        for (double entry : *matrix) text += (text.empty() ? "" : " ") + VString::fromDouble(entry).str();
        return text;
    }
    const auto& data = std::get<std::shared_ptr<const DataValue>>(value);
    if (!data) return "(no data)";
    std::ostringstream out;
    out << data->typeName() << " ";
    data->describe(out);
    return out.str();
}

}  // namespace

void dumpScene(std::ostream& out) {
    Scene& scene = Scene::instance();
    out << "time " << VString::fromDouble(scene.currentTime()).str() << " range "
        << VString::fromDouble(scene.minTime()).str() << " " << VString::fromDouble(scene.maxTime()).str() << "\n";
    for (const auto& [name, text] : scene.fileInfo()) out << "fileInfo " << name << " " << quoted(text) << "\n";
    for (const std::string& name : scene.namespaces()) out << "namespace " << name << "\n";
    for (const auto& entry : scene.nodes()) {
        const Node& node = *entry.second;
        out << "node " << node.type().name << " " << displayName(node) << "\n";
        if (node.isDag()) {
            const std::vector<NodeChain> paths = Scene::allPaths(node);
            for (size_t i = 1; i < paths.size(); ++i) out << "  instance " << Scene::fullPathName(paths[i]) << "\n";
        }
        for (const AttributePtr& attribute : node.dynamicAttributes()) {
            out << "  attribute " << attribute->longName << " " << attribute->apiTypeName() << "\n";
        }
        for (const auto& value : node.values()) out << "  " << value.first << " = " << valueText(value.second) << "\n";
        for (const std::string& locked : node.lockedPlugs()) out << "  locked " << locked << "\n";
        if (node.payload() != nullptr) node.payload()->describe(out, "  ");
    }
    for (const auto& entry : scene.nodes()) {
        const Node& node = *entry.second;
        for (const Connection& connection : node.outgoing()) {
            out << "connect " << displayName(node) << "." << connection.local.key() << " -> "
                << displayName(*connection.other) << "." << connection.remote.key() << "\n";
        }
    }
}

}  // namespace vexa_host
