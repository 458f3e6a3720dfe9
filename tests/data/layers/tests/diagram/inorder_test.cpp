#include "../bsp/fixtures.hpp"
#include "../app/app_fixture.hpp"
#include "diagram/inorder.hpp"
#include "../../../outside.hpp"
