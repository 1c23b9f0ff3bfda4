#include "serverprocess.h"

#include <openssl/evp.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace quillary::testing {

ServerProcess::ServerProcess(std::filesystem::path dataDir, std::vector<std::string> extra,
                             int port, const std::filesystem::path &errorFile)
    : m_dataDir(std::move(dataDir))
{
    std::vector<std::string> arguments{QUILLARY_DEMO_SERVER, "--port", std::to_string(port),
                                       "--data", m_dataDir.string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::vector<char *> argv;
    for (auto &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    if (!errorFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int result = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    m_stdout = pipeFds[0];
    if (result != 0) {
        m_pid = -1;
        return;
    }

    // Read until the "listening on http://127.0.0.1:PORT" line, or the child ends.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const std::string marker = "listening on http://127.0.0.1:";
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{m_stdout, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t got = ::read(m_stdout, buffer, sizeof buffer);
        if (got <= 0)
            break;
        m_output.append(buffer, static_cast<std::size_t>(got));
        if (const auto at = m_output.find(marker); at != std::string::npos) {
            const auto end = m_output.find_first_not_of("0123456789", at + marker.size());
            if (end != std::string::npos) {
                m_port = std::atoi(m_output.c_str() + at + marker.size());
                break;
            }
        }
    }
}

ServerProcess::~ServerProcess()
{
    if (m_pid > 0) {
        kill(SIGTERM);
        wait();
    }
    if (m_stdout >= 0)
        ::close(m_stdout);
}

void ServerProcess::kill(int signal)
{
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

int ServerProcess::wait()
{
    if (m_pid <= 0)
        return -1;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(m_pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    m_pid = -1;
    return result < 0 ? -1 : status;
}

TempDir::TempDir()
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillary-server-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

bool timeWaitOn(int port)
{
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line); // the column titles
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (state == "06" && local.size() > 5 && local.substr(local.size() - 5) == wanted)
                return true;
        }
    }
    return false;
}

std::string sha256Hex(const std::string &bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < length; ++i) {
        out.push_back(hex[digest[i] >> 4]);
        out.push_back(hex[digest[i] & 15]);
    }
    return out;
}

std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string out(size, '\0');
    for (char &c : out)
        c = static_cast<char>(generator() & 0xff);
    return out;
}

} // namespace quillary::testing
