#pragma once

// The project's test servers (tools/cddb_server.py, tools/musicbrainz_server.py)
// as child processes on an ephemeral port of 127.0.0.1, for tests and benchmarks.
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace kalvex::test {

class ServerProcess {
public:
    // `script` is the server's file in tools/; `options` are its own: "--db",
    // folder, "--fault", "delay:3", ...
    ServerProcess(const std::string& script, const std::vector<std::string>& options) {
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe failed");
        }
        std::vector<std::string> words = {
            "/usr/bin/python3", std::string(KALVEX_SOURCE_DIR) + "/tools/" + script, "--port", "0"};
        words.insert(words.end(), options.begin(), options.end());
        pid_ = fork();
        if (pid_ == 0) {
            // A test that crashes takes its server along rather than leaving
            // it to hold the test runner's output open.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv;
            for (std::string& word : words) {
                argv.push_back(word.data());
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        // "PORT n" is the server's first line; ten seconds is plenty for
        // Python to start even on a loaded machine.
        pollfd wait{out[0], POLLIN, 0};
        FILE* lines = fdopen(out[0], "r");
        char line[64] = "";
        if (poll(&wait, 1, 10'000) == 1 && std::fgets(line, sizeof line, lines) != nullptr &&
            std::strncmp(line, "PORT ", 5) == 0) {
            port_ = std::atoi(line + 5);
        }
        std::fclose(lines);
        if (port_ == 0) {
            Stop();
            throw std::runtime_error(script + " did not start");
        }
    }
    ~ServerProcess() { Stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int Port() const { return port_; }
    std::string PortText() const { return std::to_string(port_); }
    std::string BaseUrl() const { return "http://127.0.0.1:" + PortText(); }

    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

class CddbServerProcess : public ServerProcess {
public:
    explicit CddbServerProcess(const std::vector<std::string>& options)
        : ServerProcess("cddb_server.py", options) {}
};

class MusicBrainzServerProcess : public ServerProcess {
public:
    explicit MusicBrainzServerProcess(const std::vector<std::string>& options)
        : ServerProcess("musicbrainz_server.py", options) {}
};

}  // namespace kalvex::test
