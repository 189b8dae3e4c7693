// The commands the host knows without plug-ins.

#include "host/src/commands/HostCommands.h"
#include "host/src/commands/SceneDump.h"
#include "host/src/plugins/PluginManager.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/scene/TransformNode.h"
#include "host/src/script/PluginCall.h"

#include <vexa/VAngle.h>
#include <vexa/VDistance.h>
#include <vexa/VFileObject.h>
#include <vexa/VMessageLog.h>
#include <vexa/VTime.h>

#include <cctype>
#include <fstream>

namespace vexa_host {

namespace {

VStatus fail(const std::string& message) {
    VMessageLog::add(VMessageLog::kError, VString(message));
    return VStatus(VStatus::kFailure, message);
}

bool isFlag(const VString& word) {
    return word.length() > 1 && word.asChar()[0] == '-' && std::isalpha(static_cast<unsigned char>(word.asChar()[1]));
}

// A flag's words: the flags with their values and the words that are not flags.
struct ParsedArguments {
    std::vector<std::pair<std::string, std::string>> flags;
    std::vector<std::string> positional;
    bool has(const char* a, const char* b = nullptr) const {
        for (const auto& flag : flags) {
            if (flag.first == a || (b != nullptr && flag.first == b)) return true;
        }
        return false;
    }
    std::string value(const char* a, const char* b = nullptr) const {
        for (const auto& flag : flags) {
            if (flag.first == a || (b != nullptr && flag.first == b)) return flag.second;
        }
        return std::string();
    }
};

// Flags listed in takesValue read the next word as their value.
bool parseArguments(const VArgList& args, const std::vector<std::string>& knownFlags,
                    const std::vector<std::string>& takesValue, ParsedArguments& parsed, std::string& error) {
    for (unsigned i = 0; i < args.length(); ++i) {
        const VString word = args.asString(i);
        if (!isFlag(word)) {
            parsed.positional.push_back(word.str());
            continue;
        }
        if (std::find(knownFlags.begin(), knownFlags.end(), word.str()) == knownFlags.end()) {
            error = "invalid flag: " + word.str();
            return false;
        }
        std::string value;
        if (std::find(takesValue.begin(), takesValue.end(), word.str()) != takesValue.end()) {
            if (i + 1 >= args.length()) {
                error = "the flag " + word.str() + " needs a value";
                return false;
            }
            value = args.asString(++i).str();
        }
        parsed.flags.emplace_back(word.str(), value);
    }
    return true;
}

VStatus findPlug(const std::string& text, VPlug& plug) {
    std::vector<SelectionItem> items;
    VStatus status = resolveSelection(text, items);
    if (!status) return status;
    if (items.size() != 1 || items.front().kind != SelectionItem::kPlug) {
        return VStatus(VStatus::kInvalidParameter, text + " does not name one attribute");
    }
    plug = items.front().plug;
    return VStatus();
}

// Internal units per UI unit of an attribute's values.
double uiFactor(const AttributeDef& attribute) {
    switch (attribute.unit) {
    case UnitKind::Angle: return VAngle::radiansPer(VAngle::uiUnit());
    case UnitKind::Distance: return VDistance::centimetersPer(VDistance::uiUnit());
    case UnitKind::Time: return 1.0 / VTime::unitsPerSecond(VTime::uiUnit());
    case UnitKind::None: break;
    }
    return 1.0;
}

VStatus collectValues(const Node& node, const PlugPath& path, CommandResult& result) {
    const AttributeDef& attribute = path.leaf();
    if (path.isArrayPlug()) {
        for (int index : existingIndices(node, path)) {
            PlugPath element = path;
            element.steps.back().index = index;
            if (VStatus status = collectValues(node, element, result); !status) return status;
        }
        return VStatus();
    }
    if (attribute.isCompound()) {
        for (const AttributePtr& child : attribute.children) {
            PlugPath childPath = path;
            childPath.steps.push_back({child, -1});
            if (VStatus status = collectValues(node, childPath, result); !status) return status;
        }
        return VStatus();
    }
    PlugValue value;
    if (VStatus status = readValue(node, path, value); !status) return status;
    if (const double* number = std::get_if<double>(&value)) {
        if (attribute.isIntegral()) {
            result.addInteger(static_cast<long long>(*number));
        } else {
            result.addNumber(*number / uiFactor(attribute));
        }
    } else if (const std::string* text = std::get_if<std::string>(&value)) {
        result.addText(*text);
    } else if (const MatrixValue* matrix = std::get_if<MatrixValue>(&value)) {
        for (double entry : *matrix) result.addNumber(entry);
    } else {
        return VStatus(VStatus::kInvalidParameter, "the attribute holds data that has no text form");
    }
    return VStatus();
}

// The leaves of a numeric plug, in order.
void numericLeaves(const PlugPath& path, std::vector<PlugPath>& leaves) {
    if (!path.leaf().isCompound()) {
        leaves.push_back(path);
        return;
    }
    for (const AttributePtr& child : path.leaf().children) {
        PlugPath childPath = path;
        childPath.steps.push_back({child, -1});
        numericLeaves(childPath, leaves);
    }
}

VStatus setValues(Node& node, const PlugPath& path, const std::string& type, const std::vector<std::string>& words) {
    if (type == "string") {
        if (words.size() != 1) return VStatus(VStatus::kInvalidParameter, "a string value is one word");
        return writeValue(node, path, words.front());
    }
    std::vector<double> numbers;
    for (const std::string& word : words) {
        const VString text(word);
        if (!text.isDouble()) {
            if (text == "true" || text == "on" || text == "yes") {
                numbers.push_back(1.0);
            } else if (text == "false" || text == "off" || text == "no") {
                numbers.push_back(0.0);
            } else {
                return VStatus(VStatus::kInvalidParameter, "not a number: " + word);
            }
        } else {
            numbers.push_back(text.asDouble());
        }
    }
    if (type == "matrix" || path.leaf().kind == AttributeKind::Matrix) {
        if (numbers.size() != 16 || path.leaf().kind != AttributeKind::Matrix) {
            return VStatus(VStatus::kInvalidParameter, "a matrix is 16 numbers on a matrix attribute");
        }
        MatrixValue matrix;
        std::copy(numbers.begin(), numbers.end(), matrix.begin());
        return writeValue(node, path, matrix);
    }
    std::vector<PlugPath> leaves;
    numericLeaves(path, leaves);
    if (leaves.size() != numbers.size()) {
        return VStatus(VStatus::kInvalidParameter, "the attribute takes " + std::to_string(leaves.size()) + " values");
    }
    for (size_t i = 0; i < leaves.size(); ++i) {
        const AttributeDef& leaf = leaves[i].leaf();
        if (leaf.kind != AttributeKind::Numeric) return VStatus(VStatus::kInvalidParameter, "not a numeric attribute");
        if (VStatus status = writeValue(node, leaves[i], numbers[i] * uiFactor(leaf)); !status) return status;
    }
    return VStatus();
}

VStatus getAttrCommand(const VArgList& args, CommandResult& result) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(args, {"-l", "-lock"}, {}, parsed, error)) return fail("getAttr: " + error);
    if (parsed.positional.size() != 1) return fail("getAttr: name one attribute");
    VPlug plug;
    if (VStatus status = findPlug(parsed.positional.front(), plug); !status) {
        return fail("getAttr: " + status.errorString().str());
    }
    if (parsed.has("-l", "-lock")) {
        result.addInteger(plug.isLocked() ? 1 : 0);
        return VStatus();
    }
    VStatus status = collectValues(*plug.nodeRecord(), *plug.path(), result);
    return status ? status : fail("getAttr: " + status.errorString().str());
}

