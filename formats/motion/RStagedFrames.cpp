#include "formats/motion/RStagedFrames.h"

#include "platform/SystemServices.h"

#include <algorithm>
#include <new>
#include <utility>

bool RStagedFrames::Reserve(int rows, int width) {
    Release();
    width_ = std::max(width, 1);
    // Pieces no longer than the rows reserved need: a short file's joints take little.
    const int fullPiece = std::max(static_cast<int>(kPieceBytes / sizeof(float)) / width_, 1);
    rowsPerPiece_ = std::clamp(rows, 1, fullPiece);
    const int pieces = (std::max(rows, 0) + rowsPerPiece_ - 1) / rowsPerPiece_;
    try {
        pieces_.reserve(static_cast<std::size_t>(pieces));
        pieceStarts_.reserve(static_cast<std::size_t>(pieces));
        for (int p = 0; p < pieces; ++p) {
            AddPiece();
        }
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    return true;
}

void RStagedFrames::AddPiece() {
    const std::size_t floats = static_cast<std::size_t>(rowsPerPiece_) * static_cast<std::size_t>(width_);
    // Owned at once; written before it is read, so not value-initialised. A piece whose start
    // cannot be listed holds no row: rows are written only once their piece is started.
    std::unique_ptr<float[]> piece(new float[floats]);
    // Written throughout: its fresh pages are backed in one call rather than faulted in.
    platform::PrepareForWriting(piece.get(), floats * sizeof(float));
    pieces_.push_back(std::move(piece));
    pieceStarts_.push_back(pieces_.back().get());
}

void RStagedFrames::StartPiece() {
    const auto piece = static_cast<std::size_t>(written_ / rowsPerPiece_);
    if (piece == pieces_.size()) {
        AddPiece();
    }
    next_ = pieces_[piece].get();
    pieceEnd_ = next_ + static_cast<std::size_t>(rowsPerPiece_) * static_cast<std::size_t>(width_);
}

void RStagedFrames::Release() {
    std::vector<std::unique_ptr<float[]>>().swap(pieces_);
    std::vector<const float*>().swap(pieceStarts_);
    written_ = 0;
    next_ = nullptr;
    pieceEnd_ = nullptr;
}
