#include "plugin/ImportSessionCache.h"

#include "hostimport/WyxVexaImportSession.h"

#include <memory>

namespace {

struct ImportSessionCache {
    std::unique_ptr<WyxVexaImportSession> session;
    VString fileName;
};

ImportSessionCache& Cache() {
    static ImportSessionCache cache;
    return cache;
}

}  // namespace

WyxVexaImportSession* CachedImportSession() { return Cache().session.get(); }

WyxVexaImportSession& CacheNewImportSession() {
    Cache().session.reset();
    Cache().session = std::make_unique<WyxVexaImportSession>();
    return *Cache().session;
}

void ReleaseCachedImportSession() { Cache().session.reset(); }

const VString& CachedImportFileName() { return Cache().fileName; }

void SetCachedImportFileName(const VString& name) { Cache().fileName = name; }
