#ifndef APP_BOOTSTRAP_CEF_H_
#define APP_BOOTSTRAP_CEF_H_

#include <string>

// Hands the process to the browser engine. In a process the engine started for one of its roles,
// runs that role to its end and returns its exit code (0 or greater). In the browser process
// starts the engine (its cache below the per-user data folder) and returns -1, also when the
// engine failed to start; sandboxOff then says why pages run outside the engine's sandbox, or is
// empty when they run inside it.
int bootstrapCef(int argc, char *argv[], std::string &sandboxOff);

#endif  // APP_BOOTSTRAP_CEF_H_
