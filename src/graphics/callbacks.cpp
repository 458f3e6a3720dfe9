// Running callbacks: the callback stack behind gcbo/gcbf, callables and callback texts, and the
// boundary at which an event's callback error is reported instead of spreading.
#include <iostream>

#include "graphics/model.hpp"
#include "runtime/command.hpp"

namespace kolvar::graphics {

using namespace detail;

namespace {

// Deeper than this, callbacks are calling themselves without end (a layout whose "CreateFcn"
// opens the layout again, say); no program needs more than a handful.
constexpr std::size_t kMaxCallbackDepth = 32;

// Keeps a frame on the callback stack for as long as the callback runs, however it ends.
class FrameGuard {
 public:
  explicit FrameGuard(CallbackFrame f) {
    Session& s = session();
    if (s.callbacks.size() >= kMaxCallbackDepth)
      throw Error("Callbacks nested more than " + std::to_string(kMaxCallbackDepth) +
                      " deep: stopped before running another (does a callback open what calls it?).",
                  ErrorKind::Limit);
    s.callbacks.push_back(f);
  }
  ~FrameGuard() {
    if (hasSession() && !session().callbacks.empty()) session().callbacks.pop_back();
  }
  FrameGuard(const FrameGuard&) = delete;
  FrameGuard& operator=(const FrameGuard&) = delete;
};

void report(const std::string& type, const std::string& callback, const char* what) {
  std::cerr << "Error in " << type << " " << callback << " callback: " << what << std::endl;
}

Value handleOrEmpty(const std::optional<Handle>& h) { return h ? Value(*h) : Value(Matrix()); }

runtime::CommandContext contextFor(std::optional<Handle> object, std::optional<Handle> figure) {
  runtime::CommandContext ctx;
  ctx.registry = &registry();
  ctx.gcbo = [object] { return handleOrEmpty(object); };
  ctx.gcbf = [figure] { return handleOrEmpty(figure); };
  return ctx;
}

}  // namespace

void runCallback(Handle h, std::string_view property, const Value& eventData) {
  const Object* o = findObject(h);
  if (!o) return;  // a deleted object's callbacks never run
  auto slot = slotOf(*o->table, property);
  if (!slot) throw noSuchProperty(o->type(), property);
  if (o->beingDeleted && o->table->props[*slot].name != "DeleteFcn") return;
  const Value cb = o->values[*slot];
  if (cb.isEmpty()) return;
  const std::optional<Handle> fig = ancestor(h, "figure");
  FrameGuard frame({h, fig});
  if (cb.isText()) {
    runtime::evalCommand(runtime::parseCommand(cb.text()), contextFor(h, fig));
  } else {
    runtime::callValue(cb, {Value(h), eventData}, 0);
  }
}

void asCallbackOf(Handle h, const std::function<void()>& f) {
  FrameGuard frame({h, ancestor(h, "figure")});
  f();
}

void dispatchCallback(Handle h, std::string_view property, const Value& eventData) {
  const Object* o = findObject(h);
  if (!o) return;
  const std::string type = o->type();
  auto slot = slotOf(*o->table, property);
  const std::string name = slot ? o->table->props[*slot].name : std::string(property);
  try {
    runCallback(h, property, eventData);
  } catch (const Error& e) {
    // Callbacks calling themselves without end: every one of them ends, not just the deepest.
    if (e.kind() == ErrorKind::Limit && !session().callbacks.empty()) throw;
    report(type, name, e.what());
  } catch (const std::exception& e) {
    // The callback ends here; the window and the program go on.
    report(type, name, e.what());
  }
}

void eval(std::string_view text) {
  const Session& s = session();
  std::optional<Handle> object, figure;
  if (!s.callbacks.empty()) {
    object = s.callbacks.back().object;
    figure = s.callbacks.back().figure;
  }
  runtime::evalCommand(runtime::parseCommand(text), contextFor(object, figure));
}

std::optional<Handle> gcbo() {
  const Session& s = session();
  if (s.callbacks.empty()) return std::nullopt;
  return s.callbacks.back().object;
}

std::optional<Handle> gcbf() {
  const Session& s = session();
  if (s.callbacks.empty()) return std::nullopt;
  return s.callbacks.back().figure;
}

}  // namespace kolvar::graphics
