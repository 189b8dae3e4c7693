#include <vexa/VFileObject.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

void VFileObject::setRawFullName(const VString& name) { raw_ = name; }

VString VFileObject::fullName() const {
    std::string name = raw_.str();
    if (name.empty() || name.front() == '/') return VString(name);
    char folder[4096];
    if (getcwd(folder, sizeof(folder)) == nullptr) return VString(name);
    std::string base = folder;
    if (base.back() != '/') base += '/';
    if (name.compare(0, 2, "./") == 0) name = name.substr(2);
    return VString(base + name);
}

VString VFileObject::name() const {
    const std::string& full = raw_.str();
    const size_t slash = full.rfind('/');
    return VString(slash == std::string::npos ? full : full.substr(slash + 1));
}

VString VFileObject::path() const {
    const std::string full = fullName().str();
    const size_t slash = full.rfind('/');
    return VString(slash == std::string::npos ? std::string() : full.substr(0, slash + 1));
}

bool VFileObject::exists() const {
    struct stat info;
    return stat(fullName().asChar(), &info) == 0;
}
