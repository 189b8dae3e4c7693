#include "core/RDataType.h"
#include "core/RWyxPropertyHandler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// A handler that records the user properties it is told about.
class RecordingHandler : public RWyxPropertyHandler {
public:
    void OnUserPropertyChanged(RWyxUserProperty& userProperty) override { told.push_back(&userProperty); }
    std::vector<const RWyxUserProperty*> told;
};

using HandlerPtr = std::unique_ptr<RecordingHandler, RPlugDestroyer>;
HandlerPtr NewHandler() { return HandlerPtr(CreatePlugObject<RecordingHandler>(nullptr)); }

std::unique_ptr<RWyxUserProperty> MakeWrapped(RWyxPropertyHandler& handler, const char* name, const char* type) {
    auto userProperty = std::make_unique<RWyxUserProperty>(nullptr, name, type, "");
    EXPECT_TRUE(handler.CreateUserProperty(userProperty.get()));
    return userProperty;
}

}  // namespace

TEST(RWyxUserProperty, TypeNamesAndStandAloneRecord) {
    const char* const names[] = {"Unidentified", "Bool", "Real", "Color", "Integer", "Vector"};
    for (int type = 0; type < 6; ++type) {
        EXPECT_STREQ(RWyxUserProperty::TypeToName(type), names[type]);
        EXPECT_EQ(RWyxUserProperty::NameToType(names[type]), type);
    }
    EXPECT_EQ(RWyxUserProperty::TypeToName(-1), nullptr);
    EXPECT_EQ(RWyxUserProperty::TypeToName(6), nullptr);
    EXPECT_EQ(RWyxUserProperty::NameToType("Double"), 0);
    EXPECT_EQ(RWyxUserProperty::NameToType("real"), 0);
    EXPECT_EQ(RWyxUserProperty::NameToType(nullptr), 0);

    RWyxUserProperty record(nullptr, "Speed", "Real", "");
    EXPECT_EQ(record.GetType(), kUserPropertyReal);
    EXPECT_STREQ(record.GetLabel(false), "");
    EXPECT_STREQ(record.GetLabel(true), "Speed");
    EXPECT_EQ(record.GetMin(), -HUGE_VAL);
    EXPECT_EQ(record.GetMax(), HUGE_VAL);
    record.SetFlag(RWyxUserProperty::kFlagUserProperty | RWyxUserProperty::kFlagExtra, true);
    record.SetFlag(RWyxUserProperty::kFlagExtra, false);
    EXPECT_TRUE(record.GetFlag(RWyxUserProperty::kFlagUserProperty));
    EXPECT_FALSE(record.GetFlag(RWyxUserProperty::kFlagExtra));
    EXPECT_FALSE(record.SetDouble(3.0));
    EXPECT_EQ(record.GetProperty(), nullptr);
}

TEST(RWyxPropertyHandler, CreateUserPropertyMakesTypedPropertiesFromRecords) {
    HandlerPtr handler = NewHandler();
    EXPECT_STREQ(handler->GetClassName(), "RWyxPropertyHandler");
    EXPECT_TRUE(handler->Is(RObject::ClassId()));
    const struct {
        const char* type;
        int typeCode;
    } cases[] = {{"Bool", 2}, {"Real", 4}, {"Color", 14}, {"Integer", 1}, {"Vector", 13}};
    for (const auto& c : cases) {
        std::unique_ptr<RWyxUserProperty> userProperty = MakeWrapped(*handler, c.type, c.type);
        const RProperty* property = handler->FindProperty(c.type);
        ASSERT_NE(property, nullptr) << c.type;
        EXPECT_EQ(property->GetTypeCode(), c.typeCode);
        EXPECT_STREQ(property->GetDataType()->GetName(), c.type);
        EXPECT_STREQ(property->GetLabel(), c.type) << "the name stands in for an empty label";
        EXPECT_TRUE(userProperty->IsSameProperty(property));
        EXPECT_EQ(userProperty->GetType(), RWyxUserProperty::NameToType(c.type));
    }
    // No data type, null, an existing wrapper: nothing is created.
    const int count = handler->GetPropertyCount();
    RWyxUserProperty unknown(nullptr, "u", "Double", "");
    EXPECT_FALSE(handler->CreateUserProperty(&unknown));
    EXPECT_FALSE(handler->CreateUserProperty(nullptr));
    EXPECT_FALSE(handler->CreateUserProperty(MakeWrapped(*handler, "Again", "Real").get()));
    EXPECT_EQ(handler->GetPropertyCount(), count + 1);
}

