#pragma once

#include "ui/BoundListModel.h"

#include <QTableView>

namespace valmir {

class ColumnMemory;

// The grid of a bound list: a table view over a BoundListModel whose
// current row is the record set's current row, both ways.
class BoundGrid : public QTableView {
    Q_OBJECT
public:
    explicit BoundGrid(QWidget* parent = nullptr);

    BoundListModel* listModel() const { return m_model; }
    Recordset* recordset() const { return m_model->recordset(); }

    // Runs the record source again and shows its first row.
    bool refresh();
    // The record set's current row, or -1 when it stands on no row.
    int currentRow() const;
    // Makes a row current in the record set and in the grid.
    void moveToRow(int row);
    // Shows the record set's current row as the grid's current row; the
    // record set itself is not moved.
    void syncFromRecordset();
    // Moves to the row the record set wrote last.
    bool moveToLastModified();
    // Writes a cell that is still being typed into, so that an action
    // started from the keyboard sees what the user typed. False when the
    // text was refused: the cell is still being typed into.
    bool commitEdit();
    // Lets the user move and resize the columns, and keeps them so for the
    // account (ColumnMemory); what the window set until the grid is first
    // shown are the defaults.
    void rememberColumns();

Q_SIGNALS:
    void headerClicked(int column);
    // A double-click on a row, or Enter on it, where the cell is not being
    // typed into.
    void rowActivated(int row);
    void gridClicked();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab past the last cell that takes typing, or Shift+Tab before the
    // first, leaves the grid for the next or previous control instead of
    // going round it for ever; Enter in a cell writes it and moves down.
    bool focusNextPrevChild(bool next) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    // A number cell given text that is no number keeps its editor open with
    // the text, until it is corrected or the edit is abandoned by Escape.
    void commitData(QWidget* editor) override;

private:
    // Whether no cell that takes typing lies beyond the current one, in
    // the direction of Tab (next) or Shift+Tab.
    bool atLastTypedCell(bool next) const;
    void showRefusedValue(const QString& text);

    BoundListModel* m_model;
    ColumnMemory* m_columnMemory = nullptr;
    bool m_shown = false;
    bool m_followView = true;
    bool m_refusalPending = false;
    bool m_refused = false;          // set while an editor's text is handed in
    QWidget* m_heldEditor = nullptr; // an editor whose text was refused
};

} // namespace valmir
