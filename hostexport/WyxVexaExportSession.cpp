#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "core/FilePaths.h"
#include "core/RMatrix.h"
#include "core/RWyxLogFile.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterMatrixConverter.h"
#include "fileio/RWyxFileExporter.h"
#include "hostexport/ExportSteps.h"
#include "hostexport/TextureImageBridge.h"
#include "hostimport/PrePostRotationNodes.h"
#include "plugin/HostCharacterRig.h"
#include "plugin/HostUtilities.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaConfirmDialog.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNameClashCollector.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VAnimControl.h>
#include <vexa/VGlobal.h>
#include <vexa/VTime.h>

#include <cmath>
#include <set>

namespace {

constexpr double kDefaultSamplingRate = 30.0;
constexpr double kDefaultMasterScale = 1.0;
constexpr double kMinJointDisplayScale = 1e-7;
// A root node whose global transform, scaled, is this close to the identity is left out.
constexpr double kRedundantRootTolerance = 0.0001;
constexpr const char* kListEnd = "   ...";
constexpr const char* kClashText = "Unable to export WYX project because these models share same name : ";

const WyxVexaOptions& Options() { return *GetPluginOptions(); }

bool ShowUI() { return Options().GetBoolOption(kExportShowUI); }

// "Material::" or "Texture::" names: a ':' after the prefix (or anywhere without one) is a
// namespace.
bool HasNamespace(const RString& fullName, const char* prefix) {
    const RString text(prefix);
    const int start = fullName.FindText(prefix) == 0 ? text.GetLength() : 0;
    return fullName.FindChar(':', start) >= 0;
}

RString ShortPathOf(RWyxNode* node) {
    const VDagPath* path = static_cast<VexaNode*>(node)->GetDagPath();
    return path != nullptr ? GetShortPathName(path) : node->GetNameWithoutPrefix();
}

bool IsIdentityWithin(const RMatrix& matrix, double tolerance) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            const double expected = row == column ? 1.0 : 0.0;
            if (!(std::fabs(matrix[row][column] - expected) <= tolerance)) return false;
        }
    }
    return true;
}

// The default take's value of a channel triple (TranslationX, RotationX or ScalingX on), each
// component its curve's default, or the one given when the take lacks the curve.
RVector4 ChannelDefaults(RWyxTakeNode& take, int first, const RVector4& given) {
    double values[3] = {given.x, given.y, given.z};
    for (int axis = 0; axis < 3; ++axis) {
        const RFCurve* curve = take.GetChannelCurve(static_cast<RWyxTakeNode::Channel>(first + axis));
        if (curve != nullptr) values[axis] = curve->GetDefaultValue();
    }
    return RVector4(values[0], values[1], values[2], 0.0);
}

// The node's curves in every take go through the converter; the file's static values (the
// node's properties) then take the default take's converted values, which the converter left
// in new curves.
void ScaleTakes(RWyxNode& node, RFCurveFilterMatrixConverter& converter) {
    for (int t = 0; t < node.GetTakeNodeCount(); ++t) {
        RWyxTakeNode* take = node.GetTakeNode(t);
        RFCurveNode* curves = take != nullptr ? take->GetRootCurveNode() : nullptr;
        if (curves != nullptr) converter.Apply(*curves, true);
    }
    RWyxTakeNode* defaults = node.GetDefaultTakeNode();
    if (defaults == nullptr) return;
    RVector4 value;
    node.SetDefaultTranslation(ChannelDefaults(*defaults, RWyxTakeNode::TranslationX, node.GetDefaultTranslation(value)));
    node.SetDefaultRotation(ChannelDefaults(*defaults, RWyxTakeNode::RotationX, node.GetDefaultRotation(value)));
    node.SetDefaultScaling(ChannelDefaults(*defaults, RWyxTakeNode::ScalingX, node.GetDefaultScaling(value)));
}

RTime SecondsToTime(double seconds) {
    RTime time;
    time.FromSeconds(seconds);
    return time;
}

}  // namespace

WyxVexaExportSession::WyxVexaExportSession() {
    scene_ = factory_.CreateScene();
    root_ = scene_ != nullptr ? scene_->GetRootNode() : nullptr;
}

