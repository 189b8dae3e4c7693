#include "curves/RFCurveNodeRecords.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/RDataType.h"
#include "core/RString.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveRecords.h"
#include "curves/RTimeWarpRegistry.h"
#include "fileio/RWyxFile.h"

namespace {

// The section version whose files marked some channels with a wrong layer type.
constexpr int kMislabelledLayersVersion = 4000;

const RDataType* Translation() {
    static const RDataType* type = RDataType::FindByName("Lcl Translation");
    return type;
}
const RDataType* Rotation() {
    static const RDataType* type = RDataType::FindByName("Lcl Rotation");
    return type;
}
const RDataType* Scaling() {
    static const RDataType* type = RDataType::FindByName("Lcl Scaling");
    return type;
}

RString FieldValueName(const RFCurveNode& node, bool letterNames) {
    if (letterNames && node.GetDataType() != nullptr) {
        if (node.GetDataType() == Translation()) {
            return RString("T");
        }
        if (node.GetDataType() == Rotation()) {
            return RString("R");
        }
        if (node.GetDataType() == Scaling()) {
            return RString("S");
        }
    }
    return RString(node.GetName());
}

bool Contains(const RString& text, const char* part) { return text.FindText(part) >= 0; }

// The children of a node by name ignoring case (the first child of each name) and by transform
// data type, for the channels of one block: a file may hold any number of channels, and
// looking each one up among all the children read before it would cost their square.
// Children added later are taken in on the next lookup.
// The first lookup asks the parent (a single channel read alone builds no index here).
class ChannelIndex {
public:
    explicit ChannelIndex(const RFCurveNode& parent) : parent_(parent) {}

    RFCurveNode* FindByName(const std::string& name) {
        if (lookups_++ == 0) {
            return parent_.GetChild(parent_.GetChildIndexByName(name.c_str()));
        }
        CatchUp();
        const auto found = byName_.find(Folded(name));
        return found == byName_.end() ? nullptr : parent_.GetChild(found->second);
    }
    RFCurveNode* FindByType(const RDataType* type) {
        if (lookups_++ == 0) {
            return parent_.FindChildByDataType(type);
        }
        CatchUp();
        const int index = FindIndexedType(type);
        return index < 0 ? nullptr : parent_.GetChild(index);
    }

private:
    // Names compare ignoring the case of ASCII letters only.
    static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
    static std::string Folded(std::string name) {
        for (char& c : name) {
            c = Upper(c);
        }
        return name;
    }

    void CatchUp() {
        const int count = parent_.GetChildCount();
        if (count < indexed_) {
            // Children went away: start again.
            byName_.clear();
            byType_.clear();
            indexed_ = 0;
        }
        for (; indexed_ < count; ++indexed_) {
            const RFCurveNode* child = parent_.GetChild(indexed_);
            byName_.emplace(Folded(child->GetName()), indexed_);
            const RDataType* type = child->GetDataType();
            const bool transform = type == Translation() || type == Rotation() || type == Scaling();
            if (transform && FindIndexedType(type) < 0) {
                byType_.emplace_back(type, indexed_);
            }
        }
    }

    int FindIndexedType(const RDataType* type) const {
        for (const auto& [indexed, index] : byType_) {
            if (indexed == type) {
                return index;
            }
        }
        return -1;
    }

