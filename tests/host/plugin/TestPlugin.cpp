// A small plug-in for the host's tests: a translator for "tst" files and the commands it runs.
//
// A tst file starts with the line "# tst" and holds one line per transform: "name x y z".
// Reading it makes one transform per line; writing it lists every transform of the scene.
// The translator hands the work to the commands TestImport and TestExport with the flags
// -f (the file) and -caller "TestTranslator", as a real translator does. TestPluginFolder
// answers the folder of VEXA_PLUG_IN_PATH that holds this plug-in's file.
//
// Built as vexatestplugin.vll, and as vexaoldapiplugin.vll with VEXA_TEST_OLD_API (an
// interface version the host refuses). With VEXA_TEST_PLUGIN_FAIL set in the environment,
// initializePlugin registers its translator and then fails. VEXA_TEST_PLUGIN_THROW names a
// place where the plug-in throws: initializePlugin (after registering its translator),
// uninitializePlugin, createCommand, doIt (TestImport, after its first transform),
// createTranslator, reader, writer, or identifyFile (which throws an int, not a
// std::exception).
//
// The translator passes the file name to its command as a string literal of its own making,
// so that no file name can add words or statements to the command.

#include <vexa/VArgList.h>
#include <vexa/VDagPath.h>
#include <vexa/VFileObject.h>
#include <vexa/VFnPlugin.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VItDag.h>
#include <vexa/VPluginEntry.h>
#include <vexa/VPxCommand.h>
#include <vexa/VPxFileTranslator.h>
#include <vexa/VStringArray.h>

#include <dirent.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#ifdef VEXA_TEST_OLD_API
VEXA_PLUGIN_EXPORT const char VApiVersion[] = "400";
#else
VEXA_PLUGIN_EXPORT const char VApiVersion[] = "500";
#endif

// Not exported: the host must not see it.
extern "C" int vexaTestPluginHelper() { return 42; }

namespace {

const char* const kCaller = "TestTranslator";

void throwIfAsked(const char* place) {
    const char* value = std::getenv("VEXA_TEST_PLUGIN_THROW");
    if (value == nullptr || std::strcmp(value, place) != 0) return;
    if (std::strcmp(place, "identifyFile") == 0) throw 42;
    throw std::runtime_error(std::string(place) + " gave up");
}

// A text as a script string literal: double-quoted, with quotes, backslashes, line ends and
// tabs escaped, so that the interpreter reads back exactly the text.
std::string scriptString(const std::string& text) {
    std::string literal = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': literal += "\\\""; break;
        case '\\': literal += "\\\\"; break;
        case '\n': literal += "\\n"; break;
        case '\r': literal += "\\r"; break;
        case '\t': literal += "\\t"; break;
        default: literal += c; break;
        }
    }
    return literal + "\"";
}

VStatus runTranslatorCommand(const char* command, const VFileObject& file) {
    const std::string text = std::string(command) + " -f " + scriptString(file.fullName().asChar()) + " -caller " +
                             scriptString(kCaller);
    return VGlobal::executeCommand(VString(text.c_str()));
}

class TestTranslator : public VPxFileTranslator {
public:
    static void* create() {
        throwIfAsked("createTranslator");
        return new TestTranslator;
    }

    VStatus reader(const VFileObject& file, const VString&, FileAccessMode) override {
        throwIfAsked("reader");
        return runTranslatorCommand("TestImport", file);
    }
    VStatus writer(const VFileObject& file, const VString&, FileAccessMode) override {
        throwIfAsked("writer");
        return runTranslatorCommand("TestExport", file);
    }
    bool haveReadMethod() const override { return true; }
    bool haveWriteMethod() const override { return true; }
    VString defaultExtension() const override { return "tst"; }
    VFileKind identifyFile(const VFileObject&, const char* buffer, short size) const override {
        throwIfAsked("identifyFile");
        return size >= 5 && std::strncmp(buffer, "# tst", 5) == 0 ? kIsMyFileType : kNotMyFileType;
    }
};

// Reads "-f NAME" and "-caller NAME"; false (with the usage shown) when -f is missing.
bool readFlags(const VArgList& args, const char* command, VString& file, VString& caller) {
    for (unsigned i = 0; i + 1 < args.length(); ++i) {
        if (args.asString(i) == "-f") file = args.asString(i + 1);
        if (args.asString(i) == "-caller") caller = args.asString(i + 1);
    }
    if (file.isEmpty()) {
        VPxCommand::displayError(VString("Use syntax: ") + command + " -f \"filename\" [-caller name]");
        return false;
    }
    return true;
}

