#include "wyxreader/RWyxTimeWarpList.h"

#include "curves/RFCurveNode.h"
#include "curves/RTimeWarpRegistry.h"

namespace {
constexpr int kBlockSize = 16;
}

RWyxTimeWarpList::RWyxTimeWarpList() : map_(kBlockSize) {}

RWyxTimeWarpList::~RWyxTimeWarpList() {
    if (GetTimeWarpList() == &map_) SetTimeWarpList(nullptr);
    for (int i = 0; i < map_.GetCount(); ++i) RFCurveNode::Release(reinterpret_cast<RFCurveNode*>(map_.ValueAt(i)));
}

bool RWyxTimeWarpList::Add(int id, RFCurveNode* node) {
    if (node == nullptr) return false;
    int index = -1;
    map_.Lookup(static_cast<std::uintptr_t>(static_cast<std::intptr_t>(id)), &index);
    if (index >= 0) return false;
    if (AddTimeWarpToList(map_, id, node) < 0) return false;
    node->AddReference();
    return true;
}

RWyxTimeWarpList::Installed::Installed(RWyxTimeWarpList& list) : previous_(GetTimeWarpList()) {
    SetTimeWarpList(&list.map_);
}

RWyxTimeWarpList::Installed::~Installed() { SetTimeWarpList(previous_); }