    const RFCurveNode& parent_;
    std::unordered_map<std::string, int> byName_;
    std::vector<std::pair<const RDataType*, int>> byType_;
    int indexed_ = 0;
    int lookups_ = 0;
};

// The parent's child a channel name stands for, or null.
RFCurveNode* FindChannel(ChannelIndex& children, const RString& name) {
    if (const RDataType* type = RFCurveNode::TransformTypeOfLetter(name.Buffer())) {
        if (RFCurveNode* child = children.FindByType(type)) {
            return child;
        }
    }
    const std::string text(name.Buffer());
    if (RFCurveNode* child = children.FindByName(text)) {
        return child;
    }
    // "X (note)" and "X  (note)" name "X".
    std::size_t end = text.find('(');
    if (end == std::string::npos) {
        return nullptr;
    }
    for (int blanks = 0; blanks < 2 && end > 0 && text[end - 1] == ' '; ++blanks) {
        --end;
    }
    return children.FindByName(text.substr(0, end));
}

// A channel of a layer below the base layer takes the name record of the base node's
// channel, which becomes its layer owner.
void LinkToLayerOwner(const RFCurveNode& parent, ChannelIndex* ownerChildren, RFCurveNode& child) {
    const RFCurveNode* owner = parent.GetLayerOwner();
    if (owner == nullptr || owner == &parent || ownerChildren == nullptr) {
        return;
    }
    RFCurveNode* ownerChild = ownerChildren->FindByName(child.GetName());
    if (ownerChild == nullptr || ownerChild == &child) {
        return;
    }
    child.SetLayerOwner(ownerChild);
    child.ShareNameOf(*ownerChild);
    RFCurve* curve = child.GetCurve();
    const RFCurve* ownerCurve = ownerChild->GetCurve();
    if (curve != nullptr && ownerCurve != nullptr && ownerCurve->IsCurveSelected()) {
        curve->SetCurveSelected(true);
    }
}

// The layer type a channel's kind asks for; files of 4000 marked some channels wrongly.
void RepairLayerType(RFCurveNode& node, int sectionVersion) {
    const RDataType* type = node.GetDataType();
    const RString name(node.GetName());
    if (type == Rotation() || name == "R") {
        if (node.GetChildCount() == 3) {
            node.SetLayerType(RFCurveNode::LayerRotation);
        } else if (node.GetLayerType() == RFCurveNode::LayerRotation) {
            node.SetLayerType(RFCurveNode::LayerNormal);
        }
    } else if (type == Translation() || name == "T" || Contains(name, "Translation")) {
        node.SetLayerType(RFCurveNode::LayerAdditive);
    } else if (type == Scaling() || name == "S" || Contains(name, "Scaling")) {
        node.SetLayerType(RFCurveNode::LayerMultiplicative);
    }
    if (sectionVersion == kMislabelledLayersVersion && node.GetLayerType() != RFCurveNode::LayerNormal) {
        const bool mislabelled = (type == Scaling() && Contains(name, "S") && name != "S") ||
                                 (type == Rotation() && Contains(name, "R") && name != "R") ||
                                 (type == Translation() && Contains(name, "T") && name != "T");
        if (mislabelled) {
            node.SetLayerType(RFCurveNode::LayerNormal);
        }
    }
    // Rotation and quaternion layers combine exactly three and four channels.
    const int children = node.GetChildCount();
    if ((node.GetLayerType() == RFCurveNode::LayerRotation && children != 3) ||
        (node.GetLayerType() == RFCurveNode::LayerQuaternion && children != 4)) {
        node.SetLayerType(RFCurveNode::LayerNormal);
    }
}

bool IsComponentName(const char* name) {
    return name[0] != '\0' && name[1] == '\0' && (name[0] == 'X' || name[0] == 'Y' || name[0] == 'Z');
}

int CountNodes(const RFCurveNode& node) {
    int count = 1;
    for (int i = 0; i < node.GetChildCount(); ++i) {
        count += CountNodes(*node.GetChild(i));
    }
    return count;
}

// Reads nodes with the options of one call. depth counts the nodes being read around the
// current one; inLayer marks the nodes of a layer, which hold only the channels of the node
// they were copied from.
//
// What a file makes is bounded by what it holds: each channel record makes at most one node,
// and a layer record, which copies its node's whole subtree, is read only while the nodes
// copied for layers stay within a few per channel record read (besides the nodes the caller
// had): a layer written by this system holds a record per channel it copies, while a chain of
// empty layer records under a node of many channels would otherwise copy them all again for
// every record.
class NodeReader {
public:
    static constexpr int kLayerNodesPerRecord = 2;
    static constexpr int kLayerNodeAllowance = 64;

