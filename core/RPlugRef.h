#ifndef WYX_CORE_RPLUGREF_H
#define WYX_CORE_RPLUGREF_H

// A weak reference to a plug: {serial, handle cell}. It resolves to the plug while the
// cell still holds the serial, and to nothing once the plug is gone, even after the cell
// has been taken by another plug.

#include "core/RPlugHandleTable.h"

#include <cstdint>

class RPlug;

class RPlugRef {
public:
    RPlugRef() = default;
    explicit RPlugRef(const RPlug* plug) { Set(plug); }

    // Refers to the plug; a null plug gives the empty reference.
    void Set(const RPlug* plug);
    void Clear() { *this = RPlugRef(); }

    // True while the referenced plug lives.
    bool IsValid() const { return cell_ != nullptr && cell_->serial == serial_; }
    // The plug, or null once it is gone.
    RPlug* Get() const { return IsValid() ? cell_->plug : nullptr; }
    // Same serial and cell.
    bool IsEqual(const RPlugRef& other) const { return serial_ == other.serial_ && cell_ == other.cell_; }

    std::uint64_t GetSerial() const { return serial_; }

private:
    std::uint64_t serial_ = 0;
    const RPlugHandleCell* cell_ = nullptr;
};

#endif
