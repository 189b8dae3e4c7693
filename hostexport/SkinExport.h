#ifndef WYX_HOSTEXPORT_SKINEXPORT_H
#define WYX_HOSTEXPORT_SKINEXPORT_H

// The skin pass: every host skin cluster becomes skin links on the exported geometry, one per
// influence with weights (control points with weights above 0.001, the influence's matrix at
// bind time, the geometry's), and, with kExportBindPose, one bind pose per skin cluster.
//
// Bind matrices come from the host's bind pose (the node's own "bindPose" matrix or its dag
// pose's "worldMatrix" element). Without one the user is asked once per node whether the
// current transform may stand in ("WYX Export Question"); the links take the current global
// transform either way, and the answer decides whether bind poses are exported for the rest of
// the pass. A dismissed question, dialogs off and a "No" all mean "No"; a conflict (a node given
// two matrices) behaves the same and is reported after its skin cluster.

#include "core/RMatrix.h"

#include <map>
#include <string>
#include <unordered_set>
#include <vector>

class RWyxGeometry;
class RWyxNode;
class RWyxPose;
class RWyxSkinLink;
class VDagPath;
class VObject;
class WyxVexaExportSession;

class SkinExport {
public:
    explicit SkinExport(WyxVexaExportSession& session) : session_(session) {}
    SkinExport(const SkinExport&) = delete;
    SkinExport& operator=(const SkinExport&) = delete;

    void Run();

    // The node's bind matrix: the host's bind pose; without one, after the question (asked once
    // per node), the node's current global transform.
    RMatrix BindMatrix(RWyxNode& node);
    // Whether bind poses are abandoned for the rest of the pass.
    bool IsAbandoned() const { return abandoned_; }

private:
    struct Cluster {
        RWyxPose* pose = nullptr;
        // Influences and ancestors that have their entry in this cluster's pose, in order, and
        // the same as a set: every ancestor of every influence is looked up in it.
        std::vector<RWyxNode*> visited;
        std::unordered_set<const RWyxNode*> visitedSet;
        // For the geometry being exported: the nodes of every walk up from an influence that
        // ran to its end. Everything above such a node has its entry (or is a helper node), so
        // a later walk stops there; a walk that stopped short leaves its nodes out of it.
        std::unordered_set<const RWyxNode*> walked;
        std::vector<RWyxSkinLink*> links;
    };

    void ExportSkinCluster(const VObject& skin, int number, int count, RWyxPose* pose);
    void ExportGeometry(const VObject& skin, const VObject& shape, int number, int count, Cluster& cluster);
    RMatrix GeometryMatrix(const VObject& skin, RWyxNode& geometry) const;

    // ---- the bind pose ---------------------------------------------------------------------
    // True when the host holds a bind pose matrix of the node.
    static bool HostBindMatrix(RWyxNode& node, RMatrix& matrix);
    void AskBindPoseFallback(const VDagPath& path);
    // The entry of a node (with the "__Post_" rule); a conflict abandons and is recorded.
    bool AddEntry(Cluster& cluster, RWyxNode& node, const RMatrix& matrix);
    // AddEntry, the node then recorded as visited when it succeeded.
    bool AddVisitedEntry(Cluster& cluster, RWyxNode& node, const RMatrix& matrix);
    void AddInfluenceEntries(Cluster& cluster, RWyxNode& influence, const RMatrix& bindMatrix, RWyxNode& geometry);
    void AddPrePostEntries(Cluster& cluster);
    void ReportConflicts();

    WyxVexaExportSession& session_;
    bool abandoned_ = false;
    // Nodes the question was asked about (for the whole pass).
    std::unordered_set<RWyxNode*> asked_;
    // Nodes whose entries conflicted, by name.
    std::map<std::string, RWyxNode*> conflicts_;
};

#endif
