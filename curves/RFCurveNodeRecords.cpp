#include "curves/RFCurveNodeRecords.h"

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

// The parent's child a channel name stands for, or null.
RFCurveNode* FindChannel(const RFCurveNode& parent, const RString& name) {
    if (const RDataType* type = RFCurveNode::TransformTypeOfLetter(name.Buffer())) {
        if (RFCurveNode* child = parent.FindChildByDataType(type)) {
            return child;
        }
    }
    if (RFCurveNode* child = parent.GetChild(parent.GetChildIndexByName(name.Buffer()))) {
        return child;
    }
    // "X (note)" and "X  (note)" name "X".
    int end = name.FindChar('(');
    if (end < 0) {
        return nullptr;
    }
    for (int blanks = 0; blanks < 2 && end > 0 && name[static_cast<unsigned>(end - 1)] == ' '; ++blanks) {
        --end;
    }
    return parent.GetChild(parent.GetChildIndexByName(name.FirstChars(end).Buffer()));
}

// A channel of a layer below the base layer takes the name record of the base node's
// channel, which becomes its layer owner.
void LinkToLayerOwner(const RFCurveNode& parent, RFCurveNode& child) {
    const RFCurveNode* owner = parent.GetLayerOwner();
    if (owner == nullptr || owner == &parent) {
        return;
    }
    RFCurveNode* ownerChild = owner->GetChild(owner->GetChildIndexByName(child.GetName()));
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

// Reads nodes with the options of one call. depth counts the nodes being read around the
// current one; inLayer marks the nodes of a layer, which hold only the channels of the node
// they were copied from.
class NodeReader {
public:
    NodeReader(RWyxFile& file, bool defaultOnly, bool withColor)
        : file_(file), defaultOnly_(defaultOnly), withColor_(withColor) {}

    void ReadNode(RFCurveNode& node, bool createMissing, int depth, bool inLayer);
    // curveFromThisBlock: the parent's curve was read from the block being read (it did not
    // exist before), so the file holds both and an unknown channel is still made.
    RFCurveNode* ReadChannel(RFCurveNode* parent, bool createMissing, int depth, bool inLayer,
                             bool curveFromThisBlock = false);
    RFCurveNode* ReadLayer(RFCurveNode& node, int depth);

private:
    void ReadCurve(RFCurveNode& node);
    void ReadTimeWarp(RFCurveNode& node);

    RWyxFile& file_;
    const bool defaultOnly_;
    const bool withColor_;
};

void NodeReader::ReadCurve(RFCurveNode& node) {
    if (RFCurve* curve = node.GetCurve()) {
        RFCurveRecords::ReadDefaultBlock(file_, curve, defaultOnly_, withColor_);
        return;
    }
    RFCurve* curve = RFCurveRecords::CreateFromFile(file_, defaultOnly_, withColor_);
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
    const int layerID = file_.FieldReadIntByName("LayerID", 0);
    node.SetLayerID(layerID > 0 ? layerID : 0);
    const int layerType = file_.FieldReadIntByName("LayerType", 0);
    const bool knownType = layerType >= RFCurveNode::LayerNormal && layerType <= RFCurveNode::LayerQuaternion;
    node.SetLayerType(knownType ? layerType : RFCurveNode::LayerNormal);
    const bool layerPart = inLayer || node.GetLayerID() > 0;
    while (ReadChannel(&node, createMissing && !layerPart, depth, layerPart, curveFromThisBlock) != nullptr) {
    }
    ReadLayer(node, depth);
    ReadTimeWarp(node);
    file_.FieldReadBlockEnd();
    RepairLayerType(node, file_.GetCurrentSectionVersion());
}

RFCurveNode* NodeReader::ReadChannel(RFCurveNode* parent, bool createMissing, int depth, bool inLayer,
                                     bool curveFromThisBlock) {
    if (depth >= RFCurveNodeRecords::kMaxNesting) {
        return nullptr;
    }
    while (file_.FieldReadBegin("Channel")) {
        const RString name = file_.FieldReadString();
        RFCurveNode* child = parent != nullptr ? FindChannel(*parent, name) : nullptr;
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
            LinkToLayerOwner(*parent, *child);
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
    NodeReader(file, defaultOnly, withColor).ReadNode(node, createMissing, 1, false);
}

RFCurveNode* RFCurveNodeRecords::ReadChannel(RWyxFile& file, RFCurveNode* parent, bool defaultOnly,
                                             bool createMissing, bool withColor) {
    const bool inLayer = parent != nullptr && parent->GetLayerID() > 0;
    return NodeReader(file, defaultOnly, withColor).ReadChannel(parent, createMissing && !inLayer, 0, inLayer);
}

RFCurveNode* RFCurveNodeRecords::ReadTopChannel(RWyxFile& file, bool defaultOnly, bool withColor) {
    return ReadChannel(file, nullptr, defaultOnly, true, withColor);
}

RFCurveNode* RFCurveNodeRecords::ReadLayerChannel(RWyxFile& file, RFCurveNode& node, bool defaultOnly) {
    return NodeReader(file, defaultOnly, false).ReadLayer(node, 0);
}
