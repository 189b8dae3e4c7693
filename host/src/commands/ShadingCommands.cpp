// The shading commands: shadingNode makes shaders, textures and utility nodes; sets makes,
// edits and lists object sets and shading groups.

#include "host/src/api/ApiSupport.h"
#include "host/src/commands/CommandItems.h"
#include "host/src/commands/HostCommands.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SetMembers.h"
#include "host/src/shading/SetMembership.h"
#include "host/src/shading/ShadingNodes.h"

#include <cstdint>
#include <cstring>


namespace vexa_host {

namespace {

// "shadingNode -asShader|-asTexture|-asUtility [-n name] type": the node's name.
VStatus shadingNodeCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {
        {"-as", "-asShader", 0}, {"-at", "-asTexture", 0}, {"-au", "-asUtility", 0}, {"-n", "-name", 1}};
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("shadingNode", args, table, flags, status)) return status;
    const int kinds = (flags.has("-as") ? 1 : 0) + (flags.has("-at") ? 1 : 0) + (flags.has("-au") ? 1 : 0);
    if (kinds != 1 || flags.positional().size() != 1) {
        return commandError("shadingNode", "give one of -asShader, -asTexture, -asUtility and one node type");
    }
    const std::string& typeName = flags.positional().front();
    const NodeType* type = NodeTypeRegistry::instance().find(typeName);
    if (type == nullptr || type->abstract || type->dag) return commandError("shadingNode", "unknown node type " + typeName);
    const bool fits = flags.has("-as") ? isShaderType(*type)
                      : flags.has("-at") ? isTextureType(*type)
                                         : !isShaderType(*type) && !isTextureType(*type);
    if (!fits) return commandError("shadingNode", typeName + " is not of the kind asked for");
    const std::string name = flags.value("-n");
    NodePtr node = flags.has("-as") ? createShaderNode(typeName, name, true, status)
                                    : Scene::instance().createNode(typeName, name, nullptr, status);
    if (!node) return commandError("shadingNode", status.errorString().str());
    result.addText(node->name());
    return VStatus();
}

VStatus listMembers(const CommandFlags& flags, CommandResult& result) {
    if (flags.positional().size() != 1) return commandError("sets", "name one set to list");
    Node* set = nullptr;
    if (VStatus status = nodeNamed(flags.positional().front(), set); !status) return commandError("sets", status.errorString().str());
    auto* members = SetMembers::of(set->payload());
    if (members == nullptr) return commandError("sets", set->name() + " is not a set");
    for (const SelectionItem& item : members->items()) {
        for (const std::string& text : selectionTexts(item)) result.addText(text);
    }
    return VStatus();
}

// The item list of one set edit. A plug-in forces polygons into groups one command at a time,
// so the list is kept between edits and asks no heap block once grown; it is emptied when the
// edit ends, holding nothing past its command. An edit inside an edit takes a list of its own.
class EditItems {
public:
    EditItems() : shared_(!inUse()), items_(shared_ ? kept() : own_) {
        if (shared_) inUse() = true;
    }
    ~EditItems() {
        if (!shared_) return;
        items_.clear();
        inUse() = false;
    }
    EditItems(const EditItems&) = delete;
    EditItems& operator=(const EditItems&) = delete;

    std::vector<SelectionItem>& list() { return items_; }

private:
    static std::vector<SelectionItem>& kept() {
        static std::vector<SelectionItem> items;
        return items;
    }
    static bool& inUse() {
        static bool used = false;
        return used;
    }

    const bool shared_;
    std::vector<SelectionItem> own_;
    std::vector<SelectionItem>& items_;
};

// The edit flags of sets, short and long names; an edit takes one of them.
const FlagSpec kEditFlags[] = {{"-fe", "-forceElement", 1}, {"-add", "-addElement", 1}, {"-rm", "-remove", 1}};

// The edit of the set named by setName with the items that nameItems puts into the list it is
// given: edit is the short name of one of kEditFlags.
template <typename NameItems>
VStatus editMembers(const char* edit, const std::string& setName, NameItems nameItems) {
    Node* set = nullptr;
    if (VStatus status = nodeNamed(setName, set); !status) return commandError("sets", status.errorString().str());
    EditItems editItems;
    std::vector<SelectionItem>& items = editItems.list();
    if (VStatus status = nameItems(items); !status) return commandError("sets", status.errorString().str());
    // The items were just found alive: while no name or parent link changes, they stay so.
    const std::uint64_t checkedAt = Node::structureStamp();
    const bool removing = edit == kEditFlags[2].shortName;
    const bool forcing = edit == kEditFlags[0].shortName;
    for (const SelectionItem& item : items) {
        VStatus status = removing ? removeSetMember(*set, item) : addSetMember(*set, item, forcing, checkedAt);
        if (!status) return commandError("sets", selectionText(item) + ": " + status.errorString().str());
    }
    return VStatus();
}

