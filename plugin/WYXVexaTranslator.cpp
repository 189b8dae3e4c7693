#include "plugin/WYXVexaTranslator.h"

#include "plugin/PluginBoundary.h"
#include "plugin/ScriptText.h"

#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>

#include <new>

namespace {

VStatus RunTranslatorCommand(const char* command, const VFileObject& file) {
    VStringArray results;
    return VGlobal::executeCommand(WYXVexaTranslator::CommandText(command, file), results, false, false);
}

}  // namespace

void* WYXVexaTranslator::Create() {
    VPxFileTranslator* translator = new (std::nothrow) WYXVexaTranslator;
    return translator;
}

VString WYXVexaTranslator::CommandText(const char* command, const VFileObject& file) {
    return VString(command) + " -f " + QuotedScriptText(file.fullName()) + " -caller " + QuotedScriptText(kCaller);
}

VStatus WYXVexaTranslator::reader(const VFileObject& file, const VString&, FileAccessMode) {
    return GuardHostCall("Wyx reader", [&] { return RunTranslatorCommand("WYXImport", file); });
}

VStatus WYXVexaTranslator::writer(const VFileObject& file, const VString&, FileAccessMode) {
    return GuardHostCall("Wyx writer", [&] { return RunTranslatorCommand("WYXExport", file); });
}

VPxFileTranslator::VFileKind WYXVexaTranslator::identifyFile(const VFileObject& file, const char*, short) const {
    return GuardHostValue("Wyx identifyFile", kNotMyFileType, [&] {
        return file.name().toLowerCase().indexOf(defaultExtension()) > 0 ? kIsMyFileType : kNotMyFileType;
    });
}
