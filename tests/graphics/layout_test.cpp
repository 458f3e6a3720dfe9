// Layout files: loading a good file, overrides and their previous values, the order of
// CreateFcn, lookup, and bad files (all or nothing, with the place of the fault).
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "model_support.hpp"

using namespace kolvar;
using namespace kolvar::graphics;
using kolvar::graphics::testing::messageOf;
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
       "Layout file \"bad.fig\": not valid JSON: parse error at line 1, column 47: syntax error while "
       "parsing object key - unexpected '}'; expected string literal"},
      {"unknown type", head + R"({"type": "axes"}, {"type": "button"}]})",
       "Layout file \"bad.fig\": at /children/1/type: There is no \"button\" object type; expected "
       "\"figure\", \"axes\", \"uicontrol\", \"uimenu\", \"line\", \"patch\", \"text\" or \"light\"."},
      {"unknown property", head + R"({"type": "axes", "properties": {"Colour": "r"}}]})",
       "Layout file \"bad.fig\": at /children/0/properties/Colour: There is no \"Colour\" property on "
       "the \"axes\" object."},
      {"wrong value", head + R"({"type": "axes"}, {"type": "axes"}, {"type": "uicontrol", "properties": {"Visible": "yes"}}]})",
       "Layout file \"bad.fig\": at /children/2/properties/Visible: Bad value for the \"Visible\" "
       "property of the \"uicontrol\" object: expected \"on\" or \"off\"."},
      {"figure inside an axes", head + R"({"type": "axes", "children": [{"type": "figure"}]}]})",
       "Layout file \"bad.fig\": at /children/0/children/0/type: A \"figure\" object cannot be placed in "
       "an \"axes\" object; it belongs in a \"root\" object."},
      {"line outside an axes", head + R"({"type": "line"}]})",
       "Layout file \"bad.fig\": at /children/0/type: A \"line\" object cannot be placed in a \"figure\" "
       "object; it belongs in an \"axes\" object."},
      {"top level not a figure", R"({"type": "axes"})",
       "Layout file \"bad.fig\": at /type: An \"axes\" object cannot be placed in a \"root\" object; it "
       "belongs in a \"figure\" object."},
      {"unknown key", head + R"({"type": "axes", "kids": []}]})",
       "Layout file \"bad.fig\": at /children/0/kids: unknown key; expected \"type\", \"properties\", "
       "\"appdata\", \"children\" or \"comment\"."},
      {"read-only property", R"({"type": "figure", "properties": {"Type": "axes"}})",
       "Layout file \"bad.fig\": at /properties/Type: Cannot set the read-only \"Type\" property of the "
       "\"figure\" object."},
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

TEST_F(Layout, RelativeNamesAreFoundInTheWorkingFolderThenAmongBuiltInLayouts) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("kolvar_layout_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  {
    std::ofstream(dir / "here.fig") << R"({"type": "figure", "properties": {"Name": "from the folder"}})";
  }
  registerEmbeddedLayout("here.fig", R"({"type": "figure", "properties": {"Name": "built in"}})");
  registerEmbeddedLayout("only_built_in.fig", R"({"type": "figure", "properties": {"Name": "built in"}})");
  const Handle fromFolder = loadfig("here.fig").handles.at(0);
  const Handle builtIn = loadfig("only_built_in.fig").handles.at(0);
  const std::string missing = messageOf([] { loadfig("/no/such/place/x.fig"); });
  fs::current_path(old);
  fs::remove_all(dir);

  EXPECT_EQ(get(fromFolder, "Name").text(), "from the folder");
  EXPECT_EQ(get(builtIn, "Name").text(), "built in");
  EXPECT_EQ(get(builtIn, "FileName").text(), "only_built_in.fig (built into the program)");
  EXPECT_EQ(missing, "Layout file \"/no/such/place/x.fig\" not found (looked at /no/such/place/x.fig).");
}

