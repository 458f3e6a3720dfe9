#include "app/app.hpp"
#include "graphics/qt/backend.hpp"
