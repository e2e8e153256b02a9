// SPDX-License-Identifier: GPL-3.0-or-later
#include "livetcp.h"

#include "stopsignals.h"

#include <charconv>
#include <chrono>
#include <cstring>

#ifdef _WIN32
bool RunLiveTcp(const LiveOptions&, KissStream&, const std::function<void()>&,
    const std::function<void(const std::string&)>&, std::string& error)
{
    error = "live reception over TCP is not built on this platform";
    return false;
}
#else
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

Instant UtcNow()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Connects within ten seconds; returns the socket, or -1 with why.
int Connect(const LiveOptions& o, std::string& why)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int rc = getaddrinfo(o.Host.c_str(), o.Port.c_str(), &hints, &found); rc != 0) {
        why = rc == EAI_NONAME || rc == EAI_FAIL ? "unknown host" : gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    why = "no address";
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            why = std::strerror(errno);
            continue;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        int rc = connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            rc = poll(&p, 1, 10000);
            int soError = 0;
            socklen_t length = sizeof soError;
            if (rc == 0) {
                errno = ETIMEDOUT;
                rc = -1;
            } else if (rc > 0 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) == 0 && soError != 0) {
                errno = soError;
                rc = -1;
            } else if (rc > 0) {
                rc = 0;
            }
        }
        if (rc != 0) {
            why = errno == ECONNREFUSED ? "refused" : errno == ETIMEDOUT ? "timed out" : std::strerror(errno);
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

} // namespace

bool RunLiveTcp(const LiveOptions& o, KissStream& stream, const std::function<void()>& afterFeed,
    const std::function<void(const std::string&)>& notes, std::string& error)
{
    const auto start = Clock::now();
    const std::string peer = o.Host + ":" + o.Port;
    auto timeUp = [&] {
        return StopSignals::Received() != 0
            || (o.DurationSeconds && std::chrono::duration<double>(Clock::now() - start).count() >= *o.DurationSeconds);
    };
    // Waits before the next try, in short steps, so that a signal or the
    // duration ends the wait.
    auto pause = [&] {
        const auto until = Clock::now() + std::chrono::duration<double>(o.ReconnectSeconds);
        while (!timeUp() && Clock::now() < until)
            poll(nullptr, 0, 100);
    };
    std::vector<char> buffer(1 << 16);
    while (!timeUp()) {
        std::string why;
        const int fd = Connect(o, why);
        if (fd < 0) {
            const std::string message = "connection to " + peer + " failed: " + why;
            if (!o.Reconnect) {
                error = message;
                return false;
            }
            notes(message + "; trying again in " + std::to_string(static_cast<int>(o.ReconnectSeconds)) + " s");
            pause();
            continue;
        }
        notes("connected to " + peer);
        stream.Connected();
        std::string dropped;
        while (!timeUp()) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
            if (n > 0) {
                stream.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)), UtcNow());
                afterFeed();
            } else if (n == 0) {
                dropped = "closed by the peer";
                break;
            } else if (errno != EINTR && errno != EAGAIN) {
                dropped = std::strerror(errno);
                break;
            }
        }
        close(fd);
        stream.Disconnected();
        if (dropped.empty())
            return true; // the duration ended, or a signal came
        const std::string message = "connection to " + peer + " " + dropped;
        if (!o.Reconnect) {
            error = message;
            return false;
        }
        notes(message + "; trying again in " + std::to_string(static_cast<int>(o.ReconnectSeconds)) + " s");
        pause();
    }
    return true;
}
#endif

bool SplitHostPort(const std::string& text, std::string& host, std::string& port)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        return false;
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    int number = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (ec != std::errc() || end != port.data() + port.size() || number < 1 || number > 65535)
        return false;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return true;
}
