// The operating-system services the client uses, one implementation per system (linux/, win/).
// Everything above this header is the same on every system.
#ifndef PLATFORM_PLATFORM_H_
#define PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A native window: an HWND on Windows, an X11 window id (QWidget::winId) on Linux.
using WindowHandle = std::uintptr_t;

// --- Per-user folders -------------------------------------------------------------------------

// The tail appended directly behind the profile folder to name the client's data folder, and the
// tail that names the engine's cache below it.
// "\AppData\Local\VantoroClient" on Windows, "/.local/share/VantoroClient" on Linux.
extern const char kDataFolderTail[];
// kDataFolderTail followed by "\cache" or "/cache".
extern const char kCacheFolderTail[];

// The user's profile (home) folder in UTF-8, without a trailing separator; empty when it cannot be
// determined.
std::string profileFolder();
// Profile folder + kDataFolderTail, or empty when the profile folder is unknown or the path would
// not fit the system's path buffer.
std::string dataFolderPath();
// Profile folder + kCacheFolderTail, or empty under the same conditions.
std::string cachePath();

// Absolute path of the running executable in UTF-8; empty when unknown.
std::string executablePath();

// True while this process holds a file below folder (UTF-8, absolute) open; false where the system
// cannot tell.
bool holdsFilesBelow(const std::string &folder);

// The full name a local server (QLocalServer) of this user listens on for name: a socket in a
// folder that only this user can enter (Linux: XDG_RUNTIME_DIR, else a folder of the user's own in
// the temporary folder), or a named pipe of that name (Windows). Empty when no such folder can be
// had: a name in a shared folder could be taken or answered by another user.
std::string privateServerName(const std::string &name);

// Removes the lock file at path (UTF-8) when no process holds it, as a lock file's owner does for
// as long as it runs (Qt's QLockFile: a file lock on Linux, an open handle that refuses deletion on
// Windows). Returns true when the file was removed.
bool removeUnheldLockFile(const std::string &path);

// Deletes the folder at path (UTF-8) with everything below it, except hidden and system entries,
// special files (sockets, FIFOs, devices) and the folders that hold them. Links are removed as
// links, and so is path itself when it is one; what they lead to is never touched. Never descends
// into a folder that belongs to another file system or mount than path, nor follows a folder that
// was swapped for a link during the walk. The file at the absolute path keep, if not empty, stays
// with the folders that hold it. Returns true when path does not exist or the folder itself was
// removed, false for an empty path or a folder that stayed.
bool removeFolder(const std::string &path, const std::string &keep);

// --- Files ------------------------------------------------------------------------------------

enum class MoveResult { kMoved, kExists, kFailed };

// Gives the file at from the name to (both UTF-8, on one file system) in one step that nothing
// can come between: kExists, with nothing changed, when anything is at to, a dangling link
// included. Never copies, never follows a link at to.
MoveResult moveWithoutReplacing(const std::string &from, const std::string &to);

enum class ReadResult { kRead, kMissing, kNotRegular, kTooLarge, kFailed };

// Reads the whole file at path (UTF-8) into out when it is a regular file (a link to one counts) of
// at most max_bytes. Never waits on a special file (a FIFO, a device) and reads nothing from it.
ReadResult readRegularFile(const std::string &path, std::size_t max_bytes, std::string &out);

// --- Network adapters -------------------------------------------------------------------------

enum AdapterType : unsigned {
    kAdapterTypeOther = 1,
    kAdapterTypeEthernet = 6,  // wired
    kAdapterTypeLoopback = 24,
    kAdapterTypeWireless = 71,  // IEEE 802.11
};

struct AdapterRecord {
    std::string description;
    unsigned type = kAdapterTypeOther;
    unsigned char address[8] = {};
    unsigned addressLength = 0;  // 0 to 8
    std::string firstIp;         // first IPv4 address as text; "0.0.0.0" when it has none
};

// Fills out with the system's adapters in the system's order. Returns false, with out unchanged,
// when the list cannot be read.
bool listAdapters(std::vector<AdapterRecord> &out);

// --- System facts -----------------------------------------------------------------------------

// "windows<major>.<minor>.<build>" or "linux<major>.<minor>.<patch>"; empty when unknown.
std::string osVersionText();
// Size of the primary screen in pixels.
void primaryScreenSize(int &width, int &height);

// --- Windows ----------------------------------------------------------------------------------

// Moves and sizes a child window within its parent, without changing its stacking order.
void placeChildWindow(WindowHandle child, int x, int y, int width, int height);
// Releases the mouse capture before a window move. Returns false when no move should start.
bool releaseMouseCapture();
// Hands the move of a top-level window to the window system, as a drag on a system caption would;
// returns when the window system has taken (or finished) the move.
void startWindowMove(WindowHandle window);
// Edges of a window, combined for a corner.
enum WindowEdge : unsigned { kEdgeTop = 1, kEdgeLeft = 2, kEdgeRight = 4, kEdgeBottom = 8 };
// Hands the resize of a top-level window by edges to the window system, which follows the pointer
// while the left button stays down, from where the button went down (pressedX, pressedY: the
// screen's logical pixels) so the edge stays under the pointer however late the hand-over comes.
// Returns false, changing nothing, where the window system does not take it: the program then
// resizes the window itself.
bool startWindowResize(WindowHandle window, unsigned edges, int pressedX, int pressedY);
// Gives a top-level window the keyboard focus.
void focusWindow(WindowHandle window);
// Blocks the calling thread.
void sleepMilliseconds(unsigned milliseconds);
// True when the desktop composes windows, so that the transparent pixels of a translucent window
// show what lies beneath it. False on an X server without a compositing manager, where they show
// black.
bool desktopComposited();

