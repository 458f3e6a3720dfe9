#include "app/app.hpp"

namespace kolvar::app {

namespace g = kolvar::graphics;

runtime::Outputs kolvar(const runtime::Args& args, int nargout) {
  const runtime::Registry& functions = g::registry();
  Value state;
  state.setField("gui_Name", "kolvar");
  state.setField("gui_Singleton", 1.0);
  state.setField("gui_OpeningFcn", functionRef(&kolvar_OpeningFcn));
  state.setField("gui_OutputFcn", functionRef(&kolvar_OutputFcn));
  state.setField("gui_LayoutFcn", Value());
  state.setField("gui_Callback", Value());
  // A first word that is a text names the handler of a dispatch. The reference is resolved only
  // if it is ever called, so a property name given on the command line (kolvar Visible off)
  // still starts the program.
  if (!args.empty() && args[0].isText())
    state.setField("gui_Callback", Value(functions.reference(args[0].text(), "kolvar")));

  runtime::Args all;
  all.reserve(args.size() + 1);
  all.push_back(std::move(state));
  all.insert(all.end(), args.begin(), args.end());
  const runtime::EntryPtr mainfcn = functions.find("gui_mainfcn");
  if (!mainfcn) throw errors::undefinedFunction("gui_mainfcn");
  return runtime::invoke(*mainfcn, std::move(all), nargout);
}

}  // namespace kolvar::app
