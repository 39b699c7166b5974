#include "ui/CTaskbarNotifier.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <QTimerEvent>
#include <algorithm>
#include <climits>
#include <vector>

namespace {

// The main frame's look of the popup.
const QColor kFrameNormalText(0, 0, 0);
const QColor kFrameHoverText(0, 0, 200);
constexpr int kFrameFontTenths = 70;
constexpr int kFrameTextLeft = 10;
constexpr int kFrameTextTop = 40;
constexpr int kFrameTextRightMargin = 10;
constexpr int kFrameTextBottomMargin = 25;

bool IsNoColour(int iValue) {
    return static_cast<quint16>(iValue) == 0xFFFF;
}

bool IsValidTimerId(int iTimerId) {
    return iTimerId >= CTaskbarNotifier::TIMER_APPEAR && iTimerId <= CTaskbarNotifier::TIMER_HIDE;
}

void ApplyStyle(QFont& font, int iStyle) {
    font.setWeight((iStyle & CTaskbarNotifier::StyleBold) ? QFont::Bold : QFont::Normal);
    font.setItalic((iStyle & CTaskbarNotifier::StyleItalic) != 0);
    font.setUnderline((iStyle & CTaskbarNotifier::StyleUnderline) != 0);
}

} // namespace

CTaskbarNotifier::CTaskbarNotifier()
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
}

CTaskbarNotifier::~CTaskbarNotifier() = default;

bool CTaskbarNotifier::CreatePopup(QObject* pOwner) {
    if (m_bCreated)
        return false;
    m_bCreated = true;
    m_pOwnerWnd = pOwner;
    setCursor(Qt::PointingHandCursor);
    setGeometry(0, 0, 0, 0);
    return true;
}

bool CTaskbarNotifier::SetUpDefault(QObject* pOwner) {
    const bool bCreated = CreatePopup(pOwner);
    const bool bSkinLoaded =
        LoadSkin(SKIN_BITMAP_ID, NO_TRANSPARENT_COLOUR, NO_TRANSPARENT_COLOUR, NO_TRANSPARENT_COLOUR);
    SetFonts(QStringLiteral("Arial"), kFrameFontTenths, 0, StyleUnderline);
    SetTextColors(kFrameNormalText, kFrameHoverText);
    SetTextArea(QRect(QPoint(kFrameTextLeft, kFrameTextTop),
                      QPoint(m_cxSkin - kFrameTextRightMargin - 1, m_cySkin - kFrameTextBottomMargin - 1)));
    return bCreated && bSkinLoaded;
}

bool CTaskbarNotifier::LoadSkin(int iBitmapId, int iRed, int iGreen, int iBlue) {
    return SetSkin(QImage(QStringLiteral(":/bitmaps/%1.bmp").arg(iBitmapId)), iRed, iGreen, iBlue);
}

bool CTaskbarNotifier::SetSkin(const QImage& skin, int iRed, int iGreen, int iBlue) {
    if (skin.isNull())
        return false;
    m_SkinBitmap = skin;
    m_cxSkin = skin.width();
    m_cySkin = skin.height();
    m_rcTextArea = QRect(0, 0, m_cxSkin, m_cySkin);
    // Without a transparent colour the popup is a plain rectangle, also after an earlier shaped skin.
    if (IsNoColour(iRed) || IsNoColour(iGreen) || IsNoColour(iBlue)) {
        clearMask();
        return true;
    }
    const std::optional<QRegion> region = BuildSkinRegion(skin, iRed, iGreen, iBlue);
    if (region)
        setMask(*region);
    else
        clearMask();
    return true;
}

std::optional<QRegion> CTaskbarNotifier::BuildSkinRegion(const QImage& skin, int iRed, int iGreen,
                                                         int iBlue) {
    if (skin.isNull())
        return std::nullopt;
    const QImage pixels = skin.convertToFormat(QImage::Format_RGB888);
    if (pixels.isNull())
        return std::nullopt;
    const int cxRounded = pixels.width() & ~3;
    const uchar transparent[3] = {static_cast<uchar>(iRed), static_cast<uchar>(iGreen),
                                  static_cast<uchar>(iBlue)};

    // Each row adds its runs of visible pixels, which leaves out exactly the transparent ones.
    QRegion region;
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* pRow = pixels.constScanLine(y);
        const auto isTransparent = [&](int iX) {
            const uchar* pPixel = pRow + iX * 3;
            return pPixel[0] == transparent[0] && pPixel[1] == transparent[1] && pPixel[2] == transparent[2];
        };
        int x = 0;
        while (x < cxRounded) {
            while (x < cxRounded && isTransparent(x))
                ++x;
            const int xStart = x;
            while (x < cxRounded && !isTransparent(x))
                ++x;
            if (x > xStart)
                region += QRect(xStart, y, x - xStart, 1);
        }
    }
    return region;
}

