// The fake ASIO driver as an in-process COM server: a class factory for the fake's class id and an
// entry through which the test reaches the driver's configuration and record.
#include <windows.h>
#include <unknwn.h>

#include "fakeAsioDriver.h"

namespace {

FakeAsioState g_state;
bool g_stateReady = false;

FakeAsioState* state() {
  if (!g_stateReady) {
    fakeAsioReset(&g_state);
    g_stateReady = true;
  }
  return &g_state;
}

class Factory : public IClassFactory {
 public:
  HRESULT __stdcall QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG __stdcall AddRef() override { return 2; }
  ULONG __stdcall Release() override { return 1; }
  HRESULT __stdcall CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IAsioDriver* d = fakeAsioCreate(state(), kFakeAsioClsid);
    if (!d) return E_OUTOFMEMORY;
    const HRESULT hr = d->QueryInterface(iid, out);
    d->Release();
    return hr;
  }
  HRESULT __stdcall LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" {

HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kFakeAsioClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

// Stays loaded: the test holds the state through fakeAsioState.
HRESULT __stdcall DllCanUnloadNow() { return S_FALSE; }

FakeAsioState* __cdecl fakeAsioState() { return state(); }

}  // extern "C"
