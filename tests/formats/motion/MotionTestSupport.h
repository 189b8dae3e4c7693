#ifndef WYX_TESTS_FORMATS_MOTION_MOTIONTESTSUPPORT_H
#define WYX_TESTS_FORMATS_MOTION_MOTIONTESTSUPPORT_H

// Shared by the motion-format tests: a factory with a scene, reading a text through a reader
// from memory with the options the reader gives, and looking at the nodes and curves made.

#include "attributes/RWyxMarker.h"
#include "core/RPlug.h"
#include "curves/RFCurve.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxReaderMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <memory>
#include <string>

namespace motion_test {

using OptionsPtr = std::unique_ptr<RStreamOptionsMotion, RPlugDestroyer>;

inline OptionsPtr NewOptions() { return OptionsPtr(RStreamOptionsMotion::Create()); }

inline OptionsPtr TakeMotionOptions(RStreamOptionsPtr options) {
    return OptionsPtr(static_cast<RStreamOptionsMotion*>(options.release()));
}

// A factory with one scene; the factory owns every object a reader makes.
struct SceneFixture {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();

    RWyxNode* Node(const char* name) { return factory.FindNode(name, 0); }
};

// A marked node with a marker attribute under the parent, keyed in the current take "take":
// its take node.
inline RWyxTakeNode* AddMarkedNode(SceneFixture& fixture, RWyxNode* parent, const char* name) {
    RWyxNode* node = fixture.factory.CreateNode(name);
    node->SetNodeAttribute(fixture.factory.CreateMarker());
    parent->AddChild(node);
    node->SetMarked(1, false);
    node->AddTakeNode("take");
    node->SetCurrentTakeNodeByName("take");
    return node->GetCurrentTakeNode();
}

// Reads the text through the reader as the file `name`: the reader's options (null when
// GetReadOptions refused the file, then nothing is read), adjusted by `adjust`, then Read.
template <typename Reader, typename Adjust>
bool ReadText(SceneFixture& fixture, Reader& reader, const std::string& text, const char* name, Adjust adjust,
              OptionsPtr* keep = nullptr) {
    reader.OpenBytes(text.data(), text.size(), name);
    OptionsPtr options = TakeMotionOptions(reader.GetReadOptions(false));
    if (options == nullptr) {
        return false;
    }
    adjust(*options);
    const bool read = reader.Read(fixture.scene, options.get());
    if (keep != nullptr) {
        *keep = std::move(options);
    }
    return read;
}

template <typename Reader>
bool ReadText(SceneFixture& fixture, Reader& reader, const std::string& text, const char* name = "take.txt") {
    return ReadText(fixture, reader, text, name, [](RStreamOptionsMotion&) {});
}

// Reads the text through a new Reader as the file `name`, with the reader's own options; those
// options, null when the text was not read.
template <typename Reader>
OptionsPtr ReadWithOptions(SceneFixture& fixture, const std::string& text, const char* name) {
    Reader reader(&fixture.factory);
    OptionsPtr options;
    if (!ReadText(fixture, reader, text, name, [](RStreamOptionsMotion&) {}, &options)) return nullptr;
    return options;
}

// The curve of a channel (0..8: T, R, S X, Y, Z) in the node's current take node.
inline RFCurve* Curve(RWyxNode* node, int channel) {
    RWyxTakeNode* take = node != nullptr ? node->GetCurrentTakeNode() : nullptr;
    return take != nullptr ? take->GetChannelCurve(static_cast<RWyxTakeNode::Channel>(channel)) : nullptr;
}

inline float ValueAt(RWyxNode* node, int channel, RTime time) {
    RFCurve* curve = Curve(node, channel);
    return curve != nullptr ? curve->EvaluateAt(time) : 0.0f;
}

}  // namespace motion_test

#endif
