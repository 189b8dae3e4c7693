#ifndef WYX_ATTRIBUTES_RWYXTYPEDLAYERELEMENT_H
#define WYX_ATTRIBUTES_RWYXTYPEDLAYERELEMENT_H

// A layer element whose direct array holds values of type T: RVector4 normals, material and
// texture pointers (not owned: the object factory owns them), int polygon groups, RVector2
// UVs and RWyxColor vertex colours. The names of the kinds are the aliases at the end.

#include "attributes/RWyxLayerElement.h"
#include "core/RVector2.h"
#include "core/RVector4.h"
#include "core/RWyxColor.h"

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

class RWyxMaterial;
class RWyxTexture;

template <typename T, int ElementKind>
class RWyxTypedLayerElement : public RWyxLayerElement {
public:
    RWyxTypedLayerElement() = default;
    RWyxTypedLayerElement(const RWyxTypedLayerElement&) = default;

    int GetKind() const override { return ElementKind; }
    std::unique_ptr<RWyxLayerElement> Clone() const override {
        return std::make_unique<RWyxTypedLayerElement>(*this);
    }

    int GetDirectCount() const override { return static_cast<int>(direct_.size()); }
    bool SetDirectCount(int count) override {
        if (count < 0) return false;
        try {
            direct_.resize(static_cast<std::size_t>(count));
        } catch (const std::bad_alloc&) {
            return false;  // a count read from a file that no memory holds
        }
        return true;
    }
    void ClearDirect() override { direct_.clear(); }

    // The direct storage; null when empty. Callers may change values in place.
    T* GetDirect() { return direct_.empty() ? nullptr : direct_.data(); }
    const T* GetDirect() const { return direct_.empty() ? nullptr : direct_.data(); }
    // The entry at a direct position; null outside the array.
    T* GetDirectAt(int position) { return IsDirectPosition(position) ? &direct_[Unsigned(position)] : nullptr; }
    const T* GetDirectAt(int position) const {
        return IsDirectPosition(position) ? &direct_[Unsigned(position)] : nullptr;
    }
    // The entry the mapping's position refers to (ResolveDirectIndex); null when none.
    const T* GetMappedAt(int position) const { return GetDirectAt(ResolveDirectIndex(position)); }
    // Answers the new position.
    int AddDirect(const T& value) {
        direct_.push_back(value);
        return GetDirectCount() - 1;
    }
    // The first position holding the value; -1 when none.
    int FindDirect(const T& value) const {
        for (std::size_t i = 0; i < direct_.size(); ++i) {
            if (direct_[i] == value) return static_cast<int>(i);
        }
        return -1;
    }
    std::vector<T>& DirectArray() { return direct_; }
    const std::vector<T>& DirectArray() const { return direct_; }

    bool GatherDirect(const std::vector<int>& sources) override {
        std::vector<T> gathered;
        gathered.reserve(sources.size());
        for (const int source : sources) {
            if (!IsDirectPosition(source)) return false;
            gathered.push_back(direct_[Unsigned(source)]);
        }
        direct_ = std::move(gathered);
        return true;
    }

private:
    static std::size_t Unsigned(int position) { return static_cast<std::size_t>(position); }
    bool IsDirectPosition(int position) const { return position >= 0 && Unsigned(position) < direct_.size(); }

    std::vector<T> direct_;
};

using RWyxLayerElementNormal = RWyxTypedLayerElement<RVector4, RWyxLayerElement::kNormal>;
using RWyxLayerElementMaterial = RWyxTypedLayerElement<RWyxMaterial*, RWyxLayerElement::kMaterial>;
using RWyxLayerElementPolygonGroup = RWyxTypedLayerElement<int, RWyxLayerElement::kPolygonGroup>;
using RWyxLayerElementUV = RWyxTypedLayerElement<RVector2, RWyxLayerElement::kUV>;
using RWyxLayerElementVertexColor = RWyxTypedLayerElement<RWyxColor, RWyxLayerElement::kVertexColor>;

#endif
