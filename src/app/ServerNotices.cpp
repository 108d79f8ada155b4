#include "app/ServerNotices.h"

#include <QSocketNotifier>
#include <QTimer>

namespace valmir {

namespace {

// Notices that came while the program read from the server wait in libpq
// no longer than this.
constexpr int BufferedNoticesMs = 500;

} // namespace

ServerNotices::ServerNotices(Database& db, QStringList readByCaller, QObject* parent)
    : QObject(parent), m_db(db), m_readByCaller(std::move(readByCaller)) {
    if (!m_db.onServer() || !m_db.listen())
        return;
    watchSocket();
    m_timer = new QTimer(this);
    m_timer->setInterval(BufferedNoticesMs);
    connect(m_timer, &QTimer::timeout, this, &ServerNotices::takeNow);
    m_timer->start();
}

// A connection made anew (the server restarted) reads on another socket.
void ServerNotices::watchSocket() {
    const int socket = m_db.noticeSocket();
    if (socket == m_socket)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    m_socket = socket;
    if (socket < 0)
        return;
    m_notifier = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ServerNotices::takeNow);
}

void ServerNotices::takeNow() {
    watchSocket();
    const QList<Database::Notice> notices = m_db.takeNotices(m_readByCaller);
    // Without a connection there is no socket to watch.
    watchSocket();
    if (const bool lost = m_socket < 0; lost != m_lost) {
        m_lost = lost;
        Q_EMIT linkLost(lost);
    }
    if (!notices.isEmpty())
        Q_EMIT changed(notices);
}

} // namespace valmir
