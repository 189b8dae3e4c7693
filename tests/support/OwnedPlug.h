#ifndef WYX_TESTS_SUPPORT_OWNEDPLUG_H
#define WYX_TESTS_SUPPORT_OWNEDPLUG_H

// Plugs held by a test and destroyed through Destroy() when the test lets go of them.

#include "core/RPlug.h"

#include <memory>
#include <utility>

template <typename T>
using Owned = std::unique_ptr<T, RPlugDestroyer>;

template <typename T, typename... Args>
Owned<T> MakeWith(RPlug* initArgument, Args&&... args) {
    return Owned<T>(CreatePlugObject<T>(initArgument, std::forward<Args>(args)...));
}

template <typename T, typename... Args>
Owned<T> Make(Args&&... args) {
    return MakeWith<T>(nullptr, std::forward<Args>(args)...);
}

#endif