class TestImport : public VPxCommand {
public:
    static void* create() {
        throwIfAsked("createCommand");
        return new TestImport;
    }

    VStatus doIt(const VArgList& args) override {
        VString file;
        VString caller;
        if (!readFlags(args, "TestImport", file, caller)) return VStatus(VStatus::kFailure);
        std::ifstream in(file.asChar());
        std::string line;
        if (!in || !std::getline(in, line) || line != "# tst") {
            displayError("TestImport: not a tst file: " + file);
            return VStatus(VStatus::kFailure);
        }
        int count = 0;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string name;
            double x = 0.0, y = 0.0, z = 0.0;
            if (!(words >> name >> x >> y >> z)) continue;
            VFnTransform transform;
            transform.create();
            transform.setName(VString(name.c_str()));
            transform.setTranslation(VVector(x, y, z), VSpace::kTransform);
            ++count;
            throwIfAsked("doIt");
        }
        const VString who = caller.isEmpty() ? VString("user") : caller;
        displayInfo(VString("TestImport read ") + count + " transforms for " + who);
        setResult(VString("imported ") + count + " from " + who);
        return VStatus();
    }
};

class TestExport : public VPxCommand {
public:
    static void* create() { return new TestExport; }

    VStatus doIt(const VArgList& args) override {
        VString file;
        VString caller;
        if (!readFlags(args, "TestExport", file, caller)) return VStatus(VStatus::kFailure);
        std::ofstream out(file.asChar());
        out << "# tst\n";
        int count = 0;
        for (VItDag it(VItDag::kDepthFirst, VFn::kTransform); !it.isDone(); it.next()) {
            VDagPath path;
            it.getPath(path);
            VFnTransform transform(path);
            const VVector t = transform.translation(VSpace::kTransform);
            out << transform.name().asChar() << " " << t.x << " " << t.y << " " << t.z << "\n";
            ++count;
        }
        setResult(VString("exported ") + count + " from " + caller);
        return out ? VStatus() : VStatus(VStatus::kFailure);
    }
};

class TestPluginFolder : public VPxCommand {
public:
    static void* create() { return new TestPluginFolder; }

    VStatus doIt(const VArgList&) override {
        const char* value = std::getenv("VEXA_PLUG_IN_PATH");
        VStringArray folders;
        VString(value).split(';', folders);
        for (const VString& folder : folders) {
            DIR* directory = opendir(folder.asChar());
            if (directory == nullptr) continue;
            bool found = false;
            while (dirent* entry = readdir(directory)) found = found || std::strcmp(entry->d_name, "vexatestplugin.vll") == 0;
            closedir(directory);
            if (found) {
                setResult(folder);
                return VStatus();
            }
        }
        displayError("TestPluginFolder: not found in VEXA_PLUG_IN_PATH");
        return VStatus(VStatus::kNotFound);
    }
};

const char* const kCommands[] = {"TestImport", "TestExport", "TestPluginFolder"};
VFnPlugin::CommandCreator const kCreators[] = {TestImport::create, TestExport::create, TestPluginFolder::create};

}  // namespace

VStatus initializePlugin(VObject plugin) {
    VFnPlugin functions(plugin, "Vexa tests", "1.0", "5.0");
    VStatus status = functions.registerFileTranslator("TestFormat", "", TestTranslator::create);
    if (!status) {
        status.perror("registerFileTranslator");
        return status;
    }
    if (std::getenv("VEXA_TEST_PLUGIN_FAIL") != nullptr) return VStatus(VStatus::kFailure, "asked to fail");
    throwIfAsked("initializePlugin");
    for (size_t i = 0; i < 3; ++i) functions.registerCommand(kCommands[i], kCreators[i]);
    return status;
}

VStatus uninitializePlugin(VObject plugin) {
    throwIfAsked("uninitializePlugin");
    VFnPlugin functions(plugin);
    VStatus status = functions.deregisterFileTranslator("TestFormat");
    if (!status) {
        status.perror("deregisterFileTranslator");
        return status;
    }
    for (const char* command : kCommands) functions.deregisterCommand(command);
    VGlobal::displayInfo("test plug-in unloaded");
    return status;
}
