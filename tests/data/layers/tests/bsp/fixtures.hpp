#pragma once
#include "../support.hpp"
