// The session: the object tables, the registry callback texts reach, and the backend. One per
// process; tests start a fresh one for every case.
#include <algorithm>
#include <sstream>

#include "graphics/headless.hpp"
#include "graphics/model.hpp"

namespace kolvar::graphics {

namespace detail {

namespace {

std::unique_ptr<Session> g_session;

// The graphics built-ins that callback texts may call.
void registerBuiltins(runtime::Registry& r) {
  if (!r.find("rotate3dButtonUp"))
    r.addModule("rotate3dButtonUp", 1, 0, [](const runtime::Args& args, int) {
      if (!args.empty() && args[0].isScalar()) endRotationDrag(args[0].scalar());
      return runtime::Outputs{};
    });
  if (!r.find("closereq"))
    r.addModule("closereq", 0, 0, [](const runtime::Args&, int) {
      // Close the figure whose callback runs, else the current one.
      std::optional<Handle> fig = gcbf();
      if (!fig) fig = currentFigure();
      if (fig && ishandle(*fig)) deleteObject(*fig);
      return runtime::Outputs{};
    });
}

}  // namespace

Session& session() {
  if (!g_session) startSession({});
  return *g_session;
}

bool hasSession() { return g_session != nullptr; }

Object* findObject(Handle h) {
  Session& s = session();
  auto it = s.objects.find(h);
  return it == s.objects.end() ? nullptr : &it->second;
}

std::uint64_t ownRevision(const Object& o) {
  std::uint64_t r = o.revision;
  for (const Object* p = &o; p->parent && (p = findObject(*p->parent));) r = std::max(r, p->revision);
  return r;
}

void outdateDrawing(const Object& o) {
  Session& s = session();
  if (o.type() == "uicontrol" || o.type() == "uimenu") return;
  const std::uint64_t revision = ++s.revision;
  o.revision = revision;
  const Object* f = &o;
  while (f->type() != "figure") {
    f = f->parent ? findObject(*f->parent) : nullptr;
    if (!f) return;  // the root, or an object not yet in a figure
    f->contentRevision = revision;
  }
  if (s.drawings.empty()) return;
  auto it = s.drawings.find(f->handle);
  if (it != s.drawings.end()) it->second.current = false;
}

Error invalidHandle() { return Error("Invalid or deleted object.", ErrorKind::Property); }

Object& object(Handle h) {
  if (Object* o = findObject(h)) return *o;
  throw invalidHandle();
}

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------------------------

TextSize FixedFontMetrics::measure(std::string_view text, double size, std::string_view) const {
  std::size_t lines = 1, widest = 0, current = 0;
  for (char c : text) {
    if (c == '\n') {
      ++lines;
      current = 0;
      continue;
    }
    // Count characters, not bytes: continuation bytes of UTF-8 add nothing.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) widest = std::max(widest, ++current);
  }
  return {0.6 * size * static_cast<double>(widest), 1.3 * size * static_cast<double>(lines), size};
}

void ScriptedDialogs::note(Asked a) {
  if (asked.size() >= kKeptAsked) asked.erase(asked.begin(), asked.begin() + kKeptAsked / 2);
  asked.push_back(std::move(a));
}

std::string ScriptedDialogs::question(const std::string& q, const std::string& title,
                                      const std::vector<std::string>& buttons, const std::string& def) {
  note({"question", q, title, buttons, def, 0});
  if (answers.empty()) return "";
  std::string a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<FileChoice> ScriptedDialogs::getFile(const std::string& filter, const std::string& title) {
  note({"getFile", filter, title, {}, {}, 0});
  if (files.empty()) return std::nullopt;
  auto f = files.front();
  files.pop_front();
  return f;
}

std::optional<std::string> ScriptedDialogs::saveFile(const std::string& title, const std::string& suggested) {
  note({"saveFile", suggested, title, {}, {}, 0});
  if (saves.empty()) return std::nullopt;
  std::string f = saves.front();
  saves.pop_front();
  return f;
}

std::optional<std::vector<std::string>> ScriptedDialogs::form(const std::string& title,
                                                              const std::vector<FormField>& fields) {
  std::vector<std::string> labels;
  for (const FormField& f : fields) labels.push_back(f.label);
  note({"form", {}, title, labels, {}, 0});
  if (forms.empty()) return std::nullopt;
  auto f = forms.front();
  forms.pop_front();
  return f;
}

void ScriptedDialogs::print(Handle fig) { note({"print", {}, {}, {}, {}, fig}); }

void ScriptedDialogs::error(const std::string& message, const std::string& title) {
  note({"error", message, title, {}, {}, 0});
}

void ScriptedDialogs::runWithProgress(const std::string& title, const std::function<void(runtime::Progress&)>& work) {
  note({"progress", {}, title, {}, {}, 0});
  Dialogs::runWithProgress(title, work);
}

void startSession(SessionOptions options) {
  if (g_session) endSession();
  auto s = std::make_unique<Session>();
  s->registry = options.registry ? std::move(options.registry) : std::make_shared<runtime::Registry>();
  s->backend = options.backend ? std::move(options.backend) : std::make_shared<HeadlessBackend>();
  registerBuiltins(*s->registry);
  Object root;
  root.handle = kRoot;
  root.table = typeTable("root");
  for (const auto& spec : root.table->props) root.values.push_back(spec.initial);
  s->objects.emplace(kRoot, std::move(root));
  g_session = std::move(s);
}

void endSession() {
  if (!g_session) return;
  Session& s = *g_session;
  // Tell the backend the windows are gone; no callback of any object runs any more.
  if (s.quiet == 0)
    for (Handle f : std::vector<Handle>(s.objects.at(kRoot).children)) s.backend->deleting(f);
  g_session.reset();
}

runtime::Registry& registry() { return *session().registry; }

Backend& backend() { return *session().backend; }

void drawnow() { backend().flush(); }

std::string questdlg(const std::string& question, const std::string& title,
                     const std::vector<std::string>& buttons, const std::string& defaultButton) {
  return backend().dialogs().question(question, title, buttons, defaultButton);
}

Value uigetfile(const std::string& filter, const std::string& title) {
  auto choice = backend().dialogs().getFile(filter, title);
  if (!choice) return Value(0.0);
  return Value(choice->name);
}

void printdlg(Handle fig) {
  object(fig);
  backend().dialogs().print(fig);
}

void errordlg(const std::string& message, const std::string& title) { backend().dialogs().error(message, title); }

}  // namespace kolvar::graphics
