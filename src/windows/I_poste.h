#pragma once

#include "ui/AppContext.h"

#include <QDialog>
#include <QPointer>

class QLineEdit;
class QPushButton;
class QTimer;

namespace valmir {

class BoundGrid;
class Recordset;

// "Poštna številka in kraj": finds a post office by the beginning of its
// postcode or of its place, or by a click in the list. "ok" writes the
// postcode of the current row into the box it was opened for and closes;
// closing it otherwise hands back nothing. It only reads tbPoste.
class I_poste : public QDialog {
    Q_OBJECT
public:
    I_poste(const AppContext& context, QLineEdit* postcodeBox, QWidget* parent = nullptr);
    ~I_poste() override;

    // The grid column the list is ordered by: 0 postcode, 1 place.
    int sortColumn() const { return m_sortColumn; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onOpenTimer();
    void onClickTimer();
    // A header click, or the focus entering a box: orders the list by the
    // column, or, when it is already ordered so, starts afresh from the
    // first row with both boxes empty.
    void orderBy(int column);
    void onPostcodeTyped();
    void onPlaceTyped();
    void onOk();
    void showCurrentRow();
    void setQuietly(QLineEdit* box, const QString& text);
    Recordset* posts() const;

    QPointer<QLineEdit> m_target; // the invoice form's postcode box
    QLineEdit* m_postcodeEdit = nullptr;
    QLineEdit* m_placeEdit = nullptr;
    QPushButton* m_okButton = nullptr;
    BoundGrid* m_postOfficeGrid = nullptr;
    QTimer* m_openTimer = nullptr;
    QTimer* m_clickTimer = nullptr;
    int m_sortColumn = 1;
    // While set, changes of the boxes are the window's own and search nothing.
    bool m_quiet = false;
    int m_orderings = 0;
};

} // namespace valmir
