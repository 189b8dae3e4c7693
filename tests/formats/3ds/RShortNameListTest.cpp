#include "formats/3ds/RShortNameList.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// The short names the list gives, in order.
std::vector<std::string> Shorten(RShortNameList& list, const std::vector<std::string>& names, int limit) {
    std::vector<std::string> result;
    for (const std::string& name : names) {
        RNamePair pair(RString(name.c_str()));
        list.MakeUniqueWithLimit(pair, limit);
        result.emplace_back(pair.GetCurrent().Buffer());
    }
    return result;
}

TEST(RShortNameListTest, NamesLoseTheirPrefixAndRoomIsLeftForACounter) {
    RShortNameList list;
    EXPECT_EQ(Shorten(list, {"Model::Cylinder01", "Model::Cylinder02", "Model::Cylinder03", "Model::Box", "Seven77",
                             "Eight888", "a::b::c", "abc", "ABC"},
                      10),
              (std::vector<std::string>{"Cylinde", "Cylinde1", "Cylinde2", "Box", "Seven77", "Eight88", "b::c", "abc",
                                        "ABC"}));
    RShortNameList materials;
    EXPECT_EQ(Shorten(materials, {"Material::AVeryLongMaterialName"}, 15), (std::vector<std::string>{"AVeryLongMat"}));
    RNamePair pair(RString("LongNameA"));
    EXPECT_FALSE(materials.MakeUnique(pair));  // the object-name limit
    EXPECT_STREQ(pair.GetCurrent().Buffer(), "LongNam");
}

TEST(RShortNameListTest, EveryNameGivenIsUniqueWithinTheLimit) {
    RShortNameList list;
    EXPECT_EQ(Shorten(list, {"LongNameA", "LongNameB", "LongNameC", "LongNam1", "Box", "Box", "Box1"}, 10),
              (std::vector<std::string>{"LongNam", "LongNam1", "LongNam2", "LongNam3", "Box", "Box1", "Box11"}));
    // Unique as a reader reads them (after the first "::" the file holds, "Name" for none), an
    // empty name written as "Name", and no UTF-8 character cut in two.
    RShortNameList read;
    const std::string e = "\u00e9";  // two bytes
    const std::string cut = "Model::" + e + e + e + e + e;
    EXPECT_EQ(Shorten(read, {"Model::a::b", "Model::b", "Model::", "Model::Name", "Model::x::", cut}, 10),
              (std::vector<std::string>{"a::b", "b1", "Name", "Name1", "x::1", e + e + e}));
    RShortNameList many;
    std::vector<std::string> names(1200, "Repeated");
    const std::vector<std::string> given = Shorten(many, names, 10);
    EXPECT_EQ(given[10], "Repeate10");
    EXPECT_EQ(given[1000], "Repeat1000");
    std::set<std::string> distinct;
    for (const std::string& name : given) {
        EXPECT_LE(name.size(), 10u) << name;
        distinct.insert(name);
    }
    EXPECT_EQ(distinct.size(), given.size());
    // Names the writer makes stand whole within the limit and yield to every name given.
    RShortNameList materials;
    Shorten(materials, {"Material::Default"}, 15);
    EXPECT_EQ(materials.Claim("100.Mat10T11T12", 15), "100.Mat10T11T12");
    EXPECT_EQ(materials.Claim("100.Mat10T11T123", 15), "100.Mat10T111");  // cut, it meets the one before
    EXPECT_EQ(materials.Claim("Default", 15), "Default1");
    many.Clear();
    EXPECT_EQ(Shorten(many, {"Repeated"}, 10), (std::vector<std::string>{"Repeate"}));
    EXPECT_NE(many.Create(), nullptr);
}

}  // namespace