WyxVexaExportSession::~WyxVexaExportSession() = default;

double WyxVexaExportSession::GetSamplingRate() { return Options().GetUsableSamplingRate(false, kDefaultSamplingRate); }

double WyxVexaExportSession::GetMasterScale() { return Options().GetUsableMasterScale(false, kDefaultMasterScale); }

// ---- the export main ----------------------------------------------------------------------------

VStatus WyxVexaExportSession::Export(const char* fileName) {
    Begin(fileName);
    CollectHostScene();
    return Conclude(fileName);
}

void WyxVexaExportSession::Begin(const char* fileName) {
    if (Options().GetBoolOption(kExportSelectionOnly)) {
        selection_ = std::make_unique<VSelectionList>();
        VGlobal::getActiveSelectionList(*selection_);
    }
    const RString title = RString("File Export : ") + (fileName != nullptr ? fileName : "");
    log_ = std::make_unique<RWyxLogFile>(kLogFileName, title.Buffer(), true, true);
    WarnAboutFileExtension(fileName);
    double scale = 1.0;
    if (!VGlobal::executeCommand("jointDisplayScale -q -a", scale)) scale = 1.0;
    if (!(scale >= kMinJointDisplayScale)) scale = kMinJointDisplayScale;
    skeletonSize_ = scale * 100.0;
    RegisterTextureImageBridge(&factory_);
}

void WyxVexaExportSession::CollectHostScene() {
    SetProgressStatus("Exporting geometry...");
    wrapWarningShown_ = false;
    WalkDag(VItDag::kDepthFirst, VFn::kInvalid);
    SetProgressStatus("Exporting hierarchy...");
    ExportHierarchy(VItDag::kDepthFirst, VFn::kInvalid);
    ExportCustomAttributes(root_);
    factory_.RenameNodesForHost();
}

VStatus WyxVexaExportSession::Conclude(const char* fileName) {
    WarnAboutMaterialNamespaces();
    WarnAboutSharedNamespaces();
    if (!CheckNameClashes()) return Fail(VStatus(VStatus::kFailure, "models share the same name"));
    SetProgressStatus("Exporting animations...");
    const VStatus animated = ExportNodeAnimation(*this, root_);
    if (!animated) return Fail(animated);
    BakeOffsetTransforms(root_);
    ApplyMasterScale(GetMasterScale());
    SetProgressStatus("Exporting clusters...");
    ExportClustersRecursive(*this, root_);
    if (Options().GetBoolOption(kExportPivotToNull)) MergePrePostNodes(root_, 0, factory_);
    SetProgressStatus("Exporting skin clusters...");
    ExportSkinClusters(*this);
    SetProgressStatus("Exporting shapes...");
    ExportBlendShapesRecursive(*this, root_);
    ReadHostCharacters(scene_);
    // The phases may have moved the root member; the scene's root is the root.
    root_ = scene_->GetRootNode();
    RemoveDeferredNodes();
    if (Options().GetBoolOption(kExportHardEdges)) CheckCoincidentVertices(root_);
    SetTakeSpans();
    SetProgressStatus("Writing output file...");
    scene_->SetCurrentTake(kTakeName);
    if (!WriteFile(fileName)) return Fail(VStatus(VStatus::kFailure, writeError_.Buffer()));
    End();
    return VStatus();
}

bool WyxVexaExportSession::WriteFile(const char* fileName) {
    RWyxFileExporter* exporter = factory_.CreateFileExporter();
    if (exporter == nullptr) {
        writeError_ = "No memory for a file exporter";
        return false;
    }
    bool written = exporter->Initialize(fileName);
    exporter->SetIOFlag(RWyxFileExporter::kIOFlagEmbedMedia, Options().GetBoolOption(kExportEmbedTextures));
    exporter->SetFileFormat(RWyxFileExporter::kFormatWyxBinary);
    written = written && exporter->Export(scene_, nullptr);
    if (!written) writeError_ = exporter->GetLastErrorString();
    factory_.DestroyFileExporter(exporter);
    return written;
}

VStatus WyxVexaExportSession::Fail(const VStatus& status) {
    if (log_ != nullptr) log_->AddLine(kFailedLine);
    End();
    return status;
}

