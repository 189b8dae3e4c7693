#ifndef WYX_CURVES_RCURVETREEMEMORY_H
#define WYX_CURVES_RCURVETREEMEMORY_H

// Memory for curve nodes and curves. While a Scope lives on a thread, the pieces that thread
// asks for are cut one after the other from shared slabs, so that a tree made in one go (the
// channels of a new take) costs a few allocations instead of one per node and per curve, and
// its destruction frees a few slabs instead of every piece. A slab counts its live pieces and
// is freed with the last of them (or when the thread moves on to a new slab, if all are gone
// by then), whatever thread frees them and whether or not the tree still holds them. Outside
// a scope every piece is a heap block of its own.
//
// The thread keeps the slab it cuts from between scopes, so consecutive trees share slabs
// without leaving their tails unused; it gives the slab up when it is full and when the
// thread ends.

#include <cstddef>

class RCurveTreeMemory {
public:
    // Pieces larger than this come from the heap even inside a scope.
    static constexpr std::size_t kMaxSlabPiece = 1024;

    // Scopes nest; pieces come from slabs while at least one lives on the thread.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    // Memory for one piece, aligned for any object of alignment 8 or less; throws
    // std::bad_alloc as operator new does.
    static void* Allocate(std::size_t bytes);
    // Gives a piece of Allocate back; null is ignored.
    static void Free(void* piece) noexcept;

    // For the containers of nodes: their storage lies with the nodes.
    template <typename T>
    class Allocator {
    public:
        using value_type = T;
        Allocator() = default;
        template <typename U>
        Allocator(const Allocator<U>& /*other*/) {}
        T* allocate(std::size_t count) { return static_cast<T*>(Allocate(count * sizeof(T))); }
        void deallocate(T* items, std::size_t /*count*/) noexcept { Free(items); }
        template <typename U>
        bool operator==(const Allocator<U>& /*other*/) const { return true; }
        template <typename U>
        bool operator!=(const Allocator<U>& /*other*/) const { return false; }
    };

    // Slabs cut from and not yet freed, over all threads (for tests and measurements).
    static long GetLiveSlabCount();
};

#endif
