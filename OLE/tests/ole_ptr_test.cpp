// ole_com_ptr and ole_bstr: ownership of COM references and BSTRs.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "OLE/ole_misc.h"
#include "OLE/ole_ptr.h"

namespace {

struct counted : com_object<IUnknown> {
  explicit counted(int* destroyed) : destroyed_(destroyed) {}
  ~counted() override { ++*destroyed_; }
  int* destroyed_;
};

TEST(ComPtr, ReleasesItsReferenceAndTracesWhatIsLeft) {
  if (tk_trace_sink::active()) GTEST_SKIP() << "QUILL_TRACE installed a sink";
  std::string trace = std::string(QUILL_BINARY_DIR) + "/ole_ptr_test.trace";
  int destroyed = 0;
  {
    tk_trace_sink sink(trace, 1, true, false);
    IUnknown* raw = new counted(&destroyed);
    raw->AddRef();
    { ole_com_ptr<IUnknown> empty; }
    {
      ole_com_ptr<IUnknown> p(raw);
      EXPECT_EQ(ole_get_ref_count(p.get()), 2u);
    }
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(raw->Release(), 0u);
  }
  EXPECT_EQ(destroyed, 1);
  std::stringstream text;
  text << std::ifstream(trace).rdbuf();
  std::remove(trace.c_str());
  EXPECT_EQ(text.str(), "ole_com_ptr<T>::~ole_com_ptr() - 1 refs left\r\n");
}

TEST(ComPtr, MovesDetachesAndRefillsThroughItsAddress) {
  int destroyed = 0;
  ole_com_ptr<IUnknown> a(new counted(&destroyed));
  ole_com_ptr<IUnknown> b(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_TRUE(b);
  IUnknown** slot = b.address();  // releases the held reference
  EXPECT_EQ(destroyed, 1);
  *slot = new counted(&destroyed);
  IUnknown* raw = b.detach();
  EXPECT_FALSE(b);
  b.reset(raw);
  b = ole_com_ptr<IUnknown>();
  EXPECT_EQ(destroyed, 2);
  EXPECT_THROW(b->AddRef(), tk_mail_assertion);
  EXPECT_THROW(ole_get_ref_count(nullptr), tk_mail_assertion);
}

TEST(Bstr, HoldsNarrowBytesAndIsNeverMissingForText) {
  ole_bstr empty("");
  ASSERT_NE(empty.get(), nullptr);
  EXPECT_EQ(SysStringByteLen(empty.get()), 0u);
  ole_bstr name(std::string("Kunden\xC3\xA4"));
  EXPECT_EQ(SysStringByteLen(name.get()), 8u);
  EXPECT_EQ(name.to_string(), "Kunden\xC3\xA4");
  ole_bstr moved(std::move(name));
  EXPECT_EQ(name.get(), nullptr);
  BSTR* out = moved.address();
  EXPECT_EQ(*out, nullptr);
  *out = SysAllocString("filled");
  EXPECT_EQ(moved.to_string(), "filled");
  EXPECT_NE(ole_bstr(static_cast<const char*>(nullptr)).get(), nullptr);
}

}  // namespace
