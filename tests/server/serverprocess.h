#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace quillary::testing {

// The real quillary-demo-server as a child process on a loopback port: a free one by default
// (--port 0); the port is read from the line it prints once it listens. Its standard error
// goes to errorFile when one is given.
class ServerProcess
{
public:
    explicit ServerProcess(std::filesystem::path dataDir, std::vector<std::string> extra = {},
                           int port = 0, const std::filesystem::path &errorFile = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    bool started() const { return m_port > 0; }
    int port() const { return m_port; }
    const std::string &output() const { return m_output; }
    pid_t pid() const { return m_pid; }

    void kill(int signal);
    int wait(); // exit status as from waitpid, or -1

private:
    std::filesystem::path m_dataDir;
    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_port = 0;
    std::string m_output;
};

// A fresh, empty folder under the system's temporary folder, removed on destruction.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Polls `condition` until it holds or `limit` passes; true if it held.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// True while a TCP connection with this local port waits out TIME_WAIT (as the side that
// closed first does), which keeps the port from a plain bind().
bool timeWaitOn(int port);

std::string sha256Hex(const std::string &bytes);
std::string readFile(const std::filesystem::path &path);
std::string randomBytes(std::size_t size, unsigned seed);

} // namespace quillary::testing
