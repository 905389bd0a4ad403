// Creating the server's two objects through COM: the ids callers bind to, interfaces,
// reference and lock counts, and what the factory refuses.
#include "tests/server_shell/captured_lines.h"
#include "tests/server_shell/registered_server.h"

#include <gtest/gtest.h>

using namespace fabrun_test;
using Lines = std::vector<std::string>;

namespace {

// Callers compiled elsewhere carry these ids as literals; a slipped digit would make every
// creation fail with nothing else to show for it.
TEST(ServerIds, AreTheFixedTexts)
{
    struct Case {
        const char* name;
        GUID id;
        const char* text;
    };
    const Case cases[] = {
        {"CLSID_PortwardenComponent", CLSID_PortwardenComponent, "{C01DBC00-2BB4-4B8C-BE35-F57F1622CB5A}"},
        {"IID_IPortwardenCtrl", IID_IPortwardenCtrl, "{C61FB2D3-F63B-4136-84BC-DF4D4CAD5A3E}"},
        {"IID_IPortwardenCtrl2", IID_IPortwardenCtrl2, "{C9C8CE29-BF7D-42BF-878F-C1746E0E3C43}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::GuidText(c.id), c.text) << c.name;
}

TEST_F(RegisteredServer, CoCreateInstanceGivesEachInterfaceItsOwnObject)
{
    CapturedLines lines;
    auto* ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
    ASSERT_NE(ctrl, nullptr);
    EXPECT_EQ(lines.Take(), (Lines{"Entry DllGetClassObject", "Entry CFactory CreateInstance", "Entry CBaseAPI function",
                                   "Create CSTDCMDControl class", "Create CVCommCMDControl class", "QueryInterface",
                                   "Find IID_IPortwardenCtrl interface"}));
    auto* ctrl2 = Create<IPortwardenCtrl2>(IID_IPortwardenCtrl2);
    ASSERT_NE(ctrl2, nullptr);
    EXPECT_EQ(lines.Take(), (Lines{"Entry DllGetClassObject", "Entry CFactory CreateInstance", "Entry CBaseAPI2 function",
                                   "Create CVCommCMDControl class", "QueryInterface",
                                   "Find IID_IPortwardenCtrl2 interface"}));

    struct Case {
        IUnknown* object;
        IID riid;
        bool found;
        Lines lines;
    };
    const Case cases[] = {
        {ctrl, IID_IUnknown, true, {"QueryInterface", "Find IID_IUnknown interface"}},
        {ctrl, IID_IPortwardenCtrl, true, {"QueryInterface", "Find IID_IPortwardenCtrl interface"}},
        {ctrl, IID_IPortwardenCtrl2, false, {"QueryInterface", "E_NOINTERFACE"}},
        {ctrl, IID_IClassFactory, false, {"QueryInterface", "E_NOINTERFACE"}},
        {ctrl2, IID_IUnknown, true, {"QueryInterface", "Find IID_IUnknown interface"}},
        {ctrl2, IID_IPortwardenCtrl2, true, {"QueryInterface", "Find IID_IPortwardenCtrl2 interface"}},
        {ctrl2, IID_IPortwardenCtrl, false, {"QueryInterface", "E_NOINTERFACE"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::GuidText(c.riid));
        void* answer = &lines;
        EXPECT_EQ(c.object->QueryInterface(c.riid, &answer), c.found ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(answer, c.found ? static_cast<void*>(c.object) : nullptr);
        EXPECT_EQ(lines.Take(), c.lines);
        if (c.found) {
            EXPECT_EQ(c.object->Release(), 1u);
        }
    }
    EXPECT_EQ(ctrl->Release(), 0u);
    EXPECT_EQ(ctrl2->Release(), 0u);
}

TEST_F(RegisteredServer, ReferenceAndLockCountsDecideWhetherTheServerMayUnload)
{
    EXPECT_EQ(canUnloadNow(), S_OK);
    auto* ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
    ASSERT_NE(ctrl, nullptr);
    // The creation reference is the caller's only one.
    EXPECT_EQ(ctrl->AddRef(), 2u);
    EXPECT_EQ(ctrl->Release(), 1u);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(ctrl->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(CLSID_PortwardenComponent, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a lock outstanding";
    ASSERT_EQ(getClassObject(CLSID_PortwardenComponent, IID_IUnknown, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(RegisteredServer, RefusedCreationsLeaveThePointerNull)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(CLSID_PortwardenComponent, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    struct Case {
        const char* what;
        IUnknown* outer;
        IID riid;
        HRESULT expected;
    };
    const Case cases[] = {
        {"IUnknown is not one of the two interfaces", nullptr, IID_IUnknown, E_OUTOFMEMORY},
        {"any other interface id", nullptr, IID_IClassFactory, E_OUTOFMEMORY},
        {"aggregation", factory, IID_IPortwardenCtrl, CLASS_E_NOAGGREGATION},
    };
    for (const Case& c : cases) {
        void* object = factory;
        EXPECT_EQ(factory->CreateInstance(c.outer, c.riid, &object), c.expected) << c.what;
        EXPECT_EQ(object, nullptr) << c.what;
    }
    factory->Release();

    void* object = &store;
    EXPECT_EQ(getClassObject(IID_IPortwardenCtrl, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    object = &store;
    EXPECT_EQ(getClassObject(CLSID_PortwardenComponent, IID_IPortwardenCtrl, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

} // namespace
