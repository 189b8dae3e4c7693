#include "host/src/geometry/SkinWeights.h"

#include "host/src/scene/PlugAccess.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

namespace vexa_host {

namespace {

std::string weightsText(int point) { return "weightList[" + std::to_string(point) + "].weights"; }

PlugPath plugOn(const Node& node, const std::string& text) {
    PlugPath path;
    parsePlugPath(node, text, path);
    return path;
}

// An influence's matrix feeding the skin: "matrix[j]".
bool isMatrixConnection(const Connection& connection) {
    return connection.local.steps.size() == 1 && connection.local.leaf().longName == "matrix";
}

bool isKept(const std::vector<int>& kept, int influence) {
    return std::find(kept.begin(), kept.end(), influence) != kept.end();
}

// The influences of the last skin asked, read from its connections once and read again when
// they change: an export asks for the index and the weights of every influence in turn, an
// import sets them, and each question would otherwise walk every connection of the skin.
class InfluenceTable {
public:
    static const InfluenceTable& of(const Node& skin) {
        static InfluenceTable last;
        if (last.skinId_ != skin.id() || last.edits_ != skin.incomingEdits()) last.read(skin);
        return last;
    }

    // The index of every matrix connection, ascending (an index fed twice is listed twice).
    const std::vector<int>& indices() const { return indices_; }
    // The node whose connection into the index comes first; null for none.
    Node* at(int index) const {
        const auto found = std::lower_bound(firstAt_.begin(), firstAt_.end(), index,
                                            [](const std::pair<int, Node*>& entry, int value) { return entry.first < value; });
        return found != firstAt_.end() && found->first == index ? found->second : nullptr;
    }
    // The smallest index whose first connection comes from the node; -1 for none.
    int lowestOf(const Node& influence) const {
        const auto found = lowest_.find(&influence);
        return found != lowest_.end() ? found->second : -1;
    }

private:
    void read(const Node& skin) {
        indices_.clear();
        firstAt_.clear();
        lowest_.clear();
        std::map<int, Node*> first;
        for (const Connection& connection : skin.incoming()) {
            if (!isMatrixConnection(connection)) continue;
            const int index = connection.local.steps.front().index;
            indices_.push_back(index);
            first.emplace(index, connection.other);
        }
        std::sort(indices_.begin(), indices_.end());
        firstAt_.assign(first.begin(), first.end());
        // Ascending: the first index met of each node is its lowest.
        for (const auto& entry : firstAt_) lowest_.emplace(entry.second, entry.first);
        skinId_ = skin.id();
        edits_ = skin.incomingEdits();
    }

    std::uint64_t skinId_ = 0;  // node ids start at 1
    std::uint64_t edits_ = 0;
    std::vector<int> indices_;
    std::vector<std::pair<int, Node*>> firstAt_;  // ascending by index
    std::unordered_map<const Node*, int> lowest_;
};

}  // namespace

std::vector<int> influenceIndices(const Node& skin) { return InfluenceTable::of(skin).indices(); }

bool hasInfluence(const Node& skin, int index) {
    const std::vector<int>& indices = InfluenceTable::of(skin).indices();
    return std::binary_search(indices.begin(), indices.end(), index);
}

Node* influenceAt(const Node& skin, int index) { return InfluenceTable::of(skin).at(index); }

int indexOfInfluence(const Node& skin, const Node& influence) { return InfluenceTable::of(skin).lowestOf(influence); }

SkinWeightPlugs::SkinWeightPlugs(const Node& skin) : path_(plugOn(skin, "weightList[0].weights[0]")) {}

const PlugPath& SkinWeightPlugs::at(int point, int influence) {
    // Parsed, the text gives the element of "weightList" first and the weight last.
    if (path_.steps.size() >= 2) {
        path_.steps.front().index = point;
        path_.steps.back().index = influence;
    }
    return path_;
}

float SkinWeightPlugs::weight(const Node& skin, int point, int influence) {
    double value = 0.0;
    readNumber(skin, at(point, influence), value);
    return static_cast<float>(value);
}

VStatus SkinWeightPlugs::setWeight(Node& skin, int point, int influence, float weight) {
    if (point < 0 || influence < 0) return VStatus(VStatus::kInvalidParameter, "a negative point or influence");
    return writeValue(skin, at(point, influence), static_cast<double>(weight));
}

float skinWeight(const Node& skin, int point, int influence) {
    return SkinWeightPlugs(skin).weight(skin, point, influence);
}

VStatus setSkinWeight(Node& skin, int point, int influence, float weight) {
    return SkinWeightPlugs(skin).setWeight(skin, point, influence, weight);
}

std::vector<int> weightedInfluences(const Node& skin, int point) {
    return existingIndices(skin, plugOn(skin, weightsText(point)));
}

VStatus normalizeOthers(Node& skin, int point, const std::vector<int>& kept) {
    SkinWeightPlugs plugs(skin);
    double keptSum = 0.0;
    double otherSum = 0.0;
    const std::vector<int> weighted = weightedInfluences(skin, point);
    for (int influence : weighted) (isKept(kept, influence) ? keptSum : otherSum) += plugs.weight(skin, point, influence);
    if (otherSum <= 0.0) return VStatus();
    const double scale = std::max(0.0, 1.0 - keptSum) / otherSum;
    for (int influence : weighted) {
        if (isKept(kept, influence)) continue;
        const float scaled = static_cast<float>(plugs.weight(skin, point, influence) * scale);
        if (VStatus status = plugs.setWeight(skin, point, influence, scaled); !status) return status;
    }
    return VStatus();
}

VStatus normalizePoint(Node& skin, int point) { return normalizeOthers(skin, point, {}); }

void pruneWeights(Node& skin, int point, double below) {
    SkinWeightPlugs plugs(skin);
    for (int influence : weightedInfluences(skin, point)) {
        if (plugs.weight(skin, point, influence) < below) skin.keyedValues().erase(plugs.at(point, influence).key());
    }
}

}  // namespace vexa_host
