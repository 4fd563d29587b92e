// The class object of CLSID_OEMUI.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace kyr {

class UiPluginFactory final : public IClassFactory {
public:
    UiPluginFactory();
    UiPluginFactory(const UiPluginFactory&) = delete;
    UiPluginFactory& operator=(const UiPluginFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ~UiPluginFactory();
    volatile LONG refCount_;
};

}  // namespace kyr
