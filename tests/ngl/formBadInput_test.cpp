// Damaged form data: every prefix and every single-byte change reads or fails cleanly, nothing is
// leaked or half added; huge counts and lengths fail without large allocations.
#include <gtest/gtest.h>

#include <chrono>

#include "NGLForm.h"
#include "nglTestSupport.h"

namespace {

std::vector<uint8_t> sampleForm() {
  Form form;
  form.background().setKind(1);
  form.background().setColour(0xFF102030);
  for (int i = 0; i < 3; ++i) {
    Widget* w = WidgetRegistry::create(i == 1 ? kAltClass : kProbeClass);
    w->setId(100 + i);
    w->setRect({i * 10, 5, i * 10 + 8, 25});
    if (i == 1) w->setAlternativeClassName(kAltClass);
    form.addWidget(w);
  }
  VectorStream out(4096);
  form.write(out);
  return out.written();
}

// Every widget in the form is whole: attached nowhere else, registered class, readable id.
void expectConsistent(const Form& form, size_t maxWidgets) {
  EXPECT_LE(form.widgets().size(), maxWidgets);
  for (Widget* w : form.widgets()) {
    EXPECT_FALSE(w->className().empty());
    EXPECT_TRUE(w->isVisible());
  }
}

}  // namespace

TEST(FormBadInput, EveryPrefixFails) {
  const std::vector<uint8_t> full = sampleForm();
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<uint8_t> prefix(full.begin(), full.begin() + long(n));
    {
      Form form;
      VectorStream in(prefix);
      EXPECT_FALSE(form.read(in)) << n;
      expectConsistent(form, 2);
    }
    ASSERT_EQ(ProbeWidget::live, 0) << n;
  }
}

TEST(FormBadInput, EverySingleByteChange) {
  const std::vector<uint8_t> full = sampleForm();
  int succeeded = 0;
  for (size_t i = 0; i < full.size(); ++i) {
    for (uint8_t value : {uint8_t(full[i] ^ 0xFF), uint8_t(full[i] + 1), uint8_t(0x7F), uint8_t(0x00)}) {
      if (value == full[i]) continue;
      std::vector<uint8_t> changed = full;
      changed[i] = value;
      {
        Form form;
        VectorStream in(changed);
        if (form.read(in)) ++succeeded;
        expectConsistent(form, 3);
        // A damaged form still writes what it holds.
        VectorStream out(64 * 1024);
        form.write(out);
      }
      ASSERT_EQ(ProbeWidget::live, 0) << i;
    }
  }
  // Changes inside colours, ids and rectangles read fine; the rest of the bytes fail.
  EXPECT_GT(succeeded, 0);
}

TEST(FormBadInput, HugeCountsAndLengthsFailQuickly) {
  const auto start = std::chrono::steady_clock::now();
  {
    Bytes data;
    data.u32(4).fill(1, 0, 0).u32(10).u32(10).u32(0x7FFFFFFF);
    Form form;
    VectorStream in(data.data);
    EXPECT_FALSE(form.read(in));
  }
  for (uint32_t length : {0x7FFFFFFFu, 0xFFFFFFF0u, 1000u}) {
    Bytes data;
    data.u32(4).fill(1, 0, 0).u32(10).u32(10).u32(1).u32(1).u32(5).u32(length).u32(0);
    Form form;
    VectorStream in(data.data);
    EXPECT_FALSE(form.read(in)) << length;
    EXPECT_TRUE(form.widgets().empty());
  }
  {
    // The alternative name's length runs past the end.
    Bytes data;
    data.u32(4).fill(1, 0, 0).u32(10).u32(10).u32(1).u32(1).u32(5).str("Probe").u32(0x7FFFFFFF);
    Form form;
    VectorStream in(data.data);
    EXPECT_FALSE(form.read(in));
  }
  // No gigabyte was taken on the way (that would take far longer than this).
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 500);
  EXPECT_EQ(ProbeWidget::live, 0);
}
