// edges_bench.cpp - the two ends of a TCP link's life, timed and weighed: disconnect of an idle
// link, disconnect right after sending, a peer flooding a host that does not fetch, keep-alive.
//
// Its peer is a plain POSIX socket, so that only the library's own behaviour is measured.
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"

namespace {

using bench::Clock;
constexpr uint32_t message_id = 0x8001;

// A listening raw peer on 127.0.0.1 and the one link it accepts.
struct Peer {
    int listener = -1;
    int link = -1;
    uint16_t port = 0;

    Peer() {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
        listen(listener, 1);
    }
    ~Peer() {
        if (link >= 0) close(link);
        close(listener);
    }
    void accept_link() { link = accept(listener, nullptr, nullptr); }
    void send_all(const std::string &bytes) const {
        size_t at = 0;
        while (at < bytes.size()) {
            const ssize_t n = send(link, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (n <= 0) return;
            at += static_cast<size_t>(n);
        }
    }
    // Everything until the library's end of the stream (or a reset, or 5 s).
    std::string read_to_end() const {
        std::string bytes;
        char buffer[4096];
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            pollfd ready{link, POLLIN, 0};
            if (poll(&ready, 1, 50) != 1) continue;
            const ssize_t n = recv(link, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            bytes.append(buffer, static_cast<size_t>(n));
        }
        return bytes;
    }
};

bool connect_to(Peer &peer, bench::Inbox &inbox) {
    if (kvn_socket_connect_ex(0, "127.0.0.1", inbox.handle(), message_id, peer.port) != KVN_OK) return false;
    peer.accept_link();
    return true;
}

kvn_message move(int16_t time) {
    kvn_message m{};
    m.type = KVN_MOVE;
    m.u.move.time = time;
    m.u.move.from_square = 31;
    m.u.move.to_square = 27;
    return m;
}

size_t count_texts(const std::string &bytes) {
    size_t n = 0;
    for (char c : bytes)
        if (c == '\0') ++n;
    return n;
}

void idle_disconnect() {
    std::vector<double> ms;
    for (int round = 0; round < 20; ++round) {
        Peer peer;
        bench::Inbox inbox;
        if (!connect_to(peer, inbox)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const auto started = Clock::now();
        kvn_disconnect(0);
        ms.push_back(bench::seconds_since(started) * 1000.0);
    }
    std::printf("idle disconnect: median %.1f ms, max %.1f ms (20 links)\n", bench::percentile(ms, 0.5),
                bench::percentile(ms, 1.0));
}

// 50 moves and a game end, then kvn_disconnect at once; the peer has texts
// of its own waiting unread on the library's side.
void queued_then_disconnect() {
    size_t complete_rounds = 0, texts = 0;
    std::vector<double> ms;
    for (int round = 0; round < 10; ++round) {
        Peer peer;
        bench::Inbox inbox;
        if (!connect_to(peer, inbox)) return;
        std::string chatter;
        for (int i = 0; i < 20; ++i) chatter += std::string("Cunread") + '\0';
        peer.send_all(chatter);
        for (int16_t i = 0; i < 50; ++i) {
            const kvn_message m = move(i);
            kvn_send_message(0, &m);
        }
        kvn_message end{};
        end.type = KVN_GAME_END;
        end.u.game_end.reason = 1;
        kvn_send_message(0, &end);
        const auto started = Clock::now();
        kvn_disconnect(0);
        ms.push_back(bench::seconds_since(started) * 1000.0);
        const std::string got = peer.read_to_end();
        const size_t n = count_texts(got);
        texts += n;
        if (n == 51 && got.find("E10") != std::string::npos) ++complete_rounds;
    }
    std::printf("51 queued, then disconnect: %zu of 10 rounds delivered all (%zu of 510 texts), "
                "disconnect median %.1f ms, max %.1f ms\n",
                complete_rounds, texts, bench::percentile(ms, 0.5), bench::percentile(ms, 1.0));
}

size_t resident_kib() {
    FILE *status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0;
    char line[256];
    size_t kib = 0;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "VmRSS: %zu kB", &kib) == 1) break;
    std::fclose(status);
    return kib;
}

// Tiny numbered texts as fast as the library takes them, the host fetching
// nothing for `seconds`; then the host fetches and checks every number.
void flood(double seconds) {
    Peer peer;
    bench::Inbox inbox;
    if (!connect_to(peer, inbox)) return;
    const size_t before = resident_kib();
    std::atomic<bool> stop{false};
    std::atomic<uint32_t> sent{0};
    std::thread flooder([&] {
        char text[16];
        std::string burst;
        uint32_t next = 0;
        while (!stop) {
            burst.clear();
            for (int i = 0; i < 256; ++i) {
                std::snprintf(text, sizeof text, "C%010u", next + static_cast<uint32_t>(i));
                burst.append(text, 12); // 11 characters and the NUL
            }
            size_t at = 0;
            while (at < burst.size() && !stop) {
                pollfd ready{peer.link, POLLOUT, 0};
                if (poll(&ready, 1, 50) != 1) continue;
                const ssize_t n = send(peer.link, burst.data() + at, burst.size() - at, MSG_NOSIGNAL);
                if (n <= 0) return;
                at += static_cast<size_t>(n);
            }
            next += static_cast<uint32_t>(at / 12);
            sent = next;
            if (at < burst.size()) break; // stopped mid-burst: count only whole texts sent
        }
    });
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const size_t during = resident_kib();
    stop = true;
    flooder.join();
    const uint32_t total = sent;
    uint32_t fetched = 0;
    bool in_order = true;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (fetched < total && Clock::now() < deadline) {
        kvn_message m{};
        kvn_receive_message(0, &m);
        if (m.type == KVN_NONE) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        char expected[16];
        std::snprintf(expected, sizeof expected, "%010u", fetched);
        in_order = in_order && std::strncmp(m.u.chat.text, expected, 10) == 0;
        ++fetched;
    }
    kvn_disconnect(0);
    std::printf("flood %.0f s, host not fetching: resident %zu -> %zu MiB (+%zu MiB); %u texts sent, "
                "%u fetched afterwards, %s\n",
                seconds, before / 1024, during / 1024, (during - before) / 1024, total, fetched,
                in_order ? "all in order" : "OUT OF ORDER");
}

// Keep-alive of the library's socket, found by its peer's port.
void keepalive() {
    Peer peer;
    bench::Inbox inbox;
    if (!connect_to(peer, inbox)) return;
    DIR *fds = opendir("/proc/self/fd");
    for (dirent *entry = readdir(fds); entry != nullptr; entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        sockaddr_in other{};
        socklen_t length = sizeof other;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&other), &length) != 0 || ntohs(other.sin_port) != peer.port)
            continue;
        int on = 0, idle = 0, interval = 0, count = 0;
        socklen_t size = sizeof(int);
        getsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, &size);
        getsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, &size);
        getsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, &size);
        getsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, &size);
        std::printf("keep-alive: on %d, first probe after %d s, then every %d s, %d probes: a vanished peer "
                    "is reported after about %d s\n",
                    on, idle, interval, count, idle + interval * count);
    }
    closedir(fds);
    kvn_disconnect(0);
}

} // namespace

int main(int argc, char **argv) {
    const double flood_seconds = argc > 1 ? std::atof(argv[1]) : 8.0;
    idle_disconnect();
    queued_then_disconnect();
    keepalive();
    flood(flood_seconds);
    return 0;
}
