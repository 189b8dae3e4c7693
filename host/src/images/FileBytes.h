#ifndef VEXA_HOST_FILEBYTES_H
#define VEXA_HOST_FILEBYTES_H

// Whole files read into memory and written in one piece.
//
// A write never leaves a partial file: the bytes go to a new temporary file made with mkstemp
// beside the target (a name nobody can have guessed or taken), are flushed to disk, and the
// temporary file is then renamed over the target. A target that is a symbolic link has the
// file it points to replaced. On failure the temporary file is removed and the target is as
// it was.

#include <vexa/VStatus.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vexa_host {

// kFailure when the file cannot be read, is not a regular file or is larger than maxBytes; a
// named pipe, a device or a folder is refused at once, without waiting for anything to come.
VStatus readFileBytes(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes);
VStatus replaceFileWith(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace vexa_host

#endif
