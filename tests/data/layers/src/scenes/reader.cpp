#include "bsp/polygon.hpp"
