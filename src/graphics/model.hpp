#pragma once
// Inside the object model: the session's tables, the object record and the per-type property
// tables. Only the graphics library includes this; everything outside goes through graphics.hpp.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "graphics/graphics.hpp"
#include "graphics/render_cache.hpp"

namespace kolvar::graphics::detail {

// What a property accepts. Every kind is validated the same way for every type that uses it, so
// a new property is a table row, not new code.
enum class Kind {
  Any,            // anything (UserData)
  Text,           // one text; [] reads as ""
  Texts,          // "", one text, or a cell of texts; reads back as it was set
  TickLabels,     // numbers, one text, or a cell of texts
  Choice,         // one of `choices`, matched without regard to case, stored as listed
  Number,         // one number, subject to `check`
  Vector,         // exactly `count` numbers, stored as a row, subject to `check`
  Numbers,        // any numeric matrix (data, "Value")
  Ticks,          // an increasing row of numbers, or empty
  Color,          // a colour spec, stored as [r g b]
  ColorOrChoice,  // a colour spec or one of `choices` ("none", "flat", ...)
  Callback,       // a callable, {callable, extra...}, a callback text, or empty
  HandleOrEmpty,  // a live object of the type in `choices` (any type when empty), or []
};

enum class Check { None, Positive, NonNegative, UnitInterval, Increasing, PositionSize };

struct PropSpec {
  std::string name;  // canonical spelling
  Kind kind = Kind::Any;
  Value initial;
  std::vector<std::string> choices;
  std::size_t count = 0;
  Check check = Check::None;
  bool readOnly = false;  // users cannot set it (the runtime may)
  bool computed = false;  // its value is made when read, not stored
};

// Names looked up without making a string of them.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using NameIndex = std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>>;

struct TypeTable {
  std::string type;
  std::vector<PropSpec> props;
  NameIndex index;  // lower-case name or alias -> slot
  NameIndex exact;  // canonical spelling -> slot: the program's own calls, found at once
  // The properties whose initial value the root's "Default…" properties give: (own slot, root
  // slot). A new object reads these few instead of looking its every property up in the root.
  std::vector<std::pair<std::size_t, std::size_t>> rootDefaults;
};

// The table of a type, or null for a type the runtime does not know.
const TypeTable* typeTable(std::string_view type);
// The slot of a property name (any case, aliases included), or nothing.
std::optional<std::size_t> slotOf(const TypeTable& t, std::string_view name);
// The type names the runtime can create, in a fixed order (for messages).
const std::vector<std::string>& creatableTypes();

struct Object {
  Handle handle = 0;
  const TypeTable* table = nullptr;
  std::optional<Handle> parent;
  std::vector<Handle> children;  // creation order
  std::vector<Value> values;     // one per table slot
  std::vector<std::pair<std::string, Value>> appdata;
  bool beingDeleted = false;
  // When something that shows last changed (see outdateDrawing), as numbers from the session's
  // count of such changes: `revision` for the object itself (made, or a property set), and
  // `contentRevision` for anything below it (made, changed or deleted). Drawing compares them
  // with what it saw last, to keep what did not change. Bookkeeping of the drawing, not part of
  // the object's value, hence changeable through a const object.
  mutable std::uint64_t revision = 0;
  mutable std::uint64_t contentRevision = 0;
  // How many times one of its properties changed value, whether it shows or not (see changeCount).
  mutable std::uint64_t changes = 0;

  const std::string& type() const { return table->type; }
  const Value& value(std::string_view name) const;  // a property known to be in the table
};

struct CallbackFrame {
  Handle object = 0;
  std::optional<Handle> figure;
};

// The rotation mode of one figure and the drag it may be in.
struct RotationMode {
  Handle axes = 0;
  bool dragging = false;
  double startX = 0, startY = 0;
  double startAzimuth = 0, startElevation = 0;
};

struct Session {
  std::shared_ptr<runtime::Registry> registry;
  std::shared_ptr<Backend> backend;
  std::unordered_map<Handle, Object> objects;  // looked up by every property access: hashed
  double nextHandle = 0;
  std::optional<Handle> currentFigure;
  std::vector<CallbackFrame> callbacks;
  std::map<Handle, RotationMode> rotation;   // by figure
  std::map<Handle, bool> buttonDown;         // by figure
  std::map<Handle, FigureDrawing> drawings;  // by figure: its kept display list (render.hpp)
  int quiet = 0;                             // > 0: no backend notifications (a load in progress)
  std::uint64_t revision = 0;                // changes that show so far (Object::revision)
  bool drawAside = false;                    // large depth orders built aside (render.hpp)
};

// The session, started headless on first use.
Session& session();
bool hasSession();

Object* findObject(Handle h);
Object& object(Handle h);  // raises for a handle that names nothing
Error invalidHandle();

std::string lower(std::string_view s);
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Make an object with its defaults under `parent` (no properties applied, nobody notified) and
// remove one again with everything below it, running nothing.
Object& makeObject(std::string_view type, Handle parent);
void eraseSilently(Handle h);
// Apply name/value pairs to an object that is being built; raises at the first bad pair.
void applyPairs(Object& o, const PropertyList& props);
// Nesting rule: nothing when `type` may be a child of `parentType`, else what is expected.
std::optional<std::string> nestingFault(std::string_view type, std::string_view parentType);

// Validation: the stored form of `v` for property `spec` of object `o`, or a Property error.
Value validate(const Object& o, const PropSpec& spec, const Value& v);
Error noSuchProperty(std::string_view type, std::string_view name);

// Store a property the runtime itself owns (read-only ones such as "CurrentPoint").
void setInternal(Handle h, std::string_view name, Value v);

// Visibility of a handle to gcf, gca, findobj and "Children".
bool handleVisible(const Object& o);

void notifyChanged(const Object& o, const std::string& name);
void notifyCreated(Handle h);
// `o` came, went or changed in a way that shows: the kept display list of its figure is out of
// date, and `o` and its ancestors take the next revision. Controls and menus are widgets of the
// backend, not part of the list, and change nothing.
void outdateDrawing(const Object& o);
// The latest revision of `o` itself and of the objects above it, not counting what `o` holds
// (what an axes' decoration depends on: a figure's size places its axes).
std::uint64_t ownRevision(const Object& o);

// The rotation mode's button-up command text.
inline constexpr std::string_view kRotateButtonUp = "rotate3dButtonUp(gcbf)";
void endRotationDrag(Handle fig);
// A press at figure pixel (x, y): starts a rotation drag when the figure's rotation mode is on and
// the press lies on the rotated axes. True when it did; the press then goes nowhere else.
bool startRotationDrag(Handle fig, double x, double y);
// A drag to (x, y): turns the rotated axes when a rotation drag is in progress. True when it did.
bool continueRotationDrag(Handle fig, double x, double y);

}  // namespace kolvar::graphics::detail
