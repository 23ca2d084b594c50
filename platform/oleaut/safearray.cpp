#include "platform/oleaut/safearray.h"

#include <cstdlib>
#include <cstring>

namespace {

std::size_t header_size(UINT dims) {
  return sizeof(SAFEARRAY) + (std::size_t{dims} - 1) * sizeof(SAFEARRAYBOUND);
}

// Bytes of data, or SIZE_MAX when the shape cannot be held.
std::size_t data_size(const SAFEARRAY* psa) {
  std::size_t total = psa->cbElements;
  for (UINT d = 0; d < psa->cDims; ++d) {
    std::size_t count = psa->rgsabound[d].cElements;
    if (count != 0 && total > (SIZE_MAX / 2) / count) return SIZE_MAX;
    total *= count;
  }
  return total;
}

void* allocate_data(std::size_t size) {
  return std::calloc(size == 0 ? 1 : size, 1);
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds) {
  if ((vt != VT_UI1 && vt != VT_I1) || dims == 0 || dims > 0xFFFF || bounds == nullptr)
    return nullptr;
  auto* psa = static_cast<SAFEARRAY*>(std::calloc(1, header_size(dims)));
  if (psa == nullptr) return nullptr;
  psa->cDims = static_cast<USHORT>(dims);
  psa->cbElements = 1;
  std::memcpy(psa->rgsabound, bounds, dims * sizeof(SAFEARRAYBOUND));
  std::size_t size = data_size(psa);
  psa->pvData = size == SIZE_MAX ? nullptr : allocate_data(size);
  if (psa->pvData == nullptr) {
    std::free(psa);
    return nullptr;
  }
  return psa;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (psa == nullptr) return S_OK;
  if (psa->cLocks != 0) return DISP_E_ARRAYISLOCKED;
  std::free(psa->pvData);
  std::free(psa);
  return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* psa, const SAFEARRAYBOUND* bound) {
  if (psa == nullptr || bound == nullptr) return E_INVALIDARG;
  if (psa->cLocks != 0) return DISP_E_ARRAYISLOCKED;
  SAFEARRAYBOUND& last = psa->rgsabound[psa->cDims - 1];
  std::size_t old_size = data_size(psa);
  SAFEARRAYBOUND saved = last;
  last = *bound;
  std::size_t new_size = data_size(psa);
  void* data = new_size == SIZE_MAX ? nullptr : allocate_data(new_size);
  if (data == nullptr) {
    last = saved;
    return E_OUTOFMEMORY;
  }
  std::memcpy(data, psa->pvData, old_size < new_size ? old_size : new_size);
  std::free(psa->pvData);
  psa->pvData = data;
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cDims; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT dim, LONG* out) {
  if (psa == nullptr || out == nullptr) return E_INVALIDARG;
  if (dim == 0 || dim > psa->cDims) return DISP_E_BADINDEX;
  *out = psa->rgsabound[dim - 1].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT dim, LONG* out) {
  if (psa == nullptr || out == nullptr) return E_INVALIDARG;
  if (dim == 0 || dim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = psa->rgsabound[dim - 1];
  *out = static_cast<LONG>(static_cast<LONGLONG>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data) {
  if (psa == nullptr || data == nullptr) return E_INVALIDARG;
  ++psa->cLocks;
  *data = psa->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (psa == nullptr) return S_OK;
  VARTYPE vt = VT_UI1;
  SAFEARRAY* copy = SafeArrayCreate(vt, psa->cDims, psa->rgsabound);
  if (copy == nullptr) return E_OUTOFMEMORY;
  std::memcpy(copy->pvData, psa->pvData, data_size(psa));
  *out = copy;
  return S_OK;
}
