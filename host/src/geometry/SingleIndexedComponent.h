#ifndef VEXA_HOST_SINGLEINDEXEDCOMPONENT_H
#define VEXA_HOST_SINGLEINDEXEDCOMPONENT_H

// A component whose elements have one index: mesh polygons ("f", kMeshPolygonComponent) and
// mesh vertices ("vtx", kMeshVertComponent).
//
// Elements are kept in the order they were added, each once. Complete data, when set, is the
// number of elements the shape has: every element must lie below it, and a component with
// complete data and no elements of its own stands for all of them (0 .. count - 1).

#include "host/src/geometry/IndexList.h"
#include "host/src/scene/SelectionItems.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace vexa_host {

class VEXA_API SingleIndexedComponent final : public ComponentRecord {
public:
    // False for a type that is not a single-indexed component kind.
    static bool isKind(VFn::Type type);
    // The record as a component of this class, or null (no record, or another class): an exact
    // type check, cheaper than a cast that searches the class tree. Set edits ask it for every
    // member they touch.
    static const SingleIndexedComponent* of(const ObjectRecord* record);
    static SingleIndexedComponent* of(ObjectRecord* record);

    explicit SingleIndexedComponent(VFn::Type type) : type_(type) {}
    // Made anew as a component of the type, without elements or complete data; for a holder
    // that alone refers to it and takes it again (see ShapeTypes' component parser).
    void reset(VFn::Type type);

    VFn::Type apiType() const override { return type_; }
    bool hasFn(VFn::Type type) const override;
    const char* apiTypeName() const override;
    std::string text() const override;
    std::vector<std::string> texts() const override;
    std::vector<std::string> textsAfter(const std::string& head) const override;
    bool sameAs(const ComponentRecord& other) const override;
    std::shared_ptr<ComponentRecord> mergedWith(const ComponentRecord& other) const override;
    // In place for a component without complete data (a merged one never has it).
    bool absorb(const ComponentRecord& other) override;

    // kInvalidParameter for a negative index or one at or past the complete data.
    VStatus add(int element) { return add(&element, 1); }
    // Adds the elements in order, as add() would one by one, and stops at the first refused.
    VStatus add(const int* elements, size_t count);
    // kInvalidParameter when an element lies at or past the count, or the count is negative.
    VStatus setCompleteCount(int count);
    int completeCount() const { return complete_; }  // -1: not set
    bool isComplete() const;
    // The elements it stands for (its own, or all when complete and empty).
    std::vector<int> elements() const;
    int elementCount() const;
    int element(int index) const;  // the index must lie below elementCount()
    bool holds(int element) const;

    // Edits of a watched component are counted: the shading groups' index of the polygons they
    // hold watches the components it read, and reads them again after an edit it did not make.
    void watch() { watched_ = true; }
    static std::uint64_t watchedEdits() { return watchedEdits_; }
    // While one lives, edits are not counted: the index makes them and follows them itself.
    class FollowedEdits {
    public:
        FollowedEdits() { ++followed_; }
        ~FollowedEdits() { --followed_; }
        FollowedEdits(const FollowedEdits&) = delete;
        FollowedEdits& operator=(const FollowedEdits&) = delete;
    };

private:
    void noteEdit() {
        if (watched_ && followed_ == 0) ++watchedEdits_;
    }

    // A few elements are searched in place. Past the limit a bit per index answers while the
    // indices are dense (a shape's polygons, taken one by one), else a set of them.
    static constexpr size_t kLinearSearchLimit = 16;
    // Bits per element at most that the bitmap may spend before the set takes over.
    static constexpr size_t kBitsPerElement = 64;
    bool holdsOwn(int element) const;
    void index(int element);
    bool fitsBitmap(size_t bitCount) const { return bitCount <= kBitsPerElement * elements_.size(); }
    void markBit(int element);

    VFn::Type type_;
    IndexList elements_;
    std::vector<std::uint64_t> bits_;  // empty unless the bitmap answers
    std::unordered_set<int> held_;     // empty unless the set answers
    int complete_ = -1;
    bool watched_ = false;
    static std::uint64_t watchedEdits_;
    static int followed_;
};

}  // namespace vexa_host

#endif
