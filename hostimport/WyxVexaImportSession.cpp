#include "hostimport/WyxVexaImportSession.h"

#include "core/RWyxLogFile.h"
#include "fileio/RWyxFileImporter.h"
#include "hostimport/ImportLaterSteps.h"
#include "hostimport/ImportNodePasses.h"
#include "hostimport/MergeBinding.h"
#include "hostimport/PrePostRotationNodes.h"
#include "hostimport/TransformChecks.h"
#include "platform/NativeFiles.h"
#include "plugin/HostCharacterRig.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaConfirmDialog.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <vexa/VAnimControl.h>
#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>
#include <vexa/VTime.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <unordered_set>

namespace {

const RWyxFormatTable* gFormatTable = nullptr;

constexpr double kDefaultSamplingRate = 30.0;
constexpr double kDefaultMasterScale = 1.0;
// The host's range when the file has no keys: one frame at 24 frames per second.
constexpr double kEmptyRangeSeconds = 1.0 / 24.0;
// Files older than this keep their pivots the old way.
constexpr int kNewPivotMajor = 5;
constexpr int kNewPivotMinor = 8;
constexpr const char* kWarningTitle = "WYX import Warning";

const WyxVexaOptions& Options() { return *GetPluginOptions(); }

bool ShowUI() { return Options().GetBoolOption(kImportShowUI); }

// What the reader dropped or mended, one warning a line: each line goes once to the log and to
// the host's warning display, so that a part missing from the host scene has its reason beside
// it (a dialog per line would stop the import as many times).
void ReportReaderWarnings(const RString& text, RWyxLogFile* log) {
    std::unordered_set<std::string> shown;
    std::istringstream lines(text.Buffer());
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || !shown.insert(line).second) continue;
        if (log != nullptr) log->AddLine((RString(kWarningTitle) + ": " + line.c_str()).Buffer());
        VGlobal::displayWarning(VString("WYXImport warning: ") + line.c_str());
    }
}

template <typename Visit>
void ForChildren(RWyxNode* node, Visit visit) {
    for (int i = 0; node != nullptr && i < node->GetChildCount(); ++i) visit(node->GetChild(i));
}

}  // namespace

bool HasActivePivotNode(RWyxNode* node) {
    bool found = false;
    ForChildren(node, [&](RWyxNode* child) {
        VisitSubtree(child, [&](RWyxNode* below) {
            int state = 0;
            if (below->GetPivotState(0, state) == 1) found = true;
        });
    });
    return found;
}

bool IsLegacyPivotFile(RWyxNode* root, RWyxFileImporter& importer) {
    int major = 0;
    int minor = 0;
    int revision = 0;
    importer.GetFileVersion(major, minor, revision);
    return major <= kNewPivotMajor && minor < kNewPivotMinor && HasActivePivotNode(root);
}

WyxVexaImportSession::WyxVexaImportSession() = default;

WyxVexaImportSession::~WyxVexaImportSession() = default;

void WyxVexaImportSession::SetFormatTable(const RWyxFormatTable* table) { gFormatTable = table; }

double WyxVexaImportSession::GetSamplingRate() {
    const double rate = Options().GetSamplingRate(true);
    return WyxPluginOptions::IsValidSamplingRate(rate) ? rate : kDefaultSamplingRate;
}

double WyxVexaImportSession::GetMasterScale() {
    const double scale = Options().GetMasterScale(true);
    return WyxPluginOptions::IsValidMasterScale(scale) ? scale : kDefaultMasterScale;
}

// ---- opening ------------------------------------------------------------------------------------

VStatus WyxVexaImportSession::Open(const VString& path) {
    Close();
    importer_ = factory_.CreateFileImporter();
    if (importer_ == nullptr) return VStatus(VStatus::kInsufficientMemory, "No memory for a file importer");
    if (gFormatTable != nullptr) importer_->SetFormatTable(gFormatTable);
    if (!platform::PathExists(path.asChar())) return VStatus(VStatus::kNotFound, "file not found.");
    if (!importer_->Initialize(path.asChar())) return VStatus(VStatus::kFailure, importer_->GetLastErrorString());
    return VStatus();
}

VStatus WyxVexaImportSession::Close() {
    if (importer_ != nullptr) {
        factory_.DestroyFileImporter(importer_);
        importer_ = nullptr;
    }
    if (scene_ != nullptr) {
        factory_.DestroyScene(scene_, true);
        scene_ = nullptr;
        rootNode_ = nullptr;
    }
    return VStatus();
}

// ---- the import ---------------------------------------------------------------------------------

