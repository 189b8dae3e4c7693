#ifndef WYX_PLUGIN_VEXAOBJECTFACTORY_H
#define WYX_PLUGIN_VEXAOBJECTFACTORY_H

// The object factory of an import or export session: every node it makes is a VexaNode, and
// it converts names between the file and the host.
//
// RenameNodesForHost, import (host context 1), after the file was read: the names of the
// nodes, materials, textures and pose members are restored (clash suffixes undone) and
// cleaned into host names; a node's namespace ("ns:x") is recorded on it, the first node of
// a run of one namespace marked as its start. A node named like the namespace right before
// the run starts it (a namespace's group node); the run's first node then carries the
// namespace too.
//
// RenameNodesForHost, export (host context 0), after the host scene was walked: names that
// equal an earlier name but for case, then exact repeats, get clash suffixes, so that every
// name in the file is unique; "Model::ns:x" records the namespace ns.

#include "scene/RWyxObjectFactory.h"

class VDagPath;
class VexaNode;
class VexaObjectFactory;
class WyxVexaImportSession;

// What merge binding works with: the factory and the import session (set by the caller).
struct VexaMergeBinding {
    VexaObjectFactory* factory = nullptr;
    WyxVexaImportSession* session = nullptr;
};

class VexaObjectFactory : public RWyxObjectFactory {
public:
    static constexpr int kExportContext = 0;
    static constexpr int kImportContext = 1;

    explicit VexaObjectFactory(int hostContext);
    ~VexaObjectFactory() override;

    // A VexaNode.
    RWyxNode* NewNode(const RString& fullName) override;

    // A node named "Model::" + name, bound to the path; null when it cannot be made.
    VexaNode* CreateNodeForDagPath(const char* name, const VDagPath* path);

    // Made on first request; the factory owns it until it is released.
    VexaMergeBinding* GetMergeBindingObject();
    // False when there is none.
    bool ReleaseMergeBindingObject();

    void RenameNodesForHost();

    int GetHostContext() const { return hostContext_; }

private:
    void RenameForImport();
    void RenameForExport();

    int hostContext_;
    std::unique_ptr<VexaMergeBinding> mergeBinding_;
};

#endif
