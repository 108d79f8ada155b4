#pragma once

#include "invoice/InvoiceSearch.h"

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace valmir {

// The row above the main list: the search box "Išči" (Text1) and
// "Samo neplačani" (Check1). Tells its filter a short pause after the last
// keystroke, so that typing a word reads the list once, and at once when
// the check is clicked.
class SearchBar : public QWidget {
    Q_OBJECT
public:
    explicit SearchBar(QWidget* parent = nullptr);

    InvoiceFilter filter() const;
    QLineEdit* searchBox() const { return m_box; }
    QCheckBox* unpaidCheck() const { return m_unpaid; }

    // The pause after a keystroke, in milliseconds.
    static constexpr int Pause = 150;

Q_SIGNALS:
    // A keystroke in the box: the filter changes after the pause.
    void typing();
    void filterChanged();

private:
    QLineEdit* m_box;
    QCheckBox* m_unpaid;
    QTimer m_pause;
};

} // namespace valmir