void WyxVexaExportSession::End() {
    selection_.reset();
    log_.reset();
}

// ---- what the phases share ----------------------------------------------------------------------

bool WyxVexaExportSession::IsExcluded(const VDagPath& path) const {
    return selection_ != nullptr && !selection_->hasItem(path);
}

WyxVexaExportSession::RigRecord* WyxVexaExportSession::FindRig(const VDagPath& path) {
    const auto found = rigMap_.find(RigKey(path));
    return found != rigMap_.end() ? &found->second : nullptr;
}

void WyxVexaExportSession::ShowDialog(const char* title, const RString& text) const {
    const VString ok = "Ok";
    if (ShowUI()) ShowHostConfirmDialog(title, text.Buffer(), &ok, 1);
}

void WyxVexaExportSession::Warn(const std::vector<RString>& lines, const RString& dialogText, const char* title) const {
    if (log_ != nullptr) {
        for (size_t i = 0; i < lines.size(); ++i) {
            log_->AddLine((i == 0 ? RString(title) + ": " + lines[i] : lines[i]).Buffer());
        }
        log_->AddLine("");
    }
    ShowDialog(title, dialogText);
}

// ---- the file's name, namespaces and name clashes -------------------------------------------

void WyxVexaExportSession::WarnAboutFileExtension(const char* fileName) {
    if (fileName == nullptr) return;
    RString extension;
    GetFileExtension(extension, fileName);
    if (extension.ToLowerCase() == "wyx") return;
    const RString text =
        RString("The file ") + fileName + " is written as a binary WYX file: the export writes no other format.";
    Warn({text}, text);
    if (!ShowUI()) VGlobal::displayWarning(VString("WYXExport warning: ") + text.Buffer());
}

void WyxVexaExportSession::WarnAboutMaterialNamespaces() {
    std::vector<RString> faulty;
    for (int i = 0; i < factory_.GetMaterialCount(); ++i) {
        const RString& name = factory_.GetMaterial(i)->GetName();
        if (HasNamespace(name, "Material::")) faulty.push_back(name);
    }
    for (int i = 0; i < factory_.GetTextureCount(); ++i) {
        const RString& name = factory_.GetTexture(i)->GetName();
        if (HasNamespace(name, "Texture::")) faulty.push_back(name);
    }
    if (faulty.empty()) return;
    const std::vector<RString> sentences = {
        "STAGEWRIGHT does not handle namespaces in materials/textures.",
        "The scene will be exported anyway. However it is recommended to remove",
        "the namespaces from the materials/textures before exporting to insure",
        "compatibility during import/export/mergeback. The faulty items are: "};
    std::vector<RString> lines = sentences;
    lines.emplace_back("");
    lines.insert(lines.end(), faulty.begin(), faulty.end());
    RString text;
    for (const RString& sentence : sentences) text += sentence + "\n";
    text += "\n";
    for (size_t i = 0; i < faulty.size() && i < static_cast<size_t>(kListedNameLimit); ++i) {
        text += RString("    ") + faulty[i] + "\n";
    }
    if (faulty.size() > static_cast<size_t>(kListedNameLimit)) text += RString(kListEnd) + "\n";
    Warn(lines, text);
}

void WyxVexaExportSession::WarnAboutSharedNamespaces() {
    // Whether two top-level nodes share a namespace: one pass with the namespaces seen.
    std::set<std::string> seen;
    bool shared = false;
    for (int i = 0; i < root_->GetChildCount() && !shared; ++i) {
        RString nameSpace;
        bool starts = false;
        static_cast<VexaNode*>(root_->GetChild(i))->GetNamespace(nameSpace, starts);
        if (nameSpace.IsEmptyText()) continue;
        shared = !seen.insert(nameSpace.Buffer()).second;
    }
    if (!shared) return;
    const std::vector<RString> sentences = {
        "STAGEWRIGHT does not handle shared namespaces in root nodes.",
        "The scene will be exported anyway. However it is recommended to correct",
        "them otherwise the compatibility may be broken during mergeback."};
    RString text;
    for (const RString& sentence : sentences) text += sentence + "\n";
    Warn(sentences, text + "\n");
}

