#include "runtime/registry.hpp"

#include <algorithm>

namespace kolvar::runtime {

std::string argumentCheckMessage(const Entry& e, std::string_view kind, int count) {
  std::string m = "Run-time Error: File: " + e.path + " Line: " + std::to_string(e.line) +
                  " Column: 1 The function \"" + e.path +
                  "\" was called with more than the declared number of ";
  m += kind;
  m += " (" + std::to_string(count) + ").";
  return m;
}

Outputs invoke(const Entry& e, Args args, int nargout) {
  if (e.nout >= 0 && nargout > e.nout)
    throw Error(argumentCheckMessage(e, "outputs", e.nout), ErrorKind::ArgumentCount);
  if (e.nin >= 0 && args.size() > static_cast<std::size_t>(e.nin))
    throw Error(argumentCheckMessage(e, "inputs", e.nin), ErrorKind::ArgumentCount);
  Outputs out = e.body(args, nargout);
  if (out.size() < static_cast<std::size_t>(nargout))
    throw Error("Output argument " + std::to_string(out.size() + 1) +
                    " was not assigned during the call to \"" + e.path + "\".",
                ErrorKind::Undefined);
  // A caller that asks for nothing may still look at the first result (a console display).
  const std::size_t keep = nargout == 0 ? std::min<std::size_t>(out.size(), 1)
                                        : static_cast<std::size_t>(nargout);
  out.resize(keep);
  return out;
}

Callable privateFunction(std::string name, Body body) {
  Callable c;
  c.name = name;
  c.entry = std::make_shared<const Entry>(Entry{std::move(name), 1, -1, -1, std::move(body)});
  return c;
}

Outputs call(const Callable& f, Args args, int nargout) {
  EntryPtr e = f.entry;
  if (!e && f.scope) e = f.scope->resolve(f.name, f.module);
  if (!e) throw errors::undefinedFunction(f.name);
  args.insert(args.end(), f.extra.begin(), f.extra.end());
  return invoke(*e, std::move(args), nargout);
}

Outputs callValue(const Value& f, Args args, int nargout) {
  if (f.isCallable()) return call(f.callable(), std::move(args), nargout);
  if (f.isCell() && f.numel() >= 1 && f.at(0).isCallable()) {
    const Cell& c = f.cell();
    args.insert(args.end(), c.items.begin() + 1, c.items.end());
    return call(c.items[0].callable(), std::move(args), nargout);
  }
  throw Error("Callback must be a function reference or a list beginning with one, not " +
                  f.describe() + ".",
              ErrorKind::Type);
}

Registry::Module* Registry::moduleSlot(std::string_view name) {
  for (auto& m : modules_)
    if (m.name == name) return &m;
  return nullptr;
}

const Registry::Module* Registry::module(std::string_view name) const {
  for (const auto& m : modules_)
    if (m.name == name) return &m;
  return nullptr;
}

EntryPtr Registry::addModule(std::string name, int nin, int nout, Body body) {
  if (moduleSlot(name)) throw Error("Module \"" + name + "\" is registered twice.");
  auto e = std::make_shared<Entry>(Entry{name, 1, nin, nout, std::move(body)});
  modules_.push_back(Module{std::move(name), e, {}});
  return e;
}

EntryPtr Registry::addLocal(std::string_view module, std::string name, int line, int nin,
                            int nout, Body body) {
  Module* m = moduleSlot(module);
  if (!m) throw Error("Module \"" + std::string(module) + "\" is not registered.");
  std::string path = m->name + "/" + name;
  for (const auto& l : m->locals)
    if (l->path == path) throw Error("Function \"" + path + "\" is registered twice.");
  auto e = std::make_shared<Entry>(Entry{std::move(path), line, nin, nout, std::move(body)});
  m->locals.push_back(e);
  return e;
}

EntryPtr Registry::find(std::string_view path) const {
  for (const auto& m : modules_) {
    if (m.name == path) return m.main;
    for (const auto& l : m.locals)
      if (l->path == path) return l;
  }
  return nullptr;
}

EntryPtr Registry::resolve(std::string_view name, std::string_view module) const {
  if (!module.empty())
    if (const Module* m = this->module(module)) {
      const std::size_t prefix = m->name.size() + 1;
      for (const auto& l : m->locals)
        if (std::string_view(l->path).substr(prefix) == name) return l;
    }
  if (const Module* m = this->module(name)) return m->main;
  return nullptr;
}

Callable Registry::reference(std::string_view name, std::string_view module) const {
  Callable c;
  c.name = std::string(name);
  c.entry = resolve(name, module);
  c.module = std::string(module);
  c.scope = shared_from_this();
  return c;
}

}  // namespace kolvar::runtime