    // existing: the node the caller reads into (or the parent of the channel), whose nodes
    // a layer copy may take besides the allowance.
    NodeReader(RWyxFile& file, bool defaultOnly, bool withColor, const RFCurveNode* existing,
               RFCurveRecords::Losses* losses = nullptr)
        : file_(file), defaultOnly_(defaultOnly), withColor_(withColor), existing_(existing), losses_(losses) {}

    void ReadNode(RFCurveNode& node, bool createMissing, int depth, bool inLayer);
    // curveFromThisBlock: the parent's curve was read from the block being read (it did not
    // exist before), so the file holds both and an unknown channel is still made.
    RFCurveNode* ReadChannel(RFCurveNode* parent, ChannelIndex* children, ChannelIndex* ownerChildren,
                             bool createMissing, int depth, bool inLayer, bool curveFromThisBlock = false);
    RFCurveNode* ReadLayer(RFCurveNode& node, int depth);

private:
    void ReadCurve(RFCurveNode& node);
    void ReadTimeWarp(RFCurveNode& node);
    bool MayCopyForLayer(int nodes) {
        const auto within = [&] { return layerNodes_ + nodes <= kLayerNodesPerRecord * records_ + allowance_; };
        if (!within() && existing_ != nullptr) {
            // Counted only when needed: a channel read alone must not cost its parent's tree.
            allowance_ += CountNodes(*existing_);
            existing_ = nullptr;
        }
        return within();
    }

