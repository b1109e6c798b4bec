// The connection to the desktop's display (GTK over X11 or Wayland). Opened once per process on
// first use, from the UI thread; a process without a display (tests, a console) keeps working
// and the UI services fall back to their neutral answers.
#pragma once

namespace platform {

// Opens the display on first call; true when one is available. Later calls give the same
// answer without trying again. Numbers keep the "C" form (LC_NUMERIC) afterwards.
bool OpenDisplay();

// The native top-level window type of the display (a GtkWindow pointer here), or null.
using NativeWindow = void*;

}  // namespace platform