bool WyxVexaExportSession::CheckNameClashes() {
    RWyxNameClashCollector collector(nullptr);
    collector.SetKindEnabled(RWyxNameClashCollector::kMaterials, false);
    collector.SetKindEnabled(RWyxNameClashCollector::kTextures, false);
    collector.SetKindEnabled(RWyxNameClashCollector::kGobos, false);
    const std::vector<RWyxNode*> clashing = collector.Collect(root_);
    if (clashing.empty()) return true;
    const size_t listed = std::min(clashing.size(), static_cast<size_t>(kListedNameLimit));
    const bool more = clashing.size() > listed;
    RString text = RString(kClashText) + "\n\n";
    if (log_ != nullptr) log_->AddLine((RString(kErrorTitle) + ": " + kClashText).Buffer());
    for (size_t i = listed; i-- > 0;) {
        const RString path = ShortPathOf(clashing[i]);
        if (log_ != nullptr) log_->AddLine(path.Buffer());
        text += RString("    ") + path + "\n";
    }
    if (more) {
        if (log_ != nullptr) log_->AddLine(kListEnd);
        text += RString(kListEnd) + "\n";
    }
    if (log_ != nullptr) log_->AddLine("");
    ShowDialog(kErrorTitle, text);
    return false;
}

// ---- master scale -----------------------------------------------------------------------------------

void WyxVexaExportSession::ApplyMasterScale(double scale) {
    if (scale == 1.0 || !WyxPluginOptions::IsValidMasterScale(scale)) return;
    std::vector<RWyxNode*> roots;
    std::vector<RWyxNode*> ordinary;
    for (int i = 0; i < root_->GetChildCount(); ++i) {
        RWyxNode* child = root_->GetChild(i);
        (IsRootNode(child) ? roots : ordinary).push_back(child);
    }
    if (!ordinary.empty()) {
        // A name no other node of the file has: a second "Wyx_Root" would make two models of one name.
        RString name = GetRootName();
        for (int n = 1; factory_.FindNode(name.Buffer(), 0) != nullptr; ++n) {
            name = GetRootName();
            name += n;
        }
        VexaNode* wrapper = factory_.CreateNodeForDagPath(name.Buffer(), nullptr);
        if (wrapper != nullptr) {
            wrapper->SetDefaultScaling(RVector4(scale, scale, scale, 0.0));
            for (RWyxNode* node : ordinary) wrapper->AddChild(node);
            root_->AddChild(wrapper);
        }
    }
    if (roots.empty()) return;
    const RMatrix scaling = RMatrix::ConstructFromTRS(RVector4(), RVector4(), RVector4(scale, scale, scale, 0.0));
    RFCurveFilterMatrixConverter converter;
    converter.SetResamplingPeriod(SecondsToTime(1.0 / GetSamplingRate()));
    converter.SetKeyTimesFromSource(true);
    converter.SetResampleAfter(false);
    converter.SetExtraOutput(false);
    converter.SetReduceConstantKeysAfter(true);
    converter.SetMatrix(7, scaling);
    for (RWyxNode* node : roots) {
        const RMatrix* global = node->GetPivotGlobalTransform(0, false);
        RMatrix scaled;
        if (global != nullptr) MatrixMultiplyAffine(scaled, scaling, *global);
        if (global != nullptr && IsIdentityWithin(scaled, kRedundantRootTolerance)) {
            RWyxNode* parent = node->GetParent();
            if (parent == nullptr) continue;
            parent->RemoveChild(node);
            while (node->GetChildCount() > 0) parent->AddChild(node->GetChild(0));
            continue;
        }
        ScaleTakes(*node, converter);
    }
}

// ---- take spans -----------------------------------------------------------------------------------

void WyxVexaExportSession::SetTakeSpans() {
    std::vector<RString> names;
    scene_->GetTakeNameList(names);
    const RTime start = SecondsToTime(VAnimControl::minTime().as(VTime::kSeconds));
    const RTime stop = SecondsToTime(VAnimControl::maxTime().as(VTime::kSeconds));
    for (const RString& name : names) {
        RWyxTakeInfo info;
        info.name = name;
        info.localStart = start;
        info.localStop = stop;
        info.referenceStart = start;
        info.referenceStop = stop;
        scene_->SetTakeInfo(info);
    }
}