// "sets -e -forceElement|-addElement|-remove SET items": the items (or the active selection).
VStatus editMembers(const CommandFlags& flags) {
    const char* edit = nullptr;
    for (const FlagSpec& candidate : kEditFlags) {
        if (flags.has(candidate.shortName)) edit = edit == nullptr ? candidate.shortName : "";
    }
    if (edit == nullptr || *edit == '\0') return commandError("sets", "an edit takes one of -forceElement, -addElement, -remove");
    return editMembers(edit, *flags.firstValue(edit), [&flags](std::vector<SelectionItem>& items) { return positionalItems(flags, items); });
}

// The edit flag of "sets -e <edit flag> SET ITEM", the form an import sends for every run of
// polygons, or null for any other words. Read as flags, such words give the edit, the set as
// the flag's value and the one item, which is what the caller takes them for; a set or item
// that looks like a flag (a mode flag among them would change the reading) sends the words
// the general way.
const char* commonEdit(const std::vector<VString>& words) {
    if (words.size() != 4 || looksLikeFlag(words[2].str()) || looksLikeFlag(words[3].str())) return nullptr;
    const char* const mode = words[0].asChar();
    if (std::strcmp(mode, "-e") != 0 && std::strcmp(mode, "-edit") != 0) return nullptr;
    const char* const edit = words[1].asChar();
    for (const FlagSpec& candidate : kEditFlags) {
        if (std::strcmp(edit, candidate.shortName) == 0 || std::strcmp(edit, candidate.longName) == 0) return candidate.shortName;
    }
    return nullptr;
}

VStatus makeSet(const CommandFlags& flags, CommandResult& result) {
    bool renderable = false;
    bool noShader = false;
    if ((flags.has("-r") && !readBoolWord(flags.value("-r"), renderable)) ||
        (flags.has("-nss") && !readBoolWord(flags.value("-nss"), noShader))) {
        return commandError("sets", "-renderable and -noSurfaceShader take true or false");
    }
    std::vector<SelectionItem> items;
    if (!flags.has("-em")) {
        if (VStatus status = positionalItems(flags, items); !status) return commandError("sets", status.errorString().str());
    } else if (!flags.positional().empty()) {
        return commandError("sets", "-empty takes no members");
    }
    Scene& scene = Scene::instance();
    VStatus status;
    NodePtr set = scene.createNode(renderable ? "shadingEngine" : "objectSet", flags.value("-n"), nullptr, status);
    if (!set) return commandError("sets", status.errorString().str());
    for (const SelectionItem& item : items) {
        status = addSetMember(*set, item, false);
        if (!status) {
            scene.deleteNode(*set);
            return commandError("sets", selectionText(item) + ": " + status.errorString().str());
        }
    }
    result.addText(set->name());
    return VStatus();
}

VStatus setsCommand(const VArgList& args, CommandResult& result) {
    // The flags of an edit first: an import sends "sets -e -forceElement" for every run of polygons.
    static const std::vector<FlagSpec> table = {
        {"-e", "-edit", 0},           {"-fe", "-forceElement", 1}, {"-add", "-addElement", 1},
        {"-rm", "-remove", 1},        {"-q", "-query", 0},         {"-n", "-name", 1},
        {"-r", "-renderable", 1},     {"-nss", "-noSurfaceShader", 1}, {"-em", "-empty", 0}};
    const std::vector<VString>& words = args.arguments().items();
    if (const char* edit = commonEdit(words)) {
        const std::string& item = words[3].str();
        // A run of polygons joins the group's component on its shape without an item of its own.
        Node* set = nullptr;
        if (edit != kEditFlags[2].shortName && nodeNamed(words[2].str(), set) &&
            addRunToGroup(*set, item, edit == kEditFlags[0].shortName)) {
            return VStatus();
        }
        return editMembers(edit, words[2].str(), [&item](std::vector<SelectionItem>& items) {
            items.clear();
            return resolveSelection(item, items);
        });
    }
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("sets", args, table, flags, status)) return status;
    if (flags.query()) return listMembers(flags, result);
    if (flags.edit()) return editMembers(flags);
    return makeSet(flags, result);
}

}  // namespace

void registerShadingCommands(CommandEngine& engine) {
    engine.registerBuiltin("shadingNode", shadingNodeCommand);
    engine.registerBuiltin("sets", setsCommand);
}

}  // namespace vexa_host
