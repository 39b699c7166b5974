#pragma once

#include <QRect>
#include <QString>
#include <QtCore/qnamespace.h>
#include <initializer_list>

class QDialog;
class QFont;
class QLabel;
class QWidget;

// Lays out a dialog from its template, whose sizes and positions are in dialog units: a quarter of
// the dialog font's average character width across, an eighth of its height down. Each placed
// control carries its template id, so that it can be found again by that id.
class CDialogTemplate final {
public:
    // A text of the template and the box, in dialog units, that the template gives it: one line of
    // the dialog font high unless told.
    struct TextBox {
        QString strText;
        int cx;
        int cy = 8;
    };

    // Base units measured from the font the dialog shows its texts in.
    explicit CDialogTemplate(const QFont& font);
    // As above, with each unit raised where a font runs wider or higher than the template's own, so
    // that none of these texts is cut.
    CDialogTemplate(const QFont& font, std::initializer_list<TextBox> texts);
    // Given base units in pixels (6 x 13 for an 8-point dialog font at 96 dpi).
    CDialogTemplate(int iBaseUnitX, int iBaseUnitY);

    int ToPixelsX(int x) const;
    int ToPixelsY(int y) const;
    QRect ToPixels(int x, int y, int cx, int cy) const;

    // Gives the dialog its caption and a fixed client area of cx x cy dialog units.
    void SetUpDialog(QDialog& dialog, const QString& strCaption, int cx, int cy) const;
    // As above, with a size grip: the user may make the dialog larger, never smaller.
    void SetUpResizableDialog(QDialog& dialog, const QString& strCaption, int cx, int cy) const;
    // Puts the control at its template place and tags it with the template id (-1 for none).
    void PlaceControl(QWidget& control, int iId, int x, int y, int cx, int cy) const;
    // Adds a static text without id at its template place, aligned to the top of its box.
    QLabel* AddStaticText(QDialog& dialog, const QString& strText, Qt::Alignment horizontal, int x, int y,
                          int cx, int cy) const;

    // The first child of the dialog tagged with this id, or null.
    static QWidget* FindControl(const QWidget& dialog, int iId);
    template <typename T> static T* Control(const QWidget& dialog, int iId) {
        return qobject_cast<T*>(FindControl(dialog, iId));
    }

private:
    int m_iBaseUnitX;
    int m_iBaseUnitY;
};
