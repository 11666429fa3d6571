// The runtime core in one include: strings, arrays, the collector and the error paths.
#pragma once

#include "runtime/array.h"
#include "runtime/errors.h"
#include "runtime/gc.h"
#include "runtime/vxstring.h"
