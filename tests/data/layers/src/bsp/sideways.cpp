#include "bsp/sideways.hpp"

#include "geometry/vec3.hpp"
#include "graphics/camera.hpp"
#include "../graphics/camera.hpp"
  #  include <views/views.hpp>
#include <nlohmann/json.hpp>
// #include "app/app.hpp" in a comment is no include
