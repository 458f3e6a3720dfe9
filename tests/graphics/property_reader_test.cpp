// Reading properties in bulk gives what `get` gives: stored, computed and absent names alike.
#include "graphics/property_reader.hpp"

#include "model_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using kolvar::graphics::testing::ModelTest;

namespace {

class PropertyReading : public ModelTest {};

}  // namespace

TEST_F(PropertyReading, AReaderGivesWhatGetGivesForEveryTypeItMeets) {
  Handle fig = figure({});
  Handle ax = axes(fig, {});
  Handle p = patch(Matrix::column({0, 1, 1}), Matrix::column({0, 0, 1}), Matrix::column({0, 0, 0}), Value("r"));
  Handle t = text(1, 2, Value("label"), {});
  PropertyReader r({"xdata", "FaceColor", "Type", "String", "Visible"});

  for (int pass = 0; pass < 2; ++pass) {  // the second pass uses the slots found in the first
    r.read(p);
    EXPECT_EQ(r.type(), "patch");
    EXPECT_EQ(r[0], get(p, "XData"));
    EXPECT_EQ(r[1], get(p, "FaceColor"));
    EXPECT_EQ(r[2], Value("patch"));  // made when read, as get makes it
    EXPECT_TRUE(r[3].isEmpty());      // a patch has no "String"
    r.read(t);
    EXPECT_EQ(r.type(), "text");
    EXPECT_EQ(r[3], get(t, "String"));
    EXPECT_EQ(r[4], get(t, "Visible"));
    EXPECT_TRUE(r[0].isEmpty());
  }
  set(p, "FaceColor", Value("g"));
  r.read(p);
  EXPECT_EQ(r[1], Value::row({0, 1, 0}));
  r.read(ax);
  EXPECT_EQ(r.children(), childrenOf(ax));

  deleteObject(p);
  try {
    r.read(p);
    FAIL() << "a deleted object was read";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Invalid or deleted object.");
  }
}
