// Process command lines on Windows: WMI's Win32_Process through COM. Every COM pointer,
// string and variant is owned by an RAII type, so each path releases what it acquired.
#include "platform/process_query.h"

#include <memory>
#include <string>

#include "platform/win32/win32.h"

namespace ovr::platform {

namespace {

struct ComReleaser {
  void operator()(IUnknown *p) const noexcept {
    if (p != nullptr) p->Release();
  }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComReleaser>;

// A BSTR, freed with SysFreeString.
struct BstrFreer {
  void operator()(wchar_t *p) const noexcept { SysFreeString(p); }
};
using Bstr = std::unique_ptr<wchar_t, BstrFreer>;

Bstr MakeBstr(const std::wstring &text) {
  return Bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// A VARIANT that is cleared when it goes.
struct Variant {
  VARIANT value;
  Variant() { VariantInit(&value); }
  ~Variant() { VariantClear(&value); }
  Variant(const Variant &) = delete;
  Variant &operator=(const Variant &) = delete;
};

// The thread's use of COM, ended when it goes unless handed on.
struct ComUse {
  bool active = false;
  ~ComUse() {
    if (active) CoUninitialize();
  }
};

// `fragment` inside a WQL LIKE pattern, matched literally: quotes and backslashes are
// escaped, the pattern's wildcard characters bracketed.
std::wstring LikeLiteral(std::u16string_view fragment) {
  std::wstring out;
  for (char16_t c : fragment) {
    switch (c) {
      case u'\'':
      case u'\\':
        out += L'\\';
        out += static_cast<wchar_t>(c);
        break;
      case u'%':
      case u'_':
      case u'[':
        out += L'[';
        out += static_cast<wchar_t>(c);
        out += L']';
        break;
      default:
        out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

}  // namespace

struct ProcessQueryData {
  ComPtr<IWbemServices> services;
  ComUse com;
};

void CloseProcessQuery(ProcessQueryData *query) noexcept {
  if (query == nullptr) return;
  query->services.reset();  // released before COM use ends
  delete query;
}

int32_t ConnectProcessQuery(ProcessQuery &query, ProcessQueryStep &failedStep) {
  query.reset();
  CoUninitialize();
  auto data = std::make_unique<ProcessQueryData>();
  HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(hr)) {
    failedStep = ProcessQueryStep::InitializeCom;
    return hr;
  }
  data->com.active = true;

  IWbemLocator *rawLocator = nullptr;
  hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                        reinterpret_cast<void **>(&rawLocator));
  ComPtr<IWbemLocator> locator(rawLocator);
  if (FAILED(hr)) {
    failedStep = ProcessQueryStep::CreateLocator;
    return hr;
  }

  Bstr space = MakeBstr(L"root\\cimv2");
  IWbemServices *rawServices = nullptr;
  hr = locator->ConnectServer(space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                              &rawServices);
  data->services.reset(rawServices);
  if (FAILED(hr)) {
    failedStep = ProcessQueryStep::ConnectNamespace;
    return hr;
  }

  hr = CoSetProxyBlanket(data->services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                         RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  query.reset(data.release());
  if (FAILED(hr)) failedStep = ProcessQueryStep::SetProxyBlanket;
  return hr;
}

int32_t QueryProcessCommandLines(const ProcessQuery &query, std::u16string_view fragment,
                                 std::vector<std::u16string> &commandLines) {
  commandLines.clear();
  if (!query || !query->services) return E_POINTER;
  Bstr language = MakeBstr(L"WQL");
  Bstr text = MakeBstr(L"Select * from Win32_Process where CommandLine like '%" +
                       LikeLiteral(fragment) + L"%'");
  IEnumWbemClassObject *rawEnumerator = nullptr;
  HRESULT hr = query->services->ExecQuery(language.get(), text.get(),
                                          WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                          nullptr, &rawEnumerator);
  ComPtr<IEnumWbemClassObject> enumerator(rawEnumerator);
  if (FAILED(hr)) return hr;
  for (;;) {
    IWbemClassObject *rawObject = nullptr;
    ULONG returned = 0;
    enumerator->Next(WBEM_INFINITE, 1, &rawObject, &returned);
    ComPtr<IWbemClassObject> object(rawObject);
    if (returned == 0 || !object) break;
    Variant line;
    if (SUCCEEDED(object->Get(L"CommandLine", 0, &line.value, nullptr, nullptr)) &&
        line.value.vt == VT_BSTR && line.value.bstrVal != nullptr) {
      const wchar_t *chars = line.value.bstrVal;
      commandLines.emplace_back(chars, chars + SysStringLen(line.value.bstrVal));
    }
  }
  return S_OK;
}

}  // namespace ovr::platform