VStatus setAttrCommand(const VArgList& args, CommandResult&) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(args, {"-type", "-typ", "-l", "-lock"}, {"-type", "-typ", "-l", "-lock"}, parsed, error)) {
        return fail("setAttr: " + error);
    }
    if (parsed.positional.empty()) return fail("setAttr: name an attribute");
    VPlug plug;
    if (VStatus status = findPlug(parsed.positional.front(), plug); !status) {
        return fail("setAttr: " + status.errorString().str());
    }
    Node& node = *plug.nodeRecord();
    const PlugPath& path = *plug.path();
    const bool changesLock = parsed.has("-l", "-lock");
    const bool lock = changesLock && VArgList(VStringArray(1, VString(parsed.value("-l", "-lock")))).asBool(0);
    if (changesLock && !lock) setLocked(node, path, false);
    const std::vector<std::string> values(parsed.positional.begin() + 1, parsed.positional.end());
    if (!values.empty()) {
        VStatus status = setValues(node, path, parsed.value("-type", "-typ"), values);
        if (!status) return fail("setAttr: " + plug.info().str() + ": " + status.errorString().str());
    } else if (!changesLock) {
        return fail("setAttr: no value given");
    }
    if (changesLock && lock) setLocked(node, path, true);
    return VStatus();
}

