#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <optional>

// A small skinned popup that slides out of a screen edge, stays fully shown for a while and slides
// back. Its look is a bitmap (the skin), optionally cut to shape by a transparent colour, with one
// text centred in a text area; the text changes font and colour while the mouse is over the popup,
// and a left click is posted to the owner as an event of type WM_NOTIFIER_CLICKED.
// Everything here belongs to the UI thread.
class CTaskbarNotifier final : public QWidget {
    Q_OBJECT

public:
    enum SlideState { SlideIdle = 0, SlideAppearing = 1, SlideStaying = 2, SlideHiding = 3 };
    enum TaskbarEdge { EdgeNone = 0, EdgeTop = 1, EdgeLeft = 2, EdgeRight = 3, EdgeBottom = 4 };
    enum TextStyle { StyleBold = 1, StyleItalic = 2, StyleUnderline = 4 };

    static constexpr int TIMER_APPEAR = 1;
    static constexpr int TIMER_STAY = 2;
    static constexpr int TIMER_HIDE = 3;

    // Event type posted to the owner on a left click (WM_USER + 123).
    static constexpr int WM_NOTIFIER_CLICKED = 1147;

    // The skin the main frame uses and the transparent-colour value meaning "none".
    static constexpr int SKIN_BITMAP_ID = 131;
    static constexpr int NO_TRANSPARENT_COLOUR = -1;

    CTaskbarNotifier();
    ~CTaskbarNotifier() override;

    // Makes this the hidden popup window of the given owner, which receives the click events.
    // False when the popup was already created.
    bool CreatePopup(QObject* pOwner);

    // Creates the popup for the owner and configures it with the main frame's skin, fonts, colours
    // and text area. False when the creation or the skin failed; the popup is usable either way.
    bool SetUpDefault(QObject* pOwner);

    // Loads bitmap resource id as the skin. Red, green and blue give the transparent colour; when
    // any of them is -1 the popup keeps its full rectangle. False when the bitmap cannot be loaded,
    // in which case the previous skin, size, shape and text area stay as they were.
    bool LoadSkin(int iBitmapId, int iRed, int iGreen, int iBlue);

    // As LoadSkin, with the skin given as an image. False for a null image.
    bool SetSkin(const QImage& skin, int iRed, int iGreen, int iBlue);

    // The shape of a skin: every pixel within the width rounded down to a multiple of 4, less the
    // pixels of the transparent colour (the low 8 bits of each value). None for a null image.
    static std::optional<QRegion> BuildSkinRegion(const QImage& skin, int iRed, int iGreen, int iBlue);

    // Face and size in tenths of a point, shared by both fonts; TextStyle bits for each.
    void SetFonts(const QString& strFace, int iTenthsOfPoint, int iNormalStyle, int iHoverStyle);

    // Stores both colours and redraws at once.
    void SetTextColors(const QColor& crNormal, const QColor& crHover);

    void SetTextArea(const QRect& rcTextArea);

    // Starts a slide out of nEdge from the retracted top-left (iHiddenX, iHiddenY): the popup moves
    // one step per dwStepMs, stays fully shown for dwStayMs and slides back. A slide already under
    // way is ended first. False, showing nothing, without a skin or for an edge other than the four.
    bool ShowPopup(const QString& strText, TaskbarEdge nEdge, int iHiddenX, int iHiddenY, unsigned dwStayMs,
                   unsigned dwStepMs);

    // Stops any slide and hides the popup; it may be called in any state.
    void HidePopup();

    // One tick of the slide timer with the given id.
    void OnTimer(int iTimerId);

    SlideState GetSlideState() const { return m_nSlideState; }
    bool IsTimerRunning(int iTimerId) const;
    QSize GetSkinSize() const { return {m_cxSkin, m_cySkin}; }

    // The lines drawn for strText in an area of the given size: broken at word boundaries, and the
    // last line that fits ends with an ellipsis when more text follows.
    static QStringList FitText(const QString& strText, const QFont& font, const QSize& area);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void enterEvent(QEnterEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    void OnMouseHover();
    void OnMouseLeave();
    void Redraw();
    void StartTimer(int iTimerId, unsigned dwPeriodMs);
    void KillTimer(int iTimerId);
    // Unit vector from the retracted position towards the shown one; null for no edge.
    static QPoint OutwardDirection(TaskbarEdge nEdge);
    int Travelled(const QPoint& direction) const;
    int TravelLength(const QPoint& direction) const;
    void MoveBy(const QPoint& offset);
    void PlaceAtPosition();

    QPointer<QObject> m_pOwnerWnd;
    QFont m_NormalFont;
    QFont m_HoverFont;
    QColor m_crNormalText{133, 146, 181};
    QColor m_crHoverText{10, 36, 106};
    QImage m_SkinBitmap;
    QRect m_rcTextArea;
    int m_cxSkin = 0;
    int m_cySkin = 0;
    QString m_strText;
    bool m_bHovered = false;
    bool m_bCreated = false;
    SlideState m_nSlideState = SlideIdle;
    unsigned m_dwStayMs = 0;
    unsigned m_dwHideStepMs = 0;
    int m_nHiddenX = 0;
    int m_nHiddenY = 0;
    int m_nPosX = 0;
    int m_nPosY = 0;
    TaskbarEdge m_nEdge = EdgeNone;
    const int m_nStepPixels = 2;
    std::array<QBasicTimer, 3> m_Timers;
};
