// Layout files: loading a good file, overrides and their previous values, the order of
// CreateFcn, lookup, and bad files (all or nothing, with the place of the fault).
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "model_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using kolvar::graphics::testing::ModelTest;

namespace {

const std::string kData = KOLVAR_TEST_DATA;

class Layout : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    // CreateFcn texts of the test files call this; it records the object and how many objects
    // existed at that moment.
    addFunction("created", 1, 0, [this](const runtime::Args& args, int) {
      created.push_back({args.at(0).scalar(), findall(kRoot).size()});
      return runtime::Outputs{};
    });
  }
  std::vector<std::pair<Handle, std::size_t>> created;
};

std::map<std::string, Handle> byTag(Handle fig) {
  std::map<std::string, Handle> tags;
  for (Handle h : findall(fig))
    if (!get(h, "Tag").text().empty()) tags[get(h, "Tag").text()] = h;
  return tags;
}

}  // namespace

TEST_F(Layout, LoadsTheTreeWithPropertiesAppdataAndOverrides) {
  LoadedLayout l = loadfig(kData + "/layouts/demo.fig", {{"visible", Value("off")}, {"Color", Value("w")}});
  ASSERT_EQ(l.handles.size(), 1u);
  const Handle fig = l.handles[0];
  auto tags = byTag(fig);
  ASSERT_EQ(tags.size(), 5u);
  EXPECT_EQ(tags.at("demo"), fig);
  EXPECT_EQ(typeOf(tags.at("item")), "uimenu");
  EXPECT_EQ(parentOf(tags.at("item")), tags.at("menu"));
  EXPECT_EQ(get(tags.at("menu"), "Label").text(), "File");
  EXPECT_EQ(childrenOf(tags.at("plot")).size(), 2u);

  // Overrides apply; the record holds what the file said, or the default where it said nothing.
  EXPECT_EQ(get(fig, "Visible").text(), "off");
  ASSERT_EQ(l.previous.size(), 1u);
  EXPECT_EQ(l.previous[0].fieldNames(), (std::vector<std::string>{"Visible", "Color"}));
  EXPECT_EQ(l.previous[0].field("Visible").text(), "on");
  EXPECT_EQ(l.previous[0].field("Color").matrix(), Matrix::row({0.94, 0.94, 0.94}));

  const Value options = getappdata(fig, "GUIOptions");
  EXPECT_EQ(options.fieldNames(), (std::vector<std::string>{"syscolorfig", "singleton"}));
  EXPECT_EQ(options.field("singleton").scalar(), 1.0);

  const Handle list = tags.at("choices");
  EXPECT_EQ(get(list, "String"), Value::textColumn({"one", "two", "three"}));
  EXPECT_EQ(get(list, "Callback").text(), "demo('choices_Callback',gcbo,[],guidata(gcbo))");
  // "Units" is applied first, so the position is read in the units the file names.
  EXPECT_EQ(get(list, "Position").matrix(), Matrix::row({0.7, 0.1, 0.25, 0.5}));
  EXPECT_EQ(get(tags.at("plot"), "View").matrix(), Matrix::row({-37.5, 30}));
  const Handle patchObject = childrenOf(tags.at("plot"))[1];
  EXPECT_EQ(get(patchObject, "XData").matrix(), Matrix::column({0, 1, 0}));
  EXPECT_EQ(get(fig, "FileName").text(), kData + "/layouts/demo.fig");

  // CreateFcn ran for each object that has one, in tree order, once everything existed.
  ASSERT_EQ(created.size(), 3u);
  EXPECT_EQ(created[0].first, list);
  EXPECT_EQ(created[2].first, tags.at("item"));
  for (const auto& c : created) EXPECT_EQ(c.second, findall(kRoot).size());
  // The backend heard of every object once the load had succeeded.
  std::size_t notices = 0;
  for (const auto& n : backend_->notices) notices += n.what == "created";
  EXPECT_EQ(notices, findall(fig).size());
}

