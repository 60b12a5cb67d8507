#include "shell/win32/AccessibleNames.h"

#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>

namespace brenmark::win32 {

namespace {

constexpr UINT_PTR kNameKeeper = 0x4E414D45;

// The accessibility layer's property services, released when done.
class PropertyServices {
 public:
  PropertyServices() {
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&services_)))) {
      services_ = nullptr;
    }
  }
  ~PropertyServices() {
    if (services_) services_->Release();
  }
  PropertyServices(const PropertyServices&) = delete;
  PropertyServices& operator=(const PropertyServices&) = delete;

  IAccPropServices* operator->() const { return services_; }
  explicit operator bool() const { return services_ != nullptr; }

 private:
  IAccPropServices* services_ = nullptr;
};

// Takes a control's name back from the accessibility layer as it goes.
LRESULT CALLBACK ForgetNameOnDestroy(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR) {
  if (message == WM_NCDESTROY) {
    if (const PropertyServices services; services) {
      MSAAPROPID name = PROPID_ACC_NAME;
      services->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
    }
    RemoveWindowSubclass(control, ForgetNameOnDestroy, id);
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void SetAccessibleNames(HWND dialog, std::initializer_list<AccessibleName> names) {
  const PropertyServices services;
  if (!services) return;
  for (const AccessibleName& named : names) {
    const HWND control = GetDlgItem(dialog, named.id);
    if (control && SUCCEEDED(services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                      PROPID_ACC_NAME, named.name))) {
      SetWindowSubclass(control, ForgetNameOnDestroy, kNameKeeper, 0);
    }
  }
}

}  // namespace brenmark::win32
