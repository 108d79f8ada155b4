#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace valmir::test {

// A line between a workstation and the test server that a test can break:
// it takes TCP connections on 127.0.0.1 (a port of the system's choice)
// and forwards each to the server's Unix socket, in a thread of its own.
class Relay {
public:
    // `conninfo`: the test server's connection string ("host=<folder> ...").
    explicit Relay(const QString& conninfo);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    bool listening() const { return m_listen >= 0; }
    // The same connection string through the relay.
    QString conninfo() const;

    // Nothing is forwarded any more, and nothing closed: the other side
    // looks dead, as it does when the network is down. New connections
    // are taken and not forwarded either.
    void blackhole();
    // Forwards again, also what waited meanwhile.
    void forward();
    // Closes every connection so far, as a server that went away.
    void cut();

private:
    struct Pair {
        int client;
        int server;
    };
    void run();
    void request(int what);
    void closeAll();

    QString m_conninfo;
    QString m_socketPath;
    int m_listen = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::vector<Pair> m_pairs; // the thread's own
    std::mutex m_mutex;
    std::condition_variable m_done;
    int m_request = 0; // what the thread is asked to do, 0 when done
    bool m_forwarding = true;
    std::thread m_thread;
};

} // namespace valmir::test
