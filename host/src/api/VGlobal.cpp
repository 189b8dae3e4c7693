#include <vexa/VGlobal.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/scene/SetMembers.h"
#include "host/src/script/CommandEngine.h"

#include <vexa/VAnimControl.h>
#include <vexa/VDoubleArray.h>
#include <vexa/VIntArray.h>
#include <vexa/VMessageLog.h>
#include <vexa/VObjectArray.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <cmath>
#include <limits>

using namespace vexa_host;

namespace {

VStatus run(const VString& command, CommandResult& result, bool displayEnabled) {
    if (displayEnabled) VMessageLog::add(VMessageLog::kInfo, command);
    VStatus status = CommandEngine::instance().execute(command.str(), result);
    if (displayEnabled && !result.empty()) VMessageLog::add(VMessageLog::kInfo, VString("// Result: " + result.joined()));
    return status;
}

VStatus noNumber() { return VStatus(VStatus::kFailure, "the command's result is not a number"); }

int toInt(double number) {
    if (std::isnan(number)) return 0;
    return static_cast<int>(std::fmax(std::fmin(number, std::numeric_limits<int>::max()), std::numeric_limits<int>::min()));
}

}  // namespace

VStatus VGlobal::executeCommand(const VString& command, bool displayEnabled, bool) {
    CommandResult result;
    return run(command, result, displayEnabled);
}

VStatus VGlobal::executeCommand(const VString& command, VStringArray& result, bool displayEnabled, bool) {
    CommandResult answer;
    VStatus status = run(command, answer, displayEnabled);
    result.clear();
    for (size_t i = 0; i < answer.items.size(); ++i) result.append(VString(answer.itemText(i)));
    return status;
}

VStatus VGlobal::executeCommand(const VString& command, VString& result, bool displayEnabled, bool) {
    CommandResult answer;
    VStatus status = run(command, answer, displayEnabled);
    result = answer.empty() ? VString() : VString(answer.itemText(0));
    return status;
}

VStatus VGlobal::executeCommand(const VString& command, double& result, bool displayEnabled, bool) {
    CommandResult answer;
    VStatus status = run(command, answer, displayEnabled);
    if (!status) return status;
    return !answer.empty() && answer.itemNumber(0, result) ? VStatus() : noNumber();
}

VStatus VGlobal::executeCommand(const VString& command, int& result, bool displayEnabled, bool) {
    double number = 0.0;
    VStatus status = executeCommand(command, number, displayEnabled);
    if (status) result = toInt(number);
    return status;
}

VStatus VGlobal::executeCommand(const VString& command, VDoubleArray& result, bool displayEnabled, bool) {
    CommandResult answer;
    VStatus status = run(command, answer, displayEnabled);
    result.clear();
    if (!status) return status;
    for (size_t i = 0; i < answer.items.size(); ++i) {
        double number = 0.0;
        if (!answer.itemNumber(i, number)) return noNumber();
        result.append(number);
    }
    return VStatus();
}

VStatus VGlobal::executeCommand(const VString& command, VIntArray& result, bool displayEnabled, bool) {
    VDoubleArray numbers;
    VStatus status = executeCommand(command, numbers, displayEnabled);
    result.clear();
    for (double number : numbers) result.append(toInt(number));
    return status;
}

VStatus VGlobal::getActiveSelectionList(VSelectionList& list) {
    list.clear();
    for (const SelectionItem& item : Scene::instance().activeSelection()) {
        if (item.stillExists()) list.items().list.push_back(item);
    }
    return VStatus();
}

VStatus VGlobal::setActiveSelectionList(const VSelectionList& list, ListAdjustment adjustment) {
    ActiveSelection& active = Scene::instance().activeSelection();
    if (adjustment == kReplaceList) active.clear();
    for (const SelectionItem& item : list.items().list) {
        if (adjustment == kRemoveFromList || (adjustment == kXORWithList && active.holds(item))) {
            active.remove(item);
        } else {
            active.add(item);
        }
    }
    return VStatus();
}

VStatus VGlobal::selectByName(const VString& pattern, ListAdjustment adjustment) {
    VSelectionList list;
    VStatus status = list.add(pattern);
    if (!status) return status;
    return setActiveSelectionList(list, adjustment);
}

VStatus VGlobal::clearSelectionList() {
    Scene::instance().activeSelection().clear();
    return VStatus();
}

VStatus VGlobal::getAssociatedSets(const VSelectionList& list, VObjectArray& sets) {
    sets.clear();
    for (const auto& entry : Scene::instance().nodes()) {
        Node& node = *entry.second;
        auto* members = SetMembers::of(node.payload());
        if (members == nullptr) continue;
        for (const SelectionItem& item : list.items().list) {
            if (members->holds(item)) {
                sets.append(objectOf(node));
                break;
            }
        }
    }
    return VStatus();
}

VStatus VGlobal::deleteNode(const VObject& node) {
    Node* record = liveNodeOf(node);
    if (record == nullptr || record->isWorld()) return VStatus(VStatus::kInvalidParameter, "not a live node");
    Scene::instance().deleteNode(*record);
    return VStatus();
}

void VGlobal::displayInfo(const VString& text) { VMessageLog::add(VMessageLog::kInfo, text); }
void VGlobal::displayWarning(const VString& text) { VMessageLog::add(VMessageLog::kWarning, text); }
void VGlobal::displayError(const VString& text) { VMessageLog::add(VMessageLog::kError, text); }

VStatus VGlobal::viewFrame(const VTime& time) { return VAnimControl::setCurrentTime(time); }
