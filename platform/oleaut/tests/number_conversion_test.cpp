// Money and decimal texts: parsing, rounding, limits and the text forms.
#include <gtest/gtest.h>

#include <string>

#include "platform/oleaut/oleauto.h"

namespace {

std::string take(BSTR bstr) {
  std::string text(bstr, SysStringByteLen(bstr));
  SysFreeString(bstr);
  return text;
}

std::string dec_text(const DECIMAL& dec) {
  BSTR bstr = nullptr;
  EXPECT_EQ(VarBstrFromDec(&dec, LOCALE_EN_US, 0, &bstr), S_OK);
  return take(bstr);
}

TEST(VarCyFromStr, ParsesRoundsAndRefuses) {
  struct Case { const char* text; HRESULT hr; long long ten_thousandths; } cases[] = {
      {"12.5", S_OK, 125000}, {"  -3 ", S_OK, -30000}, {"+0.0001", S_OK, 1}, {"1e3", S_OK, 10000000},
      {"0.00005", S_OK, 0}, {"0.00015", S_OK, 2},  // half to even
      {"0.000150001", S_OK, 2}, {"-0.00025", S_OK, -2},
      {"922337203685477.5807", S_OK, INT64_MAX}, {"-922337203685477.5808", S_OK, INT64_MIN},
      {"922337203685477.58074", S_OK, INT64_MAX}, {"922337203685477.5808", DISP_E_OVERFLOW, 0},
      {"-922337203685477.5809", DISP_E_OVERFLOW, 0}, {"1e30", DISP_E_OVERFLOW, 0},
      {"", DISP_E_TYPEMISMATCH, 0}, {"abc", DISP_E_TYPEMISMATCH, 0},
      {"1.2.3", DISP_E_TYPEMISMATCH, 0}, {"12,5", DISP_E_TYPEMISMATCH, 0},
      {"5x", DISP_E_TYPEMISMATCH, 0}, {"1e", DISP_E_TYPEMISMATCH, 0},
  };
  for (const Case& c : cases) {
    CY cy{};
    cy.int64 = 777;
    EXPECT_EQ(VarCyFromStr(c.text, LOCALE_EN_US, 0, &cy), c.hr) << c.text;
    EXPECT_EQ(cy.int64, c.hr == S_OK ? c.ten_thousandths : 777) << c.text;
  }
}

TEST(VarDecFromStr, KeepsPlacesAndLimits) {
  struct Case {
    const char* text;
    HRESULT hr;
    const char* rendered;
    int scale;
  } cases[] = {
      {"1.50", S_OK, "1.5", 2},
      {"-0.05", S_OK, "-0.05", 2},
      {"0", S_OK, "0", 0},
      {"-0", S_OK, "0", 0},
      {"1e2", S_OK, "100", 0},
      {"1.5e-3", S_OK, "0.0015", 4},
      {"9999999999999999999999999999", S_OK, "9999999999999999999999999999", 0},
      {"-9999999999999999999999999999", S_OK, "-9999999999999999999999999999", 0},
      {"0.9999999999999999999999999999", S_OK, "0.9999999999999999999999999999", 28},
      {"79228162514264337593543950335", S_OK, "79228162514264337593543950335", 0},
      // 29 places: rounded to 28, half to even
      {"0.00000000000000000000000000005", S_OK, "0", 28},
      {"0.00000000000000000000000000015", S_OK, "0.0000000000000000000000000002", 28},
      // too many digits for 96 bits: places are dropped
      {"1234567890123456789012345.6789", S_OK, "1234567890123456789012345.6789", 4},
      {"12345678901234567890123456.789", S_OK, "12345678901234567890123456.789", 3},
      {"123456789012345678901234567.895", S_OK, "123456789012345678901234567.9", 2},
      {"9234567890123456789012345678.5", S_OK, "9234567890123456789012345678", 0},
      {"79228162514264337593543950336", DISP_E_OVERFLOW, "", 0},
      {"1e29", DISP_E_OVERFLOW, "", 0},
      {"12345678901234567890123456789012345678", DISP_E_OVERFLOW, "", 0},
      {"1..5", DISP_E_TYPEMISMATCH, "", 0},
      {".", DISP_E_TYPEMISMATCH, "", 0},
  };
  for (const Case& c : cases) {
    DECIMAL dec{};
    ASSERT_EQ(VarDecFromStr(c.text, LOCALE_EN_US, 0, &dec), c.hr) << c.text;
    if (c.hr != S_OK) continue;
    EXPECT_EQ(dec_text(dec), c.rendered) << c.text;
    EXPECT_EQ(dec.scale, c.scale) << c.text;
  }
}

TEST(DecimalAndMoney, TextRoundTripsAtTheLimits) {
  const char* money[] = {"922337203685477.5807", "-922337203685477.5808", "0", "-0.0001",
                         "12.34", "100"};
  for (const char* text : money) {
    CY cy{};
    BSTR bstr = nullptr;
    ASSERT_EQ(VarCyFromStr(text, LOCALE_EN_US, 0, &cy), S_OK);
    ASSERT_EQ(VarBstrFromCy(cy, LOCALE_EN_US, 0, &bstr), S_OK);
    EXPECT_EQ(take(bstr), text);
  }
  const char* decimals[] = {"9999999999999999999999999999", "-9999999999999999999999999999",
                            "0.0000000000000000000000000001", "-123456789012345678.9012345678",
                            "79228162514264337593543950335"};
  for (const char* text : decimals) {
    DECIMAL dec{};
    ASSERT_EQ(VarDecFromStr(text, LOCALE_EN_US, 0, &dec), S_OK);
    EXPECT_EQ(dec_text(dec), text);
  }
}

TEST(DecimalAndMoney, TextsUseTheLocaleSeparatorAndRefuseScaleAbove28) {
  CY cy{};
  EXPECT_EQ(VarCyFromStr("12,5", 0x0407, 0, &cy), S_OK);
  EXPECT_EQ(cy.int64, 125000);
  DECIMAL dec = oleaut_make_decimal(true, 15, 1);
  BSTR bstr = nullptr;
  ASSERT_EQ(VarBstrFromDec(&dec, 0x040C, 0, &bstr), S_OK);
  EXPECT_EQ(take(bstr), "-1,5");
  dec.scale = 29;
  EXPECT_EQ(VarBstrFromDec(&dec, LOCALE_EN_US, 0, &bstr), E_INVALIDARG);
}

TEST(DecimalAndMoney, ToDoubleGivesTheNearestDouble) {
  CY cy{};
  cy.int64 = INT64_MIN;
  double d = 0;
  ASSERT_EQ(VarR8FromCy(cy, &d), S_OK);
  EXPECT_EQ(d, -922337203685477.5808);
  cy.int64 = 125000;
  ASSERT_EQ(VarR8FromCy(cy, &d), S_OK);
  EXPECT_EQ(d, 12.5);
  DECIMAL dec{};
  ASSERT_EQ(VarDecFromStr("0.1", LOCALE_EN_US, 0, &dec), S_OK);
  ASSERT_EQ(VarR8FromDec(&dec, &d), S_OK);
  EXPECT_EQ(d, 0.1);
  ASSERT_EQ(VarDecFromStr("-79228162514264337593543950335", LOCALE_EN_US, 0, &dec), S_OK);
  ASSERT_EQ(VarR8FromDec(&dec, &d), S_OK);
  EXPECT_EQ(d, -7.9228162514264337593543950335e28);
}

TEST(VarI4FromDec, RoundsHalfToEvenWithinRange) {
  struct Case {
    const char* text;
    HRESULT hr;
    LONG value;
  } cases[] = {
      {"2.5", S_OK, 2},          {"3.5", S_OK, 4},
      {"-2.5", S_OK, -2},        {"2.5000001", S_OK, 3},
      {"-2.7", S_OK, -3},        {"2147483647", S_OK, INT32_MAX},
      {"-2147483648", S_OK, INT32_MIN},
      {"2147483647.5", DISP_E_OVERFLOW, 0},
      {"-2147483649", DISP_E_OVERFLOW, 0},
  };
  for (const Case& c : cases) {
    DECIMAL dec{};
    ASSERT_EQ(VarDecFromStr(c.text, LOCALE_EN_US, 0, &dec), S_OK) << c.text;
    LONG value = 99;
    EXPECT_EQ(VarI4FromDec(&dec, &value), c.hr) << c.text;
    EXPECT_EQ(value, c.hr == S_OK ? c.value : 99) << c.text;
  }
}

}  // namespace

