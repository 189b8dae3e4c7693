// The writer base's checks on the scene it is to write (see fileio/RWyxWriter.h).

#include "fileio/RWyxWriter.h"

#include "core/PreOrderWalk.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

namespace {

// A blank or a control character (a line break, a tab, ...) in a name splits the word it is
// written as, or ends its line.
bool HoldsBlankOrControlChar(const RString& name) {
    for (int i = 0; i < name.GetLength(); ++i) {
        if (name[static_cast<unsigned>(i)] == ' ' || IsControlChar(name[static_cast<unsigned>(i)])) return true;
    }
    return false;
}

}  // namespace

RWyxNode* RWyxWriter::FindSingleRoot(RWyxScene* scene) {
    const RWyxNode* root = scene != nullptr ? scene->GetRootNode() : nullptr;
    if (root == nullptr || root->GetChildCount() != 1) {
        return nullptr;
    }
    for (RWyxNode* node = root->GetChild(0); node != nullptr; node = node->GetChild(0)) {
        if (node->IsMarked(false)) {
            return node;
        }
        if (node->GetChildCount() != 1) {
            return nullptr;
        }
    }
    return nullptr;
}

bool RWyxWriter::CollectNamesWithBlanks(RWyxNode* node, RString& text) {
    const auto fault = [](RWyxNode& current) {
        return HoldsBlankOrControlChar(current.GetName()) ? current.GetName().ControlCharsEscaped() : RString("");
    };
    return CollectNodeFaults(node, fault, text);
}

bool RWyxWriter::CollectNodeFaults(RWyxNode* node, const std::function<RString(RWyxNode&)>& fault, RString& text) {
    return CollectPreOrderFaults(node, fault, text);
}