TEST(RWyxPropertyHandler, CreateUserPropertyCarriesFlagsLabelAndRange) {
    HandlerPtr handler = NewHandler();
    RWyxUserProperty record(nullptr, "Gain", "Real", "Gain label");
    record.SetFlag(RWyxUserProperty::kFlagAnimatable | RWyxUserProperty::kFlagUserProperty, true);
    record.SetMin(-5.0);
    ASSERT_TRUE(handler->CreateUserProperty(&record));
    const RProperty* property = record.GetProperty();
    EXPECT_EQ(property->GetFlags() & 0xC2u, 66u);
    EXPECT_TRUE(property->HasStateFlags(RProperty::kStateWriterFlag));
    EXPECT_STREQ(property->GetLabel(), "Gain label");
    // The record's range, bounded or not, replaces the 0 to 100 of a new property.
    EXPECT_EQ(property->GetMin(), -5.0);
    EXPECT_EQ(property->GetMax(), HUGE_VAL);
    // A clashing name is made unique; the user property follows its property.
    EXPECT_STREQ(MakeWrapped(*handler, "Gain", "Bool")->GetName(), "Gain 0");
}

TEST(RWyxUserProperty, WrapperFlagsAndTypeFollowTheProperty) {
    HandlerPtr handler = NewHandler();
    RProperty* property = handler->CreateProperty("p", kPropertyTypeDouble, nullptr, true, false, nullptr);
    RWyxUserProperty wrapper(nullptr, property);
    EXPECT_TRUE(wrapper.GetFlag(RWyxUserProperty::kFlagAnimatable));
    wrapper.SetFlag(RWyxUserProperty::kFlagUserProperty, true);
    EXPECT_EQ(property->GetFlags() & 0xC2u, 66u);
    wrapper.SetFlag(RWyxUserProperty::kFlagExtra, true);
    wrapper.SetFlag(RWyxUserProperty::kFlagAnimatable, false);
    EXPECT_EQ(property->GetFlags() & 0xC2u, 192u);
    EXPECT_FALSE(wrapper.GetFlag(RWyxUserProperty::kFlagAnimatable));
    wrapper.SetMax(2.0);
    EXPECT_EQ(property->GetMax(), 2.0);

    const std::pair<int, RWyxUserPropertyType> types[] = {
        {1, kUserPropertyInteger}, {2, kUserPropertyBool},  {4, kUserPropertyReal},         {13, kUserPropertyVector},
        {14, kUserPropertyColor},  {15, kUserPropertyColor}, {6, kUserPropertyUnidentified}};
    for (const auto& [code, type] : types) {
        RProperty* typed = handler->CreateProperty("t", code, nullptr, false, false, nullptr);
        EXPECT_EQ(RWyxUserProperty(nullptr, typed).GetType(), type) << code;
    }
}

