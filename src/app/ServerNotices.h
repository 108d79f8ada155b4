#pragma once

#include "data/Database.h"

#include <QObject>

class QSocketNotifier;
class QTimer;

namespace valmir {

// What other workstations change on the office's server, told as it
// happens: the open record sets follow it (Database::takeNotices) and
// `changed` says which tables changed. The server's notices are read when
// its connection has something to read, and every half second those that
// arrived while the program itself was reading (libpq keeps them); no
// table is read for this. Nothing happens on a file.
//
// A connection found lost (the server gone, the network down: TCP
// keepalives tell it while idle) is made anew between transactions, a step
// at a time on the same half-second beat; `linkLost` tells when it was
// lost and when it is back, and what others changed meanwhile comes as a
// change of every table.
class ServerNotices : public QObject {
    Q_OBJECT
public:
    // `readByCaller`: see Database::takeNotices.
    ServerNotices(Database& db, QStringList readByCaller, QObject* parent);

    // Reads what has come now (also for tests, which need not wait).
    void takeNow();

Q_SIGNALS:
    void changed(const QList<Database::Notice>& notices);
    void linkLost(bool lost);

private:
    void watchSocket();

    Database& m_db;
    QStringList m_readByCaller;
    QSocketNotifier* m_notifier = nullptr;
    int m_socket = -1;
    QTimer* m_timer = nullptr;
    bool m_lost = false;
};

} // namespace valmir
