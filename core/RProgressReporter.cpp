#include "core/RProgressReporter.h"

#include <new>

namespace {

// Constant-initialised, so it holds before any other code runs.
RProgressReporter* gReporter = nullptr;

// Releases the reporter when the program ends.
struct ReporterReaper {
    ~ReporterReaper() {
        if (gReporter != nullptr) {
            gReporter->Release();
        }
    }
};

}  // namespace

void* RProgress::QueryInterface(int interfaceId) { return owner_.QueryInterface(interfaceId); }

void RProgress::Release() { owner_.Release(); }

void RProgress::Reset() {
    progress_ = 0;
    cancelRequested_ = false;
    cancelSeen_ = false;
}

bool RProgress::IsCancelRequested() {
    if (cancelRequested_) {
        cancelSeen_ = true;
    }
    return cancelRequested_;
}

void RProgress::SetTitle(const char* title) {
    title_ = title != nullptr ? title : "";
    detail_.Clear();
}

void RProgress::ClearTexts() {
    title_.Clear();
    detail_.Clear();
}

RProgressReporter::~RProgressReporter() {
    if (gReporter == this) {
        gReporter = nullptr;
    }
}

void* RProgressReporter::QueryInterface(int interfaceId) {
    switch (interfaceId) {
    case kInterfaceObject:
    case kInterfaceId:
        return this;
    case RProgress::kInterfaceId:
        return &progress_;
    default:
        return nullptr;
    }
}

void RProgressReporter::Release() { delete this; }

RProgress* GetProgressReporter() {
    if (gReporter == nullptr) {
        static ReporterReaper reaper;
        gReporter = new (std::nothrow) RProgressReporter();
    }
    return gReporter != nullptr ? &gReporter->GetProgress() : nullptr;
}
