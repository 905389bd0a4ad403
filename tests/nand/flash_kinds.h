// Flash whose tables follow rules of their own kind, as the NAND model answers for them:
// their id bytes, and what such a flash does with a program past the first third of a block.
#pragma once

#include "sim/nand/fault_rules.h"

#include <array>
#include <cstdint>
#include <vector>

namespace nandtest {

using FlashId = std::array<std::uint8_t, 5>;

// Classified 0x5032 (0x5030 under the mask): a third of each block is used, and tables
// keep off the odd paths (the bad column).
constexpr FlashId kToshiba5030Id{0x98, 0xD7, 0x98, 0x92, 0x72};
// Classified 0x1032: TLC, a third of each block used.
constexpr FlashId kSamsungTlcId{0xEC, 0xD7, 0x98, 0x76, 0x44};
// Classified 0x1024: MLC.
constexpr FlashId kSamsungMlcId{0xEC, 0xDA, 0x14, 0x95, 0x48};

// On flash used a third of each block, a stress-test program that starts past that third
// fails on the flash.
inline std::vector<sim::nand::FaultRule> ProgramsPastAThirdFail(unsigned pagesPerBlock)
{
    std::vector<sim::nand::FaultRule> rules;
    for (unsigned page = (pagesPerBlock + 2) / 3; page < pagesPerBlock; ++page) {
        sim::nand::FaultRule rule;
        rule.op = sim::nand::NandOp::Program;
        rule.tag = "RWTest";
        rule.page = page;
        rule.effect = sim::nand::FaultEffect::OperationFails;
        rules.push_back(rule);
    }
    return rules;
}

} // namespace nandtest
