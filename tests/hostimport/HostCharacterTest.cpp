// Characters through the host's rig module: made on import with their links, on the character
// the host made (not one the user had), read back for the export, and skipped without the
// module; names from the file reach the commands escaped.

#include "tests/support/ImportSceneSupport.h"

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxSkeleton.h"
#include "plugin/HostCharacterRig.h"

#include "host/src/commands/CharacterRig.h"

#include <vexa/VGlobal.h>

namespace {

class HostCharacterTest : public SceneImportTest {
protected:
    void TearDown() override {
        if (vexa_host::characterRigModuleLoaded()) vexa_host::unloadCharacterRigModule();
        SceneImportTest::TearDown();
    }
    static std::string answer(const char* command) {
        VString result;
        EXPECT_TRUE(VGlobal::executeCommand(command, result)) << command;
        return result.str();
    }
    // A scene with the joint "Hips" and a character linking it to `slot` and the reference slot.
    static void buildHero(RWyxObjectFactory& factory, RWyxScene& scene, const char* name, int slot) {
        RWyxNode* hips = AddNode(factory, *scene.GetRootNode(), "Hips", factory.CreateSkeleton());
        RWyxNode* floor = AddNode(factory, *scene.GetRootNode(), "Floor", factory.CreateSkeleton());
        RWyxCharacter* character = scene.GetCharacter(scene.CreateCharacter(name));
        RWyxCharacterLink link;
        link.node = hips;
        link.translationOffset = RVector4(1, 2, 3, 0);
        character->SetCharacterLink(slot, link);
        link.node = floor;
        character->SetCharacterLink(RWyxCharacterTables::kReferenceLink, link);
        scene.CreateCharacter("Empty");
    }
};

TEST_F(HostCharacterTest, SlotsAreAddressedByGroupAndPlace) {
    int group = -1;
    int index = -1;
    ASSERT_TRUE(CharacterLinkAddress(RWyxCharacterTables::kReferenceLink, group, index));
    EXPECT_EQ(group, 0);
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(CharacterLinkAddress(RWyxCharacterTables::kLeftFloorLink, group, index));
    EXPECT_EQ(group, 0);
    EXPECT_EQ(index, 1);
    const int grouped = RWyxCharacterTables::GetGroupLinkId(RWyxCharacterTables::kSpine, 1);
    ASSERT_TRUE(CharacterLinkAddress(grouped, group, index));
    EXPECT_EQ(group, RWyxCharacterTables::kSpine + 1);
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(CharacterLinkAddress(RWyxCharacterTables::kLinkCount, group, index));
}

TEST_F(HostCharacterTest, TheImportLinksTheCharacterItMadeAndTheExportReadsItBack) {
    ASSERT_TRUE(vexa_host::loadCharacterRigModule());
    ASSERT_TRUE(run("ZOQCreateCharacter Mine"));  // the user's own character, index 0
    recordScripts();
    const int slot = RWyxCharacterTables::GetGroupLinkId(RWyxCharacterTables::kBase, 2);
    const char* const name = "Hero\"; createNode transform -n injected; \"\\";
    ASSERT_TRUE(importScene([&](RWyxObjectFactory& factory, RWyxScene& scene) { buildHero(factory, scene, name, slot); }));
    EXPECT_EQ(answer("ZOQGetCharacterCount"), "3");
    EXPECT_EQ(answer("ZOQGetCharacterName -ci 1"), name);
    EXPECT_EQ(answer("ZOQGetCharacterNodeLink -ci 1 -lti 1 -li 2"), "Hips");
    EXPECT_EQ(answer("ZOQGetCharacterNodeLink -ci 1 -lti 0 -li 0"), "Floor");
    EXPECT_EQ(answer("ZOQGetCharacterNodeLink -ci 0 -lti 1 -li 2"), "");  // the user's is untouched
    EXPECT_FALSE(dumps("injected"));
    // A character without links is made and characterised all the same.
    EXPECT_EQ(scriptsStartingWith("ZOQCharacterize").size(), 2u);
    EXPECT_EQ(scriptsStartingWith("ZOQSetCharacterNodeLinkTRS -ci 1 -lti 1 -li 2 -t 1 2 3 -r 0 0 0 -s 1 1 1").size(), 1u);

    WyxVexaImportSession session;
    RWyxScene* scene = session.GetFactory().CreateScene();
    RWyxNode* hips = AddNode(session.GetFactory(), *scene->GetRootNode(), "Hips", nullptr);
    ASSERT_TRUE(ReadHostCharacters(scene));
    ASSERT_EQ(scene->GetCharacterCount(), 3);
    RWyxCharacterLink link;
    ASSERT_TRUE(scene->GetCharacter(1)->GetCharacterLink(slot, link));
    EXPECT_EQ(link.node, hips);
    EXPECT_FALSE(scene->GetCharacter(1)->GetCharacterLink(RWyxCharacterTables::kReferenceLink, link));  // no Floor
}

TEST_F(HostCharacterTest, WithoutTheModuleCharactersAreSkipped) {
    ASSERT_TRUE(importScene([](RWyxObjectFactory& factory, RWyxScene& scene) { buildHero(factory, scene, "Hero", 1); }));
    EXPECT_TRUE(dumps("node joint |Hips\n"));
    EXPECT_FALSE(CreateHostCharacters(nullptr));
    WyxVexaImportSession session;
    RWyxScene* scene = session.GetFactory().CreateScene();
    EXPECT_FALSE(ReadHostCharacters(scene));
    EXPECT_EQ(scene->GetCharacterCount(), 0);
}

}  // namespace
