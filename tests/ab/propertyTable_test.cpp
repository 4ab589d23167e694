// The string-keyed property table: hashing, lookup, rebuild at 75 % load, iteration, ownership.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ABPropertyTable.h"

namespace {
int g_deleted = 0;
class Counted : public PropertyObject {
 public:
  explicit Counted(int v) : value(v) {}
  ~Counted() override { ++g_deleted; }
  int value;
};
}  // namespace

TEST(PropertyTable, HashXorsBytesShiftedByZeroToThreeBitsInTurn) {
  // 'A' 0x41 << 0, 'B' 0x42 << 1, 'C' 0x43 << 2, 'D' 0x44 << 3, 'E' 0x45 << 0.
  const uint32_t expected = (0x41u) ^ (0x42u << 1) ^ (0x43u << 2) ^ (0x44u << 3) ^ 0x45u;
  EXPECT_EQ(propertyHash("ABCDE", 0xFFFFFFFFu), expected);
  EXPECT_EQ(propertyHash("ABCDE", 31u), expected & 31u);
  EXPECT_EQ(propertyHash("", 31u), 0u);
}

TEST(PropertyTable, FindsEveryKeyAcrossRebuildsAndOwnsItsObjects) {
  g_deleted = 0;
  {
    PropertyTable t(32);
    EXPECT_EQ(t.bucketCount(), 32u);
    for (int i = 0; i < 23; ++i) ASSERT_TRUE(t.insert(("Key" + std::to_string(i)).c_str(), new Counted(i)));
    EXPECT_EQ(t.bucketCount(), 32u);  // 23 < 24 = 75 % of 32
    ASSERT_TRUE(t.insert("Key23", new Counted(23)));
    EXPECT_EQ(t.bucketCount(), 64u);  // the 24th entry rebuilds with twice the buckets
    for (int i = 24; i < 200; ++i) ASSERT_TRUE(t.insert(("Key" + std::to_string(i)).c_str(), new Counted(i)));
    EXPECT_EQ(t.count(), 200u);
    EXPECT_EQ(t.bucketCount(), 512u);
    for (int i = 0; i < 200; ++i) {
      Counted* c = static_cast<Counted*>(t.find(("Key" + std::to_string(i)).c_str()));
      ASSERT_NE(c, nullptr) << i;
      EXPECT_EQ(c->value, i);
    }
    EXPECT_EQ(t.find("Key200"), nullptr);
    EXPECT_EQ(t.find(""), nullptr);
    EXPECT_EQ(t.find(nullptr), nullptr);
    EXPECT_FALSE(t.insert(nullptr, new Counted(-1)));  // refused and freed
    EXPECT_EQ(g_deleted, 1);

    std::set<int> seen;
    const char* key = nullptr;
    t.rewind();
    while (PropertyObject* o = t.next(&key)) {
      EXPECT_EQ(std::string(key), "Key" + std::to_string(static_cast<Counted*>(o)->value));
      seen.insert(static_cast<Counted*>(o)->value);
    }
    EXPECT_EQ(seen.size(), 200u);
  }
  EXPECT_EQ(g_deleted, 201);
}

TEST(PropertyTable, LaterInsertUnderTheSameKeyIsFoundFirst) {
  PropertyTable t;
  t.insert("Latency", new Counted(1));
  t.insert("Latency", new Counted(2));
  EXPECT_EQ(static_cast<Counted*>(t.find("Latency"))->value, 2);
  EXPECT_EQ(t.find("latency"), nullptr);  // keys compare exactly
}
