#include "engine/ports/dev_info_doc.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CDevInfoDoc, HoldsThirtyTwoUnfilledPortRecords)
{
    CDevInfoDoc document;
    EXPECT_STREQ(document.metaObject()->className(), "CDevInfoDoc");
    ASSERT_EQ(document.Ports().size(), std::size_t(kPortCount));
    const PortRecord zero{};
    for (const PortRecord& record : document.Ports()) {
        EXPECT_EQ(record.hubTier, 0) << "tier 0: not filled by a walk";
        EXPECT_EQ(std::memcmp(&record, &zero, sizeof zero), 0);
    }
}

TEST(CDevInfoDoc, ModifiedFlagAndNewDocument)
{
    CDevInfoDoc document;
    EXPECT_FALSE(document.IsModified());
    document.SetModifiedFlag();
    EXPECT_TRUE(document.IsModified());
    document.Ports()[4].present = 1;

    EXPECT_EQ(document.OnNewDocument(), TRUE);
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(document.Ports()[4].present, 1) << "the records are the server's to refill";
}
