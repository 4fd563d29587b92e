#include "plugin/ui_plugin_factory.h"

#include <new>

#include "plugin/module_state.h"
#include "plugin/ui_plugin.h"

namespace kyr {

UiPluginFactory::UiPluginFactory() : refCount_(1) { InterlockedIncrement(&objectCount); }

UiPluginFactory::~UiPluginFactory() { InterlockedDecrement(&objectCount); }

HRESULT STDMETHODCALLTYPE UiPluginFactory::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        static_cast<IClassFactory*>(this)->AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE UiPluginFactory::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE UiPluginFactory::Release() {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count != 0) return static_cast<ULONG>(count);
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE UiPluginFactory::CreateInstance(IUnknown* outer, REFIID iid,
                                                          void** out) {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    UiPlugin* plugin = new (std::nothrow) UiPlugin();
    if (plugin == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = plugin->QueryInterface(iid, out);
    plugin->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE UiPluginFactory::LockServer(BOOL lock) {
    if (lock) {
        InterlockedIncrement(&lockCount);
    } else {
        // An unlock without a lock must not drive the count below zero: the server could
        // then never be unloaded again.
        for (;;) {
            LONG seen = lockCount;
            if (seen <= 0) break;
            if (InterlockedCompareExchange(&lockCount, seen - 1, seen) == seen) break;
        }
    }
    return S_OK;
}

}  // namespace kyr
