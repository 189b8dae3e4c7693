#ifndef VEXA_HOST_DOUBLEINDEXEDCOMPONENT_H
#define VEXA_HOST_DOUBLEINDEXEDCOMPONENT_H

// A component whose elements have two indices (U, V): surface CVs ("cv",
// kSurfaceCVComponent).
//
// Elements are kept in the order they were added, each once. Complete data, when set, is the
// shape's element count in each direction: every element must lie below it, and a component
// with complete data and no elements of its own stands for all of them (U outer, V inner).

#include "host/src/scene/SelectionItems.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vexa_host {

class VEXA_API DoubleIndexedComponent : public ComponentRecord {
public:
    using Element = std::pair<int, int>;  // (U, V)

    static bool isKind(VFn::Type type) { return type == VFn::kSurfaceCVComponent; }

    explicit DoubleIndexedComponent(VFn::Type type) : type_(type) {}

    VFn::Type apiType() const override { return type_; }
    bool hasFn(VFn::Type type) const override;
    const char* apiTypeName() const override { return "surfaceCVComponent"; }
    std::string text() const override;
    std::vector<std::string> texts() const override;
    bool sameAs(const ComponentRecord& other) const override;
    std::shared_ptr<ComponentRecord> mergedWith(const ComponentRecord& other) const override;

    VStatus add(int u, int v);  // kInvalidParameter outside the complete data or below 0
    VStatus setCompleteCounts(int countU, int countV);
    int completeU() const { return completeU_; }  // -1: not set
    int completeV() const { return completeV_; }
    std::vector<Element> elements() const;
    int elementCount() const;

private:
    bool outside(int u, int v) const;

    VFn::Type type_;
    std::vector<Element> elements_;
    std::set<Element> held_;
    int completeU_ = -1;
    int completeV_ = -1;
};

}  // namespace vexa_host

#endif
