// Feeds arbitrary bytes, from memory, to the property-block reader: every block of either
// format, at the top level and one level down, is read onto an object that declares a few
// properties and takes user properties into a scene object's list.

#include "core/RTypedProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "core/RWyxSceneObject.h"
#include "fileio/RWyxPropertyFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

class FuzzSceneObject : public RWyxSceneObject {
public:
    explicit FuzzSceneObject(RWyxPropertyHandler* handler) : RWyxSceneObject(nullptr, "Node"), handler_(handler) {}
    int GetTypeId() const override { return 1; }
    void OnUserPropertyAdded(RWyxUserProperty& userProperty) override { handler_->CreateUserProperty(&userProperty); }

private:
    RWyxPropertyHandler* handler_;
};

// The descriptions of the target's properties, shared as a class's table rows are: blocks read
// again onto the target meet their records at the places they had.
const RPropertyInfo kRows[] = {
    {"Size", kPropertyTypeInt, RProperty::kOwnedByObject},
    {"Visibility", kPropertyTypeBool, RProperty::kOwnedByObject},
    {"Color", kPropertyTypeColorRGB, RProperty::kOwnedByObject},
    {"Name", kPropertyTypeString, RProperty::kOwnedByObject},
};

template <typename T>
void Declare(RObject& object, const RPropertyInfo& row, T initial, bool readOnly) {
    auto* property = CreatePlugObject<RTypedProperty<T>>(nullptr, row, initial);
    property->Declare(row.GetName(), &object);
    property->SetStateFlags(RProperty::kStateReadOnly, readOnly);
    object.AddProperty(property);
}

void ReadBlocks(RWyxPropertyFile& file, RObject& target, RWyxSceneObject& owner) {
    for (const bool v5 : {false, true}) {
        file.SetV5PropertyFormat(v5);
        while (file.ReadPropertyBlock(target, &owner)) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RWyxPropertyFile file;
    if (!file.GetFile().OpenFromMemory(data, size)) {
        return 0;
    }
    std::unique_ptr<RWyxPropertyHandler, RPlugDestroyer> target(CreatePlugObject<RWyxPropertyHandler>(nullptr));
    Declare(*target, kRows[0], 0, false);
    Declare(*target, kRows[1], true, true);
    Declare(*target, kRows[2], RVector4(), false);
    Declare(*target, kRows[3], RString(), false);
    FuzzSceneObject owner(target.get());
    ReadBlocks(file, *target, owner);
    RWyxFile& wyx = file.GetFile();
    for (int i = 0; i < wyx.FieldGetCount(); ++i) {
        if (wyx.FieldReadBeginAt(i) && wyx.FieldReadBlockBegin()) {
            ReadBlocks(file, *target, owner);
            wyx.FieldReadBlockEnd();
        }
    }
    (void)wyx.Close();
    return 0;
}