TEST(RWyxUserProperty, ValuesGoThroughTheWrappedPropertyAndNotify) {
    HandlerPtr handler = NewHandler();
    std::unique_ptr<RWyxUserProperty> real = MakeWrapped(*handler, "r", "Real");
    std::unique_ptr<RWyxUserProperty> flag = MakeWrapped(*handler, "b", "Bool");
    std::unique_ptr<RWyxUserProperty> vector = MakeWrapped(*handler, "v", "Vector");
    std::unique_ptr<RWyxUserProperty> color = MakeWrapped(*handler, "c", "Color");

    EXPECT_TRUE(real->SetDouble(2.5));
    EXPECT_TRUE(real->GetBool());
    EXPECT_TRUE(flag->SetBool(true));
    EXPECT_EQ(flag->GetInteger(), 1);
    EXPECT_TRUE(vector->SetVector(1.0, 2.0, 3.0));
    EXPECT_EQ(vector->GetVector().z, 3.0);
    EXPECT_FALSE(vector->SetColor(RVector4(0.5, 0.5, 0.5, 1.0)));
    EXPECT_TRUE(color->SetVector(0.1, 0.2, 0.3));
    EXPECT_EQ(color->GetColor().y, 0.2);
    EXPECT_FALSE(real->SetVector(1.0, 2.0, 3.0));
    EXPECT_EQ(handler->told, (std::vector<const RWyxUserProperty*>{real.get(), flag.get(), vector.get(), color.get()}));

    // A colour with alpha keeps its alpha on reading and is made opaque by writing.
    RProperty* rgba = handler->CreateProperty("rgba", kPropertyTypeColorRGBA, nullptr, false, false, nullptr);
    rgba->SetValue(RVector4(0.1, 0.2, 0.3, 0.4));
    RWyxUserProperty wrapper(nullptr, rgba);
    EXPECT_EQ(wrapper.GetColor().w, 0.4);
    EXPECT_TRUE(wrapper.SetColor(RVector4(0.7, 0.8, 0.9, 0.0)));
    EXPECT_EQ(wrapper.GetColor().w, 1.0);
}

TEST(RWyxUserProperty, WrapperWhosePropertyIsGoneBehavesAsHavingNone) {
    HandlerPtr handler = NewHandler();
    std::unique_ptr<RWyxUserProperty> removed = MakeWrapped(*handler, "Gone", "Real");
    std::unique_ptr<RWyxUserProperty> orphan = MakeWrapped(*handler, "Orphan", "Integer");
    RProperty* property = removed->GetProperty();
    const RPlugRef ref(property);
    ASSERT_TRUE(handler->ReleaseAndClear(property));
    EXPECT_EQ(property, nullptr);
    EXPECT_FALSE(ref.IsValid()) << "an owned property is destroyed, not left behind";

    EXPECT_STREQ(removed->GetName(), "");
    EXPECT_EQ(removed->GetType(), kUserPropertyUnidentified);
    EXPECT_EQ(removed->GetMin(), -HUGE_VAL);
    EXPECT_FALSE(removed->SetDouble(1.0));
    EXPECT_FALSE(handler->CreateUserProperty(removed.get()));
    EXPECT_TRUE(handler->told.empty());

    handler.reset();
    EXPECT_EQ(orphan->GetProperty(), nullptr);
    EXPECT_FALSE(orphan->SetInteger(3));
}

TEST(RWyxPropertyHandler, ReleaseAndClearOnlyItsOwnProperties) {
    HandlerPtr handler = NewHandler();
    HandlerPtr other = NewHandler();
    RProperty* none = nullptr;
    EXPECT_FALSE(handler->ReleaseAndClear(none));
    RProperty* foreign = other->CreateProperty("f", kPropertyTypeInt, nullptr, false, false, nullptr);
    EXPECT_FALSE(handler->ReleaseAndClear(foreign));
    EXPECT_NE(foreign, nullptr);
    EXPECT_EQ(other->GetPropertyCount(), 1);

    // A target bound to a plug is not told once that plug is gone.
    RWyxUserProperty wrapper(nullptr, foreign);
    wrapper.SetNotifyTarget(handler.get(), handler.get());
    EXPECT_TRUE(wrapper.SetInteger(1));
    EXPECT_EQ(handler->told.size(), 1u);
    handler.reset();
    EXPECT_TRUE(wrapper.SetInteger(2));
}
