// Copying, moving and re-filling ole_variant values: every value keeps its
// content and nothing leaks (the sanitizer build checks the latter).
#include <gtest/gtest.h>

#include <string>

#include "OLE/ole_var.h"

namespace {

TEST(Copy, EveryKindOfValueIsCopiedDeeplyAndMovedWhole) {
  const unsigned char bytes[] = {1, 2, 3};
  const ole_variant values[] = {
      ole_variant(-5LL), ole_variant(18446744073709551615ULL), ole_variant("text"),
      ole_variant(3, bytes), ole_variant::from_string("-1.5", VT_DECIMAL),
      ole_variant::from_string("12.34", VT_CY),
      ole_variant::from_string("2005-01-31 10:20:30", VT_DATE), ole_variant(2.5)};
  for (const ole_variant& original : values) {
    ole_variant copied(original);
    ole_variant assigned("previous text");
    assigned = original;
    EXPECT_EQ(copied.vt(), original.vt());
    EXPECT_EQ(copied.to_string(), original.to_string());
    EXPECT_EQ(assigned.vt(), original.vt());
    EXPECT_EQ(assigned.to_string(), original.to_string());
    ole_variant moved(std::move(copied));
    EXPECT_EQ(moved.to_string(), original.to_string());
    EXPECT_EQ(copied.vt(), VT_EMPTY);
  }
  ole_variant text("abc");
  ole_variant copy(text);
  EXPECT_NE(copy.variant().bstrVal, text.variant().bstrVal);
}

TEST(Copy, AssigningOrMovingOverEightByteIntegersResetsTheSideValues) {
  ole_variant v(-5LL);
  v = ole_variant(7);
  EXPECT_EQ(v.hyper_value(), 0);
  EXPECT_EQ(v.to_string(), "7");
  v = ole_variant(9ULL);
  EXPECT_EQ(v.uhyper_value(), 9u);
  EXPECT_EQ(v.hyper_value(), 0);
  EXPECT_EQ(v.variant().ullVal, 9u);  // the raw VARIANT carries it too
  ole_variant& self = v;
  v = self;
  EXPECT_EQ(v.to_string(), "9");
  ole_variant wide(-7LL);
  v = std::move(wide);
  EXPECT_EQ(v.to_string(), "-7");
  EXPECT_EQ(wide.hyper_value(), 0);
}

TEST(Binary, AllocateResizesKeepingLeadingBytesAndAttachReplaces) {
  const char bytes[] = {0x10, 0x20, 0x30};
  ole_variant v(3, bytes);
  // the last step: an empty array grows again
  for (auto [count, shown] : {std::pair{5, "0x1020300000"}, {1, "0x10"}, {0, ""}, {2, "0x0000"}}) {
    v.allocate_safe_array(count);
    EXPECT_EQ(v.to_string(), shown) << count;
  }
  v.attach_string("now text");
  EXPECT_EQ(v.vt(), VT_BSTR);
  v.attach_string("other text");
  EXPECT_EQ(v.to_string(), "other text");
  v.attach_string(std::string_view(v.variant().bstrVal + 6, 4));  // a piece of its own text
  EXPECT_EQ(v.to_string(), "text");
  v.attach_binary(1, "\x7F");
  EXPECT_EQ(v.to_string(), "0x7F");
  EXPECT_THROW(v.attach_binary(1, nullptr), tk_mail_assertion);
}

TEST(Binary, TextFormShowsTheFirst327680BytesOfOneDimension) {
  std::string bytes(0x50001, '\xAB');
  ole_variant v(bytes.size(), bytes.data());
  std::string text = v.to_string();
  EXPECT_EQ(text.size(), 2 + 2 * 0x50000u);
  EXPECT_EQ(text.substr(0, 6), "0xABAB");
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  SafeArrayDestroy(v.variant().parray);
  v.variant().parray = SafeArrayCreate(VT_UI1, 2, bounds);
  EXPECT_EQ(v.to_string(), "");  // two dimensions: no text
}

TEST(Constructors, OutOfRangeSystemTimeAndNullTextGiveNoValue) {
  SYSTEMTIME bad{2005, 2, 0, 30, 0, 0, 0, 0};
  EXPECT_EQ(ole_variant(bad).vt(), VT_EMPTY);
  SYSTEMTIME good{2005, 2, 0, 28, 0, 0, 0, 0};
  EXPECT_EQ(ole_variant(good).vt(), VT_DATE);
  EXPECT_EQ(ole_variant(static_cast<const char*>(nullptr)).to_string(), "");
}

}  // namespace
