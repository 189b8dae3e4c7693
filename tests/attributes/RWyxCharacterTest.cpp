// Characters with their links, control set and parameters, the character tables, marker sets
// and actors; and how each lets go of the nodes it names.

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterConstraint.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxMarkerSet.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

namespace {

using Tables = RWyxCharacterTables;

TEST(CharacterTables, EveryLinkIdHasOneRowAndGroupedLinksAreFoundBack) {
    std::set<std::string> names;
    int grouped = 0;
    for (int id = 0; id < Tables::kLinkCount; ++id) {
        const Tables::LinkRow* row = Tables::GetLink(id);
        ASSERT_NE(row, nullptr) << id;
        EXPECT_EQ(row->id, id);
        EXPECT_TRUE(row->minimumVersion == 4000 || row->minimumVersion == 4500) << id;
        names.insert(row->name);
        EXPECT_EQ(Tables::FindLinkByName(row->name), id);
        int group = -1;
        int index = -1;
        if (Tables::FindLinkInGroups(id, group, index)) {
            ++grouped;
            EXPECT_EQ(group, row->group);
            EXPECT_EQ(Tables::GetGroupLinkId(group, index), id);
        } else {
            EXPECT_EQ(row->group, Tables::kSingleLink) << id;
        }
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(Tables::kLinkCount));
    EXPECT_EQ(grouped, Tables::kLinkCount - 5);
    for (int single : {67, 68, 69, 88, 89}) EXPECT_EQ(Tables::GetLink(single)->group, Tables::kSingleLink) << single;
    EXPECT_STREQ(Tables::GetLinkName(Tables::kReferenceLink), "Reference");
    EXPECT_EQ(Tables::GetLink(191), nullptr);
    EXPECT_EQ(Tables::GetLink(-1), nullptr);
    int total = 0;
    for (int group = 0; group < Tables::kGroupCount; ++group) total += Tables::GetGroupLinkCount(group);
    EXPECT_EQ(total, grouped);
    EXPECT_STREQ(Tables::GetGroupName(Tables::kNeck), "NECK");
    EXPECT_STREQ(Tables::GetGroupName(Tables::kGameModeParent), "GAMEMODEPARENT");
    EXPECT_EQ(Tables::GetGroupName(12), nullptr);
    EXPECT_EQ(Tables::GetGroupLinkId(12, 0), -1);
    EXPECT_EQ(Tables::GetGroupLinkId(Tables::kBase, Tables::GetGroupLinkCount(Tables::kBase)), -1);
    EXPECT_EQ(Tables::GetGroupLinkId(Tables::kBase, 0), 0) << "groups list their links by id";
}

TEST(CharacterTables, ParameterEffectorAndActorTablesAreFullAndDistinct) {
    const struct {
        const char* (*name)(int);
        int count;
    } tables[] = {{Tables::GetParameterName, Tables::kParameterCount},
                  {Tables::GetEffectorName, Tables::kEffectorCount},
                  {Tables::GetActorNodeName, Tables::kActorNodeCount}};
    for (const auto& table : tables) {
        std::set<std::string> names;
        for (int i = 0; i < table.count; ++i) {
            ASSERT_NE(table.name(i), nullptr) << i;
            names.insert(table.name(i));
        }
        EXPECT_EQ(names.size(), static_cast<size_t>(table.count));
        EXPECT_EQ(table.name(table.count), nullptr);
        EXPECT_EQ(table.name(-1), nullptr);
    }
    EXPECT_EQ(Tables::kParameterCount, 177);
    EXPECT_EQ(Tables::kEffectorCount, 44);
    EXPECT_EQ(Tables::kActorNodeCount, 21);
}

class CharacterTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
    std::unique_ptr<RWyxCharacter> hero = std::make_unique<RWyxCharacter>(&factory, "Constraint::Hero");
    RWyxNode* hip = factory.CreateNode("Hip");
    RWyxNode* hand = factory.CreateNode("Hand");
};

