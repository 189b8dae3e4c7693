#include "core/RClassIdFilter.h"
#include "core/RClassRegistry.h"
#include "core/RPlug.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using PlugPtr = std::unique_ptr<RPlug, RPlugDestroyer>;

int IdOf(RClassTableIndex index) { return ClassInfoAt(index).classId; }

}  // namespace

TEST(RClassRegistry, FixedIdsAndCountedIdsInTableOrder) {
    EXPECT_EQ(IdOf(RClassTableIndex::RObject), 1);
    EXPECT_EQ(IdOf(RClassTableIndex::RPlug), 2);
    EXPECT_EQ(IdOf(RClassTableIndex::RWyxNodeProperties), 3);
    EXPECT_EQ(IdOf(RClassTableIndex::RWyxControlSetPlugProperties), 13);
    // The fixed classes take no counter value.
    EXPECT_EQ(IdOf(RClassTableIndex::RPlugList), 14);
    EXPECT_EQ(IdOf(RClassTableIndex::RGenericObjectList), 16);
    EXPECT_EQ(IdOf(RClassTableIndex::RClassIdFilter), 33);
    EXPECT_EQ(IdOf(RClassTableIndex::RLTObject), 37);
    EXPECT_EQ(RPlug::ClassId(), 2);
    EXPECT_EQ(RClassIdFilter::ClassId(), 33);

    EXPECT_EQ(FindClassId("robject"), 1);
    EXPECT_EQ(FindClassId("RStreamOptionsWyx"), 11);
    EXPECT_EQ(FindClassId("NoSuchClass"), kNoClassId);
    ASSERT_NE(FindClassInfo(kNoClassId), nullptr);
    EXPECT_STREQ(FindClassInfo(kNoClassId)->name, "None");
    EXPECT_EQ(FindClassInfo(999), nullptr);
}

TEST(RClassRegistry, ParentsRegisteredLaterStillFormTheChain) {
    // REntity is registered before its parent RObjectSet, which comes before RLTObject.
    const RClassInfo& entity = ClassInfoAt(RClassTableIndex::REntity);
    ASSERT_NE(entity.parent, nullptr);
    EXPECT_STREQ(entity.parent->name, "RObjectSet");
    EXPECT_STREQ(entity.parent->parent->name, "RLTObject");
    EXPECT_EQ(entity.parent->parent->parent->classId, kObjectClassId);
    EXPECT_EQ(entity.parent->parent->parent->parent->classId, kPlugClassId);

    PlugPtr filter(CreatePlugObject<RClassIdFilter>(nullptr, 7));
    EXPECT_TRUE(filter->Is(RClassIdFilter::ClassId()));
    EXPECT_TRUE(filter->Is(RPlugFilter::ClassId()));
    EXPECT_TRUE(filter->Is(RPlug::ClassId()));
    EXPECT_FALSE(filter->Is(kObjectClassId));
    EXPECT_STREQ(filter->GetClassName(), "RClassIdFilter");
}

TEST(RClassRegistry, FiltersAcceptByClassAndCompareByClassId) {
    const RClassIdFilter* none = GetClassIdFilter(kNoClassId);
    ASSERT_NE(none, nullptr);
    PlugPtr plug(CreatePlugObject<RPlug>(nullptr));
    EXPECT_TRUE(none->Accept(plug.get()));
    EXPECT_TRUE(none->Accept(nullptr));

    const RClassIdFilter* filterClass = GetClassIdFilter(RPlugFilter::ClassId());
    ASSERT_NE(filterClass, nullptr);
    EXPECT_FALSE(filterClass->Accept(plug.get()));
    EXPECT_FALSE(filterClass->Accept(nullptr));
    EXPECT_TRUE(filterClass->Accept(filterClass));

    PlugPtr sameId(CreatePlugObject<RClassIdFilter>(nullptr, RPlugFilter::ClassId()));
    EXPECT_TRUE(filterClass->IsEqual(static_cast<RClassIdFilter*>(sameId.get())));
    EXPECT_FALSE(filterClass->IsEqual(none));
    PlugPtr bareFilter(CreatePlugObject<RPlugFilter>(nullptr));
    EXPECT_FALSE(filterClass->IsEqual(static_cast<RPlugFilter*>(bareFilter.get())));
    EXPECT_FALSE(static_cast<RPlugFilter*>(bareFilter.get())->Accept(plug.get()));
    EXPECT_EQ(GetClassIdFilter(5000), nullptr);
}

TEST(RClassRegistry, PlugsStillWorkAfterTheLastSdkStop) {
    ASSERT_TRUE(SdkInitialize());
    const int users = GetSdkUserCount();
    for (int i = 0; i < users; ++i) SdkTerminate();
    EXPECT_EQ(GetSdkUserCount(), 0);
    EXPECT_FALSE(IsClassRegistryActive());
    EXPECT_EQ(GetClassIdFilter(kNoClassId), nullptr);
    SdkTerminate();  // one stop too many changes nothing
    EXPECT_EQ(GetSdkUserCount(), 0);

    {
        PlugPtr src(CreatePlugObject<RPlug>(nullptr));
        PlugPtr dst(CreatePlugObject<RPlug>(nullptr));
        EXPECT_TRUE(dst->ConnectSource(src.get()));
        EXPECT_EQ(dst->GetFilteredSubPlug(nullptr), dst.get());
        EXPECT_EQ(RPlug::ClassId(), kPlugClassId);
    }

    // Starting again restores the registry with the same ids.
    for (int i = 0; i < users; ++i) SdkInitialize();
    EXPECT_TRUE(IsClassRegistryActive());
    ASSERT_NE(GetClassIdFilter(kNoClassId), nullptr);
    EXPECT_EQ(FindClassId("RClassIdFilter"), 33);
    SdkTerminate();
}
