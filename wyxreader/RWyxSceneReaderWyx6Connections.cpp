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

void RWyxSceneReaderWyx6::ReadConnectionsSection() {
    const wyx_read::BlockScope block = OpenMainBlock("Connections");
    for (int i = 0; block && i < file_.FieldGetCount(); ++i) {
        const RString field = file_.FieldGetName(i);
        if (field != "Connect") {
            Warn(RString("Connections: a field \"") + field + "\" was skipped");
            continue;
        }
        if (!file_.FieldReadBeginAt(i)) continue;
        const RString type = file_.FieldReadString();
        const RString source = file_.FieldReadString();
        const RString destination = file_.FieldReadString();
        const RString property = file_.FieldReadValuesLeft() > 0 ? file_.FieldReadString() : RString();
        file_.FieldReadEnd();
        ApplyConnection(type, source, destination, property);
    }
}

void RWyxSceneReaderWyx6::ApplyConnection(const RString& type, const RString& source, const RString& destination,
                                          const RString& property) {
    RString label = RString("Connection \"") + type + "\" from \"" + source + "\" to \"" + destination + "\"";
    if (type == "OP") label += RString(", property \"") + property + "\"";
    if (type != "OO" && type != "OP") {
        Warn(label + ": no such kind of connection; dropped");
        return;
    }
    const FileObject* from = Find(source);
    const FileObject* to = Find(destination);
    if (from == nullptr || to == nullptr) {
        Warn(label + ": no object \"" + (from == nullptr ? source : destination) + "\"; dropped");
        return;
    }
    if (type == "OP") {
        RObject* owner = to->properties->Is(RObject::ClassId()) ? static_cast<RObject*>(to->properties) : nullptr;
        RProperty* target = owner != nullptr ? owner->FindProperty(property.Buffer()) : nullptr;
        if (target == nullptr) {
            Warn(label + ": the destination has no such property; dropped");
            return;
        }
        ConnectObjects(*from->properties, *target, label);
    } else if (from->kind == Kind::kModel && to->kind == Kind::kModel) {
        ConnectModels(*static_cast<RWyxNode*>(from->object), *static_cast<RWyxNode*>(to->object), label);
    } else {
        ConnectObjects(*from->properties, *to->properties, label);
    }
}

void RWyxSceneReaderWyx6::ConnectModels(RWyxNode& child, RWyxNode& parent, const RString& label) {
    if (!connected_.emplace(child.GetProperties(), parent.GetProperties()).second) return;
    if (&child == scene_.GetRootNode()) {
        Warn(label + ": the root is no one's child; dropped");
        return;
    }
    if (child.GetParent() != nullptr) {
        Warn(label + ": the model has a parent already (\"" + child.GetParent()->GetName() + "\"); dropped");
        return;
    }
    if (!parent.AddChild(&child)) Warn(label + ": it would make a model its own ancestor, or clash by name; dropped");
}

void RWyxSceneReaderWyx6::ConnectObjects(RPlug& source, RPlug& destination, const RString& label) {
    if (!connected_.emplace(&source, &destination).second) return;
    if (&source == &destination || !destination.ConnectSource(&source)) Warn(label + ": refused; dropped");
}