TEST_F(CharacterTest, LinksKeepTheirRecordsAndAreCheckedById) {
    RWyxCharacterLink link;
    EXPECT_DOUBLE_EQ(link.scalingOffset.x, 1.0);
    link.node = hip;
    link.name = "Pelvis";
    link.translationOffset = RVector4(1, 2, 3, 0);
    link.rotationOffset = RVector4(0, 90, 0, 0);
    link.value = 7;
    EXPECT_TRUE(hero->SetCharacterLink(0, link));
    EXPECT_FALSE(hero->SetCharacterLink(191, link));
    EXPECT_FALSE(hero->SetCharacterLink(-1, link));
    RWyxCharacterLink read;
    EXPECT_FALSE(hero->GetCharacterLink(1, read)) << "never set";
    EXPECT_FALSE(hero->GetCharacterLink(500, read));
    ASSERT_TRUE(hero->GetCharacterLink(0, read));
    EXPECT_EQ(read.node, hip);
    EXPECT_STREQ(read.name.Buffer(), "Pelvis");
    EXPECT_EQ(read.translationOffset, RVector4(1, 2, 3, 0));
    EXPECT_EQ(read.rotationOffset, RVector4(0, 90, 0, 0));
    EXPECT_EQ(read.value, 7);
    EXPECT_EQ(hip->FindCharacterLink(hero.get(), RWyxNode::kCharacterLinkModel, 0, 0), 0);

    link.node = hand;
    hero->SetCharacterLink(0, link);
    EXPECT_EQ(hip->GetCharacterLinkCount(), 0) << "a replaced node loses its link";
    EXPECT_TRUE(hero->ClearCharacterLink(0));
    EXPECT_FALSE(hero->ClearCharacterLink(0));
    EXPECT_FALSE(hero->HasCharacterLink(0));
    EXPECT_EQ(hand->GetCharacterLinkCount(), 0);
    read.Reset();
    EXPECT_EQ(read.node, nullptr);
    EXPECT_EQ(read.scalingOffset, RVector4(1, 1, 1, 0));
}

TEST_F(CharacterTest, TheControlSetHoldsItsNodesInTheCharactersSlots) {
    RWyxControlSet& controls = hero->GetControlSet();
    EXPECT_TRUE(controls.SetModelLink(14, hand, "Grip"));
    RWyxControlSetEffector flags;
    flags.translationActive = true;
    EXPECT_TRUE(controls.SetEffector(43, hip, flags));
    EXPECT_FALSE(controls.SetEffector(44, hip, flags));
    EXPECT_TRUE(controls.SetAuxiliaryEffector(3, 2, hand, "Extra"));
    EXPECT_FALSE(controls.SetAuxiliaryEffector(3, RWyxControlSet::kMaxAuxiliaryEffectors, hand, "Extra"));
    EXPECT_FALSE(controls.SetModelLink(191, hand, "Out"));
    EXPECT_EQ(hand->FindCharacterLink(hero.get(), RWyxNode::kCharacterLinkControlSet, 14, 0), 0);
    EXPECT_GE(hand->FindCharacterLink(hero.get(), RWyxNode::kCharacterLinkAuxiliaryEffector, 3, 2), 0);
    EXPECT_EQ(hip->FindCharacterLink(hero.get(), RWyxNode::kCharacterLinkEffector, 43, 0), 0);
    EXPECT_EQ(controls.GetAuxiliaryEffectorCount(3), 3);
    EXPECT_EQ(controls.GetAuxiliaryEffectorCount(4), 0);
    EXPECT_TRUE(controls.GetEffectorFlags(43)->translationActive);
    EXPECT_TRUE(controls.GetEffectorFlags(0)->show);
    EXPECT_EQ(controls.GetEffectorFlags(44), nullptr);

    ASSERT_TRUE(factory.DestroyNode(hand, false));
    RWyxNode* node = hip;
    RString name;
    ASSERT_TRUE(controls.GetModelLink(14, node, name));
    EXPECT_EQ(node, nullptr) << "the slot of a destroyed node is empty";
    EXPECT_STREQ(name.Buffer(), "Grip");
    ASSERT_TRUE(controls.GetAuxiliaryEffector(3, 2, node, name));
    EXPECT_EQ(node, nullptr);
    EXPECT_FALSE(controls.GetAuxiliaryEffector(3, 1, node, name));
    EXPECT_EQ(controls.GetEffectorNode(43), hip);
    EXPECT_TRUE(controls.ClearModelLink(14));
    EXPECT_FALSE(controls.GetModelLink(14, node, name));

    hero.reset();
    EXPECT_EQ(hip->GetCharacterLinkCount(), 0) << "the character left the node";
}

