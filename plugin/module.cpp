// The module's entry points: process attach, the class object and the unload question.
#include <windows.h>

#include <new>

#include "plugin/module_state.h"
#include "plugin/oem_ui.h"
#include "plugin/ui_plugin_factory.h"

namespace kyr {

HINSTANCE moduleInstance = nullptr;
volatile LONG objectCount = 0;
volatile LONG lockCount = 0;

}  // namespace kyr

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) kyr::moduleInstance = instance;
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID interfaceId,
                                                    void** out) {
    if (!IsEqualGUID(classId, CLSID_OEMUI)) return CLASS_E_CLASSNOTAVAILABLE;
    kyr::UiPluginFactory* factory = new (std::nothrow) kyr::UiPluginFactory();
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(interfaceId, out);
    factory->Release();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return (kyr::objectCount == 0 && kyr::lockCount == 0) ? S_OK : S_FALSE;
}
