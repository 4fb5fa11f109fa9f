#ifndef APP_VANTORO_APPLICATION_H_
#define APP_VANTORO_APPLICATION_H_

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>
#include <string>

class QApplication;
class SingleInstance;
class VantoroClient;

// The client as a whole: whatever belongs to no window. It starts and stops the engine, keeps one
// client per data folder and hands later starts over to it, turns requests to end into the close
// button's path, counts the start, bounds the shut-down and removes the data folder at exit when
// the viewer asked for it.
class VantoroApplication {
public:
    // argc must outlive the object: the toolkit keeps a reference to it.
    VantoroApplication(int &argc, char **argv);
    ~VantoroApplication();

    // Plays this process's role to its end and returns its exit code: an engine sub-process's or
    // the session bus bridge's, or the browser process's from the first start-up step to the
    // data folder's removal.
    int run();

    // Whether this is the first start from the working folder, which then gets an empty marker
    // file: a start from elsewhere counts as a first start.
    static bool takeFirstRunMarker();

private:
    // The toolkit's settings that must come before its application object, then that object.
    void startToolkit();
    void watchEndRequests(int endRequests);
    // Takes the data folder or hands over to the client that holds it; returns false when this
    // process ends here, with exitCode.
    bool holdDataFolder(int &exitCode);
    // The page a link among the command line's arguments asks for, kept in linkedPage_; a refused
    // link is said on stderr and opens nothing.
    void readLink();
    // A later start's link: the running window shows it, or only comes back when it is refused.
    void openLink(const QByteArray &page, const QByteArray &activationToken);
    void showWindow();
    void shutDown();

    int &argc_;
    char **argv_;
    // Why pages run outside the engine's sandbox; empty when they run inside it.
    std::string sandboxOff_;
    // The desktop's permission for this start to bring a window to the front, read before the
    // toolkit takes it for a window of its own: a later start hands it to the running client.
    QByteArray activationToken_;
    QUrl linkedPage_;
    QString dataFolder_;
    bool ownsDataFolder_ = false;
    bool endRequested_ = false;
    // Destroyed in reverse: the window, then the data folder's lock, then the toolkit.
    std::unique_ptr<QApplication> toolkit_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<VantoroClient> window_;
};

#endif  // APP_VANTORO_APPLICATION_H_