namespace {

// What a conversion gives by way of the value's text, the general way:
// the value to text, then the text to the wanted type.
HRESULT through_text(const VARIANT& src, VARTYPE vt, VARIANT& out) {
  VARIANT text;
  VariantInit(&text);
  HRESULT hr = VariantChangeType(&text, &src, 0, VT_BSTR);
  if (SUCCEEDED(hr)) hr = VariantChangeType(&out, &text, 0, vt);
  VariantClear(&text);
  return hr;
}

void expect_as_through_text(const VARIANT& src, VARTYPE vt) {
  VARIANT direct, reference;
  VariantInit(&direct);
  VariantInit(&reference);
  const HRESULT got = VariantChangeType(&direct, &src, 0, vt);
  const HRESULT want = through_text(src, vt, reference);
  ASSERT_EQ(got, want) << "from vt " << src.vt << " to " << vt;
  if (SUCCEEDED(want)) {
    EXPECT_EQ(direct.vt, reference.vt);
    EXPECT_EQ(direct.llVal, reference.llVal) << "from vt " << src.vt << " to " << vt;
  }
}

}  // namespace

// Integers between integer types, and decimals of up to four places to
// money, convert without text; the results and refusals must stay those of
// the text way.
TEST(DirectConversions, GiveWhatTheTextWayGives) {
  const VARTYPE integers[] = {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT};
  const long long samples[] = {0, 1, -1, 127, 128, -128, -129, 255, 256, 32767, 32768, -32768, -32769,
                               65535, 65536, 2147483647LL, 2147483648LL, -2147483648LL, -2147483649LL,
                               4294967295LL, 4294967296LL, INT64_MAX, INT64_MIN};
  for (VARTYPE from : integers) {
    for (long long sample : samples) {
      VARIANT src;
      VariantInit(&src);
      VARIANT wide;
      VariantInit(&wide);
      wide.vt = VT_I8;
      wide.llVal = sample;
      // Samples the source type cannot hold are skipped, not wrapped.
      if (FAILED(through_text(wide, from, src))) continue;
      for (VARTYPE to : integers) expect_as_through_text(src, to);
    }
  }
  // A Boolean counts as its number: True is -1, which no unsigned type holds.
  for (VARTYPE to : integers) {
    VARIANT yes, no, out;
    VariantInit(&yes), VariantInit(&no), VariantInit(&out);
    yes.vt = no.vt = VT_BOOL;
    yes.boolVal = VARIANT_TRUE;
    no.boolVal = VARIANT_FALSE;
    const bool is_signed = to == VT_I1 || to == VT_I2 || to == VT_I4 || to == VT_I8 || to == VT_INT;
    ASSERT_EQ(VariantChangeType(&out, &yes, 0, to), is_signed ? S_OK : DISP_E_OVERFLOW) << to;
    if (is_signed) {
      EXPECT_EQ(out.vt == VT_I8 ? out.llVal : out.vt == VT_I4 || out.vt == VT_INT ? out.lVal
                : out.vt == VT_I2 ? out.iVal : out.cVal, -1);
    }
    ASSERT_EQ(VariantChangeType(&out, &no, 0, to), S_OK) << to;
    EXPECT_EQ(out.llVal, 0);
  }

  const char* decimals[] = {"0", "-0", "12.34", "-0.0001", "9.99", "15999.95", "922337203685477.5807",
                            "-922337203685477.5808", "922337203685477.5808", "-922337203685477.5809",
                            "79228162514264337593543950335", "-79228162514264337593543950335",
                            "1.00005", "0.00005", "-2.12345", "123456789.123456789"};
  for (const char* text : decimals) {
    VARIANT src;
    VariantInit(&src);
    ASSERT_EQ(VarDecFromStr(text, LOCALE_EN_US, 0, &src.decVal), S_OK) << text;
    src.vt = VT_DECIMAL;  // the decimal's first word is the variant's type
    expect_as_through_text(src, VT_CY);
    expect_as_through_text(src, VT_R8);
  }
  // Every scale, both signs, digits across the range and around 2^53.
  unsigned long long x = 88172645463325252ULL;
  for (int i = 0; i < 40000; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    VARIANT src;
    VariantInit(&src);
    src.decVal.scale = static_cast<BYTE>(i % 29);
    src.decVal.sign = (i & 1) ? DECIMAL_NEG : 0;
    src.decVal.Hi32 = (i % 7 == 0) ? static_cast<ULONG>(x >> 60) : 0;
    src.decVal.Lo64 = i % 5 == 0 ? (1ULL << 53) + (x % 5) - 2 : x >> (i % 64);
    src.vt = VT_DECIMAL;
    expect_as_through_text(src, VT_CY);
    expect_as_through_text(src, VT_R8);
  }
}
