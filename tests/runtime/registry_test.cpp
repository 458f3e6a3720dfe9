#include <gtest/gtest.h>

#include <optional>

#include "../support.hpp"
#include "runtime/command.hpp"
#include "runtime/marshal.hpp"

using namespace kolvar;
using namespace kolvar::runtime;

namespace {

double twice(double x) { return 2 * x; }
std::tuple<double, std::string> pair(double x, std::optional<std::string> label) {
  return {x + 1, label.value_or("none")};
}

std::shared_ptr<Registry> sample() {
  auto r = std::make_shared<Registry>();
  r->addModule("kolvar", -1, -1, [](const Args&, int) { return Outputs{}; });
  r->addLocal("kolvar", "twice", 585, 1, 1, typed(&twice, {"x"}));
  r->addLocal("kolvar", "pair", 330, 2, 2, typed(&pair, {"x", "label"}));
  r->addModule("bsp/private/btinorder", 2, 0, [](const Args&, int) { return Outputs{}; });
  return r;
}

}  // namespace

TEST(CallByName, MarshalsTypedFunctionsAndNamesAbsentArguments) {
  auto r = sample();
  auto out = invoke(*r->find("kolvar/pair"), {1.0}, 2);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].scalar(), 2.0);
  EXPECT_EQ(out[1].text(), "none");
  EXPECT_EQ(messageOf([&] { invoke(*r->find("kolvar/twice"), {}, 1); }),
            "Undefined function or variable 'x'.");
}

TEST(CallByName, ReferencesResolveLocalsFirstAndLazily) {
  auto r = sample();
  Callable f = r->reference("twice", "kolvar");
  EXPECT_EQ(call(f, {4.0}, 1)[0].scalar(), 8.0);
  Callable missing = r->reference("Name", "kolvar");
  EXPECT_EQ(missing.entry, nullptr);
  EXPECT_EQ(messageOf([&] { call(missing, {}, 0); }), "Undefined function 'Name'.");
  // Extra arguments of a callback list come after the caller's.
  Value cb = Value::cellRow({Value(r->reference("pair", "kolvar")), Value("x")});
  EXPECT_EQ(callValue(cb, {1.0}, 2)[1].text(), "x");
}

TEST(CallbackText, RunsNestedCallsWithGcboAndLiterals) {
  auto r = std::make_shared<Registry>();
  std::vector<Args> seen;
  r->addModule("kolvar", -1, -1, [&](const Args& a, int) { seen.push_back(a); return Outputs{}; });
  r->addModule("guidata", 2, 1, [](const Args& a, int) { return Outputs{Value(a.at(0).scalar() * 10)}; });
  CommandContext ctx{r.get(), "", [] { return Value(7.0); }, [] { return Value(1.0); }};
  evalText("kolvar('select_poly_Callback',gcbo,[],guidata(gcbo))", ctx);
  ASSERT_EQ(seen.size(), 1u);
  ASSERT_EQ(seen[0].size(), 4u);
  EXPECT_EQ(seen[0][0].text(), "select_poly_Callback");
  EXPECT_EQ(seen[0][1].scalar(), 7.0);
  EXPECT_TRUE(seen[0][2].isEmpty());
  EXPECT_EQ(seen[0][3].scalar(), 70.0);
  evalText(" kolvar( 'it''s' , -1.5e2 , gcbf ) ; ", ctx);
  EXPECT_EQ(seen[1][0].text(), "it's");
  EXPECT_EQ(seen[1][1].scalar(), -150.0);
}

TEST(CallbackText, RejectsEverythingButCallsNamingTheColumnAndRunsNothingOfABadText) {
  auto r = std::make_shared<Registry>();
  int runs = 0;
  r->addModule("kolvar", -1, -1, [&](const Args&, int) { ++runs; return Outputs{}; });
  CommandContext ctx{r.get(), "", {}, {}};
  const std::pair<std::string, std::string> hostile[] = {
      {"x = 1", "expected ';' or the end of the command at column 3, found '='."},
      {"kolvar() kolvar()", "expected ';' or the end of the command at column 10, found 'k'."},
      {"kolvar(gcbo).x", "expected ';' or the end of the command at column 13, found '.'."},
      {"kolvar(1+2)", "expected ',' or ')' at column 9, found '+'."},
      {"kolvar('open", "expected the closing ' at column 13, found the end."},
      {"kolvar(1); `rm -rf /`", "expected a string, a number, [], gcbo, gcbf or a function call at column 12, found '`'."},
      {"kolvar([1 2])", "expected ']' (only [] is allowed) at column 9, found '1'."},
      {"'text'", "expected a function call at column 7, found the end."},
  };
  for (const auto& [text, expected] : hostile) {
    try {
      evalText(text, ctx);
      ADD_FAILURE() << text;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Parse) << text;
      EXPECT_EQ(std::string(e.what()), "Callback text \"" + text + "\": " + expected);
    }
  }
  // An unknown name anywhere stops the whole text before any call runs.
  EXPECT_EQ(messageOf([&] { evalText("kolvar('a'); system('rm -rf /')", ctx); }),
            "Callback text \"kolvar('a'); system('rm -rf /')\": undefined function 'system'.");
  EXPECT_EQ(runs, 0);
  // Calls nested 25,000 deep stop at the limit, and the message quotes the start of the text only.
  std::string deep;
  for (int i = 0; i < 25000; ++i) deep += "kolvar(";
  EXPECT_EQ(messageOf([&] { evalText(deep, ctx); }),
            "Callback text \"" + deep.substr(0, 60) + "... (174940 more characters)\": calls are nested more than "
            "64 deep at column 455.");
}
