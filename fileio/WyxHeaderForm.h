#ifndef WYX_FILEIO_WYXHEADERFORM_H
#define WYX_FILEIO_WYXHEADERFORM_H

// Which form of the WYX container a file is in, told from its first bytes alone (see the
// design note in RWyxFile.h): the ASCII form begins with ";WYX ASCII "; the binary forms
// begin with the 8-byte file mark, the 32-bit file version and the form byte (0 binary,
// 1 encrypted). Nothing beyond the bytes given is read.

#include <cstddef>

// The forms, numbered as the importer's WYX format ids are.
constexpr int kWyxFormAscii = 0;
constexpr int kWyxFormBinary = 1;
constexpr int kWyxFormEncrypted = 2;
constexpr int kWyxFormNone = -1;

// The bytes that tell every form.
constexpr std::size_t kWyxHeaderBytes = 16;

// The form of a file beginning with these bytes (size of them); kWyxFormNone when it is
// no WYX file or too short to tell. Null bytes tell nothing.
int RecognizeWyxHeader(const unsigned char* bytes, std::size_t size);

#endif
