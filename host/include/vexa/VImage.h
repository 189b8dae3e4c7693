#ifndef VEXA_VIMAGE_H
#define VEXA_VIMAGE_H

// An image in memory: 4 channels (red, green, blue, alpha) of 8 bits per pixel, rows from top
// to bottom without padding.
//
// Files: the host reads TIFF (any kind libtiff renders, known by its content) and uncompressed
// Targa (24 or 32 bits, or 8-bit grey), and writes both (TIFF uncompressed; Targa 32 bits).
// writeToFile takes the format as a name ("tif", "tiff", "tga"; empty: the file name's
// extension) and replaces the file in one piece (a temporary file renamed over it), so a
// failed write leaves the old file as it was. A failed read leaves the image empty.

#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

#include <memory>

namespace vexa_host {
struct RgbaImage;
}

class VEXA_API VImage {
public:
    VImage();
    ~VImage();
    VImage(const VImage& other);
    VImage& operator=(const VImage& other);

    // kFailure for a file that cannot be read or is not an image the host reads.
    VStatus readFromFile(const VString& pathName);
    // kInvalidParameter for an empty image or a format the host does not write; kFailure
    // when the file cannot be written.
    VStatus writeToFile(const VString& pathName, const VString& outputFormat = VString()) const;

    // A black, opaque image; kInvalidParameter for a size of 0, past 32768 on a side, or
    // past 512 MiB of pixels, or channels other than 4.
    VStatus create(unsigned width, unsigned height, unsigned channels = 4);
    // Copies width * height * 4 bytes (kInvalidParameter for a null pointer or a bad size).
    VStatus setPixels(const unsigned char* pixels, unsigned width, unsigned height);
    // kFailure when the image is empty.
    VStatus getSize(unsigned& width, unsigned& height) const;
    // Null when the image is empty.
    unsigned char* pixels();
    const unsigned char* pixels() const;
    unsigned depth() const { return 4; }  // bytes per pixel
    void release();

private:
    std::unique_ptr<vexa_host::RgbaImage> image_;
};

#endif