    RWyxFile& file_;
    const bool defaultOnly_;
    const bool withColor_;
    const RFCurveNode* existing_;
    RFCurveRecords::Losses* losses_;
    int64_t allowance_ = kLayerNodeAllowance;
    int64_t records_ = 0;
    int64_t layerNodes_ = 0;
};

void NodeReader::ReadCurve(RFCurveNode& node) {
    if (RFCurve* curve = node.GetCurve()) {
        RFCurveRecords::ReadDefaultBlock(file_, curve, defaultOnly_, withColor_, losses_);
        return;
    }
    RFCurve* curve = RFCurveRecords::CreateFromFile(file_, defaultOnly_, withColor_, losses_);
    if (curve != nullptr && node.GetChildCount() > 0) {
        RFCurve::Destroy(curve);
    } else if (curve != nullptr) {
        node.SetCurve(curve);
    }
}

void NodeReader::ReadTimeWarp(RFCurveNode& node) {
    const int id = file_.FieldReadIntByName("TimeWarpID", 0);
    RFCurveNode* timeWarp = id != 0 ? FindTimeWarp(id) : nullptr;
    if (timeWarp == nullptr) {
        return;
    }
    // The components of a vector share the time warp of the vector.
    RFCurveNode* parent = node.GetParent();
    RFCurveNode& target = parent != nullptr && node.GetLayerID() == 0 && IsComponentName(node.GetName()) ? *parent : node;
    target.SetTimeWarp(timeWarp);
}

void NodeReader::ReadNode(RFCurveNode& node, bool createMissing, int depth, bool inLayer) {
    if (!file_.FieldReadBlockBegin()) {
        return;
    }
    const RString userName = file_.FieldReadStringByName("UserName", "");
    if (!userName.IsEmptyText()) {
        node.SetUserName(userName.Buffer());
    }
    const bool hadCurve = node.GetCurve() != nullptr;
    ReadCurve(node);
    const bool curveFromThisBlock = !hadCurve && node.GetCurve() != nullptr;
    // A layer id that would not stay below the id of a layer the node already has is not
    // taken: the chain must rise.
    const int layerID = std::max(file_.FieldReadIntByName("LayerID", 0), 0);
    if (node.GetNextLayer() == nullptr || layerID < node.GetNextLayer()->GetLayerID()) {
        node.SetLayerID(layerID);
    }
    const int layerType = file_.FieldReadIntByName("LayerType", 0);
    const bool knownType = layerType >= RFCurveNode::LayerNormal && layerType <= RFCurveNode::LayerQuaternion;
    node.SetLayerType(knownType ? layerType : RFCurveNode::LayerNormal);
    const bool layerPart = inLayer || node.GetLayerID() > 0;
    ChannelIndex children(node);
    const RFCurveNode* owner = node.GetLayerOwner();
    std::unique_ptr<ChannelIndex> ownerChildren;
    if (owner != nullptr && owner != &node) {
        ownerChildren = std::make_unique<ChannelIndex>(*owner);
    }
    while (ReadChannel(&node, &children, ownerChildren.get(), createMissing && !layerPart, depth, layerPart,
                       curveFromThisBlock) != nullptr) {
    }
    ReadLayer(node, depth);
    ReadTimeWarp(node);
    file_.FieldReadBlockEnd();
    RepairLayerType(node, file_.GetCurrentSectionVersion());
}

RFCurveNode* NodeReader::ReadChannel(RFCurveNode* parent, ChannelIndex* children, ChannelIndex* ownerChildren,
                                     bool createMissing, int depth, bool inLayer, bool curveFromThisBlock) {
    if (depth >= RFCurveNodeRecords::kMaxNesting) {
        return nullptr;
    }
    while (file_.FieldReadBegin("Channel")) {
        ++records_;
        const RString name = file_.FieldReadString();
        RFCurveNode* child = parent != nullptr && children != nullptr ? FindChannel(*children, name) : nullptr;
        if (child == nullptr) {
            // A node that had its curve before the file was read keeps the shape it has; one
            // the file gives both a curve and channels gets both.
            const bool keepsShape = parent != nullptr && parent->GetCurve() != nullptr && !curveFromThisBlock;
            if (keepsShape || !createMissing) {
                file_.FieldReadEnd();
                continue;
            }
            child = RFCurveNode::Create(name.Buffer(), nullptr);
            if (parent != nullptr && parent->AddChild(child) < 0) {
                RFCurveNode::Destroy(child);
                file_.FieldReadEnd();
                continue;
            }
        }
        ReadNode(*child, createMissing, depth + 1, inLayer);
        file_.FieldReadEnd();
        if (parent != nullptr && child->GetLayerID() >= 1) {
            LinkToLayerOwner(*parent, ownerChildren, *child);
        }
        return child;
    }
    return nullptr;
}

// A layer's curves take the colours and selection of the node's (as a layer made in the
// program does).
void CopyCurveLooks(const RFCurveNode& from, RFCurveNode& to) {
    const RFCurve* source = from.GetCurve();
    if (RFCurve* curve = to.GetCurve(); curve != nullptr && source != nullptr) {
        curve->CopyLookFrom(*source);
    }
    for (int i = 0; i < from.GetChildCount() && i < to.GetChildCount(); ++i) {
        CopyCurveLooks(*from.GetChild(i), *to.GetChild(i));
    }
}

RFCurveNode* NodeReader::ReadLayer(RFCurveNode& node, int depth) {
    if (depth >= RFCurveNodeRecords::kMaxNesting || !file_.FieldReadBegin("LayerChannel")) {
        return nullptr;
    }
    ++records_;
    const int copied = CountNodes(node);
    if (!MayCopyForLayer(copied)) {
        file_.FieldReadEnd();
        return nullptr;
    }
    layerNodes_ += copied;
    RFCurveNode* layer = node.Clone(false, false, true, node.GetLayerID());
    CopyCurveLooks(node, *layer);
    layer->SetLayerOwner(node.GetLayerOwner());
    ReadNode(*layer, true, depth + 1, true);
    file_.FieldReadEnd();
    // A layer chain rises in layer id.
    if (layer->GetLayerID() <= node.GetLayerID() || !node.SetLayer(layer, true)) {
        RFCurveNode::Destroy(layer);
        return nullptr;
    }
    return layer;
}

}  // namespace

