#include "application.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// A private X server with a reparenting window manager on it, so that the tests see windows as
// a desktop user does: frames, captions in the window manager's properties, real focus.
class PrivateDesktop
{
public:
    bool start()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return false;
        const std::string fd = std::to_string(fds[1]);
        m_server = spawn(
            {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1000x24", "-nolisten", "tcp"});
        ::close(fds[1]);
        std::string display;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            display += c;
        ::close(fds[0]);
        if (m_server <= 0 || display.empty())
            return false;
        ::setenv("DISPLAY", (":" + display).c_str(), 1);

        m_windowManager = spawn({"openbox", "--sm-disable"});
        // The window manager announces itself on the root window once it manages windows. Under
        // load it now and then gives up on a server that has only just started: it goes again.
        int restarts = 0;
        for (int i = 0; i < 200; ++i) {
            if (std::system(
                    "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") == 0)
                return true;
            if (::waitpid(m_windowManager, nullptr, WNOHANG) == m_windowManager) {
                m_windowManager = ++restarts > 3 ? -1 : spawn({"openbox", "--sm-disable"});
                if (m_windowManager <= 0)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    ~PrivateDesktop()
    {
        for (pid_t pid : {m_windowManager, m_server})
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
    }

private:
    static pid_t spawn(std::initializer_list<const char *> args)
    {
        std::vector<char *> argv;
        for (const char *a : args)
            argv.push_back(const_cast<char *>(a));
        argv.push_back(nullptr);
        pid_t pid = 0;
        return ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid
                                                                                          : -1;
    }

    pid_t m_server = -1;
    pid_t m_windowManager = -1;
};

bool listingTests(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--gtest_list_tests", 0) == 0)
            return true;
    return false;
}

} // namespace

// Runs the tests in real windows on a private X server under a window manager.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    PrivateDesktop desktop;
    if (listingTests(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        if (!desktop.start()) {
            std::fprintf(stderr, "could not start Xvfb with openbox\n");
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    return RUN_ALL_TESTS();
}
