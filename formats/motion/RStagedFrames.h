#ifndef WYX_FORMATS_MOTION_RSTAGEDFRAMES_H
#define WYX_FORMATS_MOTION_RSTAGEDFRAMES_H

// The converted frames of one joint, kept from its row until every row is read and they
// become the keys of its curves: per row a fixed number of floats, written row after row.
//
// The rows lie in pieces of at most kPieceBytes (fewer rows when fewer are reserved), all
// allocated when room is reserved. Pieces
// that small come from the heap rather than from a mapping of their own (which would give its
// pages back to the system when freed), so joints reserving in turn lie side by side, and
// the memory each frees once its keys are stored is there for the keys of the joints after
// it: their first writes find pages in place instead of taking fresh ones from the system.

#include <cstddef>
#include <memory>
#include <vector>

class RStagedFrames {
public:
    static constexpr std::size_t kPieceBytes = 48 * 1024;

    // Frees what was kept and makes room for rows of width floats (width 1 or more); false
    // when memory runs out (nothing is then kept).
    bool Reserve(int rows, int width);
    // The next row to write its width floats into. Rows past the reserved ones get pieces of
    // their own; std::bad_alloc when memory for one runs out.
    float* NextRow() {
        if (next_ == pieceEnd_) {
            StartPiece();
        }
        ++written_;
        float* row = next_;
        next_ += width_;
        return row;
    }
    int GetWrittenRows() const { return written_; }
    int GetRowsPerPiece() const { return rowsPerPiece_; }
    // The pieces in row order: piece p holds rows p * GetRowsPerPiece() on.
    const float* const* GetPieces() const { return pieceStarts_.data(); }
    // Frees every piece.
    void Release();

private:
    void AddPiece();
    // Moves the writing on to the piece of the next row, added when it is not there yet.
    void StartPiece();

    std::vector<std::unique_ptr<float[]>> pieces_;
    std::vector<const float*> pieceStarts_;
    int width_ = 1;
    int rowsPerPiece_ = 1;
    int written_ = 0;
    float* next_ = nullptr;
    float* pieceEnd_ = nullptr;
};

#endif
