#include "app/SearchCounter.h"

#include "data/Database.h"

#include <QThread>

namespace valmir {

SearchCounter::SearchCounter(QString conninfo, QObject* parent)
    : QObject(parent), m_conninfo(std::move(conninfo)) {}

SearchCounter::~SearchCounter() {
    if (m_thread) {
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
    // Only this thread touches m_db, m_status and m_error until it ends.
    m_thread = QThread::create([this, filter] {
        m_error.clear();
        if (!m_db) {
            QString error;
            std::unique_ptr<Database> db = Database::connect(m_conninfo, &error);
            if (!db) {
                m_error = error.isEmpty() ? QStringLiteral("?") : error;
                return;
            }
            // Not a workstation of its own where the workstations are counted.
            db->execute(QStringLiteral("SET application_name = 'valmir-stevec'"));
            m_db = std::move(db);
        }
        if (!countFound(*m_db, filter, &m_status))
            m_error = m_db->lastError();
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
    if (m_error.isEmpty())
        Q_EMIT counted(m_status);
    else
        Q_EMIT failed(m_error);
}

} // namespace valmir
