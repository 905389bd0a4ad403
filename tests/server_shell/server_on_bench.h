// The server created through CoCreateInstance on the bench of hub tiers and drives
// (tests/topology/bench_tree.h), with a table of 32 port records.
#pragma once

#include "portwarden/records.h"
#include "tests/server_shell/registered_server.h"
#include "tests/topology/bench_tree.h"

#include <memory>

namespace fabrun_test {

class BenchServer : public topologytest::BenchTree, protected ServerSession {
protected:
    void SetUp() override
    {
        BenchTree::SetUp();
        StartSession();
        ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
        ASSERT_NE(ctrl, nullptr);
    }

    void TearDown() override
    {
        if (ctrl != nullptr)
            ctrl->Release();
        EndSession();
    }

    IPortwardenCtrl* ctrl = nullptr;
    std::unique_ptr<PortRecord[]> records = std::make_unique<PortRecord[]>(kPortCount);
};

} // namespace fabrun_test
