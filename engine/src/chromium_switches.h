// Turning the engine's command line and settings into the switches Chromium is started with.
#ifndef ENGINE_SRC_CHROMIUM_SWITCHES_H_
#define ENGINE_SRC_CHROMIUM_SWITCHES_H_

#include <string>
#include <vector>

#include "include/internal/cef_types_wrappers.h"
#include "src/cef_command_line_impl.h"

// The command line's switches in order, followed by those the settings ask for that the command
// line does not already give ("--lang" from locale, the remote-debugging port, logging, ...).
std::vector<std::string> chromiumSwitches(CefCommandLineImpl &command_line,
                                          const CefSettings &settings);

// The switches as Qt WebEngine reads them from QTWEBENGINE_CHROMIUM_FLAGS: separated by spaces,
// a switch with a space in it in double quotes. Qt's reader knows no escape for a double quote,
// so a switch containing one cannot be handed over and is left out.
std::string chromiumFlagsText(const std::vector<std::string> &switches);

#endif  // ENGINE_SRC_CHROMIUM_SWITCHES_H_
