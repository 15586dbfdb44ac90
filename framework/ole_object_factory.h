// Class factory of one creatable class; every factory of the module is found through a list,
// for DllGetClassObject and for registering or unregistering all classes at once.
#pragma once
#include <objbase.h>

class COleObjectFactory : public IClassFactory {
public:
    // Creates a new object and answers the asked interface of it.
    using CreateFn = HRESULT (*)(REFIID riid, void** ppv);
    // Writes (true) or removes (false) the class's registry entries.
    using UpdateRegistryFn = bool (*)(bool bRegister);

    COleObjectFactory(const CLSID& clsid, const char* lpszProgID, CreateFn create, UpdateRegistryFn updateRegistry);
    ~COleObjectFactory();
    COleObjectFactory(const COleObjectFactory&) = delete;
    COleObjectFactory& operator=(const COleObjectFactory&) = delete;

    static HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
    // Every factory, in the order they were constructed; false when one of them failed.
    static bool UpdateRegistryAll(bool bRegister);

    const CLSID& GetClassID() const { return m_clsid; }
    const char* GetProgID() const { return m_lpszProgID; }

    // IUnknown: the factories live as long as the module, so their references are not counted.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

private:
    CLSID m_clsid;
    const char* m_lpszProgID;
    CreateFn m_create;
    UpdateRegistryFn m_updateRegistry;
    COleObjectFactory* m_pNext;
};
