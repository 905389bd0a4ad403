// A minimal in-process server: objects that answer IUnknown and count themselves, so
// that DllCanUnloadNow answers as a real server does.
#include "platform/com/unknown.h"
#include "tests/com/test_server_ids.h"

#include <atomic>

namespace {

std::atomic<int> liveObjects{0};

class TestObject final : public IUnknown {
public:
    TestObject() { ++liveObjects; }
    ~TestObject() { --liveObjects; }
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        *object = riid == IID_IUnknown ? this : nullptr;
        if (*object == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG Release() override
    {
        LONG left = --references_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

private:
    std::atomic<LONG> references_{1};
};

// One factory for the life of the library.
class TestFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        *object = riid == IID_IClassFactory || riid == IID_IUnknown ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** object) override
    {
        if (riid == fabrun_test::IID_Refused) {
            *object = this;
            return E_NOINTERFACE;
        }
        auto* created = new TestObject;
        HRESULT result = created->QueryInterface(riid, object);
        created->Release();
        return result;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

TestFactory factory;

} // namespace

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (clsid != fabrun_test::CLSID_TestObject) {
        *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return factory.QueryInterface(riid, object);
}

extern "C" HRESULT DllCanUnloadNow()
{
    return liveObjects == 0 ? S_OK : S_FALSE;
}
