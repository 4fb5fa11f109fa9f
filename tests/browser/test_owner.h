#ifndef TESTS_BROWSER_TEST_OWNER_H_
#define TESTS_BROWSER_TEST_OWNER_H_

class VantoroClient;

// The real main window the suites hand to their handlers as owner. It exists for the whole run;
// the engine was never started, so it has no browser of its own.
VantoroClient &testOwner();

#endif  // TESTS_BROWSER_TEST_OWNER_H_
