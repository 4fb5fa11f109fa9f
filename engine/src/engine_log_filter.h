// Silencing the engine's own messages on the process's output.
#ifndef ENGINE_SRC_ENGINE_LOG_FILTER_H_
#define ENGINE_SRC_ENGINE_LOG_FILTER_H_

// From now on drops what Qt WebEngine writes through Qt's logging: page console messages (the
// "js" category), its own categories and its start-up notices. Every other message goes on to the
// handler that was installed before.
void silenceEngineMessages();

#endif  // ENGINE_SRC_ENGINE_LOG_FILTER_H_
