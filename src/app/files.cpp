#include "app/files.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>

#include "app/app.hpp"
#include "app/learning.hpp"
#include "app/script.hpp"
#include "app/session.hpp"
#include "guiruntime/guidata.hpp"
#include "guiruntime/guihandles.hpp"
#include "runtime/progress.hpp"
#include "scenes/generators.hpp"
#include "scenes/mesh_files.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;
namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{512} << 20;
constexpr std::size_t kRecentFiles = 8;
// The recent files live as long as the program runs, as application data of the graphics root:
// a run keeps no settings but the tour's, and a script must leave no trace in them.
constexpr const char* kRecentData = "KolvarRecentFiles";
constexpr const char* kSessionFormat = "kolvar session";

[[noreturn]] void fail(const std::string& path, const std::string& fault) {
  throw Error(path + ": " + fault, ErrorKind::Input);
}

// The keys of the outermost JSON object of `text`, in their order, read without parsing the
// rest: telling a file's kind must not cost a parse of a large scene, nor recurse into a deep one.
std::vector<std::string> topLevelKeys(const std::string& text) {
  std::vector<std::string> keys;
  std::size_t depth = 0;
  bool expectKey = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      std::string s;
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') ++i;
        if (i < text.size()) s.push_back(text[i]);
      }
      if (depth == 1 && expectKey) keys.push_back(s);
      expectKey = false;
    } else if (c == '{' || c == '[') {
      ++depth;
      expectKey = c == '{' && depth == 1;
    } else if (c == '}' || c == ']') {
      if (depth == 0) break;
      if (--depth == 0) break;
    } else if (c == ',' && depth == 1) {
      expectKey = true;
    }
  }
  return keys;
}

// The first word of the first line of `text` that is neither blank nor a comment.
std::string firstStatement(const std::string& text) {
  std::istringstream in(text.substr(0, std::min<std::size_t>(text.size(), 1 << 16)));
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string w;
    if ((words >> w) && w[0] != '#') return w;
  }
  return "";
}

std::string baseName(const std::string& path) { return fs::path(path).filename().string(); }
std::string stemOf(const std::string& path) { return fs::path(path).stem().string(); }

std::string absolutePath(const std::string& path) {
  std::error_code ec;
  const fs::path full = fs::absolute(path, ec);
  return ec ? path : full.lexically_normal().string();
}

g::Handle taggedIn(const ProgramState& state, const char* tag) {
  if (!state.record.hasField(tag)) return 0;
  const Value h = state.record.field(tag);
  return h.isScalar() && g::ishandle(h.scalar()) ? h.scalar() : 0;
}

void rememberRecent(const std::string& path) {
  std::vector<std::string> files = recentFiles();
  files.erase(std::remove(files.begin(), files.end(), path), files.end());
  files.insert(files.begin(), path);
  if (files.size() > kRecentFiles) files.resize(kRecentFiles);
  g::setappdata(g::kRoot, kRecentData, Value::textColumn(files));
}

// A layout file opened from the File menu: the window it stores. When it is kolvar's own (every
// control the program needs is there), the window gets a state of its own and works like the first.
void openLayout(const std::string& path) {
  const g::LoadedLayout loaded = g::loadfig(path);
  for (Handle h : loaded.handles) {
    if (!g::ishandle(h) || g::typeOf(h) != "figure") continue;
    const Value record = gui::guihandles(h);
    try {
      checkLayout(record);
    } catch (const Error&) {
      continue;  // another program's window: opened as it is
    }
    if (!holdsProgramState(gui::guidata(h))) g::asCallbackOf(h, [&] { kolvar_OpeningFcn(h, record); });
  }
}

void openRecent(Handle item) {
  const Value path = g::get(item, "UserData");
  if (!path.isText()) return;
  reportInDialog("Cannot open " + baseName(path.text()), [&] { openFile(item, path.text()); });
}

}  // namespace

const std::vector<std::string>& openedExtensions() {
  static const std::vector<std::string> known{".json", ".kscene", ".obj", ".off", ".kolvar", ".fig"};
  return known;
}

std::vector<std::string> popupEntries(Handle popup) {
  const Value v = g::get(popup, "String");
  std::vector<std::string> out;
  if (v.isText()) out.push_back(v.text());
  if (v.isCell())
    for (const Value& item : v.cell().items) out.push_back(item.isText() ? item.text() : std::string());
  return out;
}