void CTaskbarNotifier::SetFonts(const QString& strFace, int iTenthsOfPoint, int iNormalStyle,
                                int iHoverStyle) {
    QFont font(strFace);
    font.setPointSizeF(iTenthsOfPoint / 10.0);
    m_NormalFont = font;
    ApplyStyle(m_NormalFont, iNormalStyle);
    m_HoverFont = font;
    ApplyStyle(m_HoverFont, iHoverStyle);
}

void CTaskbarNotifier::SetTextColors(const QColor& crNormal, const QColor& crHover) {
    m_crNormalText = crNormal;
    m_crHoverText = crHover;
    Redraw();
}

void CTaskbarNotifier::SetTextArea(const QRect& rcTextArea) {
    m_rcTextArea = rcTextArea;
}

bool CTaskbarNotifier::ShowPopup(const QString& strText, TaskbarEdge nEdge, int iHiddenX, int iHiddenY,
                                 unsigned dwStayMs, unsigned dwStepMs) {
    if (m_SkinBitmap.isNull())
        return false;
    if (nEdge != EdgeTop && nEdge != EdgeLeft && nEdge != EdgeRight && nEdge != EdgeBottom)
        return false;
    HidePopup();
    m_strText = strText;
    m_nEdge = nEdge;
    m_nHiddenX = m_nPosX = iHiddenX;
    m_nHiddenY = m_nPosY = iHiddenY;
    m_dwStayMs = dwStayMs;
    m_dwHideStepMs = dwStepMs;
    PlaceAtPosition();
    show();
    StartTimer(TIMER_APPEAR, dwStepMs);
    return true;
}

void CTaskbarNotifier::HidePopup() {
    // Every slide timer stops, whatever the state says: a slide that has not ticked yet is still idle
    // with its appear timer running, and a stay that has handed over to hiding runs the hide timer.
    for (int iTimerId : {TIMER_APPEAR, TIMER_STAY, TIMER_HIDE})
        KillTimer(iTimerId);
    hide();
    setGeometry(0, 0, 0, 0);
    m_nSlideState = SlideIdle;
}

void CTaskbarNotifier::OnTimer(int iTimerId) {
    const QPoint direction = OutwardDirection(m_nEdge);
    switch (iTimerId) {
    case TIMER_APPEAR:
        m_nSlideState = SlideAppearing;
        if (direction.isNull())
            break;
        if (Travelled(direction) < TravelLength(direction)) {
            MoveBy(direction * m_nStepPixels);
        } else {
            KillTimer(TIMER_APPEAR);
            StartTimer(TIMER_STAY, m_dwStayMs);
            m_nSlideState = SlideStaying;
        }
        break;
    case TIMER_STAY:
        KillTimer(TIMER_STAY);
        StartTimer(TIMER_HIDE, m_dwHideStepMs);
        return;
    case TIMER_HIDE:
        m_nSlideState = SlideHiding;
        if (direction.isNull())
            break;
        if (Travelled(direction) > 0)
            MoveBy(-direction * m_nStepPixels);
        else
            HidePopup();
        break;
    default:
        return;
    }
    // The hidden popup gets its size back at the final position, ready for the next slide.
    PlaceAtPosition();
}

bool CTaskbarNotifier::IsTimerRunning(int iTimerId) const {
    return IsValidTimerId(iTimerId) && m_Timers[iTimerId - 1].isActive();
}

