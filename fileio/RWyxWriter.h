#ifndef WYX_FILEIO_RWYXWRITER_H
#define WYX_FILEIO_RWYXWRITER_H

// The base of every file writer. A writer is made by the exporter front end for the format
// id it is given (RWyxFormatTable), with the exporter's object factory and the exporter as
// its owner, to which it reports progress. The exporter drives it in this order:
//
//   FileCreate(path)          on failure the writer is destroyed
//   Write(scene, options)     once
//   FileClose()               only after a successful Write; a failed close fails the export
//   destructor
//
// or, for a scene nested in a file being written, WriteScene(scene, options, file) alone.
// A write has succeeded when Write answers true and has left no error code: a writer that
// sets an error has failed, whatever it answers. After Write the exporter copies the
// message text, to which a writer appends its warnings.
//
// FindSingleRoot, CollectNamesWithBlanks and CollectNodeFaults need the scene classes: they
// are defined in the top layer, fileformats/RWyxWriterChecks.cpp.

#include "core/RString.h"
#include "fileio/RWyxMessageHolder.h"
#include "fileio/RWyxReader.h"

#include <functional>
#include <vector>

class RStreamOptions;
class RWriteFailure;
class RWyxIO;
class RWyxNode;
class RWyxObjectFactory;
class RWyxPropertyFile;
class RWyxScene;

class RWyxWriter : public RWyxMessageHolder {
public:
    // Error codes. "File not opened" and "Stream options not set" are numbered otherwise
    // than a reader's.
    static constexpr int kErrorCorrupted = 0;
    static constexpr int kErrorNotOpened = 1;
    static constexpr int kErrorNotCreated = 2;
    static constexpr int kErrorOutOfDiskSpace = 3;
    static constexpr int kErrorOptionsNotSet = 4;
    static constexpr int kErrorUnidentified = 5;
    static constexpr int kErrorCount = 6;

    // Neither is owned; without an owner progress goes nowhere.
    explicit RWyxWriter(RWyxObjectFactory* factory, RWyxIO* owner = nullptr);

    // ---- the virtual operations, in this order -----------------------------------------------
    virtual ~RWyxWriter();
    virtual bool FileCreate(const char* path) = 0;
    virtual bool FileClose() = 0;
    virtual bool IsFileOpen() const = 0;
    // New options with the format's defaults; the caller owns them.
    virtual RStreamOptionsPtr GetWriteOptions() = 0;
    virtual bool Write(RWyxScene* scene, RStreamOptions* options) = 0;
    // When the scene's root node has exactly one child, walks down from it while the node
    // has exactly one child and answers the first node of that chain (the child included)
    // that is marked (RWyxNode::IsMarked, this node only). Null when the root has no child
    // or several, or the chain ends before a marked node; null for a null scene.
    virtual RWyxNode* FindSingleRoot(RWyxScene* scene);
    // Appends "\n    " and the name (RWyxSceneObject::GetName) of every node of the subtree
    // whose name holds a blank or a control character (a tab, a line break, ...:
    // IsControlChar), in pre-order, to text; false when there was one. The names are listed
    // with their control characters escaped (RString::ControlCharsEscaped), so that each
    // keeps its one line of the message. The walk keeps its own
    // stack, so a hierarchy of any depth is safe. A null node has no such name.
    virtual bool CollectNamesWithBlanks(RWyxNode* node, RString& text);
    // Writes into the given property file (a scene nested in a file being written) instead
    // of the writer's own. This base writes its own file through Write when no file is given
    // and refuses any file with error 5: only the WYX writers write into another file.
    virtual bool WriteScene(RWyxScene* scene, RStreamOptions* options, RWyxPropertyFile* file);

    RWyxObjectFactory* GetFactory() const { return factory_; }
    RWyxIO* GetOwner() const { return owner_; }
    // Passes a progress report to the owner (RWyxIO::ReportProgress); nothing without one.
    void ReportProgress(int status, const char* text, const char* detail, float percent) const;

protected:
    // Appends "\n    " and the text fault gives a node (why the node cannot be written; empty
    // when it can) for every node of the subtree it gives one for, in pre-order, to text;
    // false when there was one. The walk keeps its own stack, so a hierarchy of any depth is safe.
    bool CollectNodeFaults(RWyxNode* node, const std::function<RString(RWyxNode&)>& fault, RString& text);
    // Fails a write whose file could not be written whole, and answers false. The code says
    // whether more room would help: error 3 ("Out of disk space") for a full disk or quota
    // (ENOSPC, EDQUOT), error 5 for any other reason (a file-size limit, an I/O error). The
    // text: 'Cannot write "<path>" whole', then ": " and the text of the failure's reason (an
    // errno) when it has one, then where the old content of the file was kept when the failure
    // names such a file.
    bool FailWriteWhole(const char* path, const RWriteFailure& failure);
    // Fails a file that could not be created, and answers false: the code, and the text given
    // (the format's own, naming the file) with the system's reason (WithFailureReason:
    // 'Cannot open file "x" for writing: Permission denied.'); the text alone for reason 0.
    bool FailCreate(int code, const RString& text, int reason);

    // A refusal lists at most this many of the names (or groups of names) it is about, so
    // that a scene with thousands of them still gives a message one can read.
    static constexpr int kMaxNamesListed = 20;
    // The entries joined by the separator, at most kMaxNamesListed of them; when there are
    // more, then the separator and "and <n> more".
    static RString ListedNames(const std::vector<RString>& entries, const char* separator);

private:
    RWyxObjectFactory* factory_;
    RWyxIO* owner_;
};

#endif
