#ifndef VEXA_HOST_PLUGINMANAGER_H
#define VEXA_HOST_PLUGINMANAGER_H

// Loading and unloading plug-ins, and the file translators they register.
//
// Loading: the module is opened (dlopen, its symbols kept local), its VApiVersion checked (a
// 5.x version, "500" to "599"), its initializePlugin called with the plug-in's object; a
// failed initialisation unloads it again and drops whatever it registered. Unloading calls
// uninitializePlugin; a failure keeps the plug-in loaded unless the unload is forced (at
// exit), which drops its remaining registrations and closes it all the same.
//
// A plug-in named without a folder is looked for in the folders of VEXA_PLUG_IN_PATH (";"
// between folders), as NAME or NAME.vll, and nowhere else (not in the current folder); a name
// with a "/" is a path, loaded as given. Not found is kNotFound naming the folders searched.
// When the host manages that variable (the shell does, unless the user set it), the folder of
// every plug-in loaded is added to it before the plug-in initialises, so that the plug-in can
// find its own folder there.
//
// Every call into the plug-in goes through callPlugin (PluginCall.h): an entry point that throws
// fails as one that answers a failing status does. The forced unloads at exit log their failures.

#include "host/src/scene/ObjectRecord.h"

#include <vexa/VFnPlugin.h>
#include <vexa/VObject.h>
#include <vexa/VPxFileTranslator.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <memory>
#include <string>
#include <vector>

namespace vexa_host {

class VEXA_API PluginRecord : public ObjectRecord {
public:
    VFn::Type apiType() const override { return VFn::kPlugin; }
    bool hasFn(VFn::Type type) const override { return type == VFn::kPlugin || type == VFn::kBase; }
    const char* apiTypeName() const override { return "plugin"; }

    std::string name;    // the file name without folder and extension
    std::string path;    // as opened
    std::string folder;  // absolute, without the trailing "/"
    std::string vendor = "Unknown";
    std::string version = "Unknown";
    std::string apiVersion = "Any";
    bool described = false;  // vendor and version were given
    void* handle = nullptr;
    void* uninitialize = nullptr;
};

struct TranslatorEntry {
    std::string name;
    const PluginRecord* owner = nullptr;
    VFnPlugin::TranslatorCreator creator = nullptr;
};

class VEXA_API PluginManager {
public:
    static PluginManager& instance();

    VStatus load(const std::string& pathOrName, std::string& loadedName);
    VStatus unload(const std::string& name, bool force = false);
    // Unloads every plug-in, the last loaded first, forcing each.
    void unloadAll();
    bool isLoaded(const std::string& name) const;
    std::vector<std::string> loadedNames() const;
    // The object of a loaded plug-in (for VFnPlugin), or the null object.
    VObject pluginObject(const std::string& name) const;
    void setManageSearchPath(bool manage) { manageSearchPath_ = manage; }

    VStatus registerTranslator(const PluginRecord& owner, const std::string& name, VFnPlugin::TranslatorCreator creator);
    VStatus deregisterTranslator(const PluginRecord& owner, const std::string& name);
    const std::vector<TranslatorEntry>& translators() const { return translators_; }
    // A new translator made by the entry's creator; kFailure (and null) when the creator gives
    // none or throws.
    static VStatus make(const TranslatorEntry& entry, std::unique_ptr<VPxFileTranslator>& translator);

private:
    PluginManager() = default;
    std::string resolve(const std::string& pathOrName, std::string& error) const;
    void addToSearchPath(const std::string& folder) const;
    void dropRegistrations(const PluginRecord& record);
    void close(const std::shared_ptr<PluginRecord>& record);

    std::vector<std::shared_ptr<PluginRecord>> plugins_;
    std::vector<TranslatorEntry> translators_;
    bool manageSearchPath_ = false;
};

}  // namespace vexa_host

#endif
