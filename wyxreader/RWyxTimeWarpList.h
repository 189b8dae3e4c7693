#ifndef WYX_WYXREADER_RWYXTIMEWARPLIST_H
#define WYX_WYXREADER_RWYXTIMEWARPLIST_H

// The time-warp curve nodes a WYX read resolves "TimeWarpID" through, keyed by their ids, and
// the process-wide registry pointed at them while the read's curves are read.
//
// The list holds a reference on every node it keeps (RFCurveNode::AddReference), so that a
// node stays alive as long as the list may hand it out, whoever else lets it go; a curve node
// that takes a warp from it holds its own reference (RFCurveNode::SetTimeWarp). The references
// are given back when the list goes.
//
// While an Installed scope lives, the registry answers from this list; the scope puts back
// whatever the registry pointed at before, so that no read leaves the registry pointing at a
// list that is gone. Version-6 files define no time warps of their own: their list stays empty,
// and an id a file names is then not found and its channel left without a warp.

#include "core/RIntMap.h"

class RFCurveNode;

class RWyxTimeWarpList {
public:
    RWyxTimeWarpList();
    ~RWyxTimeWarpList();
    RWyxTimeWarpList(const RWyxTimeWarpList&) = delete;
    RWyxTimeWarpList& operator=(const RWyxTimeWarpList&) = delete;

    // Keeps the node under the id, with a reference on it; false for a null node or an id
    // already used.
    bool Add(int id, RFCurveNode* node);
    int GetCount() const { return map_.GetCount(); }

    // The registry answers from the list while this lives.
    class Installed {
    public:
        explicit Installed(RWyxTimeWarpList& list);
        ~Installed();
        Installed(const Installed&) = delete;
        Installed& operator=(const Installed&) = delete;

    private:
        RIntMap* previous_;
    };

private:
    RIntMap map_;
};

#endif
