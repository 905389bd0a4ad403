#include "engine/ports/port_result_view.h"
#include "engine/ports/run_result.h"

#include <gtest/gtest.h>

#include <climits>

// The texts go into the result logs as they stand: spacing and spelling are part of them.
TEST(GetResultMessage, SetsTheCodesTextAsWritten)
{
    struct Case {
        std::int32_t code;
        const char16_t* text;
    };
    for (const Case& c : {
             Case{1, u"Run Success"},
             Case{4, u"Error: Read Fimware File fail"},
             Case{7, u"Error: Firmware  UpLoad fail"},
             Case{11, u"Error: Serial Number Generater fail"},
             Case{25, u"Note: Only Execute Scan Block Function"},
             Case{28, u"Error: Open Boot Code File fail"},
             Case{39, u"Warming: Physical Capacity smaller than Setting Capacity"},
             Case{40, u"Error: Format size biger than physcial capacity"},
             Case{44, u"Error: Read HD serail number fail"},
             Case{48, u"Error: Flash Data is empty"},
         }) {
        std::u16string text = u"previous";
        EXPECT_EQ(GetResultMessage(c.code, text), 1);
        EXPECT_EQ(text, c.text) << c.code;
    }
}

TEST(GetResultMessage, LeavesTheTextUnchangedForCodesWithoutOne)
{
    for (std::int32_t code : {0, 2, 26, 27, 45, 46, 47, 49, 1000, INT_MAX, -1, INT_MIN}) {
        std::u16string empty, kept = u"kept";
        EXPECT_EQ(GetResultMessage(code, empty), 1) << code;
        EXPECT_EQ(GetResultMessage(code, kept), 1) << code;
        EXPECT_EQ(empty, u"") << code;
        EXPECT_EQ(kept, u"kept") << code;
    }
}

TEST(ReadPortResult, PassRedoStoppedFailOrUnchanged)
{
    struct Case {
        std::int32_t result;
        PortVerdict verdict;
    };
    for (const Case& c : {
             Case{1, PortVerdict::Pass},
             Case{27, PortVerdict::PassRedo},
             Case{2, PortVerdict::Stopped},
             Case{0, PortVerdict::Fail},
             Case{3, PortVerdict::Fail},
             Case{26, PortVerdict::Fail},
             Case{28, PortVerdict::Fail},
             Case{48, PortVerdict::Fail},
             Case{49, PortVerdict::Fail},
             Case{INT_MAX, PortVerdict::Fail},
             Case{-1, PortVerdict::Unchanged},
             Case{INT_MIN, PortVerdict::Unchanged},
         })
        EXPECT_EQ(ReadPortResult(c.result), c.verdict) << c.result;
}
