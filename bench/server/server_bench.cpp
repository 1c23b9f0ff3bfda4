// Benchmark of the demo web site on loopback, beside nginx serving the same bytes in the
// same run: 200 MB download and upload throughput, the server's peak RSS growth during the
// upload, and list-page requests per second with 1,000 documents and 32 clients (wrk).
#include "database.h"
#include "samples.h"
#include "store.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint64_t documentBytes = 200ull * 1000 * 1000;
constexpr int documentCount = 1000;
constexpr int runs = 3;

[[noreturn]] void die(const std::string &message)
{
    std::fprintf(stderr, "server-bench: %s\n", message.c_str());
    std::exit(1);
}

pid_t spawn(const std::vector<std::string> &arguments, const fs::path &output)
{
    std::vector<char *> argv;
    std::vector<std::string> copy = arguments;
    for (auto &argument : copy)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (output.string() + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        die("cannot start " + arguments[0]);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void waitUntilListening(int port)
{
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        const int fd = connectTo(port);
        if (fd >= 0) {
            ::close(fd);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    die("nothing listens on port " + std::to_string(port));
}

// Reads the response headers, then counts the body bytes; returns the body size.
std::uint64_t readResponse(int fd, int &status)
{
    std::vector<char> buffer(1 << 20);
    std::string head;
    std::uint64_t body = 0;
    for (;;) {
        const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (got <= 0)
            break;
        if (head.find("\r\n\r\n") == std::string::npos) {
            head.append(buffer.data(), std::size_t(got));
            const auto end = head.find("\r\n\r\n");
            if (end != std::string::npos)
                body += head.size() - end - 4;
        } else {
            body += std::uint64_t(got);
        }
    }
    status = head.size() > 12 ? std::atoi(head.c_str() + 9) : 0;
    return body;
}

// MB/s (10^6 bytes) of one GET of `path`, the connection closed by the server at the end.
double download(int port, const std::string &path, std::uint64_t expected)
{
    const int fd = connectTo(port);
    const std::string request =
        "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    const auto start = Clock::now();
    ::send(fd, request.data(), request.size(), 0);
    int status = 0;
    const std::uint64_t got = readResponse(fd, status);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(fd);
    if (status != 200 || got != expected)
        die("download of " + path + " failed: status " + std::to_string(status) + ", " +
            std::to_string(got) + " bytes");
    return expected / seconds / 1e6;
}

std::uint64_t rssKiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtoull(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

// CPU seconds (user + system) the process has used so far.
double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        fields >> skip;
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / double(::sysconf(_SC_CLK_TCK));
}

struct UploadFigures
{
    double megabytesPerSecond;
    std::uint64_t rssGrowthKiB;
    double serverCpuSeconds;
};

UploadFigures upload(int port, pid_t server, const fs::path &file)
{
    const std::string boundary = "----bench-boundary-7f3a";
    const std::string partHead = "--" + boundary +
                                 "\r\nContent-Disposition: form-data; name=\"file\"; "
                                 "filename=\"big.doc\"\r\nContent-Type: application/msword\r\n\r\n";
    const std::string tail = "\r\n--" + boundary + "--\r\n";
    const std::uint64_t length = partHead.size() + documentBytes + tail.size();
    const std::string head = "POST /quillary/uploadedit.asp?oper=edit&id=1 HTTP/1.1\r\nHost: "
                             "127.0.0.1\r\nConnection: close\r\nContent-Type: multipart/form-data; "
                             "boundary=" +
                             boundary + "\r\nContent-Length: " + std::to_string(length) +
                             "\r\n\r\n" + partHead;

    const std::uint64_t baseline = rssKiB(server);
    std::atomic<bool> sampling{true};
    std::atomic<std::uint64_t> peak{baseline};
    std::thread sampler([&] {
        while (sampling) {
            peak = std::max(peak.load(), rssKiB(server));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });

    const int fd = connectTo(port);
    const int in = ::open(file.c_str(), O_RDONLY);
    const double cpuBefore = cpuSeconds(server);
    const auto start = Clock::now();
    ::send(fd, head.data(), head.size(), 0);
    off_t offset = 0;
    while (std::uint64_t(offset) < documentBytes) {
        if (::sendfile(fd, in, &offset, documentBytes - std::uint64_t(offset)) <= 0)
            die("upload send failed");
    }
    ::send(fd, tail.data(), tail.size(), 0);
    int status = 0;
    readResponse(fd, status);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(fd);
    ::close(in);
    sampling = false;
    sampler.join();
    if (status != 200)
        die("upload failed with status " + std::to_string(status));
    return {documentBytes / seconds / 1e6, peak - baseline, cpuSeconds(server) - cpuBefore};
}

struct WrkFigures
{
    double requestsPerSecond = 0;
    std::string failures; // empty when every request succeeded
};

WrkFigures runWrk(int port, const std::string &path, const fs::path &work)
{
    const fs::path output = work / "wrk.out";
    const pid_t pid = spawn({"wrk", "-t2", "-c32", "-d10s", "--latency",
                             "http://127.0.0.1:" + std::to_string(port) + path},
                            output);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::string text = readFile(output);
    WrkFigures figures;
    if (const auto at = text.find("Requests/sec:"); at != std::string::npos)
        figures.requestsPerSecond = std::atof(text.c_str() + at + 13);
    else
        die("wrk gave no figures:\n" + text + readFile(output.string() + ".err"));
    for (const char *marker : {"Non-2xx or 3xx responses:", "Socket errors:"}) {
        if (const auto at = text.find(marker); at != std::string::npos)
            figures.failures += text.substr(at, text.find('\n', at) - at) + "; ";
    }
    return figures;
}

pid_t startNginx(const fs::path &prefix, int port)
{
    fs::create_directories(prefix / "logs");
    std::ofstream(prefix / "nginx.conf")
        << (::geteuid() == 0 ? "user root;\n" : "") << "worker_processes 1;\ndaemon off;\n"
        << "pid " << (prefix / "nginx.pid").string() << ";\n"
        << "error_log " << (prefix / "logs/error.log").string() << ";\n"
        << "events { worker_connections 1024; }\n"
        << "http {\n access_log off;\n sendfile on;\n tcp_nopush on;\n"
        << " keepalive_requests 100000;\n"
        << " types { text/html html; application/msword doc; }\n"
        << " client_body_temp_path " << (prefix / "body").string() << ";\n"
        << " proxy_temp_path " << (prefix / "proxy").string() << ";\n"
        << " fastcgi_temp_path " << (prefix / "fastcgi").string() << ";\n"
        << " uwsgi_temp_path " << (prefix / "uwsgi").string() << ";\n"
        << " scgi_temp_path " << (prefix / "scgi").string() << ";\n"
        << " server {\n  listen 127.0.0.1:" << port << ";\n  root " << (prefix / "www").string()
        << ";\n }\n}\n";
    const char *nginx = ::access("/usr/sbin/nginx", X_OK) == 0 ? "/usr/sbin/nginx" : "nginx";
    return spawn({nginx, "-p", prefix.string(), "-e", (prefix / "logs/error.log").string(), "-c",
                  (prefix / "nginx.conf").string()},
                 prefix / "nginx.out");
}

double best(const std::vector<double> &values)
{
    return *std::max_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char *argv[])
{
    // quillary-server-bench [--work PARENT_DIR] [SERVER_EXECUTABLE]
    std::string server = QUILLARY_DEMO_SERVER;
    std::string parent = "/tmp";
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--work" && i + 1 < argc)
            parent = argv[++i];
        else
            server = argv[i];
    }
    std::string pattern = parent + "/quillary-server-bench-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        die("cannot create a temporary folder in " + parent);
    const fs::path work = pattern;
    fs::permissions(work, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    std::printf("server-bench: working in %s\n", work.c_str());

    // 1,000 documents: the five samples plus generated small ones.
    const fs::path data = work / "data";
    fs::create_directories(data);
    {
        quillary::server::Database database(data / "quillary.sqlite");
        quillary::server::ObjectStore store(data / "store");
        quillary::server::seedSamples(database, store);
        const auto object = store.put(std::string(20000, 'x'));
        for (int i = static_cast<int>(quillary::server::sampleDocuments().size());
             i < documentCount; ++i)
            database.addDocument(
                {"基准文档_" + std::to_string(i + 1) + ".doc", "doc", object.hash, object.size},
                std::time(nullptr));
    }

    // The 200 MB document, random so nothing along the way can compress it.
    const fs::path big = work / "www" / "big.doc";
    fs::create_directories(big.parent_path());
    {
        std::ofstream out(big, std::ios::binary);
        std::mt19937_64 generator(42);
        std::vector<std::uint64_t> block(1 << 17);
        for (std::uint64_t written = 0; written < documentBytes;) {
            for (auto &word : block)
                word = generator();
            const std::uint64_t chunk =
                std::min<std::uint64_t>(block.size() * 8, documentBytes - written);
            out.write(reinterpret_cast<const char *>(block.data()), std::streamsize(chunk));
            written += chunk;
        }
    }

    const int serverPort = freePort();
    const pid_t serverPid = spawn({server, "--port", std::to_string(serverPort), "--data",
                                   data.string(), "--max-upload-bytes", "300000000"},
                                  work / "server.out");
    waitUntilListening(serverPort);
    const int nginxPort = freePort();
    const pid_t nginxPid = startNginx(work / "nginx", nginxPort);
    fs::create_directories(work / "nginx" / "www");
    fs::create_hard_link(big, work / "nginx" / "www" / "big.doc");
    waitUntilListening(nginxPort);

    // Warm the page cache for both, so both read the same file from memory.
    readFile(big).size();

    std::vector<UploadFigures> uploads;
    for (int i = 0; i < runs; ++i)
        uploads.push_back(upload(serverPort, serverPid, big));

    std::vector<double> ours, theirs;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(
            download(serverPort, "/quillary/writefile.asp?id=1&operfile=office", documentBytes));
        theirs.push_back(download(nginxPort, "/big.doc", documentBytes));
    }

    // The same list page, as a static file, is nginx's anchor for the request rate.
    {
        const int fd = connectTo(serverPort);
        const std::string request =
            "GET /quillary/webdocumentlist.asp HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
        ::send(fd, request.data(), request.size(), 0);
        std::string response;
        char buffer[65536];
        ssize_t got;
        while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            response.append(buffer, std::size_t(got));
        ::close(fd);
        std::ofstream(work / "nginx" / "www" / "list.html")
            << response.substr(response.find("\r\n\r\n") + 4);
    }
    const WrkFigures listOurs = runWrk(serverPort, "/quillary/webdocumentlist.asp", work);
    const WrkFigures listNginx = runWrk(nginxPort, "/list.html", work);

    double uploadBest = 0;
    std::uint64_t rssWorst = 0;
    for (const auto &u : uploads) {
        uploadBest = std::max(uploadBest, u.megabytesPerSecond);
        rssWorst = std::max(rssWorst, u.rssGrowthKiB);
    }
    std::printf("\nload average (1, 5, 15 min) after the runs: %s",
                readFile("/proc/loadavg").c_str());
    std::printf(
        "\nDemo web site on loopback (200 MB = 2e8 bytes, best of %d runs; MB/s = 1e6 bytes/s)\n",
        runs);
    std::printf("%-44s %12s %12s\n", "", "demo server", "nginx");
    std::printf("%-44s %12.0f %12.0f   (%.0f%% of nginx)\n", "download 200 MB [MB/s]", best(ours),
                best(theirs), 100.0 * best(ours) / best(theirs));
    std::printf("%-44s %12.0f %12s\n", "upload 200 MB, committed [MB/s]", uploadBest, "-");
    std::printf("%-44s %12.1f %12s\n", "peak RSS growth during upload [MiB]", rssWorst / 1024.0,
                "-");
    std::printf("%-44s %12.0f %12.0f\n", "list page, 1000 docs, 32 clients [req/s]",
                listOurs.requestsPerSecond, listNginx.requestsPerSecond);
    std::printf("%-44s %12s %12s\n", "failed list requests",
                listOurs.failures.empty() ? "none" : listOurs.failures.c_str(),
                listNginx.failures.empty() ? "none" : listNginx.failures.c_str());
    std::printf("\nall runs: upload MB/s");
    for (const auto &u : uploads)
        std::printf(" %.0f (RSS +%.1f MiB, server CPU %.2f s)", u.megabytesPerSecond,
                    u.rssGrowthKiB / 1024.0, u.serverCpuSeconds);
    std::printf("; download MB/s ours");
    for (double v : ours)
        std::printf(" %.0f", v);
    std::printf(", nginx");
    for (double v : theirs)
        std::printf(" %.0f", v);
    std::printf("\n");

    stop(nginxPid);
    stop(serverPid);
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return 0;
}
