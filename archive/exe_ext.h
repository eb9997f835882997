// The embedded archive: reader, lookups by name, and the layout they read.
#pragma once

#include "archive/entry_lookup.h"
#include "archive/exe_ext_reader.h"
#include "archive/extent_index.h"
#include "archive/extent_layout.h"
#include "base/stream.h"
