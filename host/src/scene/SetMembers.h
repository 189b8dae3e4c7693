#ifndef VEXA_HOST_SETMEMBERS_H
#define VEXA_HOST_SETMEMBERS_H

// The members of an object set: DAG paths (with an optional component) and dependency nodes,
// kept as selection items. Members whose nodes were deleted are dropped when the list is read.

#include "host/src/scene/NodeType.h"
#include "host/src/scene/SelectionItems.h"

#include <vexa/VexaExport.h>

namespace vexa_host {

class VEXA_API SetMembers : public NodePayload {
public:
    // False when the item is already a member.
    bool add(const SelectionItem& item);
    bool remove(const SelectionItem& item);
    const std::vector<SelectionItem>& items();
    bool holds(const SelectionItem& item);
    void describe(std::ostream& out, const std::string& indent) const override;

private:
    std::vector<SelectionItem> items_;
};

}  // namespace vexa_host

#endif
