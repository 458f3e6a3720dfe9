#pragma once
// The kernel may not know what is built on it.
#include "bsp/polygon.hpp"
#include <vector>
