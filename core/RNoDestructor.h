#ifndef WYX_CORE_RNODESTRUCTOR_H
#define WYX_CORE_RNODESTRUCTOR_H

// Holds a process-wide object that is built in place and never destroyed.
//
// For objects that other objects may still reach while the process exits (the plug
// handle table, the class filters): with no destructor, the order in which static
// objects die at exit cannot leave anyone holding a dead one.

#include <new>
#include <utility>

template <typename T>
class RNoDestructor {
public:
    template <typename... Args>
    explicit RNoDestructor(Args&&... args) {
        new (storage_) T(std::forward<Args>(args)...);
    }
    RNoDestructor(const RNoDestructor&) = delete;
    RNoDestructor& operator=(const RNoDestructor&) = delete;

    T& Get() { return *std::launder(reinterpret_cast<T*>(storage_)); }
    const T& Get() const { return *std::launder(reinterpret_cast<const T*>(storage_)); }
    T* operator->() { return &Get(); }
    T& operator*() { return Get(); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

#endif
