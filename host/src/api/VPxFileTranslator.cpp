#include <vexa/VPxFileTranslator.h>

VPxFileTranslator::~VPxFileTranslator() = default;

VStatus VPxFileTranslator::reader(const VFileObject&, const VString&, FileAccessMode) {
    return VStatus(VStatus::kNotImplemented, "the translator cannot read");
}

VStatus VPxFileTranslator::writer(const VFileObject&, const VString&, FileAccessMode) {
    return VStatus(VStatus::kNotImplemented, "the translator cannot write");
}

bool VPxFileTranslator::haveReadMethod() const { return false; }
bool VPxFileTranslator::haveWriteMethod() const { return false; }
bool VPxFileTranslator::haveNamespaceSupport() const { return false; }
VString VPxFileTranslator::defaultExtension() const { return VString(); }

VString VPxFileTranslator::filter() const {
    const VString extension = defaultExtension();
    return extension.isEmpty() ? VString("*.*") : "*." + extension;
}

bool VPxFileTranslator::canBeOpened() const { return true; }

VPxFileTranslator::VFileKind VPxFileTranslator::identifyFile(const VFileObject&, const char*, short) const {
    return kNotMyFileType;
}
