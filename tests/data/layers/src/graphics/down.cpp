#include "graphics/camera.hpp"
#include "qt/backend.hpp"