VStatus connectAttrCommand(const VArgList& args, CommandResult&) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(args, {"-f", "-force"}, {}, parsed, error)) return fail("connectAttr: " + error);
    if (parsed.positional.size() != 2) return fail("connectAttr: name a source and a destination");
    VPlug source;
    VPlug destination;
    VStatus status = findPlug(parsed.positional[0], source);
    if (status) status = findPlug(parsed.positional[1], destination);
    if (!status) return fail("connectAttr: " + status.errorString().str());
    Scene& scene = Scene::instance();
    Node& target = *destination.nodeRecord();
    if (parsed.has("-f", "-force")) {
        for (const Connection& existing : std::vector<Connection>(target.incoming())) {
            if (existing.local == *destination.path()) scene.disconnect(*existing.other, existing.remote, target, existing.local);
        }
    }
    status = scene.connect(*source.nodeRecord(), *source.path(), target, *destination.path());
    return status ? status : fail("connectAttr: " + status.errorString().str());
}

VStatus disconnectAttrCommand(const VArgList& args, CommandResult&) {
    if (args.length() != 2) return fail("disconnectAttr: name a source and a destination");
    VPlug source;
    VPlug destination;
    VStatus status = findPlug(args.asString(0).str(), source);
    if (status) status = findPlug(args.asString(1).str(), destination);
    if (status) {
        status = Scene::instance().disconnect(*source.nodeRecord(), *source.path(), *destination.nodeRecord(),
                                              *destination.path());
    }
    return status ? status : fail("disconnectAttr: " + status.errorString().str());
}

VStatus createNodeCommand(const VArgList& args, CommandResult& result) {
    ParsedArguments parsed;
    std::string error;
    if (!parseArguments(args, {"-n", "-name", "-p", "-parent"}, {"-n", "-name", "-p", "-parent"}, parsed, error)) {
        return fail("createNode: " + error);
    }
    if (parsed.positional.size() != 1) return fail("createNode: name one node type");
    Node* parent = nullptr;
    if (parsed.has("-p", "-parent")) {
        std::vector<SelectionItem> items;
        VStatus status = resolveSelection(parsed.value("-p", "-parent"), items);
        if (!status || items.size() != 1 || items.front().kind != SelectionItem::kDagPath) {
            return fail("createNode: the parent is not one DAG node");
        }
        parent = static_cast<Node*>(items.front().node.record().get());
    }
    VStatus status;
    NodePtr node = Scene::instance().createNode(parsed.positional.front(), parsed.value("-n", "-name"), parent, status);
    if (!node) return fail("createNode: " + status.errorString().str());
    result.addText(node->name());
    return VStatus();
}

VStatus deleteCommand(const VArgList& args, CommandResult&) {
    if (args.length() == 0) return fail("delete: name what to delete");
    std::vector<SelectionItem> items;
    for (unsigned i = 0; i < args.length(); ++i) {
        VStatus status = resolveSelection(args.asString(i).str(), items);
        if (!status) return fail("delete: " + status.errorString().str());
    }
    for (const SelectionItem& item : items) {
        auto* node = dynamic_cast<Node*>(item.node.record().get());
        if (item.kind == SelectionItem::kPlug || node == nullptr) return fail("delete: only nodes can be deleted");
        Scene::instance().deleteNode(*node);
    }
    return VStatus();
}

