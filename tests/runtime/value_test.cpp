#include <gtest/gtest.h>

#include "../support.hpp"

using namespace kolvar;

TEST(Value, CopiesOfRecordsAndCellsAreIndependentAfterAChange) {
  Value a;
  a.setField("root", 1.0);
  a.setField("scanner", Value(Matrix::column({0, 4, 0})));
  Value b = a;
  b.setField("root", 2.0);
  b.setField("extra", "x");
  EXPECT_EQ(a.field("root").scalar(), 1.0);
  EXPECT_FALSE(a.hasField("extra"));
  EXPECT_EQ(b.field("root").scalar(), 2.0);
  EXPECT_EQ(b.fieldNames(), (std::vector<std::string>{"root", "scanner", "extra"}));

  Value c = Value::cellRow({1.0, "two"});
  Value d = c;
  d.setAt(1, "three");
  EXPECT_EQ(c.at(1).text(), "two");
  EXPECT_EQ(d.at(1).text(), "three");
  EXPECT_THROW(c.at(2), Error);
}

TEST(Value, EmptinessAndTruthFollowTheElements) {
  EXPECT_TRUE(Value().isEmpty());
  EXPECT_TRUE(Value("").isEmpty());
  EXPECT_TRUE(Value(Matrix()).isEmpty());
  EXPECT_FALSE(Value(0.0).isEmpty());
  EXPECT_FALSE(Value(0.0).isTrue());
  EXPECT_TRUE(Value::row({1, 2}).isTrue());
  EXPECT_FALSE(Value::row({1, 0}).isTrue());
  EXPECT_FALSE(Value().isTrue());
  EXPECT_FALSE(Value("on").isTrue());
}

TEST(Value, MissingFieldAndWrongKindRaiseReadableErrors) {
  Value r;
  r.setField("a", 1.0);
  EXPECT_EQ(messageOf([&] { r.field("handles"); }), "Reference to non-existent field 'handles'.");
  EXPECT_THROW(Value("x").scalar(), Error);
  EXPECT_THROW(Value(1.0).text(), Error);
}

TEST(Value, OpaquePayloadKeepsItsTypeAndIdentity) {
  auto p = std::make_shared<const std::vector<int>>(std::vector<int>{1, 2, 3});
  Value v = Value::wrap(p);
  EXPECT_EQ(v.payload<std::vector<int>>(), p);
  EXPECT_EQ(v.payload<std::string>(), nullptr);
  Value w = v;
  EXPECT_TRUE(v == w);
}

TEST(Value, ShortestNumbersReadBack) {
  EXPECT_EQ(formatShortest(0.1), "0.1");
  EXPECT_EQ(formatShortest(-0.0), "0");
  EXPECT_EQ(formatShortest(4), "4");
  EXPECT_EQ(formatShortest(-1.0 / 3), "-0.3333333333333333");
  EXPECT_EQ(Value(Matrix::row({1, 2.5})).describe(), "[1 2.5]");
}
