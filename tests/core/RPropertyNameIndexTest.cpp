#include "core/RPropertyNameIndex.h"
#include "core/RTypedProperty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using PropertyPtr = std::unique_ptr<RProperty, RPlugDestroyer>;

std::set<const RProperty*> Named(const RPropertyNameIndex& index, const std::string& name) {
    std::set<const RProperty*> found;
    index.ForEachNamed(name.c_str(), [&](RProperty* property) { found.insert(property); });
    return found;
}

}  // namespace

// Many entries of few names crowd the probe sequences, so that removals must shift entries
// back across each other and, in the smallest table, across its end.
TEST(RPropertyNameIndex, MatchesAReferenceUnderRandomAddsAndRemoves) {
    // Small tables under many name sets (so that some homes lie at the end), then a large one.
    for (int round = 0; round < 41; ++round) {
        const int population = round < 40 ? 8 : 300;
        const int names = population / 8 + 4;
        const std::string prefix = "n" + std::to_string(round) + ":";
        std::vector<PropertyPtr> properties;
        for (int i = 0; i < population; ++i) {
            properties.emplace_back(CreatePlugObject<RNumberProperty>(nullptr, kPropertyTypeDouble, 0.0));
            properties.back()->SetNameAndTypeCode((prefix + std::to_string(i % names)).c_str(), kPropertyTypeDouble);
        }
        RPropertyNameIndex index;
        std::multimap<std::string, const RProperty*> reference;
        std::vector<bool> in(properties.size(), false);
        unsigned seed = 7;
        for (int step = 0; step < (population > 8 ? 20000 : 2000); ++step) {
            seed = seed * 1103515245u + 12345u;
            const std::size_t pick = (seed >> 8) % properties.size();
            RProperty* property = properties[pick].get();
            if (in[pick]) {
                index.Remove(property);
                const auto [first, last] = reference.equal_range(property->GetName());
                reference.erase(std::find_if(first, last, [&](const auto& e) { return e.second == property; }));
            } else {
                index.Add(property);
                reference.emplace(property->GetName(), property);
            }
            in[pick] = !in[pick];
            if (population > 8 && step % 97 != 0) continue;
            ASSERT_EQ(index.GetCount(), static_cast<int>(reference.size())) << step;
            for (int name = 0; name < names; ++name) {
                const std::string text = prefix + std::to_string(name);
                std::set<const RProperty*> expected;
                for (auto [at, end] = reference.equal_range(text); at != end; ++at) expected.insert(at->second);
                ASSERT_EQ(Named(index, text), expected) << "population " << population << " step " << step;
            }
        }
        index.Remove(properties[0].get());  // absent or not: no harm
        index.Clear();
        EXPECT_EQ(index.GetCount(), 0);
        EXPECT_TRUE(Named(index, prefix + "1").empty());
    }
}