VStatus existsCommand(const VArgList& args, CommandResult& result) {
    if (args.length() != 1) return fail("exists: name one command");
    result.addInteger(CommandEngine::instance().exists(args.asString(0).str()) ? 1 : 0);
    return VStatus();
}

// fileInfo NAME TEXT notes the text on the scene; fileInfo -q NAME answers it ("" when none).
VStatus fileInfoCommand(const VArgList& args, CommandResult& result) {
    Scene& scene = Scene::instance();
    if (args.length() == 2 && (args.asString(0) == "-q" || args.asString(0) == "-query")) {
        const auto found = scene.fileInfo().find(args.asString(1).str());
        result.addText(found != scene.fileInfo().end() ? found->second : std::string());
        return VStatus();
    }
    if (args.length() != 2 || isFlag(args.asString(0))) return fail("fileInfo: give a name and a text, or -q and a name");
    scene.setFileInfo(args.asString(0).str(), args.asString(1).str());
    return VStatus();
}

VStatus printCommand(const VArgList& args, CommandResult&) {
    std::ostream& out = CommandEngine::instance().output();
    for (unsigned i = 0; i < args.length(); ++i) out << (i == 0 ? "" : " ") << args.asString(i).asChar();
    out.flush();
    return VStatus();
}

VStatus loadPluginCommand(const VArgList& args, CommandResult& result) {
    if (args.length() != 1) return fail("loadPlugin: name one plug-in");
    std::string name;
    VStatus status = PluginManager::instance().load(args.asString(0).str(), name);
    if (!status) return fail("loadPlugin: " + status.errorString().str());
    result.addText(name);
    return VStatus();
}

VStatus unloadPluginCommand(const VArgList& args, CommandResult&) {
    if (args.length() != 1) return fail("unloadPlugin: name one plug-in");
    VStatus status = PluginManager::instance().unload(args.asString(0).str());
    return status ? status : fail("unloadPlugin: " + status.errorString().str());
}

VStatus dumpSceneCommand(const VArgList& args, CommandResult&) {
    if (args.length() != 0) return fail("dumpScene: takes no arguments");
    dumpScene(CommandEngine::instance().output());
    return VStatus();
}

std::string extensionOf(const std::string& name) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    return VString(name.substr(dot + 1)).toLowerCase().str();
}

// A translator's answer to a question; one that throws answers no, its error in the message log.
template <typename Question>
bool answers(const TranslatorEntry& entry, const char* method, Question&& question) {
    bool answer = false;
    const VStatus status = callPlugin(entry.name + "::" + method, [&] { answer = question(); });
    if (!status) VMessageLog::add(VMessageLog::kError, status.errorString());
    return answer;
}

