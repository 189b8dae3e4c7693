#include "host/src/geometry/SkinWeights.h"

#include "host/src/scene/PlugAccess.h"

#include <algorithm>
#include <string>
#include <utility>

namespace vexa_host {

namespace {

std::string weightsText(int point) { return "weightList[" + std::to_string(point) + "].weights"; }

PlugPath plugOn(const Node& node, const std::string& text) {
    PlugPath path;
    parsePlugPath(node, text, path);
    return path;
}

PlugPath weightPlug(const Node& skin, int point, int influence) {
    return plugOn(skin, weightsText(point) + "[" + std::to_string(influence) + "]");
}

// An influence's matrix feeding the skin: "matrix[j]".
bool isMatrixConnection(const Connection& connection) {
    return connection.local.steps.size() == 1 && connection.local.leaf().longName == "matrix";
}

bool isKept(const std::vector<int>& kept, int influence) {
    return std::find(kept.begin(), kept.end(), influence) != kept.end();
}

}  // namespace

std::vector<int> influenceIndices(const Node& skin) {
    std::vector<int> result;
    for (const Connection& connection : skin.incoming()) {
        if (isMatrixConnection(connection)) {
            result.push_back(connection.local.steps.front().index);
        }
    }
    std::sort(result.begin(), result.end());
    return result;
}

Node* influenceAt(const Node& skin, int index) {
    for (const Connection& connection : skin.incoming()) {
        if (isMatrixConnection(connection) && connection.local.steps.front().index == index) {
            return connection.other;
        }
    }
    return nullptr;
}

namespace {

using IndexAt = std::pair<int, size_t>;  // a matrix index and the place of its connection

// The matrix connections from the influence, ascending by index, then by place.
std::vector<IndexAt> ownIndices(const std::vector<Connection>& incoming, const Node& influence) {
    std::vector<IndexAt> own;
    for (size_t place = 0; place < incoming.size(); ++place) {
        const Connection& connection = incoming[place];
        if (connection.other == &influence && isMatrixConnection(connection)) {
            own.emplace_back(connection.local.steps.front().index, place);
        }
    }
    std::sort(own.begin(), own.end());
    return own;
}

// Which of them another node's connection to the same index comes before.
std::vector<bool> takenEarlier(const std::vector<Connection>& incoming, const Node& influence,
                               const std::vector<IndexAt>& own) {
    std::vector<bool> taken(own.size(), false);
    for (size_t place = 0; place < incoming.size(); ++place) {
        const Connection& connection = incoming[place];
        if (connection.other == &influence || !isMatrixConnection(connection)) continue;
        const int index = connection.local.steps.front().index;
        for (auto it = std::lower_bound(own.begin(), own.end(), IndexAt(index, 0)); it != own.end() && it->first == index; ++it) {
            if (place < it->second) taken[static_cast<size_t>(it - own.begin())] = true;
        }
    }
    return taken;
}

}  // namespace

// The smallest matrix index whose first connection comes from the influence (the answer of
// influenceAt for each ascending index in turn), found in two passes over the connections
// rather than one per index: the influence's own (mostly one), then those another node took
// first.
int indexOfInfluence(const Node& skin, const Node& influence) {
    const std::vector<IndexAt> own = ownIndices(skin.incoming(), influence);
    const std::vector<bool> taken = takenEarlier(skin.incoming(), influence, own);
    for (size_t i = 0; i < own.size(); ++i) {
        if (!taken[i]) return own[i].first;
    }
    return -1;
}

float skinWeight(const Node& skin, int point, int influence) {
    double value = 0.0;
    readNumber(skin, weightPlug(skin, point, influence), value);
    return static_cast<float>(value);
}

VStatus setSkinWeight(Node& skin, int point, int influence, float weight) {
    if (point < 0 || influence < 0) return VStatus(VStatus::kInvalidParameter, "a negative point or influence");
    return writeValue(skin, weightPlug(skin, point, influence), static_cast<double>(weight));
}

std::vector<int> weightedInfluences(const Node& skin, int point) {
    return existingIndices(skin, plugOn(skin, weightsText(point)));
}

VStatus normalizeOthers(Node& skin, int point, const std::vector<int>& kept) {
    double keptSum = 0.0;
    double otherSum = 0.0;
    const std::vector<int> weighted = weightedInfluences(skin, point);
    for (int influence : weighted) (isKept(kept, influence) ? keptSum : otherSum) += skinWeight(skin, point, influence);
    if (otherSum <= 0.0) return VStatus();
    const double scale = std::max(0.0, 1.0 - keptSum) / otherSum;
    for (int influence : weighted) {
        if (isKept(kept, influence)) continue;
        const float scaled = static_cast<float>(skinWeight(skin, point, influence) * scale);
        if (VStatus status = setSkinWeight(skin, point, influence, scaled); !status) return status;
    }
    return VStatus();
}

VStatus normalizePoint(Node& skin, int point) { return normalizeOthers(skin, point, {}); }

void pruneWeights(Node& skin, int point, double below) {
    for (int influence : weightedInfluences(skin, point)) {
        if (skinWeight(skin, point, influence) < below) skin.keyedValues().erase(weightPlug(skin, point, influence).key());
    }
}

}  // namespace vexa_host
