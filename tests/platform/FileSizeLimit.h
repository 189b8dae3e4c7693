#ifndef WYX_TESTS_PLATFORM_FILESIZELIMIT_H
#define WYX_TESTS_PLATFORM_FILESIZELIMIT_H

// Lowers the size limit of the files this process writes for the life of the object, so
// that a write fails part-way. The signal that would stop the process is ignored meanwhile,
// so that the write itself fails; limit and handler are restored afterwards.

#include <sys/resource.h>

#include <csignal>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

#endif
