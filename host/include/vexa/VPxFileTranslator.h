#ifndef VEXA_VPXFILETRANSLATOR_H
#define VEXA_VPXFILETRANSLATOR_H

// The base of file translators that plug-ins add to the host's "file" command. The host makes
// one instance per use through the creator the plug-in registered and deletes it afterwards.
//
// "file -import NAME" asks every translator with a reader, in registration order, to identify
// the file (first bytes of the file in the buffer): the first kIsMyFileType wins, else the
// first kCouldBeMyFileType. "file -export NAME" takes the translator with a writer whose
// default extension is NAME's extension. "-type NAME" on either names the translator.
//
// A translator method that throws fails its use: a throwing reader or writer fails the "file"
// command, a throwing identifyFile or capability method counts as a no; the exception's text
// goes to the message log.
//
// The base answers: no reader, no writer, no namespace support, an empty default extension,
// the filter "*.<default extension>" ("*.*" without one), can be opened, kNotMyFileType.

#include <vexa/VFileObject.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

class VEXA_API VPxFileTranslator {
public:
    enum FileAccessMode {
        kUnknownAccessMode = 0, kOpenAccessMode = 1, kSaveAccessMode = 2, kImportAccessMode = 3,
        kReferenceAccessMode = 4, kExportAccessMode = 5, kExportActiveAccessMode = 6,
    };
    enum VFileKind { kIsMyFileType = 0, kCouldBeMyFileType = 1, kNotMyFileType = 2 };

    VPxFileTranslator() = default;
    virtual ~VPxFileTranslator();
    VPxFileTranslator(const VPxFileTranslator&) = delete;
    VPxFileTranslator& operator=(const VPxFileTranslator&) = delete;

    virtual VStatus reader(const VFileObject& file, const VString& options, FileAccessMode mode);
    virtual VStatus writer(const VFileObject& file, const VString& options, FileAccessMode mode);
    virtual bool haveReadMethod() const;
    virtual bool haveWriteMethod() const;
    virtual bool haveNamespaceSupport() const;
    virtual VString defaultExtension() const;
    virtual VString filter() const;
    virtual bool canBeOpened() const;
    virtual VFileKind identifyFile(const VFileObject& file, const char* buffer, short size) const;
};

#endif
