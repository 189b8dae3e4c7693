#ifndef WYX_TESTS_SUPPORT_COMMALOCALE_H
#define WYX_TESTS_SUPPORT_COMMALOCALE_H

// Switches LC_NUMERIC, for the length of a test, to a locale whose decimal point is a comma,
// so that tests can check that number texts do not depend on the process locale. When no
// such locale is installed, one is compiled with localedef into a scratch folder.

#include "tests/support/ScratchFolder.h"

#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>

class CommaLocale {
public:
    CommaLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
        active_ = std::setlocale(LC_NUMERIC, kName) != nullptr || CompileAndSelect();
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // False when no comma locale could be had (the locale sources are not installed).
    bool IsActive() const { return active_; }

private:
    static constexpr const char* kName = "de_DE.UTF-8";

    bool CompileAndSelect() {
        const std::string target = folder_.Join(kName);
        const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return false;
        locationPath_ = std::make_unique<ScopedEnvironment>("LOCPATH", folder_.Path());
        return std::setlocale(LC_NUMERIC, kName) != nullptr;
    }

    std::string previous_;
    ScratchFolder folder_;
    std::unique_ptr<ScopedEnvironment> locationPath_;
    bool active_ = false;
};

#endif
