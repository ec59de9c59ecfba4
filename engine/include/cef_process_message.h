#pragma once

#include "include/cef_values.h"
