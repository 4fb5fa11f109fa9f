// Qt's key presses in the engine API's terms.
#ifndef ENGINE_SRC_KEY_EVENTS_H_
#define ENGINE_SRC_KEY_EVENTS_H_

#include "include/internal/cef_types_wrappers.h"

class QKeyEvent;

// A key press as a KEYEVENT_RAWKEYDOWN; keys without a virtual-key code of their own get 0.
CefKeyEvent toCefKeyEvent(const QKeyEvent &event);

#endif  // ENGINE_SRC_KEY_EVENTS_H_
