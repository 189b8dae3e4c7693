#ifndef WYX_HOSTEXPORT_TEXTUREIMAGEBRIDGE_H
#define WYX_HOSTEXPORT_TEXTUREIMAGEBRIDGE_H

// Texture images through the host's own image reader and writer (VImage), for the picture
// formats the file framework cannot read itself. Two callbacks are registered, by file
// extension, on an image converter of a factory (RImageConverter): one for TIFF files and one
// for every other picture format the host may know.
//
// Export (direction 0): a picture to be embedded is read by the host into the image buffer and
// the file name replaced by a new temporary TIFF ("texfile...tif" in the temporary folder,
// created under its unique name), which the framework then writes and owns. With
// kExportConvert_2Tiff off every picture keeps its own file; with it on every picture is
// converted, except TIFFs that are compressed already.
//
// Import (direction 1): an image the framework decoded is written back. A TIFF source goes
// out as an uncompressed TIFF under the given file name; a picture of another format goes out
// in its own format beside it, named after the source's base name only (a name stored in a
// file never points into another folder), through a temporary TIFF that is removed on every
// road. The file name then names the picture.
//
// A callback answers 0 when it converted, anything else when it did not: a picture the host
// cannot read or write, an extension it does not know, a name without a base name. The file
// name changes only on success.

#include "core/RString.h"

class RImageBuffer;
class RWyxObjectFactory;

// Makes an image converter on the factory (none for null) and registers both callbacks.
void RegisterTextureImageBridge(RWyxObjectFactory* factory);

// The callback of the other picture formats, and the TIFF callback.
int ConvertPictureImage(int direction, RString& fileName, RImageBuffer& buffer);
int ConvertTiffImage(int direction, RString& fileName, RImageBuffer& buffer);

#endif
