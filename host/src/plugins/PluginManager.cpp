#include "host/src/plugins/PluginManager.h"

#include "host/src/script/CommandEngine.h"
#include "host/src/script/PluginCall.h"

#include <vexa/VFnPlugin.h>
#include <vexa/VMessageLog.h>
#include <vexa/VObject.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vexa_host {

namespace {

using EntryPoint = VStatus (*)(VObject);

constexpr const char* kSearchPathVariable = "VEXA_PLUG_IN_PATH";
constexpr int kLowestApiVersion = 500;
constexpr int kHighestApiVersion = 599;

bool isFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::string> searchFolders() {
    std::vector<std::string> folders;
    const char* value = std::getenv(kSearchPathVariable);
    const std::string text = value != nullptr ? value : "";
    size_t begin = 0;
    while (begin <= text.size()) {
        const size_t end = text.find(';', begin);
        const std::string folder = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (!folder.empty()) folders.push_back(folder);
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    return folders;
}

std::string absolutePath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string stemOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// "500" .. "599": three digits within the range this host serves.
bool supportedApiVersion(const char* text) {
    if (text == nullptr || strnlen(text, 8) != 3) return false;
    for (int i = 0; i < 3; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    const int version = std::atoi(text);
    return version >= kLowestApiVersion && version <= kHighestApiVersion;
}

}  // namespace

PluginManager& PluginManager::instance() {
    static PluginManager manager;
    return manager;
}

// A bare name is looked for on the search path only, never in the current folder: a plug-in is
// native code, and whatever folder the user stands in must not decide which code runs.
std::string PluginManager::resolve(const std::string& pathOrName, std::string& error) const {
    if (pathOrName.find('/') != std::string::npos) {
        if (isFile(pathOrName)) return pathOrName;
        error = "plug-in not found: " + pathOrName;
        return std::string();
    }
    const std::vector<std::string> folders = searchFolders();
    std::string searched;
    for (const std::string& folder : folders) {
        for (const std::string& candidate : {folder + "/" + pathOrName, folder + "/" + pathOrName + ".vll"}) {
            if (isFile(candidate)) return candidate;
        }
        searched += (searched.empty() ? "" : ", ") + folder;
    }
    error = "plug-in not found: " + pathOrName + (folders.empty() ? std::string(" (") + kSearchPathVariable + " names no folder)"
                                                                  : " (searched " + searched + ")");
    return std::string();
}

void PluginManager::addToSearchPath(const std::string& folder) const {
    const std::vector<std::string> folders = searchFolders();
    if (std::find(folders.begin(), folders.end(), folder) != folders.end()) return;
    const char* value = std::getenv(kSearchPathVariable);
    std::string text = value != nullptr ? value : "";
    text += (text.empty() ? "" : ";") + folder;
    setenv(kSearchPathVariable, text.c_str(), 1);
}

VStatus PluginManager::load(const std::string& pathOrName, std::string& loadedName) {
    std::string error;
    const std::string path = resolve(pathOrName, error);
    if (path.empty()) return VStatus(VStatus::kNotFound, error);
    const std::string name = stemOf(path);
    if (isLoaded(name)) return VStatus(VStatus::kFailure, "the plug-in " + name + " is already loaded");
    auto record = std::make_shared<PluginRecord>();
    record->name = name;
    record->path = path;
    record->folder = absolutePath(path.substr(0, path.rfind('/')));
    if (manageSearchPath_) addToSearchPath(record->folder);

    record->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (record->handle == nullptr) {
        const char* error = dlerror();
        return VStatus(VStatus::kFailure, "cannot load " + path + ": " + (error != nullptr ? error : "unknown error"));
    }
    const auto* apiVersion = static_cast<const char*>(dlsym(record->handle, "VApiVersion"));
    void* initialize = dlsym(record->handle, "initializePlugin");
    record->uninitialize = dlsym(record->handle, "uninitializePlugin");
    if (apiVersion == nullptr || initialize == nullptr || record->uninitialize == nullptr) {
        dlclose(record->handle);
        return VStatus(VStatus::kFailure, path + " is not a Vexa plug-in (an entry point is missing)");
    }
    if (!supportedApiVersion(apiVersion)) {
        dlclose(record->handle);
        return VStatus(VStatus::kFailure, path + " was built for another version of the host interface");
    }
    plugins_.push_back(record);
    VStatus status;
    const VStatus call = callPlugin("initializePlugin of " + name,
                                    [&] { status = reinterpret_cast<EntryPoint>(initialize)(VObject(record)); });
    if (!call) {
        plugins_.pop_back();
        close(record);
        return call;
    }
    if (!status) {
        plugins_.pop_back();
        close(record);
        return VStatus(status.statusCode(), "initializePlugin of " + name + " failed: " + status.errorString().str());
    }
    loadedName = name;
    return VStatus();
}

VStatus PluginManager::unload(const std::string& name, bool force) {
    auto it = std::find_if(plugins_.begin(), plugins_.end(),
                           [&name](const std::shared_ptr<PluginRecord>& record) { return record->name == name; });
    if (it == plugins_.end()) return VStatus(VStatus::kNotFound, "the plug-in " + name + " is not loaded");
    std::shared_ptr<PluginRecord> record = *it;
    VStatus status;
    const VStatus call = callPlugin("uninitializePlugin of " + name,
                                    [&] { status = reinterpret_cast<EntryPoint>(record->uninitialize)(VObject(record)); });
    if (!call) {
        status = call;
    } else if (!status) {
        status = VStatus(status.statusCode(), "uninitializePlugin of " + name + " failed: " + status.errorString().str());
    }
    if (!status && !force) return status;
    plugins_.erase(std::find(plugins_.begin(), plugins_.end(), record));
    close(record);
    return status;
}

void PluginManager::unloadAll() {
    while (!plugins_.empty()) {
        const VStatus status = unload(plugins_.back()->name, true);
        if (!status) VMessageLog::add(VMessageLog::kError, status.errorString());
    }
}

void PluginManager::close(const std::shared_ptr<PluginRecord>& record) {
    dropRegistrations(*record);
    if (record->handle != nullptr) dlclose(record->handle);
    record->handle = nullptr;
    record->uninitialize = nullptr;
}

void PluginManager::dropRegistrations(const PluginRecord& record) {
    CommandEngine& engine = CommandEngine::instance();
    for (const std::string& command : engine.commandsOf(&record)) {
        VMessageLog::add(VMessageLog::kWarning, VString("the plug-in " + record.name + " left the command " + command +
                                                        " registered; it is removed"));
        engine.deregisterPluginCommand(command, &record);
    }
    const auto owned = [&record](const TranslatorEntry& entry) { return entry.owner == &record; };
    for (const TranslatorEntry& entry : translators_) {
        if (owned(entry)) {
            VMessageLog::add(VMessageLog::kWarning, VString("the plug-in " + record.name + " left the translator " +
                                                            entry.name + " registered; it is removed"));
        }
    }
    translators_.erase(std::remove_if(translators_.begin(), translators_.end(), owned), translators_.end());
}

bool PluginManager::isLoaded(const std::string& name) const {
    return std::any_of(plugins_.begin(), plugins_.end(),
                       [&name](const std::shared_ptr<PluginRecord>& record) { return record->name == name; });
}

std::vector<std::string> PluginManager::loadedNames() const {
    std::vector<std::string> names;
    for (const auto& record : plugins_) names.push_back(record->name);
    return names;
}

VObject PluginManager::pluginObject(const std::string& name) const {
    for (const auto& record : plugins_) {
        if (record->name == name) return VObject(record);
    }
    return VObject();
}

VStatus PluginManager::registerTranslator(const PluginRecord& owner, const std::string& name,
                                          VFnPlugin::TranslatorCreator creator) {
    if (name.empty() || creator == nullptr) return VStatus(VStatus::kInvalidParameter, "a translator needs a name and a creator");
    const bool taken = std::any_of(translators_.begin(), translators_.end(),
                                   [&name](const TranslatorEntry& entry) { return entry.name == name; });
    if (taken) return VStatus(VStatus::kFailure, "the translator " + name + " exists");
    translators_.push_back({name, &owner, creator});
    return VStatus();
}

VStatus PluginManager::deregisterTranslator(const PluginRecord& owner, const std::string& name) {
    auto it = std::find_if(translators_.begin(), translators_.end(), [&](const TranslatorEntry& entry) {
        return entry.name == name && entry.owner == &owner;
    });
    if (it == translators_.end()) return VStatus(VStatus::kFailure, "the translator " + name + " is not registered by this plug-in");
    translators_.erase(it);
    return VStatus();
}

VStatus PluginManager::make(const TranslatorEntry& entry, std::unique_ptr<VPxFileTranslator>& translator) {
    translator.reset();
    const VStatus status = callPlugin("the creator of the translator " + entry.name, [&] {
        translator.reset(static_cast<VPxFileTranslator*>(entry.creator()));
    });
    if (status && !translator) return VStatus(VStatus::kFailure, "the translator " + entry.name + " could not be made");
    return status;
}

}  // namespace vexa_host
