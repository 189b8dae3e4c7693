#include "core/RWyxPropertyHandler.h"
#include "core/RWyxSceneObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A scene object of a given type id that records the user properties it is told about and,
// with a handler, makes their properties there as nodes do.
class TestSceneObject : public RWyxSceneObject {
public:
    TestSceneObject(int typeId, const char* name, RWyxPropertyHandler* handler = nullptr)
        : RWyxSceneObject(nullptr, name), typeId_(typeId), handler_(handler) {}

    int GetTypeId() const override { return typeId_; }
    void OnUserPropertyAdded(RWyxUserProperty& userProperty) override {
        added.push_back(&userProperty);
        if (handler_ != nullptr) handler_->CreateUserProperty(&userProperty);
    }

    std::vector<const RWyxUserProperty*> added;

private:
    int typeId_;
    RWyxPropertyHandler* handler_;
};

std::unique_ptr<RWyxUserProperty> Record(const char* name) {
    return std::make_unique<RWyxUserProperty>(nullptr, name, "Real", "");
}

}  // namespace

TEST(RWyxSceneObject, PrefixOfEveryTypeIdAndNames) {
    const char* const prefixes[] = {"",       "Model::",      "Texture::", "Material::",       "Video::",
                                    "Video::", "Constraint::", "MarkerSet::", "Constraint::", "Pose::",
                                    "",       "Pose::",       "ControlSetPlug::", ""};
    for (int typeId = 0; typeId < 14; ++typeId) {
        TestSceneObject object(typeId, "initial");
        object.SetName("Arm");
        EXPECT_EQ(object.GetName(), RString(prefixes[typeId]) + "Arm") << typeId;
        EXPECT_EQ(object.GetNamePrefix(), prefixes[typeId]);
        EXPECT_EQ(object.GetInitialName(), "initial");
    }

    TestSceneObject node(1, "Model::Arm");
    EXPECT_EQ(node.GetNameWithoutPrefix(), "Arm");
    node.SetName("Model::Leg");  // taken as given: callers strip a prefix themselves
    EXPECT_EQ(node.GetName(), "Model::Model::Leg");
    node.ResetName("Material::Skin::Red");
    EXPECT_EQ(node.GetInitialName(), "Material::Skin::Red");
    EXPECT_EQ(node.GetNameWithoutPrefix(), "Skin::Red");
    node.ResetName("Plain");
    EXPECT_EQ(node.GetNameWithoutPrefix(), "Plain");
    // Without a prefix of its own, the "::" rule applies.
    EXPECT_EQ(TestSceneObject(10, "Deformer::skin").GetNameWithoutPrefix(), "skin");

    EXPECT_EQ(RWyxSceneObject::GetTextAfterColon("abc"), "abc");
    EXPECT_EQ(RWyxSceneObject::GetTextAfterColon("a:b:c"), "b:c");
    EXPECT_EQ(RWyxSceneObject::GetTextAfterColon("Model::Arm"), ":Arm");
    EXPECT_EQ(node.GetStringList()->GetCount(), 0);
}

TEST(RWyxSceneObject, UserPropertiesAddedOnceFoundAndOwned) {
    std::unique_ptr<RWyxPropertyHandler, RPlugDestroyer> handler(CreatePlugObject<RWyxPropertyHandler>(nullptr));
    {
        TestSceneObject node(1, "n", handler.get());
        EXPECT_EQ(node.AddUserProperty(nullptr), nullptr);
        RWyxUserProperty* first = node.AddUserProperty(Record("a"));
        RWyxUserProperty* second = node.AddUserProperty(Record("b"));
        // The same user property again: one entry, one owner, one call.
        EXPECT_EQ(node.AddUserProperty(std::unique_ptr<RWyxUserProperty>(first)), first);
        EXPECT_EQ(node.added, (std::vector<const RWyxUserProperty*>{first, second}));
        // Nor may another node take it over: it stays with the node that owns it.
        TestSceneObject other(1, "other");
        EXPECT_EQ(other.AddUserProperty(std::unique_ptr<RWyxUserProperty>(second)), nullptr);
        EXPECT_EQ(other.GetUserPropertyCount(), 0);
        EXPECT_EQ(node.GetUserPropertyCount(), 2);
        EXPECT_EQ(node.GetUserProperty(1), second);
        EXPECT_EQ(node.GetUserProperty(2), nullptr);
        EXPECT_EQ(node.GetUserProperty(-1), nullptr);

        EXPECT_EQ(node.FindUserPropertyByName("b"), second);
        EXPECT_EQ(node.FindUserPropertyByName("B"), nullptr);
        EXPECT_EQ(node.FindUserPropertyByName(nullptr), nullptr);
        EXPECT_EQ(node.FindUserProperty(handler->FindProperty("a")), first);
        EXPECT_EQ(node.FindUserProperty(nullptr), nullptr);
    }  // the user properties die with the node (the sanitizer checks); the properties stay
    EXPECT_NE(handler->FindProperty("a"), nullptr);

    // A node's properties object goes before its scene-object part.
    TestSceneObject node(1, "n", handler.get());
    RWyxUserProperty* size = node.AddUserProperty(Record("size"));
    handler.reset();
    EXPECT_EQ(size->GetProperty(), nullptr);
}
