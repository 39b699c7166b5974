#include "ui/CDialogTemplate.h"

#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace {

constexpr char kControlIdProperty[] = "corvaneControlId";
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The average width of the 52 letters, rounded, as dialog fonts are measured.
int AverageCharWidth(const QFontMetrics& metrics) {
    return (metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) / 26 + 1) / 2;
}

// The smallest base unit at which iPixels fit iUnits dialog units, given iPerUnit units to the base
// unit (4 across, 8 down).
int BaseUnitToFit(int iPixels, int iUnits, int iPerUnit) {
    return iUnits > 0 ? (iPerUnit * iPixels + iUnits - 1) / iUnits : 0;
}

} // namespace

CDialogTemplate::CDialogTemplate(const QFont& font)
    : CDialogTemplate(AverageCharWidth(QFontMetrics(font)), QFontMetrics(font).height()) {}

CDialogTemplate::CDialogTemplate(const QFont& font, std::initializer_list<TextBox> texts)
    : CDialogTemplate(font) {
    const QFontMetrics metrics(font);
    for (const TextBox& box : texts) {
        const QStringList lines = box.strText.split(QLatin1Char('\n'));
        int iWidth = 0;
        for (const QString& strLine : lines) {
            iWidth = std::max(iWidth, metrics.horizontalAdvance(strLine));
        }
        // Each line below the first starts a line spacing lower.
        const int iHeight = metrics.height() + static_cast<int>(lines.size() - 1) * metrics.lineSpacing();
        m_iBaseUnitX = std::max(m_iBaseUnitX, BaseUnitToFit(iWidth, box.cx, 4));
        m_iBaseUnitY = std::max(m_iBaseUnitY, BaseUnitToFit(iHeight, box.cy, 8));
    }
}

CDialogTemplate::CDialogTemplate(int iBaseUnitX, int iBaseUnitY)
    : m_iBaseUnitX(iBaseUnitX), m_iBaseUnitY(iBaseUnitY) {}

int CDialogTemplate::ToPixelsX(int x) const {
    return x * m_iBaseUnitX / 4;
}

int CDialogTemplate::ToPixelsY(int y) const {
    return y * m_iBaseUnitY / 8;
}

QRect CDialogTemplate::ToPixels(int x, int y, int cx, int cy) const {
    // Both edges are converted, so neighbouring controls never overlap by a rounding pixel.
    const int left = ToPixelsX(x);
    const int top = ToPixelsY(y);
    return QRect(left, top, ToPixelsX(x + cx) - left, ToPixelsY(y + cy) - top);
}

void CDialogTemplate::SetUpDialog(QDialog& dialog, const QString& strCaption, int cx, int cy) const {
    dialog.setWindowTitle(strCaption);
    dialog.setFixedSize(ToPixelsX(cx), ToPixelsY(cy));
}

void CDialogTemplate::SetUpResizableDialog(QDialog& dialog, const QString& strCaption, int cx, int cy) const {
    dialog.setWindowTitle(strCaption);
    dialog.setMinimumSize(ToPixelsX(cx), ToPixelsY(cy));
    dialog.resize(dialog.minimumSize());
    dialog.setSizeGripEnabled(true);
}

void CDialogTemplate::PlaceControl(QWidget& control, int iId, int x, int y, int cx, int cy) const {
    control.setGeometry(ToPixels(x, y, cx, cy));
    control.setProperty(kControlIdProperty, iId);
}

QLabel* CDialogTemplate::AddStaticText(QDialog& dialog, const QString& strText, Qt::Alignment horizontal,
                                       int x, int y, int cx, int cy) const {
    auto* label = new QLabel(strText, &dialog);
    PlaceControl(*label, -1, x, y, cx, cy);
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}

QWidget* CDialogTemplate::FindControl(const QWidget& dialog, int iId) {
    const auto children = dialog.findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QVariant id = child->property(kControlIdProperty);
        if (id.isValid() && id.toInt() == iId) {
            return child;
        }
    }
    return nullptr;
}
