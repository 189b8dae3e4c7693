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

template <typename T>
void Declare(RObject& object, const char* name, int typeCode, T initial, bool readOnly) {
    auto* property = CreatePlugObject<RTypedProperty<T>>(nullptr, typeCode, initial);
    property->Declare(name, &object);
    property->SetFlag(RProperty::kOwnedByObject, true);
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
    Declare(*target, "Size", kPropertyTypeInt, 0, false);
    Declare(*target, "Visibility", kPropertyTypeBool, true, true);
    Declare(*target, "Color", kPropertyTypeColorRGB, RVector4(), false);
    Declare(*target, "Name", kPropertyTypeString, RString(), false);
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
