#include "plugin/HostCharacterRig.h"

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterTables.h"
#include "plugin/HostUtilities.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <vexa/VDagPath.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>

#include <cstdlib>

namespace {

// The first answer of the command; empty when it answers nothing.
VString FirstAnswer(const VString& command) {
    VStringArray answers;
    VGlobal::executeCommand(command, answers);
    return answers.length() > 0 ? answers[0] : VString();
}

void Run(const VString& command) {
    VStringArray ignored;
    VGlobal::executeCommand(command, ignored);
}

// " -ci i -lti g -li k": the slot of a character.
VString SlotFlags(int hostIndex, int group, int index) {
    return VString(" -ci ") + hostIndex + " -lti " + group + " -li " + index;
}

VString Triple(const RVector4& values) { return VString() + values.x + " " + values.y + " " + values.z; }

// The host node a slot's node stands for: the one the import bound to it, else the first of
// its name.
bool HostPathOf(const RWyxNode& node, VDagPath& path) {
    if (const VDagPath* bound = static_cast<const VexaNode&>(node).GetDagPath()) {
        path = *bound;
        return path.isValid();
    }
    return FindDagPathByName(VString(node.GetNameWithoutPrefix().Buffer()), path);
}

// The index the host gave the character it made last: its place in the host's list.
int LastHostCharacter(int fallback) {
    if (!HostCommandExists("ZOQGetCharacterCount")) return fallback;
    const int count = std::atoi(FirstAnswer("ZOQGetCharacterCount").asChar());
    return count > 0 ? count - 1 : fallback;
}

}  // namespace

bool HostCommandExists(const char* name) { return FirstAnswer(VString("exists ") + name) == "1"; }

bool CharacterLinkAddress(int id, int& group, int& index) {
    const RWyxCharacterTables::LinkRow* row = RWyxCharacterTables::GetLink(id);
    if (row == nullptr) return false;
    if (RWyxCharacterTables::FindLinkInGroups(id, group, index)) {
        ++group;
        return true;
    }
    // A single link: its place among the single links.
    group = 0;
    index = 0;
    for (int other = 0; other < id; ++other) {
        const RWyxCharacterTables::LinkRow* before = RWyxCharacterTables::GetLink(other);
        if (before != nullptr && before->group == RWyxCharacterTables::kSingleLink) ++index;
    }
    return true;
}

bool CreateHostCharacters(RWyxScene* scene) {
    if (!HostCommandExists("ZOQCreateCharacter")) return false;
    for (int i = 0; scene != nullptr && i < scene->GetCharacterCount(); ++i) {
        const RWyxCharacter* character = scene->GetCharacter(i);
        if (character == nullptr) continue;
        Run("ZOQCreateCharacter " + QuotedScriptText(VString(character->GetNameWithoutPrefix().Buffer())));
        SetHostCharacterLinks(*character, LastHostCharacter(i));
    }
    return true;
}

bool SetHostCharacterLinks(const RWyxCharacter& character, int hostIndex) {
    if (!HostCommandExists("ZOQSetCharacterNodeLink") || !HostCommandExists("ZOQSetCharacterNodeLinkTRS") ||
        !HostCommandExists("ZOQCharacterize")) {
        return false;
    }
    for (int id = 0; id < RWyxCharacterTables::kLinkCount; ++id) {
        RWyxCharacterLink link;
        VDagPath path;
        int group = 0;
        int index = 0;
        if (!character.GetCharacterLink(id, link) || link.node == nullptr || !HostPathOf(*link.node, path) ||
            !CharacterLinkAddress(id, group, index)) {
            continue;
        }
        const VString slot = SlotFlags(hostIndex, group, index);
        Run("ZOQSetCharacterNodeLink" + slot + " -nn " + QuotedScriptText(path.partialPathName()));
        Run("ZOQSetCharacterNodeLinkTRS" + slot + " -t " + Triple(link.translationOffset) + " -r " +
            Triple(link.rotationOffset) + " -s " + Triple(link.scalingOffset));
    }
    Run(VString("ZOQCharacterize ") + " -ci " + hostIndex + " -keepTstance");
    return true;
}

bool ReadHostCharacters(RWyxScene* scene) {
    if (!HostCommandExists("ZOQGetCharacterCount")) return false;
    const int count = std::atoi(FirstAnswer("ZOQGetCharacterCount").asChar());
    for (int i = 0; scene != nullptr && i < count; ++i) {
        const VString name = FirstAnswer(VString("ZOQGetCharacterName ") + " -ci " + i);
        RWyxCharacter* character = scene->GetCharacter(scene->CreateCharacter(name.asChar()));
        if (character != nullptr) GetHostCharacterLinks(*scene, *character, i);
    }
    return true;
}

bool GetHostCharacterLinks(RWyxScene& scene, RWyxCharacter& character, int hostIndex) {
    if (!HostCommandExists("ZOQGetCharacterNodeLink")) return false;
    RWyxNode* root = scene.GetRootNode();
    for (int id = 0; root != nullptr && id < RWyxCharacterTables::kLinkCount; ++id) {
        int group = 0;
        int index = 0;
        if (!CharacterLinkAddress(id, group, index)) continue;
        const VString hostName = FirstAnswer("ZOQGetCharacterNodeLink" + SlotFlags(hostIndex, group, index));
        VDagPath path;
        if (hostName.isEmpty() || !FindDagPathByName(hostName, path)) continue;
        RWyxNode* node = root->FindChild(VFnDagNode(path).name().asChar(), true, false);
        if (node == nullptr) continue;
        RWyxCharacterLink link;
        link.node = node;
        character.SetCharacterLink(id, link);
    }
    return true;
}
