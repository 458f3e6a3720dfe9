#include "app/app.hpp"
#include "graphics/qt/backend.hpp"
#include "../../tests/bsp/fixtures.hpp"
