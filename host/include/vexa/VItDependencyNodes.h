#ifndef VEXA_VITDEPENDENCYNODES_H
#define VEXA_VITDEPENDENCYNODES_H

// Visits every node of the scene (DAG nodes included, the world not), oldest first. Nodes
// deleted during the walk are skipped; nodes made during it are visited when they come after
// the current one.

#include <vexa/VFn.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <cstdint>

class VEXA_API VItDependencyNodes {
public:
    explicit VItDependencyNodes(VFn::Type filter = VFn::kInvalid, VStatus* status = nullptr);

    bool isDone(VStatus* status = nullptr) const;
    VStatus next();
    VStatus reset();
    VObject thisNode(VStatus* status = nullptr) const;
    VObject item(VStatus* status = nullptr) const { return thisNode(status); }

private:
    void seek(std::uint64_t afterId);

    VFn::Type filter_;
    VObject current_;
    std::uint64_t currentId_ = 0;
};

#endif
