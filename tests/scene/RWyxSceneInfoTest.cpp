#include "scene/RWyxSceneInfo.h"

#include <gtest/gtest.h>

namespace {

RWyxSceneInfo FilledInfo()
{
    RWyxSceneInfo info;
    info.title = "Walk";
    info.subject = "Cycle";
    info.author = "Ann";
    info.keywords = "walk,loop";
    info.revision = "3";
    info.comment = "left foot first";
    info.SetVersion(100);
    return info;
}

void ExpectSameTexts(const RWyxSceneInfo& a, const RWyxSceneInfo& b)
{
    for (auto field : {&RWyxSceneInfo::title, &RWyxSceneInfo::subject, &RWyxSceneInfo::author,
                       &RWyxSceneInfo::keywords, &RWyxSceneInfo::revision, &RWyxSceneInfo::comment})
        EXPECT_STREQ((a.*field).Buffer(), (b.*field).Buffer());
}

TEST(RWyxSceneInfoTest, AssignmentCopiesEveryTextAndTheVersionAndClearEmptiesThem)
{
    const RWyxSceneInfo source = FilledInfo();
    RWyxSceneInfo copy;
    copy = source;
    ExpectSameTexts(copy, source);
    EXPECT_EQ(copy.GetVersion(), 100);

    copy.Clear();
    ExpectSameTexts(copy, RWyxSceneInfo());
    EXPECT_EQ(copy.GetVersion(), 0);
    EXPECT_STREQ(source.title.Buffer(), "Walk");
}

}  // namespace
