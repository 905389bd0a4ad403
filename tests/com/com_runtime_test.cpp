#include "platform/com/com.h"
#include "platform/text/text.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"
#include "tests/com/test_server_ids.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace fabrun_test;

namespace {

constexpr CLSID CLSID_MissingLibrary = {0xC0FFEE01, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr CLSID CLSID_NotAServer = {0xC0FFEE02, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
constexpr CLSID CLSID_Unregistered = {0xC0FFEE03, 0, 0, {0, 0, 0, 0, 0, 0, 0, 3}};
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;

class ComRuntime : public ::testing::Test {
protected:
    TemporaryStore store;

    void SetUp() override
    {
        Register(CLSID_TestObject, TEST_SERVER_PATH);
        Register(CLSID_NotServed, TEST_SERVER_PATH);
        Register(CLSID_MissingLibrary, "/nonexistent/server.so");
        Register(CLSID_NotAServer, NOT_A_SERVER_PATH);
    }

    static void Register(REFCLSID clsid, const std::string& library)
    {
        std::string path = "CLSID\\" + platform::GuidText(clsid) + "\\InprocServer32";
        HKEY key = CreateKey(HKEY_CLASSES_ROOT, path.c_str());
        ASSERT_EQ(SetText(key, nullptr, library), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static bool Loaded(const char* path)
    {
        void* library = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
        if (library != nullptr)
            dlclose(library);
        return library != nullptr;
    }
};

TEST(ClassIdText, IsTheBracedUpperCaseForm)
{
    struct Case {
        CLSID clsid;
        const char16_t* text;
    };
    for (const Case& c : {Case{CLSID_TestObject, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"},
                          Case{{0x00000001, 0x0002, 0x0003, {0, 1, 2, 3, 4, 5, 0xab, 0xcd}},
                               u"{00000001-0002-0003-0001-02030405ABCD}"}}) {
        LPOLESTR text = nullptr;
        ASSERT_EQ(StringFromCLSID(c.clsid, &text), S_OK);
        EXPECT_EQ(std::u16string(text), c.text);
        CoTaskMemFree(text);
    }
}

TEST_F(ComRuntime, CreatesAnObjectFromTheRegisteredLibrary)
{
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    IUnknown* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Release(), 0u);
    CoUninitialize();
}

TEST_F(ComRuntime, FailedCreationsSayWhyAndLeaveThePointerNull)
{
    struct Case {
        const char* what;
        bool initialised;
        CLSID clsid;
        DWORD context;
        IID riid;
        HRESULT expected;
    };
    const Case cases[] = {
        {"COM not initialised", false, CLSID_TestObject, CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_NOTINITIALIZED},
        {"not in process", true, CLSID_TestObject, CLSCTX_LOCAL_SERVER, IID_IUnknown, REGDB_E_CLASSNOTREG},
        {"class not registered", true, CLSID_Unregistered, CLSCTX_INPROC_SERVER, IID_IUnknown, REGDB_E_CLASSNOTREG},
        {"library missing", true, CLSID_MissingLibrary, CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_DLLNOTFOUND},
        {"library is no server", true, CLSID_NotAServer, CLSCTX_INPROC_SERVER, IID_IUnknown, CO_E_ERRORINDLL},
        {"class not served", true, CLSID_NotServed, CLSCTX_INPROC_SERVER, IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
        {"interface refused", true, CLSID_TestObject, CLSCTX_INPROC_SERVER, IID_Refused, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        if (c.initialised)
            CoInitialize(nullptr);
        void* object = &store; // anything but null
        EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, c.riid, &object), c.expected) << c.what;
        EXPECT_EQ(object, nullptr) << c.what;
        if (c.initialised)
            CoUninitialize();
    }
    EXPECT_EQ(CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ComRuntime, LibrariesUnloadAtCoUninitializeOnlyWhenTheServerAgrees)
{
    CoInitialize(nullptr);
    IUnknown* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    CoUninitialize();
    EXPECT_TRUE(Loaded(TEST_SERVER_PATH)) << "unloaded under a live object";

    object->Release();
    EXPECT_TRUE(Loaded(TEST_SERVER_PATH)) << "unloaded outside CoUninitialize";
    CoInitialize(nullptr);
    CoInitialize(nullptr);
    CoUninitialize();
    EXPECT_TRUE(Loaded(TEST_SERVER_PATH)) << "unloaded before the thread's last CoUninitialize";
    CoUninitialize();
    EXPECT_FALSE(Loaded(TEST_SERVER_PATH));
}

} // namespace
