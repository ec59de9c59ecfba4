#pragma once

#include "include/cef_app.h"

namespace inproc {

// The program's sub-process entry, as CefSetSubProcessEntry left it; empty
// when none was set. Any thread.
CefSubProcessEntry SubProcessEntry();
void SetSubProcessEntry(CefSubProcessEntry entry);

}  // namespace inproc