QStringList CTaskbarNotifier::FitText(const QString& strText, const QFont& font, const QSize& area) {
    const QFontMetrics metrics(font);
    QString strLaidOut = strText;
    strLaidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(strLaidOut, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    struct Span {
        int iStart;
        int iLength;
    };
    std::vector<Span> spans;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        spans.push_back({line.textStart(), line.textLength()});
    }
    layout.endLayout();

    // Only whole lines show, but at least one, clipped, when the area is lower than a line.
    const int iMaxLines = std::max(1, area.height() / std::max(1, metrics.lineSpacing()));
    QStringList lines;
    for (int i = 0; i < static_cast<int>(spans.size()); ++i) {
        if (i == iMaxLines - 1 && static_cast<int>(spans.size()) > iMaxLines) {
            QString strRest = strLaidOut.mid(spans[i].iStart).simplified();
            lines.append(metrics.elidedText(strRest, Qt::ElideRight, area.width()));
            break;
        }
        lines.append(strLaidOut.mid(spans[i].iStart, spans[i].iLength).trimmed());
    }
    return lines;
}

void CTaskbarNotifier::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_SkinBitmap);

    const QFont& font = m_bHovered ? m_HoverFont : m_NormalFont;
    painter.setFont(font);
    painter.setPen(m_bHovered ? m_crHoverText : m_crNormalText);
    painter.setClipRect(m_rcTextArea);
    const QStringList lines = FitText(m_strText, font, m_rcTextArea.size());
    const QFontMetrics metrics(font);
    const int iLineHeight = metrics.lineSpacing();
    // One line is centred vertically; wrapped text starts at the top of the area.
    int y = m_rcTextArea.top();
    if (lines.size() == 1)
        y += (m_rcTextArea.height() - metrics.height()) / 2;
    // Each line may reach below its own row (a small font's underline does); the area clips instead.
    for (const QString& strLine : lines) {
        painter.drawText(QRect(m_rcTextArea.left(), y, m_rcTextArea.width(), iLineHeight),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, strLine);
        y += iLineHeight;
    }
}

void CTaskbarNotifier::enterEvent(QEnterEvent* pEvent) {
    OnMouseHover();
    QWidget::enterEvent(pEvent);
}

void CTaskbarNotifier::leaveEvent(QEvent* pEvent) {
    OnMouseLeave();
    QWidget::leaveEvent(pEvent);
}

void CTaskbarNotifier::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (pEvent->button() == Qt::LeftButton && m_pOwnerWnd)
        QCoreApplication::postEvent(m_pOwnerWnd, new QEvent(static_cast<QEvent::Type>(WM_NOTIFIER_CLICKED)));
    QWidget::mouseReleaseEvent(pEvent);
}

void CTaskbarNotifier::timerEvent(QTimerEvent* pEvent) {
    for (int iTimerId : {TIMER_APPEAR, TIMER_STAY, TIMER_HIDE}) {
        if (m_Timers[iTimerId - 1].timerId() == pEvent->timerId()) {
            OnTimer(iTimerId);
            return;
        }
    }
    QWidget::timerEvent(pEvent);
}

void CTaskbarNotifier::OnMouseHover() {
    if (m_bHovered)
        return;
    m_bHovered = true;
    Redraw();
}

void CTaskbarNotifier::OnMouseLeave() {
    if (!m_bHovered)
        return;
    m_bHovered = false;
    Redraw();
}

void CTaskbarNotifier::Redraw() {
    repaint();
}

void CTaskbarNotifier::StartTimer(int iTimerId, unsigned dwPeriodMs) {
    m_Timers[iTimerId - 1].start(static_cast<int>(std::min<unsigned>(dwPeriodMs, INT_MAX)), this);
}

void CTaskbarNotifier::KillTimer(int iTimerId) {
    m_Timers[iTimerId - 1].stop();
}

QPoint CTaskbarNotifier::OutwardDirection(TaskbarEdge nEdge) {
    switch (nEdge) {
    case EdgeTop:
        return {0, 1};
    case EdgeLeft:
        return {1, 0};
    case EdgeRight:
        return {-1, 0};
    case EdgeBottom:
        return {0, -1};
    case EdgeNone:
        break;
    }
    return {0, 0};
}

int CTaskbarNotifier::Travelled(const QPoint& direction) const {
    return (m_nPosX - m_nHiddenX) * direction.x() + (m_nPosY - m_nHiddenY) * direction.y();
}

int CTaskbarNotifier::TravelLength(const QPoint& direction) const {
    return direction.x() != 0 ? m_cxSkin : m_cySkin;
}

void CTaskbarNotifier::MoveBy(const QPoint& offset) {
    m_nPosX += offset.x();
    m_nPosY += offset.y();
}

void CTaskbarNotifier::PlaceAtPosition() {
    setGeometry(m_nPosX, m_nPosY, m_cxSkin, m_cySkin);
}
