#include "guiruntime/register.hpp"

#include "guiruntime/cla.hpp"
#include "guiruntime/gui_mainfcn.hpp"
#include "guiruntime/guidata.hpp"
#include "guiruntime/guihandles.hpp"
#include "guiruntime/movegui.hpp"
#include "guiruntime/openfig.hpp"
#include "runtime/marshal.hpp"

namespace kolvar::gui {

namespace {

// The owning figure of a handle, as both getParentFigure locals and get_parent_fig compute it.
Value parentFigureByName(Value h) { return getParentFigure(h); }
Value parentFigByName(Value h) { return get_parent_fig(h); }
Value createHandlesByName(double fig) { return createHandles(fig); }
double localOpenfigByName(Value name, Value singleton) { return local_openfig(name, singleton); }
bool isvarnameByName(Value s) { return isvarname(s); }

}  // namespace

void registerCla(runtime::Registry& r) { r.addModule("cla", -1, 1, &claBody); }

void registerGuiMainfcn(runtime::Registry& r) {
  r.addModule("gui_mainfcn", -2, -1, &gui_mainfcnBody);
  r.addLocal("gui_mainfcn", "local_openfig", 182, 2, 1,
             runtime::typed(&localOpenfigByName, {"name", "singleton"}));
}

void registerGuidata(runtime::Registry& r) {
  r.addModule("guidata", 2, 1, &guidataBody);
  r.addLocal("guidata", "getParentFigure", 99, 1, 1, runtime::typed(&parentFigureByName, {"h"}));
}

void registerGuihandles(runtime::Registry& r) {
  r.addModule("guihandles", 1, 1, &guihandlesBody);
  r.addLocal("guihandles", "getParentFigure", 78, 1, 1, runtime::typed(&parentFigureByName, {"h"}));
  r.addLocal("guihandles", "createHandles", 86, 1, 1, runtime::typed(&createHandlesByName, {"fig"}));
}

void registerOpenfig(runtime::Registry& r) { r.addModule("openfig", 3, 1, &openfigBody); }

void registerIsvarname(runtime::Registry& r) {
  r.addModule("isvarname", 1, 1, runtime::typed(&isvarnameByName, {"s"}));
}

void registerMovegui(runtime::Registry& r) {
  r.addModule("movegui", -1, 0, &moveguiBody);
  r.addLocal("movegui", "get_parent_fig", 214, 1, 1, runtime::typed(&parentFigByName, {"h"}));
}

void registerIskeyword(runtime::Registry& r) { r.addModule("iskeyword", 1, 1, &iskeywordBody); }

void registerGuiRuntime(runtime::Registry& r) {
  registerCla(r);
  registerGuiMainfcn(r);
  registerGuidata(r);
  registerGuihandles(r);
  registerOpenfig(r);
  registerIsvarname(r);
  registerMovegui(r);
  registerIskeyword(r);
}

}  // namespace kolvar::gui