bool RFCurveNodeRecords::Write(const RFCurveNode& node, RWyxFile& file, bool defaultOnly, bool letterNames,
                               bool omitUserName, const char* fieldName, bool withColor, bool autoSlopes) {
    file.FieldWriteBegin(fieldName);
    file.FieldWriteString(FieldValueName(node, letterNames));
    file.FieldWriteBlockBegin();
    const RString& userName = node.GetUserName();
    if (!omitUserName && userName.IsValid() && userName != node.GetName()) {
        file.FieldWriteBegin("UserName");
        file.FieldWriteString(userName);
        file.FieldWriteEnd();
    }
    int timeWarpID = 0;
    if (node.GetTimeWarp() != nullptr && FindTimeWarpId(node.GetTimeWarp(), timeWarpID)) {
        file.FieldWriteBegin("TimeWarpID");
        file.FieldWriteInt(timeWarpID);
        file.FieldWriteEnd();
    }
    if (const RFCurve* curve = node.GetCurve()) {
        RFCurveRecords::Write(*curve, file, defaultOnly, withColor, autoSlopes);
    }
    for (int i = 0; i < node.GetChildCount(); ++i) {
        Write(*node.GetChild(i), file, defaultOnly, letterNames, omitUserName, "Channel", withColor, autoSlopes);
    }
    if (node.GetLayerID() != 0) {
        file.FieldWriteBegin("LayerID");
        file.FieldWriteInt(node.GetLayerID());
        file.FieldWriteEnd();
    }
    if (node.GetLayerType() != 0) {
        file.FieldWriteBegin("LayerType");
        file.FieldWriteInt(node.GetLayerType());
        file.FieldWriteEnd();
    }
    if (const RFCurveNode* layer = node.GetNextLayer(); layer != nullptr && !defaultOnly) {
        Write(*layer, file, false, letterNames, omitUserName, "LayerChannel", false, autoSlopes);
    }
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
    return file.GetLastErrorID() == -1;
}

void RFCurveNodeRecords::Read(RFCurveNode& node, RWyxFile& file, bool defaultOnly, bool createMissing,
                              bool withColor) {
    NodeReader(file, defaultOnly, withColor, &node).ReadNode(node, createMissing, 1, false);
}

RFCurveNode* RFCurveNodeRecords::ReadChannel(RWyxFile& file, RFCurveNode* parent, bool defaultOnly,
                                             bool createMissing, bool withColor, RFCurveRecords::Losses* losses) {
    const bool inLayer = parent != nullptr && parent->GetLayerID() > 0;
    std::unique_ptr<ChannelIndex> children;
    std::unique_ptr<ChannelIndex> ownerChildren;
    if (parent != nullptr) {
        children = std::make_unique<ChannelIndex>(*parent);
        const RFCurveNode* owner = parent->GetLayerOwner();
        if (owner != nullptr && owner != parent) {
            ownerChildren = std::make_unique<ChannelIndex>(*owner);
        }
    }
    return NodeReader(file, defaultOnly, withColor, parent, losses)
        .ReadChannel(parent, children.get(), ownerChildren.get(), createMissing && !inLayer, 0, inLayer);
}

RFCurveNode* RFCurveNodeRecords::ReadTopChannel(RWyxFile& file, bool defaultOnly, bool withColor) {
    return ReadChannel(file, nullptr, defaultOnly, true, withColor);
}

RFCurveNode* RFCurveNodeRecords::ReadLayerChannel(RWyxFile& file, RFCurveNode& node, bool defaultOnly) {
    return NodeReader(file, defaultOnly, false, &node).ReadLayer(node, 0);
}