TEST_F(CharacterTest, ParametersAndInputAreKeptPerCharacter) {
    const RWyxCharacterParameter* fresh = hero->GetParameter(176);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->mode, 0);
    EXPECT_DOUBLE_EQ(fresh->value, 0.0);
    EXPECT_EQ(hero->GetParameter(177), nullptr);
    RWyxCharacterParameter set;
    set.mode = 2;
    set.value = 0.5;
    EXPECT_TRUE(hero->SetParameter(5, set));
    EXPECT_FALSE(hero->SetParameter(177, set));
    EXPECT_EQ(hero->GetParameter(5)->mode, 2);
    EXPECT_DOUBLE_EQ(hero->GetParameter(5)->value, 0.5);

    EXPECT_EQ(hero->GetInputType(), RWyxCharacter::kInputActor);
    EXPECT_EQ(hero->GetInputObject(), nullptr);
    RWyxCharacter driver(&factory, "Constraint::Driver");
    hero->SetInput(RWyxCharacter::kInputCharacter, &driver);
    EXPECT_EQ(hero->GetInputType(), RWyxCharacter::kInputCharacter);
    EXPECT_EQ(hero->GetInputObject(), &driver);
    EXPECT_STREQ(hero->GetTypeDescription().Buffer(), "Character");
    EXPECT_STREQ(hero->GetNamePrefix().Buffer(), "Constraint::");
}

// Entries name their nodes weakly: either may go first.
TEST_F(CharacterTest, MarkerSetEntriesOutliveTheirNodesAndNodesTheirMarkerSets) {
    auto dots = std::make_unique<RWyxMarkerSet>(&factory, "MarkerSet::Dots");
    RWyxMarkerSetEntry entry;
    entry.name = "LeftKnee";
    entry.nodeIndex = 5;
    entry.oriented = true;
    entry.defaultPosition = RVector4(1, 2, 3, 0);
    entry.translationOffset = RVector4(0, 1, 0, 0);
    entry.rotationOffset = RVector4(0, 0, 45, 0);
    EXPECT_EQ(dots->AddMarker(entry, hip), 0);
    EXPECT_EQ(dots->AddMarker(RWyxMarkerSetEntry(), hand), 1);
    ASSERT_NE(dots->GetMarker(0), nullptr);
    EXPECT_STREQ(dots->GetMarker(0)->name.Buffer(), "LeftKnee");
    EXPECT_EQ(dots->GetMarker(0)->nodeIndex, 5);
    EXPECT_TRUE(dots->GetMarker(0)->oriented);
    EXPECT_EQ(dots->GetMarker(0)->rotationOffset, RVector4(0, 0, 45, 0));
    EXPECT_EQ(dots->GetMarkerNode(0), hip);
    EXPECT_EQ(dots->GetMarker(2), nullptr);
    EXPECT_EQ(dots->GetMarkerNode(2), nullptr);

    ASSERT_TRUE(factory.DestroyNode(hip, false));
    EXPECT_EQ(dots->GetMarkerNode(0), nullptr);
    EXPECT_TRUE(dots->SetMarker(0, entry, hand));
    EXPECT_FALSE(dots->SetMarker(2, entry, hand));
    EXPECT_EQ(dots->GetMarkerNode(0), hand);
    EXPECT_TRUE(dots->RemoveMarker(1));
    EXPECT_FALSE(dots->RemoveMarker(1));
    dots.reset();
    EXPECT_EQ(hand->GetCharacterLinkCount(), 0);
}

TEST_F(CharacterTest, ActorsCarryTheirMarkerSetColoursAndNodeScales) {
    RWyxCharacterConstraint actor(&factory, "Constraint::Actor");
    RWyxMarkerSet dots(&factory, "MarkerSet::Dots");
    EXPECT_STREQ(actor.GetTypeDescription().Buffer(), "Actor");
    EXPECT_EQ(actor.GetMarkerSet(), nullptr);
    actor.SetMarkerSet(&dots);
    EXPECT_EQ(actor.GetMarkerSet(), &dots);
    EXPECT_EQ(actor.GetMeshColor(), RWyxCharacterConstraint::kDefaultMeshColor);
    EXPECT_EQ(actor.GetBoneColor(), RWyxCharacterConstraint::kDefaultBoneColor);
    actor.SetBoneColor(RWyxColor(1, 0, 0, 1));
    EXPECT_EQ(actor.GetBoneColor(), RWyxColor(1, 0, 0, 1));
    EXPECT_EQ(actor.GetNodeScale(20), RVector4(1, 1, 1, 0));
    EXPECT_TRUE(actor.SetNodeScale(20, RVector4(2, 2, 2, 0)));
    EXPECT_FALSE(actor.SetNodeScale(21, RVector4(3, 3, 3, 0)));
    EXPECT_EQ(actor.GetNodeScale(20), RVector4(2, 2, 2, 0));
    EXPECT_EQ(actor.GetNodeScale(21), RVector4(1, 1, 1, 0));
}

}  // namespace
