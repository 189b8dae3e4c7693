#ifndef WYX_FORMATS_MOTION_RWYXWRITERMOTION_H
#define WYX_FORMATS_MOTION_RWYXWRITERMOTION_H

// What the motion writers share: the format object they own while a file is being written,
// and the checks every write starts with.
//
// The text goes to a temporary file beside the file; FileClose (after a successful Write)
// puts it in place, and a writer destroyed without FileClose leaves the file as it was.
// A Write that fails or is refused (answers false or sets an error) drops the file it was
// writing: a FileClose after it answers false, keeps the write's error and puts nothing in
// place. FileClose after FileCreate without a Write puts what the format's file holds then
// (an empty file) in place, as the WYX writers put a created file.
//
// Errors: "File not opened" (1), from FileClose without a file, and when the file cannot be
// made with the text "Cannot open file "<path>" for writing." and the system's reason before
// its full stop (RWyxWriter::FailCreate: 'Cannot open file "<path>" for writing: Permission
// denied.'); "Stream options not set" (4) for options missing or of another class. A file
// that could not be written whole or put in place fails the Write or FileClose with the text
// of RWyxWriter::FailWriteWhole, naming the file and the system's reason of the first write
// that failed: "Out of disk space" (3) for a full disk or quota, error 5 for any other reason
// (a file-size limit, an I/O error). A value a read of the file would refuse or change (a key
// or default that is not a finite number, a place beyond the floats of the curves) refuses
// the write with error 5 before the file is put in place (CheckHeld), naming the node, the
// channel and the time.

#include "core/RMatrix.h"
#include "core/RString.h"
#include "core/RTime.h"
#include "fileio/RWyxWriter.h"
#include "formats/motion/RMotionTextFile.h"

#include <functional>
#include <memory>
#include <vector>

class RStreamOptionsMotion;
class RWyxNode;
class RWyxScene;

class RWyxWriterMotion : public RWyxWriter {
public:
    explicit RWyxWriterMotion(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriter(factory, owner) {}
    // A file not closed is dropped.
    ~RWyxWriterMotion() override;

    bool FileCreate(const char* path) override;
    // Puts the written file in place; error 1 without a file, error 3 or 5 when it could not
    // be completed (FailTargetWrite). False after a failed Write, its error kept (error 1 when
    // it set none).
    bool FileClose() override;
    // While a file is being written: false again once a failed Write has dropped it.
    bool IsFileOpen() const override { return HasTarget(); }
    // WriteToTarget, then drops the file when it failed.
    bool Write(RWyxScene* scene, RStreamOptions* options) final;

protected:
    // The format's write into the file FileCreate started; false (or an error set) when it
    // failed or refused the scene.
    virtual bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) = 0;
    // The text format's object; null for writers that keep another target.
    virtual std::unique_ptr<RMotionTextFile> NewFormatFile() const { return nullptr; }
    // The file being written: the text writers' target is their format object. CloseTarget
    // puts the file in place and answers false, with the error set, when it could not;
    // AbandonTarget drops it.
    virtual bool CreateTarget(const char* path);
    virtual bool CloseTarget();
    virtual void AbandonTarget();
    virtual bool HasTarget() const { return file_ != nullptr; }

    RMotionTextFile* GetFormatFile() const { return file_.get(); }
    // Error 1 and false when no file is open.
    bool CheckOpen();
    // The options as motion options; error 4 and null when missing or of another class.
    RStreamOptionsMotion* CheckOptions(RStreamOptions* options);
    // Shows the text through the options' message hook with the title "Error".
    static void ShowError(const RStreamOptionsMotion& options, const RString& text, const char* button);
    // Flushes the text written so far; false when it could not be written (FailTargetWrite).
    bool FinishText();
    // Fails the write of the file FileCreate named, which could not be written whole, with the
    // failure's reason (RWyxWriter::FailWriteWhole: error 3 for a full disk or quota, else 5).
    bool FailTargetWrite(const RWriteFailure& failure);
    // No node at or below the root may have a blank or a control character (tab, line break,
    // ...) in its name: the formats' readers take these as word and line ends ("Spaces
    // are not allowed in <label> node names:" with the names, their control characters
    // escaped) and the tree may be at most kMaxSkeletonDepth levels deep; each is told
    // through the options' message hook with error 5.
    bool CheckNodes(RWyxNode* root, const RStreamOptionsMotion& options, const char* label);
    // The text through the message hook and as error 5; false.
    bool Refuse(const RStreamOptionsMotion& options, const RString& text);

    // A node's name in the scene (without its prefix) and the name the file gives it.
    struct WrittenName {
        RString shown;
        RString inFile;
    };
    // Refuses (Refuse) a file whose reader would make nodes of one name of these, compared
    // as the reader's nodes are (RMadeUpNames::AsNodeName, exactly): "<label> files cannot
    // tell these nodes apart (make their names unique):", then a line per shared name with
    // the nodes' names and the name they are read as (ListedNames: kMaxNamesListed lines at
    // most, then how many more); true when no two share one.
    bool RefuseSharedNames(const std::vector<WrittenName>& names, const RStreamOptionsMotion& options,
                           const char* label);
    // The name in double quotes, its control characters escaped, for a message of one line.
    static RString QuotedName(const RString& name);
    // Error 5 and false for a scene without a root node.
    bool CheckScene(RWyxScene* scene);
    // The checks a write starts with: an open file, motion options, a scene with a root; the
    // options as motion options, or null with the error set.
    RStreamOptionsMotion* BeginWrite(RWyxScene* scene, RStreamOptions* options);

