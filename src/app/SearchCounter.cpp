#include "app/SearchCounter.h"

#include "data/Database.h"

#include <QThread>

namespace valmir {

SearchCounter::SearchCounter(QString conninfo, QObject* parent)
    : QObject(parent), m_conninfo(std::move(conninfo)) {}

SearchCounter::~SearchCounter() {
    if (!m_thread)
        return;
    disconnect(m_thread, nullptr, this, nullptr);
    // Gone when it ends; at the program's end it simply stops with it.
    m_thread->setParent(nullptr);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    if (m_thread->isFinished()) {
        m_thread->wait();
        delete m_thread;
    }
}

void SearchCounter::count(const InvoiceFilter& filter) {
    m_next = filter;
    if (!m_thread)
        startNext();
}

void SearchCounter::forget() {
    m_next.reset();
    m_stopped = m_thread != nullptr;
}

void SearchCounter::startNext() {
    const InvoiceFilter filter = *m_next;
    m_next.reset();
    m_stopped = false;
    // Only this thread touches the work until it ends.
    m_thread = QThread::create([work = m_work, conninfo = m_conninfo, filter] {
        work->error.clear();
        if (!work->db) {
            QString error;
            std::unique_ptr<Database> db = Database::connect(conninfo, &error);
            if (!db) {
                work->error = error.isEmpty() ? QStringLiteral("?") : error;
                return;
            }
            // Not a workstation of its own where the workstations are counted.
            db->execute(QStringLiteral("SET application_name = 'valmir-stevec'"));
            work->db = std::move(db);
        }
        if (!countFound(*work->db, filter, &work->status))
            work->error = work->db->lastError();
    });
    connect(m_thread, &QThread::finished, this, &SearchCounter::threadFinished);
    m_thread->start();
}

void SearchCounter::threadFinished() {
    // Told from the thread as it ends: wait for its very end.
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    // A filter asked for meanwhile: its count is the one wanted.
    if (m_next) {
        startNext();
        return;
    }
    if (m_stopped)
        return;
    if (m_work->error.isEmpty())
        Q_EMIT counted(m_work->status);
    else
        Q_EMIT failed(m_work->error);
}

} // namespace valmir