std::string readFileText(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) fail(path, "is a folder, not a file");
  // A device or a pipe could be read without end, or wait for input that never comes.
  if (fs::exists(path, ec) && !fs::is_regular_file(path, ec)) fail(path, "is not a regular file");
  std::ifstream in(path, std::ios::binary);
  if (!in) fail(path, std::string("cannot open the file: ") + std::strerror(errno));
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > kMaxFileBytes)
    fail(path, "is larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB, more than kolvar can show");
  std::string text;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxFileBytes)
      fail(path, "is larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB, more than kolvar can show");
  }
  if (in.bad()) fail(path, "cannot read the file to its end");
  return text;
}

FileKind kindOf(const std::string& text, const std::string& path) {
  const std::size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (first != std::string::npos && text[first] == '{') {
    const auto keys = topLevelKeys(text);
    auto has = [&](const char* k) { return std::find(keys.begin(), keys.end(), k) != keys.end(); };
    if (has("format") && text.find(kSessionFormat) != std::string::npos) return FileKind::Session;
    if (has("polygons")) return FileKind::Scene;
    if (has("type")) return FileKind::Layout;
    fail(path, "is JSON, but neither a scene (it has no \"polygons\"), a session nor a window layout");
  }
  const std::string word = firstStatement(text);
  if (word == "OFF") return FileKind::Off;
  static const char* const objStatements[] = {"v", "vt", "vn", "vp", "f", "o", "g", "s", "l", "p", "usemtl", "mtllib"};
  for (const char* s : objStatements)
    if (word == s) return FileKind::Obj;
  fail(path, "is not a file kolvar reads (a scene in JSON, OBJ or OFF, a session or a window layout)");
}

bsp::Scene sceneOf(const std::string& text, const std::string& path, FileKind kind, runtime::Progress* progress) {
  bsp::Scene scene;
  switch (kind) {
    case FileKind::Scene: scene = bsp::parseScene(text, path); break;
    case FileKind::Obj: scene.polygons = scenes::parseObj(text, path, progress); break;
    case FileKind::Off: scene.polygons = scenes::parseOff(text, path, progress); break;
    default: fail(path, "is not a scene file");
  }
  if (scene.name.empty()) scene.name = stemOf(path);
  if (scene.polygons.empty()) fail(path, "holds no polygons");
  return scene;
}

void showNewScene(Handle h, const bsp::Scene& scene, const std::string& source) {
  ProgramState state = fetchState(h);
  auto fixed = std::make_shared<Fixed>(*state.fixed);
  fixed->scenes.push_back(scene.polygons);
  fixed->info.push_back({scene.name, source, views::setupAround(scene.polygons, fixed->setup)});
  state.fixed = fixed;
  const std::size_t number = fixed->scenes.size();

  std::vector<std::string> entries = popupEntries(state.controls.select_poly);
  entries.resize(number - 1);
  entries.push_back("Scene " + std::to_string(number) + ": " + scene.name + " (" +
                    std::to_string(scene.polygons.size()) + " polygons)");
  std::vector<Value> items(entries.begin(), entries.end());
  g::set(state.controls.select_poly, "String", Value::cellRow(std::move(items)));
  g::set(state.controls.select_poly, "Value", static_cast<double>(number));

  state.root = bsp::freshRoot(scene.polygons);
  keepScannerInScene(state);
  // What was pointed at or selected belongs to the scene that was.
  state.interaction.hover.reset();
  state.interaction.pointed = nullptr;
  state.interaction.selected = nullptr;

  StepLog log = StepLog::of(StepLog::Kind::Scene);
  log.edit().lead = (source == "generated" ? "Generated " : "Opened ") + scene.name + ": " +
             std::to_string(scene.polygons.size()) + " polygons.";
  commitStep(state, std::move(log));
  storeState(h, state);
  // Drawn as a callback of the window would draw, whoever asked: the window's objects are seen
  // by callbacks only.
  g::asCallbackOf(h, [&] { redraw(std::move(state)); });
}

