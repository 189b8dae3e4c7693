#include "curves/RTimeWarpRegistry.h"

#include <cstdint>

namespace {

RIntMap*& CurrentList() {
    static RIntMap* list = nullptr;
    return list;
}

// Ids are stored sign-extended, so every int has its own key.
std::uintptr_t KeyOf(int id) {
    return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(id));
}

int IdOf(std::uintptr_t key) {
    return static_cast<int>(static_cast<std::intptr_t>(key));
}

}  // namespace

void SetTimeWarpList(RIntMap* list) {
    CurrentList() = list;
}

RIntMap* GetTimeWarpList() {
    return CurrentList();
}

int AddTimeWarpToList(RIntMap& list, int id, RFCurveNode* node) {
    if (node == nullptr) {
        return -1;
    }
    return list.Add(KeyOf(id), reinterpret_cast<std::intptr_t>(node));
}

RFCurveNode* FindTimeWarp(int id) {
    const RIntMap* list = CurrentList();
    if (list == nullptr || list->GetCount() == 0) {
        return nullptr;
    }
    return reinterpret_cast<RFCurveNode*>(list->Lookup(KeyOf(id)));
}

bool FindTimeWarpId(const RFCurveNode* node, int& id) {
    const RIntMap* list = CurrentList();
    if (node == nullptr || list == nullptr) {
        return false;
    }
    const std::intptr_t value = reinterpret_cast<std::intptr_t>(node);
    for (int i = 0; i < list->GetCount(); ++i) {
        std::uintptr_t key = 0;
        if (list->ValueAt(i, &key) == value) {
            id = IdOf(key);
            return true;
        }
    }
    return false;
}
