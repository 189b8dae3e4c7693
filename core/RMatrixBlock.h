#ifndef WYX_CORE_RMATRIXBLOCK_H
#define WYX_CORE_RMATRIXBLOCK_H

// A cache of 13 transforms held as their inverses. Each matrix has a flag that is set
// while the slot holds its inverse; a last flag, set while every slot does, lets a
// refresh skip the whole block. Storing a matrix clears its flag and the block's; a
// refresh replaces each matrix whose flag is clear by its orthogonal inverse
// (MatrixInverseOrthogonal) and sets the flags again, so refreshing twice inverts once.

#include <cstdint>

#include "core/RMatrix.h"

class RMatrixBlock {
public:
    static constexpr int kMatrixCount = 13;
    static constexpr int kBlockFlag = kMatrixCount;  // the flag of the whole block

    RMatrixBlock();  // all 13 identity, all 14 flags set

    // Stores a matrix to be inverted by the next refresh; false for an index outside
    // 0 to 12.
    bool SetMatrix(int index, const RMatrix& matrix);
    // The matrix of the slot; null for an index outside 0 to 12.
    const RMatrix* GetMatrix(int index) const;
    // Flag index (0 to 12 a slot, kBlockFlag the block); false outside 0 to 13.
    bool IsFlagSet(int index) const;

    void Refresh();

private:
    static bool IsSlot(int index) { return index >= 0 && index < kMatrixCount; }

    RMatrix matrices_[kMatrixCount];
    std::uint8_t flags_[kMatrixCount + 1];
};

#endif
