#ifndef WYX_BENCH_HOSTTRANSFORMTREE_H
#define WYX_BENCH_HOSTTRANSFORMTREE_H

// A hierarchy of host transforms made through the host's interface, as the import and export
// benchmarks lay out their nodes: transform i (named "n<i>") below transform (i - 1) / branching.

#include <vexa/VFnDagNode.h>
#include <vexa/VFnTransform.h>

#include <string>
#include <vector>

namespace wyx_bench {

// False when the host refuses a transform.
inline bool MakeHostTransformTree(int count, int branching) {
    std::vector<VObject> made;
    made.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        VStatus status;
        const VObject parent = i == 0 ? VObject::kNullObj : made[static_cast<size_t>((i - 1) / branching)];
        const VObject node = VFnTransform().create(parent, &status);
        if (!status) return false;
        VFnDagNode(node).setName(VString(("n" + std::to_string(i)).c_str()));
        made.push_back(node);
    }
    return true;
}

}  // namespace wyx_bench

#endif
