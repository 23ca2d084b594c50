// VARIANT ownership (BSTR, SAFEARRAY, COM references) and type changes.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>

#include "platform/oleaut/oleauto.h"

namespace {

VARIANT text_variant(const char* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringByteLen(text, static_cast<UINT>(std::strlen(text)));
  return v;
}

class counted : public com_object<IUnknown> {
 public:
  explicit counted(int* destroyed) : destroyed_(destroyed) {}
  ~counted() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(Bstr, KeepsBytesAndLength) {
  BSTR b = SysAllocStringByteLen("a\0b", 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringByteLen(b), 3u);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(std::memcmp(b, "a\0b\0", 4), 0);
  SysFreeString(b);
  BSTR empty = SysAllocString("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST(SafeArray, ResizesKeepingContentsAndGuardsLocks) {
  SAFEARRAYBOUND bound{3, 0};
  SAFEARRAY* psa = SafeArrayCreate(VT_UI1, 1, &bound);
  ASSERT_NE(psa, nullptr);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  std::memcpy(data, "xyz", 3);
  SAFEARRAYBOUND bigger{5, 0};
  EXPECT_EQ(SafeArrayRedim(psa, &bigger), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  ASSERT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);
  ASSERT_EQ(SafeArrayRedim(psa, &bigger), S_OK);
  LONG lower = -1, upper = -1;
  ASSERT_EQ(SafeArrayGetLBound(psa, 1, &lower), S_OK);
  ASSERT_EQ(SafeArrayGetUBound(psa, 1, &upper), S_OK);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, 4);
  EXPECT_EQ(std::memcmp(psa->pvData, "xyz\0\0", 5), 0);
  EXPECT_EQ(SafeArrayGetUBound(psa, 2, &upper), DISP_E_BADINDEX);
  SAFEARRAYBOUND none{0, 0};
  ASSERT_EQ(SafeArrayRedim(psa, &none), S_OK);
  ASSERT_EQ(SafeArrayGetUBound(psa, 1, &upper), S_OK);
  EXPECT_EQ(upper, -1);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, &bound), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_UI1, 0, &bound), nullptr);
}

TEST(Variant, CopyIsDeepAndClearReleases) {
  VARIANT text = text_variant("hello");
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
  EXPECT_NE(copy.bstrVal, text.bstrVal);
  EXPECT_STREQ(copy.bstrVal, "hello");
  EXPECT_EQ(VariantCopy(&copy, &copy), S_OK);

  SAFEARRAYBOUND bound{2, 0};
  VARIANT bytes;
  bytes.vt = VT_ARRAY | VT_UI1;
  bytes.parray = SafeArrayCreate(VT_UI1, 1, &bound);
  ASSERT_EQ(VariantCopy(&copy, &bytes), S_OK);  // releases the copied BSTR
  EXPECT_NE(copy.parray, bytes.parray);

  int destroyed = 0;
  VARIANT unk;
  unk.vt = VT_UNKNOWN;
  unk.punkVal = new counted(&destroyed);
  ASSERT_EQ(VariantCopy(&copy, &unk), S_OK);
  EXPECT_EQ(VariantClear(&unk), S_OK);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(VariantClear(&copy), S_OK);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(copy.vt, VT_EMPTY);
  VariantClear(&bytes);
  VariantClear(&text);
}

TEST(Variant, DecimalFillsTheWholeVariant) {
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(VarDecFromStr("-1.25", LOCALE_EN_US, 0, &v.decVal), S_OK);
  v.vt = VT_DECIMAL;
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &v), S_OK);
  EXPECT_EQ(copy.decVal.scale, 2);
  EXPECT_EQ(copy.decVal.sign, DECIMAL_NEG);
  EXPECT_EQ(copy.decVal.Lo64, 125u);
}

