#include "Button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

TButton::TButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        if (OnClick) {
            OnClick(this);
        }
    });
}

void TButton::SetWordWrap(bool wrap) {
    FWordWrap = wrap;
    update();
}

void TButton::paintEvent(QPaintEvent* event) {
    if (!FWordWrap) {
        QPushButton::paintEvent(event);
        return;
    }
    // The style draws the face and the focus frame; the caption is ours.
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown()) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), caption,
                         QPalette::ButtonText);
}
