#pragma once

#include "include/cef_app.h"

namespace engine {

// The program's sub-process entry, as CefSetSubProcessEntry left it; empty
// when none was set. Any thread.
CefSubProcessEntry SubProcessEntry();
void SetSubProcessEntry(CefSubProcessEntry entry);

}  // namespace engine