// The program's own window: every tag and callback text the handlers rely on.
TEST_F(Layout, TheProgramsWindowCarriesEveryTagAndCallback) {
  const std::string path = std::string(KOLVAR_TEST_DATA) + "/../../src/app/kolvar.fig";
  addFunction("kolvar", -1, -1, [](const runtime::Args&, int) { return runtime::Outputs{}; });
  addFunction("guidata", 2, 1, [](const runtime::Args&, int) { return runtime::Outputs{Value()}; });
  LoadedLayout l = loadfig(path, {{"Visible", Value("off")}});
  ASSERT_EQ(l.handles.size(), 1u);
  const Handle fig = l.handles[0];
  EXPECT_EQ(l.previous[0].field("Visible").text(), "on");
  auto tags = byTag(fig);
  EXPECT_EQ(get(fig, "Tag").text(), "figure1");
  EXPECT_EQ(get(fig, "Name").text(), "kolvar");
  EXPECT_EQ(get(fig, "HandleVisibility").text(), "callback");
  const Matrix pos = pixelPosition(fig);
  EXPECT_NEAR(pos[2], 1200, 100);
  EXPECT_NEAR(pos[3], 800, 100);
  const Value options = getappdata(fig, "GUIOptions");
  EXPECT_TRUE(options.field("syscolorfig").isTrue());
  EXPECT_TRUE(options.field("singleton").isTrue());

  auto callbackOf = [&](const std::string& tag, const char* property = "Callback") {
    return get(tags.at(tag), property).text();
  };
  auto call = [](const std::string& handler) { return "kolvar('" + handler + "',gcbo,[],guidata(gcbo))"; };
  EXPECT_EQ(callbackOf("select_poly"), call("select_poly_Callback"));
  EXPECT_EQ(callbackOf("select_poly", "CreateFcn"), call("select_poly_CreateFcn"));
  EXPECT_EQ(callbackOf("reset"), call("reset_Callback"));
  for (const char* box : {"show_labels", "show_normals", "show_scanner", "show_coordinate_frame"}) {
    EXPECT_EQ(get(tags.at(box), "Style").text(), "checkbox") << box;
    EXPECT_EQ(callbackOf(box), call("show_option_Callback")) << box;
    EXPECT_FALSE(get(tags.at(box), "String").text().empty()) << box;
  }
  EXPECT_EQ(callbackOf("FileMenu"), call("FileMenu_Callback"));
  EXPECT_EQ(callbackOf("OpenMenuItem"), call("OpenMenuItem_Callback"));
  EXPECT_EQ(callbackOf("PrintMenuItem"), call("PrintMenuItem_Callback"));
  EXPECT_EQ(callbackOf("CloseMenuItem"), call("CloseMenuItem_Callback"));
  EXPECT_EQ(get(tags.at("OpenMenuItem"), "Label").text(), "Open...");
  EXPECT_EQ(get(tags.at("PrintMenuItem"), "Label").text(), "Print...");
  EXPECT_EQ(get(tags.at("CloseMenuItem"), "Label").text(), "Close");
  EXPECT_EQ(childrenOf(tags.at("FileMenu")),
            (std::vector<Handle>{tags.at("OpenMenuItem"), tags.at("PrintMenuItem"), tags.at("CloseMenuItem")}));

  const Value scenes = get(tags.at("select_poly"), "String");
  ASSERT_EQ(scenes.rows(), 3u);
  EXPECT_NE(scenes.at(0).text().find("five"), std::string::npos);
  EXPECT_NE(scenes.at(1).text().find("triangles"), std::string::npos);
  EXPECT_NE(scenes.at(2).text().find("split"), std::string::npos);
  EXPECT_EQ(get(tags.at("select_poly"), "Value").scalar(), 1.0);
  for (const char* t : {"scanX", "scanY", "scanZ"}) EXPECT_EQ(get(tags.at(t), "Style").text(), "text") << t;
  EXPECT_EQ(get(tags.at("scan_list"), "Style").text(), "listbox");

  // The tree view has the most room; the three axes do not overlap.
  auto area = [&](const char* t) {
    Matrix p = pixelPosition(tags.at(t));
    return p[2] * p[3];
  };
  EXPECT_GT(area("axes3"), area("axes1"));
  EXPECT_GT(area("axes3"), area("axes2"));
  auto overlap = [&](const char* a, const char* b) {
    Matrix p = pixelPosition(tags.at(a)), q = pixelPosition(tags.at(b));
    return p[0] < q[0] + q[2] && q[0] < p[0] + p[2] && p[1] < q[1] + q[3] && q[1] < p[1] + p[3];
  };
  EXPECT_FALSE(overlap("axes1", "axes2"));
  EXPECT_FALSE(overlap("axes1", "axes3"));
  EXPECT_FALSE(overlap("axes2", "axes3"));
}
