#include "host/src/commands/CharacterRig.h"

#include "host/src/scene/Scene.h"
#include "host/src/script/CommandEngine.h"
#include "host/src/script/CommandFlags.h"

#include <vexa/VPxCommand.h>

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vexa_host {

namespace {

struct CharacterLink {
    std::string node;
    std::array<double, 3> translation{};
    std::array<double, 3> rotation{};
    std::array<double, 3> scaling{{1.0, 1.0, 1.0}};
};

struct Character {
    std::string name;
    std::map<std::pair<int, int>, CharacterLink> links;  // by (group, index)
    bool characterized = false;
};

struct RigState {
    bool loaded = false;
    std::vector<Character> characters;
};

RigState& state() {
    static RigState rig;
    return rig;
}

// The module's commands are registered like a plug-in's, under this owner.
const char kOwner = 0;

enum class RigCommand { kCreate, kSetLink, kSetLinkTRS, kCharacterize, kCount, kName, kGetLink };

const std::vector<std::pair<const char*, RigCommand>>& commandNames() {
    static const std::vector<std::pair<const char*, RigCommand>> names = {
        {"ZOQCreateCharacter", RigCommand::kCreate},         {"ZOQSetCharacterNodeLink", RigCommand::kSetLink},
        {"ZOQSetCharacterNodeLinkTRS", RigCommand::kSetLinkTRS}, {"ZOQCharacterize", RigCommand::kCharacterize},
        {"ZOQGetCharacterCount", RigCommand::kCount},        {"ZOQGetCharacterName", RigCommand::kName},
        {"ZOQGetCharacterNodeLink", RigCommand::kGetLink}};
    return names;
}

class CharacterRigCommand : public VPxCommand {
public:
    explicit CharacterRigCommand(RigCommand kind) : kind_(kind) {}
    VStatus doIt(const VArgList& args) override;

private:
    VStatus fail(const std::string& what) const { return commandFailure(std::string(nameOf(kind_)) + ": " + what); }
    static const char* nameOf(RigCommand kind);
    VStatus character(const CommandFlags& flags, Character*& found) const;
    VStatus slot(const CommandFlags& flags, std::pair<int, int>& address) const;
    VStatus readTriple(const CommandFlags& flags, const char* flag, std::array<double, 3>& values) const;
    VStatus setLink(const CommandFlags& flags, bool offsets);
    VStatus getLink(const CommandFlags& flags);

    RigCommand kind_;
};

template <RigCommand Kind>
void* makeCommand() {
    return new CharacterRigCommand(Kind);  // the command engine owns and deletes it
}

VFnPlugin::CommandCreator creatorFor(RigCommand kind) {
    switch (kind) {
    case RigCommand::kCreate: return makeCommand<RigCommand::kCreate>;
    case RigCommand::kSetLink: return makeCommand<RigCommand::kSetLink>;
    case RigCommand::kSetLinkTRS: return makeCommand<RigCommand::kSetLinkTRS>;
    case RigCommand::kCharacterize: return makeCommand<RigCommand::kCharacterize>;
    case RigCommand::kCount: return makeCommand<RigCommand::kCount>;
    case RigCommand::kName: return makeCommand<RigCommand::kName>;
    case RigCommand::kGetLink: break;
    }
    return makeCommand<RigCommand::kGetLink>;
}

const char* CharacterRigCommand::nameOf(RigCommand kind) {
    for (const auto& entry : commandNames()) {
        if (entry.second == kind) return entry.first;
    }
    return "ZOQ";
}

bool readIndex(const CommandFlags& flags, const char* flag, int& value) {
    double number = 0.0;
    if (!flags.has(flag) || !readNumberWord(flags.value(flag), number) || number < 0.0 || number != static_cast<int>(number)) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

VStatus CharacterRigCommand::character(const CommandFlags& flags, Character*& found) const {
    int index = 0;
    if (!readIndex(flags, "-ci", index) || static_cast<size_t>(index) >= state().characters.size()) {
        return fail("-ci names no character");
    }
    found = &state().characters[static_cast<size_t>(index)];
    return VStatus();
}

VStatus CharacterRigCommand::slot(const CommandFlags& flags, std::pair<int, int>& address) const {
    if (!readIndex(flags, "-lti", address.first) || !readIndex(flags, "-li", address.second)) {
        return fail("-lti and -li take a link group and an index, 0 or more");
    }
    return VStatus();
}

VStatus CharacterRigCommand::readTriple(const CommandFlags& flags, const char* flag, std::array<double, 3>& values) const {
    const std::vector<std::string>* words = flags.values(flag);
    if (words == nullptr) return VStatus();
    for (size_t i = 0; i < 3; ++i) {
        if (!readNumberWord((*words)[i], values[i])) return fail(std::string(flag) + " takes three numbers");
    }
    return VStatus();
}

VStatus CharacterRigCommand::setLink(const CommandFlags& flags, bool offsets) {
    Character* target = nullptr;
    std::pair<int, int> address;
    if (VStatus status = character(flags, target); !status) return status;
    if (VStatus status = slot(flags, address); !status) return status;
    CharacterLink& link = target->links[address];
    if (!offsets) {
        const std::string node = flags.value("-nn");
        if (node.empty() || Scene::instance().findPaths(node).empty()) return fail("-nn names no DAG node");
        link.node = node;
        return VStatus();
    }
    VStatus status = readTriple(flags, "-t", link.translation);
    if (status) status = readTriple(flags, "-r", link.rotation);
    if (status) status = readTriple(flags, "-s", link.scaling);
    return status;
}

VStatus CharacterRigCommand::getLink(const CommandFlags& flags) {
    Character* target = nullptr;
    std::pair<int, int> address;
    if (VStatus status = character(flags, target); !status) return status;
    if (VStatus status = slot(flags, address); !status) return status;
    auto it = target->links.find(address);
    setResult(VString(it != target->links.end() ? it->second.node : std::string()));
    return VStatus();
}

VStatus CharacterRigCommand::doIt(const VArgList& args) {
    static const std::vector<FlagSpec> table = {{"-ci", nullptr, 1}, {"-lti", nullptr, 1},   {"-li", nullptr, 1},
                                                {"-nn", nullptr, 1}, {"-t", nullptr, 3},     {"-r", nullptr, 3},
                                                {"-s", nullptr, 3},  {"-keepTstance", nullptr, 0}};
    CommandFlags flags;
    std::string error;
    if (!flags.read(args, table, error)) return fail(error);
    RigState& rig = state();
    switch (kind_) {
    case RigCommand::kCreate:
        if (flags.positional().size() != 1 || flags.positional().front().empty()) return fail("name the character");
        rig.characters.push_back({flags.positional().front(), {}, false});
        setResult(VString(rig.characters.back().name));
        return VStatus();
    case RigCommand::kSetLink: return setLink(flags, false);
    case RigCommand::kSetLinkTRS: return setLink(flags, true);
    case RigCommand::kCharacterize: {
        Character* target = nullptr;
        if (VStatus status = character(flags, target); !status) return status;
        target->characterized = true;
        return VStatus();
    }
    case RigCommand::kCount: setResult(static_cast<int>(rig.characters.size())); return VStatus();
    case RigCommand::kName: {
        Character* target = nullptr;
        if (VStatus status = character(flags, target); !status) return status;
        setResult(VString(target->name));
        return VStatus();
    }
    case RigCommand::kGetLink: break;
    }
    return getLink(flags);
}

}  // namespace

VStatus loadCharacterRigModule() {
    RigState& rig = state();
    if (rig.loaded) return VStatus(VStatus::kFailure, "the character rig module is loaded");
    CommandEngine& engine = CommandEngine::instance();
    for (const auto& entry : commandNames()) {
        VStatus status = engine.registerPluginCommand(entry.first, creatorFor(entry.second), &kOwner);
        if (!status) {
            for (const std::string& name : engine.commandsOf(&kOwner)) engine.deregisterPluginCommand(name, &kOwner);
            return status;
        }
    }
    rig.loaded = true;
    return VStatus();
}

VStatus unloadCharacterRigModule() {
    RigState& rig = state();
    if (!rig.loaded) return VStatus(VStatus::kFailure, "the character rig module is not loaded");
    CommandEngine& engine = CommandEngine::instance();
    for (const std::string& name : engine.commandsOf(&kOwner)) engine.deregisterPluginCommand(name, &kOwner);
    rig.loaded = false;
    rig.characters.clear();
    return VStatus();
}

bool characterRigModuleLoaded() { return state().loaded; }

}  // namespace vexa_host
