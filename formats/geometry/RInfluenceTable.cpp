#include "formats/geometry/RInfluenceTable.h"

#include <cmath>
#include <cstddef>

namespace {

std::size_t Unsigned(int value) { return static_cast<std::size_t>(value); }

}  // namespace

void RInfluenceTable::Init(int count0, int count1) {
    Clear();
    sides_[0].resize(count0 > 0 ? Unsigned(count0) : 0);
    sides_[1].resize(count1 > 0 ? Unsigned(count1) : 0);
}

void RInfluenceTable::Clear() {
    sides_[0].clear();
    sides_[1].clear();
}

const RInfluenceTable::List* RInfluenceTable::ListAt(int side, int list) const {
    if (side < 0 || side > 1 || list < 0 || Unsigned(list) >= sides_[side].size()) return nullptr;
    return &sides_[side][Unsigned(list)];
}

RInfluenceTable::List* RInfluenceTable::ListAt(int side, int list) {
    return const_cast<List*>(static_cast<const RInfluenceTable*>(this)->ListAt(side, list));
}

int RInfluenceTable::Add(int i, int k, double weight) {
    List* first = ListAt(0, i);
    List* second = ListAt(1, k);
    if (first == nullptr || second == nullptr) return -1;
    const int firstPosition = static_cast<int>(first->size());
    const int secondPosition = static_cast<int>(second->size());
    first->push_back(Stored{Entry{k, weight}, k, secondPosition});
    second->push_back(Stored{Entry{i, weight}, i, firstPosition});
    return secondPosition;
}

int RInfluenceTable::GetListCount(int side) const {
    return side == 0 || side == 1 ? static_cast<int>(sides_[side].size()) : 0;
}

int RInfluenceTable::GetEntryCount(int side, int list) const {
    const List* entries = ListAt(side, list);
    return entries != nullptr ? static_cast<int>(entries->size()) : 0;
}

const RInfluenceTable::Entry* RInfluenceTable::GetEntry(int side, int list, int position) const {
    const List* entries = ListAt(side, list);
    if (entries == nullptr || position < 0 || Unsigned(position) >= entries->size()) return nullptr;
    return &(*entries)[Unsigned(position)].entry;
}

RInfluenceTable::Entry* RInfluenceTable::GetEntry(int side, int list, int position) {
    return const_cast<Entry*>(static_cast<const RInfluenceTable*>(this)->GetEntry(side, list, position));
}

int RInfluenceTable::Find(int side, int list, int index) const {
    const List* entries = ListAt(side, list);
    if (entries == nullptr) return -1;
    for (std::size_t j = 0; j < entries->size(); ++j) {
        if ((*entries)[j].entry.index == index) return static_cast<int>(j);
    }
    return -1;
}

double RInfluenceTable::GetWeightSum(int side, int list, bool absolute) const {
    const List* entries = ListAt(side, list);
    double sum = 0.0;
    if (entries == nullptr) return sum;
    for (const Stored& stored : *entries) sum += absolute ? std::fabs(stored.entry.weight) : stored.entry.weight;
    return sum;
}

void RInfluenceTable::Normalize(int side, bool absolute) {
    if (side != 0 && side != 1) return;
    std::vector<List>& lists = sides_[side];
    std::vector<List>& mirrors = sides_[1 - side];
    for (std::size_t list = 0; list < lists.size(); ++list) {
        const double sum = GetWeightSum(side, static_cast<int>(list), absolute);
        for (Stored& stored : lists[list]) {
            double weight = sum == 0.0 ? 0.0 : stored.entry.weight / sum;
            if (absolute) weight = std::fabs(weight);
            stored.entry.weight = weight;
            mirrors[Unsigned(stored.otherList)][Unsigned(stored.mirror)].entry.weight = weight;
        }
    }
}
