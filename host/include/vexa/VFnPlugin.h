#ifndef VEXA_VFNPLUGIN_H
#define VEXA_VFNPLUGIN_H

// The function set of a loaded plug-in: what initializePlugin registers and
// uninitializePlugin takes back. A name can be registered once in the whole host; a plug-in
// can only deregister what it registered itself (kFailure otherwise).
//
// This interface is version kApiVersion ("500", 5.0): the host loads plug-ins whose VApiVersion
// is a 5.x version ("500" to "599").

#include <vexa/VFnBase.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

class VPxCommand;
class VPxFileTranslator;

class VEXA_API VFnPlugin : public VFnBase {
public:
    using CommandCreator = void* (*)();
    using SyntaxCreator = void* (*)();
    using TranslatorCreator = void* (*)();
    static constexpr const char* kApiVersion = "500";

    VFnPlugin() = default;
    // vendor, version and required API version are kept for the plug-in listing; only the
    // first construction for a plug-in sets them (uninitializePlugin passes "Unknown").
    VFnPlugin(const VObject& plugin, const char* vendor = "Unknown", const char* version = "Unknown",
              const char* requiredApiVersion = "Any", VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kPlugin; }
    VStatus setObject(const VObject& object) override;

    VString name(VStatus* status = nullptr) const;
    VString vendor(VStatus* status = nullptr) const;
    VString version(VStatus* status = nullptr) const;
    VString apiVersion(VStatus* status = nullptr) const;
    VString loadPath(VStatus* status = nullptr) const;  // the plug-in's folder

    // The creators return a new VPxCommand / VPxFileTranslator (as void*), or null.
    VStatus registerCommand(const VString& name, CommandCreator creator, SyntaxCreator syntax = nullptr);
    VStatus deregisterCommand(const VString& name);
    VStatus registerFileTranslator(const VString& name, const char* pixmapName, TranslatorCreator creator,
                                   const char* optionsScript = nullptr, const char* defaultOptions = nullptr,
                                   bool requiresFullScript = false);
    VStatus deregisterFileTranslator(const VString& name);
};

#endif