VStatus WyxVexaImportSession::Import() {
    if (!ReadFile()) return VStatus(VStatus::kFailure, FailRead().Buffer());
    ReportReaderWarnings(importer_->GetMessageText(), log_.get());
    // Only a file that read may empty the host scene.
    if (Options().GetImportMode() == WyxPluginOptions::kCreate) {
        VStringArray ignored;
        VGlobal::executeCommand("file -f -new", ignored);
    }
    PrepareScene();
    CreateHostNodes();
    WarnWhenNothingMatched();
    ImportContent();
    EndImport();
    return VStatus();
}

bool WyxVexaImportSession::ReadFile() {
    if (scene_ != nullptr) factory_.DestroyScene(scene_, true);
    scene_ = nullptr;
    rootNode_ = nullptr;
    const RString path = importer_ != nullptr ? importer_->GetFileName() : RString("");
    log_ = std::make_unique<RWyxLogFile>(kLogFileName, (RString("File import: ") + path).Buffer(), true, true);
    RegisterImageHandlers(*this);
    scene_ = factory_.CreateScene();
    if (scene_ == nullptr || importer_ == nullptr) return false;
    rootNode_ = scene_->GetRootNode();
    return importer_->Import(scene_);
}

RString WyxVexaImportSession::FailRead() {
    const RString reason = importer_ != nullptr ? RString(importer_->GetLastErrorString()) : RString("No file is open");
    log_->AddLine(reason.Buffer());
    ShowDialog("WYX import Error", reason);
    // Nothing of a file that did not read reaches the host: no characters either.
    EndImport();
    return reason;
}

void WyxVexaImportSession::PrepareScene() {
    legacyPivot_ = ::IsLegacyPivotFile(rootNode_, *importer_);
    lockedAttributeDecision_ = 1;
    ConvertSceneRoot(rootNode_);
    DropGeometryWithoutPoints(rootNode_, factory_);
    scene_->SetCurrentTake(takeName_.Buffer());
    ResetProgress(ShowUI(), "WYXIMPORTWINDOW");
    CheckNonUniformScale(*this, rootNode_);
    if (legacyPivot_) {
        if (Options().GetBoolOption(kImportNullsToPivot)) {
            CheckPrePostRotationKeys(*this, rootNode_);
            SplitPrePostNodes(rootNode_, 0, factory_);
        } else {
            VisitSubtree(rootNode_, [](RWyxNode* node) {
                node->SetPivotState(0, 0);
                node->SetPivotState(1, 0);
            });
        }
    }
    factory_.RenameNodesForHost();
    if (Options().GetBoolOption(kImportHardEdges)) WeldHardEdges(*this, rootNode_);
}

void WyxVexaImportSession::CreateHostNodes() {
    const bool exclusive = Options().GetImportMode() == WyxPluginOptions::kExclusiveMerge;
    if (!exclusive) SetProgressStatus("Importing geometry...");
    BuildNameTable(rootNode_);
    VexaMergeBinding* binding = factory_.GetMergeBindingObject();
    binding->session = this;
    VStatus status;
    WalkCamerasAndLights(*binding, status, rootNode_, VFn::kInvalid);
    factory_.ReleaseMergeBindingObject();
    ReinsertRootNode(*this, rootNode_);
    currentTime_.FromSeconds(VAnimControl::currentTime().as(VTime::kSeconds));
    ConvertPivots();
    if (Options().GetBoolOption(kImportDeformNullsAsJoints)) ConvertDeformingNullsToJoints(rootNode_, factory_);
    CreateNodesInNamespaces();
}

void WyxVexaImportSession::WarnWhenNothingMatched() {
    if (Options().GetImportMode() != WyxPluginOptions::kExclusiveMerge) return;
    bool matched = false;
    ForChildren(rootNode_, [&matched](RWyxNode* child) {
        VisitSubtree(child, [&matched](RWyxNode* node) { matched = matched || static_cast<VexaNode*>(node)->IsMerged(); });
    });
    if (matched) return;
    const char* const text = "Exclusive merge: no node of the file matches a node of the scene; nothing was imported.";
    if (log_ != nullptr) log_->AddLine((RString(kWarningTitle) + ": " + text).Buffer());
    if (ShowUI()) {
        ShowDialog(kWarningTitle, text);
    } else {
        VGlobal::displayWarning(VString("WYXImport warning: ") + text);
    }
}

void WyxVexaImportSession::ConvertPivots() {
    const double rate = GetSamplingRate();
    if (!legacyPivot_) {
        ResampleRotation(*this, rootNode_);
        rootNode_->ConvertPivotAnimation(1, rate, true);
        return;
    }
    const bool merging = Options().GetImportMode() != WyxPluginOptions::kCreate;
    VisitSubtree(rootNode_, [merging](RWyxNode* node) {
        if (merging && static_cast<VexaNode*>(node)->IsMerged()) return;
        node->SetRotationPivot(0, 0.0, 0.0, 0.0, 1.0);
        node->SetRotationOffset(0, 0.0, 0.0, 0.0, 1.0);
    });
    rootNode_->ConvertPivotAnimationSimple(0, rate, true);
}

