#ifndef WYX_TESTS_WYXREADER_V5SCENESUPPORT_H
#define WYX_TESTS_WYXREADER_V5SCENESUPPORT_H

// Shared by the version-5 reader tests and the fuzz seeds: a scene of every kind the version-5
// layout carries (the sample character reduced to it, and the rest), and the exporter's
// version-5 forms.

#include "scene/RWyxObjectFactory.h"

#include <string>

class RWyxScene;

namespace reader_test {

// The exporter's format ids of the version-5 forms.
enum class Form5 { kBinary = 3, kAscii = 4 };

// The scene; a camera background picture is written into `folder` when it is not empty.
RWyxScene* BuildVersion5Scene(RWyxObjectFactory& factory, const std::string& folder);

// Exports the scene in the form (media embedded when asked); the exporter's error text, or
// empty when it was written.
std::string Export5(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path, Form5 form,
                    bool embedMedia = false);

}  // namespace reader_test

#endif
