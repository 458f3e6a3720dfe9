#pragma once
// Help for the student: the help pages, the guided tour over the window, and the commands and
// state fields that reach them from a script. The tour's steps are app/tour.hpp; the pages and
// the pointer are drawn by the backend (graphics/guidance.hpp).
#include <string>
#include <vector>

#include "app/state.hpp"
#include "graphics/guidance.hpp"

namespace kolvar::app {

// The pages, by id: "guide" (quick guide), "bsp" (what a BSP tree is), "keys", "about".
const std::vector<std::string>& helpPageIds();
// A page with its pictures; an Input error for an unknown id, naming the known ones.
graphics::HelpPage helpPage(const std::string& id);
void showHelp(const std::string& id);

// The tour over the window `fig`: start (again) at its first step, answer its pointer ("next",
// "leave", "never"), and follow the state after a change. Leaving with "never", or finishing,
// is remembered: the tour is then not offered at start any more.
void startTour(Handle fig);
void answerTour(Handle fig, const std::string& answer);
void followTour(const ProgramState& state);
// At an interactive start: the tour, unless the student said not to show it again.
void offerTour(Handle fig);
inline constexpr const char* kTourSettingKey = "tour/dontShowAgain";

// The help and tour fields of the state line: `,"help":[...],"tour":{...}` or `..."tour":null`.
std::string guidanceJson(Handle fig);
// A script line `help ...` or `tour ...`.
void runGuidanceCommand(Handle fig, const std::vector<std::string>& words);

// The Help menu's entries: a page by the entry's tag, and the tour.
void HelpMenuItem_Callback(Handle hObject);
void TourMenuItem_Callback(Handle hObject);

}  // namespace kolvar::app