void openFile(Handle h, const std::string& path) {
  const std::string text = readFileText(path);
  const FileKind kind = kindOf(text, path);
  // A scene or a session goes to the window asked for, or else to the first kolvar window.
  if (kind != FileKind::Layout && !(h && g::ishandle(h) && holdsProgramState(gui::guidata(h)))) h = kolvarWindow();
  switch (kind) {
    case FileKind::Layout: openLayout(path); break;
    case FileKind::Session: openSession(h, text, path); break;
    default: {
      // Read on the side, with a bar and Cancel when it takes long; drawn here, where the
      // window's objects live.
      bsp::Scene scene;
      try {
        g::backend().dialogs().runWithProgress("Reading " + baseName(path) + "...",
                                               [&](runtime::Progress& p) {
                                                 scene = sceneOf(text, path, kind, &p);
                                                 p.check();  // a Cancel pressed at the very end counts too
                                               });
      } catch (const runtime::Cancelled&) {
        tellStatus(h, "Opening " + baseName(path) + " was cancelled; nothing changed.");
        return;
      }
      showNewScene(h, scene, absolutePath(path));
      break;
    }
  }
  rememberRecent(absolutePath(path));
  if (const auto fig = g::ancestor(h, "figure"); fig && g::ishandle(*fig)) showRecentFiles(*fig);
}

std::vector<std::string> recentFiles() {
  const Value kept = g::getappdata(g::kRoot, kRecentData);
  std::vector<std::string> files;
  if (kept.isCell())
    for (const Value& f : kept.cell().items)
      if (f.isText() && files.size() < kRecentFiles) files.push_back(f.text());
  return files;
}

void showRecentFiles(Handle h) {
  const ProgramState state = fetchState(h);
  const Handle menu = taggedIn(state, "RecentMenu");
  if (!menu) return;
  for (Handle child : g::childrenOf(menu)) g::deleteObject(child);
  const std::vector<std::string> files = recentFiles();
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path p(files[i]);
    g::create("uimenu", menu,
              {{"Label", std::to_string(i + 1) + " " + p.filename().string() + "  (" + p.parent_path().string() + ")"},
               {"UserData", files[i]},
               {"Callback", privateCallback("open a recent file", &openRecent)}});
  }
  g::set(menu, "Enable", files.empty() ? "off" : "on");
}

void GenerateMenuItem_Callback(Handle hObject) {
  static const char* const kinds[] = {"random walls", "boxes", "terrain patch", "room with pillars"};
  static const char* const words[] = {"walls", "boxes", "terrain", "room"};
  const auto answer = g::backend().dialogs().form(
      "Generate a scene",
      {{"Kind", {kinds[0], kinds[1], kinds[2], kinds[3]}, kinds[0], "What the scene is made of"},
       {"Count or size", {}, "20",
        "Walls or boxes: how many; terrain: cells along a side (two triangles each); room: pillars along a side"},
       {"Seed", {}, "1", "The same seed gives the same walls or boxes; terrain and room ignore it"}});
  if (!answer || answer->size() != 3) return;
  std::vector<std::string> w;
  for (std::size_t i = 0; i < 4; ++i)
    if ((*answer)[0] == kinds[i]) w.push_back(words[i]);
  if (w.empty()) return;
  w.push_back((*answer)[1]);
  if (w[0] == "walls" || w[0] == "boxes") w.push_back((*answer)[2]);
  reportInDialog("Generate a scene", [&] { showNewScene(hObject, scenes::generate(w), "generated"); });
}

void fileDropped(Handle fig, const Value& event) {
  if (!event.isRecord() || !event.hasField("Files")) return;
  const Value& files = event.field("Files");
  if (!files.isCell()) return;
  for (const Value& f : files.cell().items) {
    if (!f.isText()) continue;
    reportInDialog("Cannot open " + baseName(f.text()), [&] { openFile(fig, f.text()); });
  }
}

void reportInDialog(const std::string& title, const std::function<void()>& work) {
  try {
    work();
  } catch (const runtime::Cancelled&) {
    throw;  // the student's own choice, not a fault
  } catch (const std::bad_alloc&) {
    // Its own text ("std::bad_alloc") tells a student nothing.
    g::errordlg("There is not enough memory for this.", title);
    throw;
  } catch (const std::exception& e) {
    g::errordlg(e.what(), title);
    throw;
  }
}

}  // namespace kolvar::app
