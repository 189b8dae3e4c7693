#ifndef WYX_CORE_FILEPATHS_H
#define WYX_CORE_FILEPATHS_H

// The process-wide folder strings and the SDK's functions on file names.
//
// Paths are UTF-8 texts in which both '/' and '\' separate components; the functions that
// build paths join components with '\', as Windows peers write them. A path is rooted when it
// names a drive (it holds ':'), begins with two backslashes (a network share), or begins with
// a single separator (the top of this file system: "/home/x" and "\home\x" name the same
// place). Results go to an `out` string; every function may be given its own output's text
// as input. Path functions never fail: they answer empty texts where nothing fits.

#include "core/RString.h"

#include <cstdio>

// The application folder (the plug-in's own folder, with its trailing separator); the log
// file is made in it. Empty until set.
void SetApplicationPath(const char* path);
const char* GetApplicationPath();

// The settings folder that the ini files lie in. Nothing in the system sets it, so it stays
// empty and ini paths begin with "/"; tests and the plug-in may point it somewhere real.
void SetTempPath(const char* path);
const char* GetTempPath();

// A new, empty file with a unique name in folder (the temporary folder when folder is not
// one), named with prefix and ending with suffix (null: nothing). The file is created under
// its name, so no other process can take it first; the caller removes it when done. Empty
// when it cannot be created.
RString TempFileName(const char* folder, const char* prefix, const char* suffix = nullptr);

// A relative path (see IsRelativePath) joined to folder, with '/' between them unless the
// folder ends in a separator; any other path alone. The result is normalised. A null
// folder counts as empty.
void MakeAbsolutePath(RString& out, const char* folder, const char* path);

// Removes the text from the last '.' when it lies after every separator, then appends
// extension unchanged (no '.' is added).
void ChangeFileExtension(RString& out, const char* path, const char* extension);

// The part after the last separator; without keepExtension the text from its last '.' is
// removed too.
void GetFileName(RString& out, const char* path, bool keepExtension);

// The text after the last '.' when it lies after every separator; else empty.
void GetFileExtension(RString& out, const char* path);

// The part before the last separator; empty when there is none.
void GetFileDirectory(RString& out, const char* path);

// The root of a path: up to and including the last ':' when it holds one; for a path of
// more than two characters beginning with two equal separators, the text before its fourth
// separator (the whole path when it has fewer); for a path beginning with one separator,
// that separator; else empty.
void GetPathRoot(RString& out, const char* path);

// False for null and for rooted paths; true otherwise.
bool IsRelativePath(const char* path);

// The current folder, absolute.
void GetCurrentDirectoryPath(RString& out);

// Makes sure the folder part of path exists, creating each missing level from the top
// down. True when it exists at the end.
bool CreateDirectoryPath(const char* path);

// Splits at separators, removes "." components and resolves ".." against the components
// before it. A rooted path keeps its root: a drive "C:" gives "C:\...", a share gives
// "\\...", the top of the file system gives "\..."; climbing above the root gives the empty
// text, and a root alone gives the root and '\'. A relative path keeps the ".." it cannot
// resolve at its front. Components are joined with '\'; no components give the empty text.
void NormalizePath(RString& out, const char* path);

// The path of the file toPath seen from the folder of the file fromPath, both first made
// absolute: "../" for each folder of fromPath below their common folders, then each
// remaining folder of toPath with '/', then toPath's file name. When the roots differ, the
// absolute toPath.
void MakeRelativePath(RString& out, const char* fromPath, const char* toPath);

// filePath's folder (the current folder when it has none) made relative to basePath with
// MakeRelativePath, then joined with the file's name.
void MakeRelativeFilePath(RString& out, const char* basePath, const char* filePath);

// False for null or empty; true when the file opens for reading.
bool FileExists(const char* path);

// Reads one line into buffer: bytes up to and including the line end (LF, CR, or CR LF as
// two bytes), or size - 1 bytes when the line is longer; the buffer is always terminated.
// A CR that is the last byte to fit takes its LF along from the file, so a CR LF split at
// the buffer's edge never yields an extra empty line. Null when nothing was read (end of
// file), for a null buffer or file, and for a size below 2.
char* ReadLine(char* buffer, int size, std::FILE* file);

// Opens name with a C runtime mode; true when it opened (file then set, else null).
bool OpenFileUtf8(std::FILE*& file, const char* name, const char* mode);

// Removes a file; true when it was removed.
bool RemoveFile(const char* path);

#endif
