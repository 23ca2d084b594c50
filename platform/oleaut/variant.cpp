#include "platform/oleaut/variant.h"

#include "platform/oleaut/bstr.h"
#include "platform/oleaut/safearray.h"
#include "platform/oleaut/unknown.h"

void VariantInit(VARIANTARG* v) {
  if (v != nullptr) v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* v) {
  if (v == nullptr) return E_INVALIDARG;
  if ((v->vt & VT_BYREF) == 0) {
    if (v->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(v->parray);
      if (FAILED(hr)) return hr;
    } else if (v->vt == VT_BSTR) {
      SysFreeString(v->bstrVal);
    } else if ((v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) && v->punkVal != nullptr) {
      v->punkVal->Release();
    }
  }
  v->vt = VT_EMPTY;
  v->llVal = 0;
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (dest == src) return S_OK;
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) return hr;
  VARIANT copy = *src;  // every plain value, DECIMAL included
  if ((src->vt & VT_BYREF) == 0) {
    if (src->vt & VT_ARRAY) {
      hr = SafeArrayCopy(src->parray, &copy.parray);
    } else if (src->vt == VT_BSTR && src->bstrVal != nullptr) {
      copy.bstrVal = SysAllocStringByteLen(src->bstrVal, SysStringByteLen(src->bstrVal));
      if (copy.bstrVal == nullptr) hr = E_OUTOFMEMORY;
    } else if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal != nullptr) {
      src->punkVal->AddRef();
    }
  }
  if (FAILED(hr)) return hr;
  *dest = copy;
  return S_OK;
}
