// The Connections section of the version-6 document:
//
//   Connect: "OO", source, destination
//       a model into a model: the source becomes a child of the destination; any other pair:
//       the source's properties object becomes a source of the destination's (a material, a
//       texture or a skin into a model, a cluster into its skin, a link model into a cluster)
//   Connect: "OP", source, destination, property
//       the source's properties object becomes a source of the destination's property (a
//       target into "LookAtProperty", an associate model into "SrcModelReference")
//
// The names are full names; the root goes by the name the writer gives it (RegisterRoot). A
// connection the file repeats (a writer may write one once per path that reaches it) is
// applied once, in the place of its first occurrence, so that the order of every object's
// sources is the order of the file.

#include "core/RObject.h"
#include "core/RProperty.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/WyxFieldReading.h"

namespace {

// A text as its C form reads (up to its first zero byte), as names and kinds compare.
std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

// An empty view may have no bytes at all (a value missing or unreadable): it gives the empty
// text, not the invalid one.
RString Text(std::string_view view) {
    return view.empty() ? RString() : RString(view.data(), static_cast<int>(view.size()));
}

}  // namespace

// Each link's texts are read once, in place; the label that names the link is made only for
// a warning.
void RWyxSceneReaderWyx6::ReadConnectionsSection() {
    const wyx_read::BlockScope block = OpenMainBlock("Connections");
    if (block) connected_.reserve(connected_.size() + static_cast<std::size_t>(file_.FieldGetCount()));
    for (int i = 0; block && i < file_.FieldGetCount(); ++i) {
        const std::string_view field = file_.FieldGetNameView(i);
        if (UpToZero(field) != "Connect") {
            Warn(RString("Connections: a field \"") + Text(field) + "\" was skipped");
            continue;
        }
        if (!file_.FieldReadBeginAt(i)) continue;
        Connection link;
        std::string_view texts[4];
        const int count = file_.FieldReadValuesLeft() > 3 ? 4 : 3;
        if (file_.FieldReadBinaryTexts(texts, count)) {
            link = Connection{texts[0], texts[1], texts[2], count > 3 ? texts[3] : std::string_view()};
        } else {
            link = ReadConnectionTexts();
        }
        file_.FieldReadEnd();
        ApplyConnection(link);
    }
}

// The general reading of a link's texts: each is copied, since a text read so may be a
// number's text, which the next read overwrites. A value missing or unreadable is empty.
RWyxSceneReaderWyx6::Connection RWyxSceneReaderWyx6::ReadConnectionTexts() {
    for (int t = 0; t < 4; ++t) {
        const std::string_view text = t < 3 || file_.FieldReadValuesLeft() > 0 ? file_.FieldReadStringView() : "";
        connectionTexts_[t].assign(text.data() != nullptr ? text : "");
    }
    return Connection{connectionTexts_[0], connectionTexts_[1], connectionTexts_[2], connectionTexts_[3]};
}

RString RWyxSceneReaderWyx6::Connection::Label() const {
    RString label = RString("Connection \"") + Text(type) + "\" from \"" + Text(source) + "\" to \"" +
                    Text(destination) + "\"";
    if (UpToZero(type) == "OP") label += RString(", property \"") + Text(property) + "\"";
    return label;
}

void RWyxSceneReaderWyx6::ApplyConnection(const Connection& link) {
    const std::string_view type = UpToZero(link.type);
    if (type != "OO" && type != "OP") {
        Warn(link.Label() + ": no such kind of connection; dropped");
        return;
    }
    const FileObject* from = Find(link.source);
    const FileObject* to = Find(link.destination);
    if (from == nullptr || to == nullptr) {
        Warn(link.Label() + ": no object \"" + Text(from == nullptr ? link.source : link.destination) + "\"; dropped");
        return;
    }
    if (type == "OP") {
        RObject* owner = to->properties->Is(RObject::ClassId()) ? static_cast<RObject*>(to->properties) : nullptr;
        RProperty* target = owner != nullptr ? owner->FindProperty(UpToZero(link.property)) : nullptr;
        if (target == nullptr) {
            Warn(link.Label() + ": the destination has no such property; dropped");
            return;
        }
        ConnectObjects(*from->properties, *target, link);
    } else if (from->kind == Kind::kModel && to->kind == Kind::kModel) {
        ConnectModels(*static_cast<RWyxNode*>(from->object), *static_cast<RWyxNode*>(to->object), link);
    } else {
        ConnectObjects(*from->properties, *to->properties, link);
    }
}

void RWyxSceneReaderWyx6::ConnectModels(RWyxNode& child, RWyxNode& parent, const Connection& link) {
    if (!connected_.emplace(child.GetProperties(), parent.GetProperties()).second) return;
    if (&child == scene_.GetRootNode()) {
        Warn(link.Label() + ": the root is no one's child; dropped");
        return;
    }
    if (child.GetParent() != nullptr) {
        Warn(link.Label() + ": the model has a parent already (\"" + child.GetParent()->GetName() + "\"); dropped");
        return;
    }
    if (!parent.AddChild(&child)) {
        Warn(link.Label() + ": it would make a model its own ancestor, or clash by name; dropped");
    }
}

void RWyxSceneReaderWyx6::ConnectObjects(RPlug& source, RPlug& destination, const Connection& link) {
    if (!connected_.emplace(&source, &destination).second) return;
    if (&source == &destination || !destination.ConnectSource(&source)) Warn(link.Label() + ": refused; dropped");
}