TEST(VariantChangeType, TextToEveryTarget) {
  struct Case {
    const char* text;
    VARTYPE vt;
    HRESULT hr;
    long long integer;  // integer targets; doubles compare with value below
    double value;
  } cases[] = {
      {"-128", VT_I1, S_OK, -128, 0},        {"128", VT_I1, DISP_E_OVERFLOW, 0, 0},
      {"255", VT_UI1, S_OK, 255, 0},         {"-1", VT_UI1, DISP_E_OVERFLOW, 0, 0},
      {"32767", VT_I2, S_OK, 32767, 0},      {"70000", VT_I2, DISP_E_OVERFLOW, 0, 0},
      {"2.5", VT_I4, S_OK, 2, 0},            {" 7 ", VT_INT, S_OK, 7, 0},
      {"4294967295", VT_UINT, S_OK, 4294967295LL, 0},
      {"4294967296", VT_UI4, DISP_E_OVERFLOW, 0, 0},
      {"-9223372036854775808", VT_I8, S_OK, INT64_MIN, 0},
      {"1.5", VT_R8, S_OK, 0, 1.5},          {"1e400", VT_R8, DISP_E_OVERFLOW, 0, 0},
      {"1e39", VT_R4, DISP_E_OVERFLOW, 0, 0}, {"0.25", VT_R4, S_OK, 0, 0.25},
      {"3.40282347E+38", VT_R4, S_OK, 0, FLT_MAX},  // the largest real as written
      {"3.4028236E+38", VT_R4, DISP_E_OVERFLOW, 0, 0},
      {"abc", VT_I4, DISP_E_TYPEMISMATCH, 0, 0},
      {"true", VT_BOOL, S_OK, -1, 0},        {"0", VT_BOOL, S_OK, 0, 0},
      {"x", VT_DISPATCH, DISP_E_TYPEMISMATCH, 0, 0},
      {"x", VT_ERROR, DISP_E_TYPEMISMATCH, 0, 0},
      {"x", 15, DISP_E_BADVARTYPE, 0, 0},    {"x", VT_RECORD, DISP_E_BADVARTYPE, 0, 0},
  };
  for (const Case& c : cases) {
    VARIANT v = text_variant(c.text);
    HRESULT hr = VariantChangeType(&v, &v, 0, c.vt);
    EXPECT_EQ(hr, c.hr) << c.text << " to " << c.vt;
    if (hr != S_OK) {
      EXPECT_EQ(v.vt, VT_BSTR);  // failure leaves the value as it was
    } else if (c.vt == VT_R8) {
      EXPECT_EQ(v.dblVal, c.value);
    } else if (c.vt == VT_R4) {
      EXPECT_EQ(v.fltVal, c.value);
    } else if (c.vt == VT_BOOL) {
      EXPECT_EQ(v.boolVal, c.integer);
    } else if (c.vt == VT_UI4 || c.vt == VT_UINT) {
      EXPECT_EQ(v.ulVal, c.integer);
    } else if (c.vt == VT_I8) {
      EXPECT_EQ(v.llVal, c.integer);
    } else {
      VARIANT as_long;
      VariantInit(&as_long);
      ASSERT_EQ(VariantChangeType(&as_long, &v, 0, VT_I4), S_OK);
      EXPECT_EQ(as_long.lVal, c.integer) << c.text;
    }
    VariantClear(&v);
  }
}

TEST(VariantChangeType, EmptyNullMoneyAndDates) {
  VARIANT v = text_variant("anything");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_NULL), S_OK);
  EXPECT_EQ(v.vt, VT_NULL);
  EXPECT_EQ(VariantChangeType(&v, &v, 0, VT_EMPTY), DISP_E_TYPEMISMATCH);

  VARIANT money;
  money.vt = VT_CY;
  money.cyVal.int64 = -125000;
  VARIANT text;
  VariantInit(&text);
  ASSERT_EQ(VariantChangeType(&text, &money, 0, VT_BSTR), S_OK);
  EXPECT_STREQ(text.bstrVal, "-12.5");
  ASSERT_EQ(VariantChangeType(&text, &text, 0, VT_CY), S_OK);
  EXPECT_EQ(text.cyVal.int64, -125000);

  VARIANT date = text_variant("1/2/2004 1:02:03 PM");
  ASSERT_EQ(VariantChangeType(&date, &date, 0, VT_DATE), S_OK);
  ASSERT_EQ(VariantChangeType(&date, &date, 0, VT_BSTR), S_OK);
  EXPECT_STREQ(date.bstrVal, "1/2/2004 1:02:03 PM");
  VariantClear(&date);

  VARIANT big;
  big.vt = VT_UI8;
  big.ullVal = UINT64_MAX;
  ASSERT_EQ(VariantChangeType(&big, &big, 0, VT_DECIMAL), S_OK);
  EXPECT_EQ(big.decVal.Lo64, UINT64_MAX);
  EXPECT_EQ(VariantChangeType(&big, &big, 0, VT_I8), DISP_E_OVERFLOW);
}

TEST(ComObject, CountsReferencesAndAnswersItsInterfaces) {
  int destroyed = 0;
  IUnknown* object = new counted(&destroyed);
  void* out = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, object);
  const IID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(object->QueryInterface(other, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(object->AddRef(), 3u);
  EXPECT_EQ(object->Release(), 2u);
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
