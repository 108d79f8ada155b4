#pragma once

#include <QList>
#include <QObject>

class QPoint;

namespace valmir {

class BoundGrid;

// The columns of a list the user may move and resize: their order and
// widths are kept for the account (QSettings, "stolpci/<window>/<grid>",
// as "field=width" in the order shown) and put back when the grid is first
// shown; the header's context menu "Privzeti stolpci" goes back to the
// columns as the window set them. A field the list no longer has is passed
// over, and a new one keeps its place at the end. It belongs to the grid.
class ColumnMemory : public QObject {
    Q_OBJECT
public:
    explicit ColumnMemory(BoundGrid* grid);

    QString key() const;
    // Puts the kept columns back; the widths the window set until now are
    // the defaults. Called once, when the grid is first shown.
    void restore();
    // The columns as the window set them; nothing is kept any more.
    void reset();

private:
    void keep();
    void showMenu(const QPoint& pos);

    BoundGrid* m_grid;
    QList<int> m_defaultWidths;
    bool m_restored = false;  // kept columns were put back; changes are kept from now on
    bool m_arranging = false; // moves and widths made here are not the user's
};

} // namespace valmir
