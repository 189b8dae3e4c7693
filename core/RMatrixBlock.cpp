#include "core/RMatrixBlock.h"

RMatrixBlock::RMatrixBlock() {
    for (std::uint8_t& flag : flags_) {
        flag = 1;
    }
}

bool RMatrixBlock::SetMatrix(int index, const RMatrix& matrix) {
    if (!IsSlot(index)) {
        return false;
    }
    matrices_[index] = matrix;
    flags_[index] = 0;
    flags_[kBlockFlag] = 0;
    return true;
}

const RMatrix* RMatrixBlock::GetMatrix(int index) const {
    return IsSlot(index) ? &matrices_[index] : nullptr;
}

bool RMatrixBlock::IsFlagSet(int index) const {
    return index >= 0 && index <= kBlockFlag && flags_[index] != 0;
}

void RMatrixBlock::Refresh() {
    if (flags_[kBlockFlag] != 0) {
        return;
    }
    for (int index = 0; index < kMatrixCount; ++index) {
        if (flags_[index] == 0) {
            MatrixInverseOrthogonal(matrices_[index], matrices_[index]);
            flags_[index] = 1;
        }
    }
    flags_[kBlockFlag] = 1;
}