void WyxVexaImportSession::ImportContent() {
    if (Options().GetImportMode() != WyxPluginOptions::kExclusiveMerge) SetProgressStatus("Importing materials...");
    ForChildren(rootNode_, [this](RWyxNode* child) { ImportMaterials(child); });
    SetProgressStatus("Importing animations...");
    attributeEditorFlag_ = false;
    ForChildren(rootNode_, [this](RWyxNode* child) { ImportNodeAnimation(child); });
    SetHostTimeRange();
    ApplyBindPoses();
    SetProgressStatus("Importing deformations...");
    ForChildren(rootNode_, [this](RWyxNode* child) { ImportDeformations(child); });
    RestoreBindPoses();
    CreateHostCharacters(scene_);
    ReportBlendShapeFailures();
    blendShapeFailures_.clear();
}

void WyxVexaImportSession::SetHostTimeRange() {
    RTime start(RTime::kInfinitelyLate);
    RTime stop(0);
    rootNode_->GetAnimationInterval(start, stop);
    if (start < stop) {
        VAnimControl::setMinTime(VTime(start.ToSeconds(), VTime::kSeconds));
        VAnimControl::setMaxTime(VTime(stop.ToSeconds(), VTime::kSeconds));
        VAnimControl::setCurrentTime(VTime(start.ToSeconds(), VTime::kSeconds));
        return;
    }
    VAnimControl::setMinTime(VTime(0.0, VTime::kSeconds));
    VAnimControl::setMaxTime(VTime(kEmptyRangeSeconds, VTime::kSeconds));
    VAnimControl::setCurrentTime(VTime(0.0, VTime::kSeconds));
}

void WyxVexaImportSession::EndImport() {
    if (scene_ != nullptr) factory_.DestroyScene(scene_, true);
    scene_ = nullptr;
    rootNode_ = nullptr;
    nameTable_.Clear();
    bindPoseLists_.clear();
    hostPolygonMaps_.clear();
    fileNodes_.clear();
    log_.reset();
}

void WyxVexaImportSession::SetHostPolygonMap(const RWyxNode* node, std::vector<int> hostPolygonOf) {
    hostPolygonMaps_[node] = std::move(hostPolygonOf);
}

const std::vector<int>* WyxVexaImportSession::GetHostPolygonMap(const RWyxNode* node) const {
    const auto found = hostPolygonMaps_.find(node);
    return found != hostPolygonMaps_.end() ? &found->second : nullptr;
}

// ---- messages -----------------------------------------------------------------------------------

void WyxVexaImportSession::ShowDialog(const char* title, const RString& text) const {
    if (!ShowUI()) return;
    WyxVexaConfirmDialog dialog;
    dialog.SetTitle(title);
    dialog.SetMessage(text.Buffer());
    dialog.SetButtonLabel(0, "Ok");
    dialog.Show();
}

void WyxVexaImportSession::AddBlendShapeFailure(RWyxNode* node) {
    if (std::find(blendShapeFailures_.begin(), blendShapeFailures_.end(), node) == blendShapeFailures_.end()) {
        blendShapeFailures_.push_back(node);
    }
}

void WyxVexaImportSession::ReportBlendShapeFailures() {
    if (blendShapeFailures_.empty()) return;
    std::vector<RString> names;
    for (const RWyxNode* node : blendShapeFailures_) names.push_back(node->GetNameWithoutPrefix());
    ReportNames("WYX import error", "Import of blendshape animation failed for the following nodes:", names,
                {"Make sure the animation function curves exist on these nodes.",
                 " (Make sure each blendshape have at least a key)"});
}

void WyxVexaImportSession::ReportNames(const char* dialogTitle, const char* title, const std::vector<RString>& names,
                                       const std::vector<const char*>& closing) const {
    RString message = RString(title) + "\n\n";
    if (log_ != nullptr) log_->AddLine(title);
    const size_t count = names.size();
    for (size_t start = 0; start < count + 3; start += 3) {
        message += "        ";
        for (size_t i = start; i < start + 3 && i < count; ++i) {
            message += names[i];
            if (i + 1 < count) message += ", ";
            if (log_ != nullptr) log_->AddLine(names[i].Buffer());
        }
        message += "\n";
    }
    message += "\n";
    for (const char* line : closing) {
        message += RString(line) + "\n";
        if (log_ != nullptr) log_->AddLine(line);
    }
    ShowDialog(dialogTitle, message);
}
