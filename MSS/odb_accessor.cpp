#include "MSS/odb_accessor.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "MSS/odb_exception.h"
#include "TK/tk_trace.h"

namespace {
constexpr std::uint64_t slot_cap = 2000000;
}

odb_accessor::odb_accessor() { TK_TRACE(2, "odb_accessor::ctor"); }

odb_accessor::~odb_accessor() {
  TK_TRACE(2, "odb_accessor::dtor");
  if (accessor_ && handle_ != 0) accessor_->ReleaseAccessor(handle_, nullptr);
  CoTaskMemFree(buffer_);
  CoTaskMemFree(bindings_);
  CoTaskMemFree(status_);
}

DBLENGTH odb_accessor::max_length(DBTYPE type, DBLENGTH size) {
  switch (type) {
    case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 10: case 11:
    case 16: case 17: case 18: case 19: case 20: case 21:
      return 52;
    case 7: case 14: case 72: case 131: case 133: case 135:
      return 102;
    case 8: case 129: case 130:
      return static_cast<DBLENGTH>(2 * std::min<std::uint64_t>(std::uint64_t{size} + 1, slot_cap));
    case 128:
      return static_cast<DBLENGTH>(2 * std::min<std::uint64_t>(2 * std::uint64_t{size} + 1, slot_cap));
    default:
      return size == 0 ? static_cast<DBLENGTH>(slot_cap) : static_cast<DBLENGTH>(std::min<std::uint64_t>(size, slot_cap));
  }
}

void odb_accessor::bind(IRowset& rowset, DBORDINAL n, const DBCOLUMNINFO* info) {
  TK_TRACE(2, "odb_accessor::bind");
  TK_ASSERT(info != nullptr);
  count_ = n;
  info_ = info;
  bindings_ = static_cast<DBBINDING*>(CoTaskMemAlloc(sizeof(DBBINDING) * std::max<DBORDINAL>(n, 1)));
  TK_ASSERT(bindings_ != nullptr);
  DBLENGTH offset = 0;
  for (DBORDINAL i = 0; i < n; ++i) {
    DBBINDING& b = bindings_[i];
    std::memset(&b, 0, sizeof b);
    b.iOrdinal = i + 1;
    b.obStatus = offset;
    b.obLength = offset + 4;
    b.obValue = offset + 8;
    b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b.dwMemOwner = DBMEMOWNER_CLIENTOWNED;
    b.cbMaxLen = max_length(info[i].wType, info[i].ulColumnSize);
    b.wType = info[i].wType == DBTYPE_BYTES ? DBTYPE_BYTES : DBTYPE_WSTR;
    b.bPrecision = info[i].bPrecision;
    b.bScale = info[i].bScale;
    TK_TRACE(2, "Bind column #%d, type=%d, size=%d", static_cast<int>(i), static_cast<int>(info[i].wType),
             static_cast<int>(b.cbMaxLen));
    offset += b.cbMaxLen + 8;
  }
  row_size_ = offset;
  TK_TRACE(2, "Allocating bind-bufer, %d bytes", static_cast<int>(row_size_));
  buffer_ = static_cast<BYTE*>(CoTaskMemAlloc(std::max<DBLENGTH>(row_size_, 1)));
  TK_ASSERT(buffer_ != nullptr);
  status_ = static_cast<DBBINDSTATUS*>(CoTaskMemAlloc(sizeof(DBBINDSTATUS) * std::max<DBORDINAL>(n, 1)));
  TK_ASSERT(status_ != nullptr);
  odb_check(rowset.QueryInterface(IID_IAccessor, reinterpret_cast<void**>(accessor_.address())));
  odb_check(accessor_->CreateAccessor(DBACCESSOR_ROWDATA, n, bindings_, 0, &handle_, status_));
}

std::unique_ptr<odb_record> odb_accessor::get_record(IRowset& rowset, HROW row) {
  TK_TRACE(1, "odb_accessor::get_record");
  TK_ASSERT(buffer_ != nullptr);
  odb_check(rowset.GetData(row, handle_, buffer_));
  std::vector<std::optional<std::string>> whole(count_);
  for (DBORDINAL i = 0; i < count_; ++i) {
    DBSTATUS status = 0;
    DBLENGTH length = 0;
    std::memcpy(&status, buffer_ + bindings_[i].obStatus, sizeof status);
    std::memcpy(&length, buffer_ + bindings_[i].obLength, sizeof length);
    if (status == DBSTATUS_S_TRUNCATED) whole[i] = read_whole(rowset, row, i, length);
  }
  return std::make_unique<odb_record>(count_, buffer_, info_, bindings_, whole);
}

std::string odb_accessor::read_whole(IRowset& rowset, HROW row, DBORDINAL i, DBLENGTH length) {
  TK_TRACE(2, "Reading column #%d whole, %u bytes", static_cast<int>(i), static_cast<unsigned>(length));
  DBBINDING b = bindings_[i];
  b.obStatus = 0;
  b.obLength = 4;
  b.obValue = 8;
  b.cbMaxLen = length + 2;
  std::vector<BYTE> slot(std::size_t{8} + b.cbMaxLen);
  HACCESSOR handle = 0;
  DBBINDSTATUS status = 0;
  odb_check(accessor_->CreateAccessor(DBACCESSOR_ROWDATA, 1, &b, 0, &handle, &status));
  HRESULT hr = rowset.GetData(row, handle, slot.data());
  if (FAILED(hr)) {
    // The error object is read before the release clears it.
    TK_TRACE(2, "Error code: %08X", static_cast<unsigned>(hr));
    odb_exception error(hr);
    accessor_->ReleaseAccessor(handle, nullptr);
    throw error;
  }
  accessor_->ReleaseAccessor(handle, nullptr);
  DBLENGTH got = 0;
  std::memcpy(&got, slot.data() + 4, sizeof got);
  return std::string(reinterpret_cast<const char*>(slot.data() + 8), std::min<DBLENGTH>(got, length));
}
