// A TCP server on 127.0.0.1 inside the test process, on a port the system
// picks: each accepted connection runs `serve(fd)` on a thread of its own.
// The destructor stops accepting, shuts every open connection down (so a
// serve blocked in a read returns) and waits for the threads. Plain POSIX:
// no runtime state is touched.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wrentest {

class LocalTcpServer {
public:
    explicit LocalTcpServer(std::function<void(int fd)> serve) : serve_(std::move(serve)) {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listenFd_, 16);
        socklen_t len = sizeof a;
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        [[maybe_unused]] int piped = ::pipe(stopPipe_);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }

    ~LocalTcpServer() {
        stopping_ = true;
        char b = 1;
        [[maybe_unused]] ssize_t n = ::write(stopPipe_[1], &b, 1);
        acceptor_.join();
        {
            std::lock_guard<std::mutex> g(mutex_);
            for (int fd : open_)
                if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
        }
        for (std::thread& t : workers_) t.join();
        ::close(listenFd_);
        ::close(stopPipe_[0]);
        ::close(stopPipe_[1]);
    }

    int port() const { return port_; }
    int accepted() const { return accepted_; }

    // Helpers for serve bodies.
    static bool sendAll(int fd, const std::string& bytes) {
        size_t at = 0;
        while (at < bytes.size()) {
            ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (n <= 0) return false;
            at += size_t(n);
        }
        return true;
    }
    // Reads until `marker` has come (true) or the stream ends (false);
    // everything read is appended to `into`.
    static bool readUntil(int fd, const std::string& marker, std::string& into) {
        char b[4096];
        while (into.find(marker) == std::string::npos) {
            ssize_t n = ::recv(fd, b, sizeof b, 0);
            if (n <= 0) return false;
            into.append(b, size_t(n));
        }
        return true;
    }
    // Reads until `total` bytes are in `into` or the stream ends.
    static void readCount(int fd, size_t total, std::string& into) {
        char b[4096];
        while (into.size() < total) {
            ssize_t n = ::recv(fd, b, sizeof b, 0);
            if (n <= 0) return;
            into.append(b, size_t(n));
        }
    }

private:
    void acceptLoop() {
        while (!stopping_) {
            pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents || stopping_) return;
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            ++accepted_;
            std::lock_guard<std::mutex> g(mutex_);
            open_.push_back(fd);
            workers_.emplace_back([this, fd] {
                serve_(fd);
                std::lock_guard<std::mutex> g2(mutex_);
                for (int& o : open_)
                    if (o == fd) o = -1;
                ::close(fd);
            });
        }
    }

    std::function<void(int)> serve_;
    int listenFd_ = -1;
    int port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::mutex mutex_;
    std::vector<int> open_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace wrentest