// --- Session bus ------------------------------------------------------------------------------

// Puts a bridge of this executable's own between the programs in this process and the user's
// session bus (DBUS_SESSION_BUS_ADDRESS now names it): when the bus goes away, their connections
// stay open and stop answering instead of closing, as a closed one would end the embedded
// browser; it says so once. The bridge listens nowhere: each connection starts its own, which
// only the connecting program reaches. Returns false where there is no bus address to bridge
// (connections then fail at once rather than start a bus daemon of their own) or the system
// needs none.
bool relaySessionBus();
// Runs this process as the bridge of one connection when argv asks for it, until the program
// that connected closes its end; returns the exit status, or -1 when this is no bridge's start.
int runSessionBusBridge(int argc, char *argv[]);
// The session bus's own address, also once relayed; empty when there is none.
std::string sessionBusAddress();

// --- Local connections ------------------------------------------------------------------------

// Whether the other end of the connected TCP socket (a file descriptor on Linux, a SOCKET on
// Windows) is a socket on this machine that a process of this process's user (or, on Linux, root)
// opened. False when the peer is elsewhere or its owner cannot be told.
bool tcpPeerIsOwnUser(std::uintptr_t socket);
// From now on every TCP connection this process accepts, the engine's included, is closed at once
// unless tcpPeerIsOwnUser admits it: another user's process sees it closed without an answer.
// Returns false where the system cannot put itself between the engine and its accepts.
bool admitOwnUserOnly();
// --- Desktop handlers -----------------------------------------------------------------------

// Keeps a copy of the process's environment as it is now; called first thing in main, before the
// engine or the client change it.
void keepStartEnvironment();
// Hands url (UTF-8) to the desktop's handler for its scheme and returns at once: xdg-open on
// Linux, started with the environment keepStartEnvironment kept (so none of the engine's
// variables reach it) and not a child the process has to wait for; the shell's ShellExecute on
// Windows, where the handler gets the process's current environment. False when it could not be
// started.
bool openExternally(const std::string &url);

// --- Start at login -------------------------------------------------------------------------

// Whether the desktop starts the client when the user logs in: an autostart entry of the client's
// own (Linux: vantoro-client.desktop in the autostart folder of the user's configuration folder),
// or a value of the user's Run key (Windows).
bool startsAtLogin();
// Makes the desktop start this executable at login, or no longer; false when that could not be
// done.
bool setStartAtLogin(bool start);

// --- Window system ----------------------------------------------------------------------------

// Settles the toolkit's window system before it starts where the session's choice would fail: in
// a Wayland session whose compositor does not answer the window goes to the X display, if there
// is one. Returns a note for the user when it chose otherwise than the session, else empty.
std::string chooseWindowSystem();

// --- Crashes ----------------------------------------------------------------------------------

// Installs the process-wide crash handler that writes a minidump into the current directory.
void installCrashHandler();

// --- Sandbox --------------------------------------------------------------------------------

// Why the engine's sandbox cannot confine this program's sub-processes here, as words for the
// user; empty when it can.
std::string sandboxUnavailableReason();
// In the browser process, before any sub-process starts: a thread of its own writes the minidumps
// of sub-processes that crash inside the sandbox, where they cannot open a file themselves, with
// the name and in the folder the crash handler uses. Sub-processes learn where to ask through the
// environment. Returns false where it could not be set up; their crashes then leave no dump.
bool serveSandboxedCrashDumps();
// In a sub-process, before it enters the sandbox: connects to the browser process's service, so
// that the crash handler of this process and of those forked from it can still ask for a dump.
void joinSandboxedCrashDumps();

// --- Processes ------------------------------------------------------------------------------

// Ends a process of the program's own at once, as the system's kill does; it gets no chance to
// clean up. Returns false when it could not be ended.
bool endProcess(std::int64_t pid);

// A handle that becomes readable once the process has ended, for the event loop to watch without
// asking the process; -1 where the system offers no such handle or the process is gone. Closed
// with closeProcessWatch.
int watchProcessEnd(std::int64_t pid);
void closeProcessWatch(int handle);

// --- Requests to end ------------------------------------------------------------------------

// Turns the system's requests to end the process (SIGTERM, SIGINT, SIGHUP) into a byte on a pipe
// and returns the pipe's read end for the event loop to watch; -1 where the system sends none. A
// second request, once one has arrived, ends the process at once by its signal.
int watchEndRequests();

}  // namespace platform

#endif  // PLATFORM_PLATFORM_H_