// The translator for a file: the named one, or for reading the one that knows the file's first
// bytes, for writing the one whose default extension is the file's.
const TranslatorEntry* chooseTranslator(const VFileObject& file, const std::string& typeName, bool reading,
                                        std::string& error) {
    const auto& translators = PluginManager::instance().translators();
    std::vector<char> buffer;
    if (reading) {
        std::ifstream in(file.fullName().asChar(), std::ios::binary);
        if (!in) {
            error = "file not found: " + file.rawFullName().str();
            return nullptr;
        }
        buffer.resize(512);
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        buffer.resize(static_cast<size_t>(in.gcount()));
    }
    const std::string extension = extensionOf(file.rawFullName().str());
    const TranslatorEntry* couldBe = nullptr;
    for (const TranslatorEntry& entry : translators) {
        if (!typeName.empty() && entry.name != typeName) continue;
        std::unique_ptr<VPxFileTranslator> translator;
        if (VStatus status = PluginManager::make(entry, translator); !status) {
            VMessageLog::add(VMessageLog::kError, status.errorString());
            continue;
        }
        const bool capable = reading ? answers(entry, "haveReadMethod", [&] { return translator->haveReadMethod(); })
                                     : answers(entry, "haveWriteMethod", [&] { return translator->haveWriteMethod(); });
        if (!capable) continue;
        if (!typeName.empty()) return &entry;
        if (!reading) {
            if (answers(entry, "defaultExtension",
                        [&] { return translator->defaultExtension().toLowerCase().str() == extension; })) {
                return &entry;
            }
            continue;
        }
        VPxFileTranslator::VFileKind kind = VPxFileTranslator::kNotMyFileType;
        answers(entry, "identifyFile", [&] {
            kind = translator->identifyFile(file, buffer.data(), static_cast<short>(buffer.size()));
            return true;
        });
        if (kind == VPxFileTranslator::kIsMyFileType) return &entry;
        if (kind == VPxFileTranslator::kCouldBeMyFileType && couldBe == nullptr) couldBe = &entry;
    }
    if (couldBe == nullptr) {
        error = typeName.empty() ? "no translator " + std::string(reading ? "reads " : "writes ") + file.rawFullName().str()
                                 : "no translator " + typeName + (reading ? " that reads" : " that writes");
    }
    return couldBe;
}

VStatus fileCommand(const VArgList& args, CommandResult& result) {
    ParsedArguments parsed;
    std::string error;
    const std::vector<std::string> flags = {"-i", "-import", "-ex", "-export", "-new", "-f", "-force",
                                            "-typ", "-type", "-op", "-options"};
    if (!parseArguments(args, flags, {"-typ", "-type", "-op", "-options"}, parsed, error)) return fail("file: " + error);
    if (parsed.has("-new")) {
        Scene::instance().reset();
        return VStatus();
    }
    const bool reading = parsed.has("-i", "-import");
    const bool writing = parsed.has("-ex", "-export");
    if (reading == writing || parsed.positional.size() != 1) {
        return fail("file: use -import or -export with one file name, or -new");
    }
    const VFileObject file(VString(parsed.positional.front()));
    const TranslatorEntry* entry = chooseTranslator(file, parsed.value("-typ", "-type"), reading, error);
    if (entry == nullptr) return fail("file: " + error);
    std::unique_ptr<VPxFileTranslator> translator;
    VStatus status = PluginManager::make(*entry, translator);
    if (!status) return fail("file: " + status.errorString().str());
    const VString options(parsed.value("-op", "-options"));
    VStatus answer;
    status = callPlugin(entry->name + (reading ? "::reader" : "::writer"), [&] {
        answer = reading ? translator->reader(file, options, VPxFileTranslator::kImportAccessMode)
                         : translator->writer(file, options, VPxFileTranslator::kExportAccessMode);
    });
    if (!status) return fail("file: " + status.errorString().str());
    if (!answer) return fail("file: " + entry->name + " failed: " + answer.errorString().str());
    result.addText(file.fullName().str());
    return VStatus();
}

}  // namespace

void registerBuiltinCommands(CommandEngine& engine) {
    engine.registerBuiltin("connectAttr", connectAttrCommand);
    engine.registerBuiltin("createNode", createNodeCommand);
    engine.registerBuiltin("delete", deleteCommand);
    engine.registerBuiltin("disconnectAttr", disconnectAttrCommand);
    engine.registerBuiltin("dumpScene", dumpSceneCommand);
    engine.registerBuiltin("exists", existsCommand);
    engine.registerBuiltin("file", fileCommand);
    engine.registerBuiltin("fileInfo", fileInfoCommand);
    engine.registerBuiltin("getAttr", getAttrCommand);
    engine.registerBuiltin("loadPlugin", loadPluginCommand);
    engine.registerBuiltin("print", printCommand);
    engine.registerBuiltin("setAttr", setAttrCommand);
    engine.registerBuiltin("unloadPlugin", unloadPluginCommand);
}

}  // namespace vexa_host
