#ifndef WYX_TESTS_SUPPORT_SCRATCHFOLDER_H
#define WYX_TESTS_SUPPORT_SCRATCHFOLDER_H

// Test helpers: a private temporary folder removed with everything in it at the end of the
// test, and an environment variable set for the length of a test.

#include "platform/NativeFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

class ScratchFolder {
public:
    ScratchFolder() : path_(platform::CreateTempFolder(nullptr, "wyx-test-")) {}
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    // The folder, '/', then name.
    std::string Join(const std::string& name) const { return path_ + "/" + name; }

    // Writes a file with exactly these bytes; answers its path.
    std::string WriteFile(const std::string& name, const std::string& bytes) const {
        const std::string path = Join(name);
        if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
        return path;
    }

    static std::string ReadFile(const std::string& path) {
        std::string bytes;
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            char chunk[4096];
            std::size_t got;
            while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
                bytes.append(chunk, got);
            }
            std::fclose(file);
        }
        return bytes;
    }

private:
    std::string path_;
};

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : ScopedEnvironment(name, value.c_str()) {}
    // A null value unsets the variable while this lives.
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            hadOld_ = true;
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (hadOld_) {
            ::setenv(name_.c_str(), old_.c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadOld_ = false;
};

#endif
