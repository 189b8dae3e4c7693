#ifndef WYX_FILEIO_TIFFIMAGE_H
#define WYX_FILEIO_TIFFIMAGE_H

// TIFF files for the images embedded in WYX files. File names are UTF-8 SDK paths.

#include <cstddef>

class RImageBuffer;

// True when the name's extension, upper-cased, is "TIF" or "TIFF", the file opens as a
// TIFF and its compression (tag 259) is anything but none.
bool IsCompressedTiff(const char* fileName);

// Writes the buffer's image as a TIFF: 8 bits per sample, one sample per channel, Deflate
// compression when asked, else none. The file is written as platform::RFileReplacement
// writes (a temporary file put in place, synced, only once complete; links followed; a
// target this process may not write refused), so a failed write leaves no partial file
// and an existing target as it was. False for a buffer without a valid image, or when the
// file cannot be written.
bool WriteImageAsTiff(const char* fileName, bool deflate, const RImageBuffer& buffer);

// Reads the first image of a TIFF file into the buffer. Grey, grey-and-alpha, RGB and RGBA
// images of 8 bits per sample keep their channels and stored values (strips or tiles,
// interleaved or planar); any other kind that the TIFF library can render comes as RGBA,
// with colour not multiplied by an unassociated alpha. Before any pixel is allocated, the
// size is checked against RImageBuffer's limit and every strip or tile against the file
// (inside it, and together at least 1/8192 of the image's bytes); pixels are then
// allocated as rows are decoded, so a file that claims more than it holds costs little.
// On failure the buffer holds no image; its file name and keep-file flag are never touched.
bool ReadImageFromTiff(const char* fileName, RImageBuffer& buffer);
// The same for a TIFF file held in memory (size bytes at data).
bool ReadImageFromTiffBytes(const void* data, std::size_t size, RImageBuffer& buffer);

#endif
