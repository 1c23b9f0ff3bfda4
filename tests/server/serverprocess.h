#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace quillary::testing {

// The real quillary-demo-server as a child process on a free loopback port (--port 0; the
// port is read from the line it prints once it listens).
class ServerProcess
{
public:
    explicit ServerProcess(std::filesystem::path dataDir, std::vector<std::string> extra = {});
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

std::string sha256Hex(const std::string &bytes);
std::string readFile(const std::filesystem::path &path);
std::string randomBytes(std::size_t size, unsigned seed);

} // namespace quillary::testing
