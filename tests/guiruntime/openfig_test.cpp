#include <filesystem>
#include <string>

#include "guiruntime/openfig.hpp"
#include "support.hpp"

namespace kolvar::gui::test {
namespace {

namespace g = graphics;
namespace fs = std::filesystem;

const std::string kData = KOLVAR_TEST_DATA "/guiruntime/";

class OpenfigTest : public GuiTest {
 protected:
  std::size_t figureCount() { return g::findall(g::kRoot, "figure").size(); }
  Value list(const std::string& file) {
    return g::getappdata(g::kRoot, openfigToken(normalisedFigName(file)));
  }
};

TEST_F(OpenfigTest, ArgumentErrorsComeBeforeAnyLoadInTheirOrder) {
  const std::string third = "Third input argument must be 'invisible' or 'visible'.";
  const std::string second = "Second input argument must be 'new' or 'reuse'.";
  const Value file(kData + "testgui");
  EXPECT_EQ(byNameMessage("openfig", {}, 1), "Not enough input arguments.");
  EXPECT_EQ(byNameMessage("openfig", {file, Value("Reuse")}), second);
  EXPECT_EQ(byNameMessage("openfig", {file, Value(1.0)}), second);
  EXPECT_EQ(byNameMessage("openfig", {file, Value("reuse"), Value("shown")}), third);
  EXPECT_EQ(byNameMessage("openfig", {file, Value("Reuse"), Value("shown")}), third);
  EXPECT_EQ(byNameMessage("openfig", {file, Value("new"), Value(1.0)}), third);
  EXPECT_EQ(byNameMessage("openfig", {Value(kData + "testgui.txt")}), "Argument must be a .fig file");
  EXPECT_EQ(figureCount(), 0u);
  EXPECT_TRUE(list(kData + "testgui").isEmpty());
}

TEST_F(OpenfigTest, ReuseLoadsOnceNewAppendsAndClosedWindowsArePruned) {
  const std::string file = kData + "testgui.fig";
  const Handle a = openfig(file, "reuse");
  EXPECT_EQ(openfig(file, "reuse"), a);
  EXPECT_EQ(figureCount(), 1u);
  EXPECT_EQ(list(file), Value(a));

  const Handle b = byName("openfig", {Value(file), Value("new")}, 1)[0].scalar();
  const Handle c = openfig(file);  // "new" by default
  EXPECT_NE(b, a);
  EXPECT_NE(c, b);
  EXPECT_EQ(list(file), Value::row({a, b, c}));
  EXPECT_EQ(openfig(file, "reuse"), c);

  g::deleteObject(c);
  g::deleteObject(a);
  EXPECT_EQ(openfig(file, "reuse"), b);  // the previous one still open
  EXPECT_EQ(list(file), Value(b));       // stored back pruned, also without a load
  g::deleteObject(b);
  const Handle fresh = openfig(file, "reuse");
  EXPECT_TRUE(g::ishandle(fresh));
  EXPECT_EQ(list(file), Value(fresh));
  EXPECT_EQ(figureCount(), 1u);
}

TEST_F(OpenfigTest, ALoaderErrorLeavesTheStoredListAsItWas) {
  const fs::path dir = fs::path(::testing::TempDir()) / "openfig_loader_error";
  fs::create_directories(dir);
  const fs::path copy = dir / "gone.fig";
  fs::copy_file(kData + "testgui.fig", copy, fs::copy_options::overwrite_existing);
  const Handle first = openfig(copy.string(), "new");
  fs::remove(copy);
  g::deleteObject(first);
  try {
    openfig(copy.string(), "reuse");
    ADD_FAILURE() << "a missing layout file loaded";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Input) << e.what();
  }
  // Not even the stale entry was dropped: nothing was stored.
  EXPECT_EQ(list(copy.string()), Value(first));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kolvar::gui::test
