#include <vexa/VFnPlugin.h>

#include "host/src/plugins/PluginManager.h"
#include "host/src/script/CommandEngine.h"

using namespace vexa_host;

namespace {

PluginRecord* pluginOf(const VObject& object) {
    auto* record = dynamic_cast<PluginRecord*>(object.record().get());
    return record != nullptr && record->handle != nullptr ? record : nullptr;
}

VStatus noPlugin() { return VStatus(VStatus::kInvalidParameter, "the function set has no loaded plug-in"); }

}  // namespace

VFnPlugin::VFnPlugin(const VObject& plugin, const char* vendor, const char* version, const char* requiredApiVersion,
                     VStatus* status) {
    VStatus result = VFnPlugin::setObject(plugin);
    if (status != nullptr) *status = result;
    PluginRecord* record = pluginOf(object_);
    if (record == nullptr || record->described) return;
    // uninitializePlugin builds the function set with "Unknown"; only a real description counts.
    const std::string vendorText = vendor != nullptr ? vendor : "Unknown";
    if (vendorText == "Unknown") return;
    record->vendor = vendorText;
    record->version = version != nullptr ? version : "Unknown";
    record->apiVersion = requiredApiVersion != nullptr ? requiredApiVersion : "Any";
    record->described = true;
}

VStatus VFnPlugin::setObject(const VObject& object) {
    if (pluginOf(object) == nullptr) {
        object_ = VObject();
        return noPlugin();
    }
    object_ = object;
    return VStatus();
}

VString VFnPlugin::name(VStatus* status) const {
    PluginRecord* record = pluginOf(object_);
    if (status != nullptr) *status = record != nullptr ? VStatus() : noPlugin();
    return record != nullptr ? VString(record->name) : VString();
}

VString VFnPlugin::vendor(VStatus* status) const {
    PluginRecord* record = pluginOf(object_);
    if (status != nullptr) *status = record != nullptr ? VStatus() : noPlugin();
    return record != nullptr ? VString(record->vendor) : VString();
}

VString VFnPlugin::version(VStatus* status) const {
    PluginRecord* record = pluginOf(object_);
    if (status != nullptr) *status = record != nullptr ? VStatus() : noPlugin();
    return record != nullptr ? VString(record->version) : VString();
}

VString VFnPlugin::apiVersion(VStatus* status) const {
    PluginRecord* record = pluginOf(object_);
    if (status != nullptr) *status = record != nullptr ? VStatus() : noPlugin();
    return record != nullptr ? VString(record->apiVersion) : VString();
}

VString VFnPlugin::loadPath(VStatus* status) const {
    PluginRecord* record = pluginOf(object_);
    if (status != nullptr) *status = record != nullptr ? VStatus() : noPlugin();
    return record != nullptr ? VString(record->folder) : VString();
}

VStatus VFnPlugin::registerCommand(const VString& name, CommandCreator creator, SyntaxCreator) {
    PluginRecord* record = pluginOf(object_);
    if (record == nullptr) return noPlugin();
    return CommandEngine::instance().registerPluginCommand(name.str(), creator, record);
}

VStatus VFnPlugin::deregisterCommand(const VString& name) {
    PluginRecord* record = pluginOf(object_);
    if (record == nullptr) return noPlugin();
    return CommandEngine::instance().deregisterPluginCommand(name.str(), record);
}

VStatus VFnPlugin::registerFileTranslator(const VString& name, const char*, TranslatorCreator creator, const char*,
                                          const char*, bool) {
    PluginRecord* record = pluginOf(object_);
    if (record == nullptr) return noPlugin();
    return PluginManager::instance().registerTranslator(*record, name.str(), creator);
}

VStatus VFnPlugin::deregisterFileTranslator(const VString& name) {
    PluginRecord* record = pluginOf(object_);
    if (record == nullptr) return noPlugin();
    return PluginManager::instance().deregisterTranslator(*record, name.str());
}
