#include "scene/RRenamingStrategy.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int kMakeUnique = 0;
constexpr int kRestore = 1;

// A name pair after renaming, and whether the strategy said it changed it.
struct Outcome {
    bool changed;
    std::string initial;
    std::string current;
    bool operator==(const Outcome& other) const {
        return changed == other.changed && initial == other.initial && current == other.current;
    }
};
std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << o.changed << " '" << o.initial << "' '" << o.current << "'";
}

Outcome Apply(RRenamingStrategy& strategy, const std::string& initial, const std::string& current) {
    RNamePair names{RString(initial.c_str())};
    names.SetCurrent(current.c_str());
    const bool changed = strategy.Rename(names);
    return {changed, names.GetInitial().Buffer(), names.GetCurrent().Buffer()};
}
Outcome Apply(RRenamingStrategy& strategy, const std::string& name) { return Apply(strategy, name, name); }
Outcome Restore(const std::string& name, bool bracketFlag = false) {
    RRenamingStrategy strategy(kRestore, bracketFlag);
    return Apply(strategy, name);
}

// The current names MakeUnique gives a sequence of names, in order.
std::vector<std::string> MakeAllUnique(std::initializer_list<std::string> names, int caseMode = 0) {
    RRenamingStrategy strategy(kMakeUnique, false);
    strategy.SetCaseMode(caseMode);
    std::vector<std::string> result;
    for (const std::string& name : names) result.push_back(Apply(strategy, name).current);
    return result;
}
using Names = std::vector<std::string>;

}  // namespace

TEST(RRenamingStrategy, RepeatsAndCaseDifferencesGetSuffixesThatRestore) {
    RRenamingStrategy strategy(kMakeUnique, false);
    EXPECT_EQ(Apply(strategy, "Cube"), (Outcome{false, "Cube", "Cube"}));
    EXPECT_EQ(Apply(strategy, "Cube"), (Outcome{true, "Cube", "Cube_ncl1_1"}));
    EXPECT_EQ(Apply(strategy, "Cube").current, "Cube_ncl1_2");
    EXPECT_EQ(Restore("Leg_ncl1_3"), (Outcome{true, "Leg_ncl1_3", "Leg"}));

    const struct {
        const char* recorded;
        const char* given;
        const char* unique;
    } cases[] = {{"CUBE", "Cube", "CUBE_ncl2_ul14"}, {"CUBE", "cube", "CUBE_ncl2_ul15"},
                 {"cube", "CUBE", "cube_ncl2_lu15"}, {"CuBe", "cUbE", "CuBe_ncl2_ul5lu10"}};
    for (const auto& c : cases) {
        EXPECT_EQ(MakeAllUnique({c.recorded, c.given}), (Names{c.recorded, c.unique}));
        EXPECT_EQ(Restore(c.unique), (Outcome{true, c.unique, c.given}));
    }
}

TEST(RRenamingStrategy, CaseModesSelectTheRulesAndAChangeForgetsTheNames) {
    EXPECT_EQ(MakeAllUnique({"CUBE", "Cube", "Cube"}, RRenamingStrategy::kExactRepeatsOnly),
              (Names{"CUBE", "Cube", "Cube_ncl1_1"}));
    EXPECT_EQ(MakeAllUnique({"Cube", "Cube", "CUBE"}, RRenamingStrategy::kCaseDifferencesOnly),
              (Names{"Cube", "Cube", "Cube_ncl2_lu14"}));
    RRenamingStrategy strategy(kMakeUnique, false);
    Apply(strategy, "Cube");
    strategy.SetCaseMode(RRenamingStrategy::kBothClashes);
    EXPECT_TRUE(Apply(strategy, "Cube").changed);
    strategy.SetCaseMode(RRenamingStrategy::kExactRepeatsOnly);
    EXPECT_FALSE(Apply(strategy, "Cube").changed);
}

TEST(RRenamingStrategy, MadeNamesNeverRepeatAGivenOneAndStillRestore) {
    for (const Names& names : {MakeAllUnique({"Cube", "Cube_ncl1_1", "Cube"}), MakeAllUnique({"CUBE", "Cube", "Cube"})}) {
        EXPECT_NE(names[2], names[1]);
        EXPECT_EQ(Restore(names[2]).current, "Cube");
    }
}

