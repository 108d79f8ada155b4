#include "ui/SearchBar.h"

#include "ui/KeyShortcut.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace valmir {

SearchBar::SearchBar(QWidget* parent) : QWidget(parent) {
    auto* label = new QLabel(QStringLiteral("&Išči"), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_box = new QLineEdit(this);
    m_box->setObjectName(QStringLiteral("Text1"));
    m_box->setPlaceholderText(
        QStringLiteral("številka, naročnik, kontaktna oseba, storitev, zadeva ali kraj"));
    label->setBuddy(m_box);
    m_unpaid = new QCheckBox(QStringLiteral("&Samo neplačani"), this);
    m_unpaid->setObjectName(QStringLiteral("Check1"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label);
    row->addWidget(m_box, 1);
    row->addSpacing(12);
    row->addWidget(m_unpaid);

    m_pause.setSingleShot(true);
    m_pause.setInterval(Pause);
    // The clear button shows only over text; its icon is loaded when the
    // first text is typed, not while the main window opens.
    connect(m_box, &QLineEdit::textChanged, this, [this] {
        if (!m_box->isClearButtonEnabled())
            m_box->setClearButtonEnabled(true);
    });
    connect(m_box, &QLineEdit::textChanged, &m_pause, qOverload<>(&QTimer::start));
    connect(m_box, &QLineEdit::textChanged, this, &SearchBar::typing);
    connect(&m_pause, &QTimer::timeout, this, &SearchBar::filterChanged);
    // Ctrl+F anywhere in the window goes to the box, Escape in it empties it.
    auto* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WindowShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        m_box->setFocus(Qt::ShortcutFocusReason);
        m_box->selectAll();
    });
    auto* clear = new QAction(m_box);
    clear->setShortcut(QKeySequence(Qt::Key_Escape));
    clear->setShortcutContext(Qt::WidgetShortcut);
    m_box->addAction(clear);
    connect(clear, &QAction::triggered, m_box, &QLineEdit::clear);
    m_box->setToolTip(keyTip(QStringLiteral("Išči"), QKeySequence::Find));
    connect(m_unpaid, &QCheckBox::toggled, this, [this] {
        m_pause.stop();
        emit filterChanged();
    });
}

InvoiceFilter SearchBar::filter() const {
    return invoiceFilter(m_box->text(), m_unpaid->isChecked());
}

} // namespace valmir