TEST_F(Layout, BadFilesNameTheFaultAndCreateNothing) {
  struct Case {
    const char* fault;
    std::string text;
    std::string message;
  };
  const std::string head = R"({"type": "figure", "children": [)";
  const std::vector<Case> cases{
      {"not JSON", R"({"type": "figure", "properties": {"Name": "x",}})",
       "Layout file \"bad.fig\": line 1, column 47: syntax error while parsing object key - unexpected '}'; "
       "expected string literal."},
      {"number out of range", head + R"({"type": "axes", "properties": {"FontSize": 1e400}}]})",
       "Layout file \"bad.fig\": line 1, column 81: number overflow parsing '1e400'."},
      {"duplicate key", R"({"type": "figure", "properties": {"Name": "a", "Name": "b"}})",
       "Layout file \"bad.fig\": line 1, column 53: the key \"Name\" is given twice in one object."},
      {"value nested 21,000 deep", head + R"({"type": "axes", "properties": {"UserData": )" +
       std::string(21000, '[') + std::string(21000, ']') + "}}]}",
       "Layout file \"bad.fig\": line 1, column 273: lists and objects are nested more than 200 deep."},
      {"unknown type", head + R"({"type": "axes"}, {"type": "button"}]})",
       "Layout file \"bad.fig\": at /children/1/type: There is no \"button\" object type; expected "
       "\"figure\", \"axes\", \"uicontrol\", \"uimenu\", \"line\", \"patch\", \"text\" or \"light\"."},
      {"unknown property", head + R"({"type": "axes", "properties": {"Colour": "r"}}]})",
       "Layout file \"bad.fig\": at /children/0/properties/Colour: There is no \"Colour\" property on "
       "the \"axes\" object."},
      {"figure inside an axes", head + R"({"type": "axes", "children": [{"type": "figure"}]}]})",
       "Layout file \"bad.fig\": at /children/0/children/0/type: A \"figure\" object cannot be placed in "
       "an \"axes\" object; it belongs in a \"root\" object."},
      {"top level not a figure", R"({"type": "axes"})",
       "Layout file \"bad.fig\": at /type: An \"axes\" object cannot be placed in a \"root\" object; it "
       "belongs in a \"figure\" object."},
      {"unknown key", head + R"({"type": "axes", "kids": []}]})",
       "Layout file \"bad.fig\": at /children/0/kids: unknown key; expected \"type\", \"properties\", "
       "\"appdata\", \"children\" or \"comment\"."},
      {"callback text that does not parse", head + R"({"type": "uimenu", "properties": {"Callback": "kolvar('x'"}}]})",
       "Layout file \"bad.fig\": at /children/0/properties/Callback: Bad value for the \"Callback\" property "
       "of the \"uimenu\" object: Callback text \"kolvar('x'\": expected ',' or ')' at column 11, found the end."},
      {"ragged matrix", head + R"({"type": "axes", "children": [{"type": "line", "properties": {"XData": [[1, 2], [3]]}}]}]})",
       "Layout file \"bad.fig\": at /children/0/children/0/properties/XData/1: expected rows of equal length (2 numbers)."},
  };
  figure();  // something that must survive every failed load untouched
  const std::vector<Handle> before = findall(kRoot);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    backend_->notices.clear();
    try {
      loadfigText(c.text, "bad.fig");
      ADD_FAILURE() << "loaded";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
      EXPECT_EQ(e.kind(), ErrorKind::Input);
    }
    EXPECT_EQ(findall(kRoot), before);
    EXPECT_TRUE(backend_->notices.empty());
  }
  // A bad override is refused as well, and takes the loaded objects with it.
  EXPECT_EQ(messageOf([&] { loadfigText(R"({"type": "figure"})", "ok.fig", {{"Colour", Value("r")}}); }),
            "There is no \"Colour\" property on the \"figure\" object.");
  EXPECT_EQ(findall(kRoot), before);
}