    // The node positions are measured from: the scene root with ExportFromGlobalPosition 1,
    // else the export root of the writer base, or the scene root when there is none.
    RWyxNode* FindEvaluationRoot(RWyxScene& scene, const RStreamOptionsMotion& options);
    // The marked nodes without an optical attribute at or below the root, parents first.
    static std::vector<RWyxNode*> CollectMarkers(RWyxNode* root);
    // CollectMarkers into nodes, with the name of each in the file, its name after its last
    // ':' (NameAfterLastColon), into names; false, the write refused (RefuseSharedNames), when
    // a read would give two of them one name: asRead(name, place) is the name a read makes of
    // the name at the place (0 on).
    bool CollectNamedMarkers(RWyxNode* root, const RStreamOptionsMotion& options, const char* label,
                             const std::function<RString(const RString&, int)>& asRead, std::vector<RWyxNode*>& nodes,
                             std::vector<RString>& names);
    // Evaluates the root's subtree at the time with the root as the origin; the nodes' global
    // matrices then come from EvaluateGlobalMatrix with the evaluation id (> 0).
    static void EvaluateFrame(RWyxNode* root, RTime time, int evaluationId);
    // The node's name after its last ':' (the whole name without one).
    static RString NameAfterLastColon(const RWyxNode& node);

    // The parts of a node's matrix a file holds values of: the translation, and the rotation
    // (whose rows carry the scaling too).
    static constexpr int kTranslationPart = 1;
    static constexpr int kRotationPart = 2;
    // Whether the parts hold values a read of the file keeps: finite numbers, translations
    // within the floats of the curves a read fills.
    static bool IsHeld(const RMatrix& matrix, int parts);
    // Whether every value is finite and within the floats of the curves a read fills.
    static bool IsHeld(const double* values, int count);
    // True when held. Otherwise the write is refused (Refuse) for the values the node's matrix
    // gave at the time (in the default pose without one), named where they come from: the
    // first of the node and its ancestors below top, from the node up, with a channel value that
    // is not finite (RefuseNonFinite), else the node, whose channels are finite but whose values
    // grew beyond the floats (RefuseBeyond).
    bool CheckHeld(bool held, RWyxNode& node, const RWyxNode* top, const RTime* time,
                   const RStreamOptionsMotion& options, const char* label);
    // CheckHeld for the values of a marker's frame (EvaluateFrame) at the time, measured from the
    // root: a node the frames evaluate by its defaults (RWyxNode::IsEvaluatedByDefaults) is named
    // for a default that is not finite ('The default translation X of "Hips" is nan, ...'),
    // never for the keys they leave unused.
    bool CheckFrameHeld(bool held, RWyxNode& node, const RWyxNode& root, RTime time,
                        const RStreamOptionsMotion& options, const char* label);
    // Refuses (Refuse) the values of the node at the time (in the default pose without one) that
    // grew beyond what a read keeps: 'The motion of "Head" at 0.04 s lies beyond the real
    // numbers BVH files hold'.
    bool RefuseBeyond(const RString& node, const RTime* time, const RStreamOptionsMotion& options, const char* label);
    // Refuses (error 5) the first default value (translation, rotation, scaling X, Y, Z) of a
    // node at or below top, in pre-order, that the file takes (taken(node, channel 0..8)) and
    // that is not a finite number within the floats: the node's channel holds another number
    // in its place (the largest float for an infinity or a number beyond the floats), which the
    // file would carry. 'The default rotation Z of "Hips" is -inf, which BVH files cannot hold';
    // 'The default translation X of "Head" lies beyond the real numbers BVH files hold'.
    bool CheckDefaults(RWyxNode& top, const std::function<bool(RWyxNode&, int)>& taken,
                       const RStreamOptionsMotion& options, const char* label);
    // CheckDefaults for the markers' frames, evaluated with the root as the origin (EvaluateFrame):
    // the defaults the frames show of each marker (CollectMarkers) and of the nodes between it and
    // the root, which move it; not the root's, nor any other node's. They show every default of a
    // node they evaluate by its defaults (RWyxNode::IsEvaluatedByDefaults: on its default take,
    // its keys there unused), else those of the channels its current take leaves without keys.
    bool CheckFrameDefaults(RWyxNode& root, const std::vector<RWyxNode*>& markers, const RStreamOptionsMotion& options,
                            const char* label);
    // Whether the node's current take has keys in the channel (0..8): frames evaluated at a time
    // (GetLocalMatrixAt, GetGlobalMatrixAt; the default take's keys too) do not show the
    // channel's default then.
    static bool IsKeyed(RWyxNode& node, int channel);
    // Refuses (Refuse) a value of the node's channel (0..8: translation, rotation, scaling X, Y,
    // Z) that is not finite: 'The rotation Z of "Hips" at 0.04 s is nan, which BVH files cannot
    // hold' ('The default rotation Z of "Hips" is -inf, ...' without a time).
    bool RefuseNonFinite(const RString& node, int channel, double value, const RTime* time,
                         const RStreamOptionsMotion& options, const char* label);

private:
    // The refusal of CheckHeld and CheckFrameHeld (framed): the values of a node the frames
    // evaluate by its defaults are looked for there.
    bool RefuseNotHeld(RWyxNode& node, const RWyxNode* top, const RTime* time, bool framed,
                       const RStreamOptionsMotion& options, const char* label);

    std::unique_ptr<RMotionTextFile> file_;
    RString path_;
    // A failed Write dropped the file; FileClose answers false.
    bool abandoned_ = false;
};

#endif