TEST(RRenamingStrategy, MasksOfLongNamesOrBitsWithoutCarry) {
    const std::string recorded = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN";  // 40 characters
    std::string given = recorded;
    given[1] = 'b';
    given[33] = 'h';  // 33 mod 32 is 1: the same bit, set once
    EXPECT_EQ(MakeAllUnique({recorded, given})[1], recorded + "_ncl2_ul2");
    // Undoing sees character 1 only: beyond 32 characters the recorded case stays.
    EXPECT_EQ(Restore(recorded + "_ncl2_ul2").current, "AbCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN");
    const std::string lower = "abcdefghijklmnopqrstuvwxyzabcdefghijklmn";
    EXPECT_EQ(MakeAllUnique({recorded, lower})[1], recorded + "_ncl2_ul4294967295");  // unsigned
    EXPECT_EQ(Restore(recorded + "_ncl2_ul4294967295").current, lower.substr(0, 32) + recorded.substr(32));
}

TEST(RRenamingStrategy, RestoreCutsOnlyWellFormedSuffixes) {
    const struct {
        const char* name;
        bool bracketFlag;
        Outcome outcome;
    } cases[] = {
        {"Arm(2)", true, {true, "Arm_2_", "Arm"}},
        {"Arm(2)", false, {true, "Arm(2)", "Arm"}},
        {"Arm(x2)", true, {false, "Arm(x2)", "Arm_x2_"}},  // not a number: nothing cut, cleaned
        {"Arm(2", true, {false, "Arm(2", "Arm_2"}},        // no closing bracket
        {"A)b(1", true, {false, "A)b(1", "A_b_1"}},        // brackets the wrong way round
        {"(2)", true, {false, "(2)", "_2_"}},              // nothing before the suffix
        {"_ncl1_4", false, {false, "_ncl1_4", "_ncl1_4"}},
        // Case suffixes from files: numbers beyond 32 bits, missing digits, no name before.
        {"Cube_ncl2_ul4294967296", false, {false, "Cube_ncl2_ul4294967296", "Cube_ncl2_ul4294967296"}},
        {"C_ncl2_lu99999999999999999999", false, {false, "C_ncl2_lu99999999999999999999", "C_ncl2_lu99999999999999999999"}},
        {"Cube_ncl2_ulx3", false, {false, "Cube_ncl2_ulx3", "Cube_ncl2_ulx3"}},
        {"Cube_ncl2_ul1lu", false, {false, "Cube_ncl2_ul1lu", "Cube_ncl2_ul1lu"}},
        {"_ncl2_ul1", false, {false, "_ncl2_ul1", "_ncl2_ul1"}},
        {"CUBE_ncl2_ul4294967295", false, {true, "CUBE_ncl2_ul4294967295", "cube"}},
        {"cube_ncl2_lu1tail", false, {true, "cube_ncl2_lu1tail", "Cube"}},
        {"Cube_ncl2_", false, {true, "Cube_ncl2_", "Cube"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Restore(c.name, c.bracketFlag), c.outcome) << c.name;
    // Every index bit on a long name: characters past 31 are left alone.
    EXPECT_EQ(Restore(std::string(100, 'A') + "_ncl2_ul4294967295").current, std::string(32, 'a') + std::string(68, 'A'));
    // Without a suffix the pair's names change places.
    RRenamingStrategy strategy(kRestore, false);
    EXPECT_EQ(Apply(strategy, "Original", "Renamed"), (Outcome{false, "Renamed", "Original"}));
}

TEST(RRenamingStrategy, CleaningPrefixesAndDerivedCleaning) {
    const RRenamingStrategy strategy(kRestore, false);
    EXPECT_STREQ(strategy.CleanName("a b-c.d9", '_').Buffer(), "a_b_c_d9");
    EXPECT_STREQ(strategy.CleanName("caf\xC3\xA9", '-').Buffer(), "caf--");
    EXPECT_STREQ(RRenamingStrategy::NameWithoutPrefix("A::B::C").Buffer(), "B::C");
    EXPECT_STREQ(RRenamingStrategy::NameWithoutPrefix("Plain").Buffer(), "Plain");
    // Results are values of their own: a later call does not change an earlier one.
    const RString first = RRenamingStrategy::NameWithoutPrefix("Model::First");
    const RString longName = RRenamingStrategy::NameWithoutPrefix(RString("Model::") + RString('x', 300));
    EXPECT_STREQ(first.Buffer(), "First");
    EXPECT_EQ(longName.GetLength(), 300);

    class DashStrategy : public RRenamingStrategy {
    public:
        DashStrategy() : RRenamingStrategy(kRestore, false) {}
        RString CleanName(const RString& text, char) const override { return RRenamingStrategy::CleanName(text, '-'); }
    };
    DashStrategy dash;
    EXPECT_EQ(Apply(dash, "Arm.Left").current, "Arm-Left");
}
