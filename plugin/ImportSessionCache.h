#ifndef WYX_PLUGIN_IMPORTSESSIONCACHE_H
#define WYX_PLUGIN_IMPORTSESSIONCACHE_H

// The import session that WYXImport, WYXRead and the take queries share between runs, and the
// name of the file it was opened on. One per process: made when a command opens a file,
// deleted at the end of every import, on a failure and when another file is named.

#include <vexa/VString.h>

class WyxVexaImportSession;

// Null when none is cached.
WyxVexaImportSession* CachedImportSession();
// A new session in the cache, the one there before deleted.
WyxVexaImportSession& CacheNewImportSession();
// Deletes the cached session; the file name stays.
void ReleaseCachedImportSession();

const VString& CachedImportFileName();
void SetCachedImportFileName(const VString& name);

#endif
