#ifndef WYX_WYXREADER_WYXREADERSERVICES_H
#define WYX_WYXREADER_WYXREADERSERVICES_H

// Routines of the WYX scene reader that the WYX writers share: the matrix a link's stored
// translation, rotation and scaling stand for, the "Thumbnail" block of a take or a scene, and
// the field names of the layer elements.
//
// "Thumbnail" block, at the file's current level:
//   Thumbnail {
//     Version: 100
//     Format: the pixel format (0 RGB, 1 RGBA)
//     Size: the size code (1 64 x 64, 2 128 x 128)
//     ImageEncoding: 0
//     ImageData: one int per byte of the pixels, row by row
//   }

class RMatrix;
class RVector4;
class RWyxFile;
class RWyxThumbnail;

// The affine matrix of that transform: rows of the Euler XYZ rotation (degrees, X applied
// first) scaled by the scaling, the translation in the fourth row.
void ComposeMatrixTRS(RMatrix& out, const RVector4& translation, const RVector4& rotation, const RVector4& scaling);

// Writes the block above; nothing for a null or empty thumbnail.
void WriteThumbnailBlock(RWyxFile& file, const RWyxThumbnail* thumbnail);

// "LayerElementNormal", "LayerElementMaterial", ... for a layer element kind; "" for any other.
const char* LayerElementFieldName(int kind);

#endif
