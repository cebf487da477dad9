#include "Button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

TButton::TButton(QWidget* parent)
    : QPushButton(parent), FFit(*this, [this]() -> TFitRequest {
          QString caption = text();
          caption.remove('&');
          return {{caption}, QRectF(CaptionArea()), CaptionFlags()};
      }) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        if (OnClick) {
            OnClick(this);
        }
    });
}

void TButton::SetCaption(const std::string& caption) {
    setText(QString::fromStdString(caption));
    FFit.Refit();
}

void TButton::SetWordWrap(bool wrap) {
    FWordWrap = wrap;
    FFit.Refit();
    update();
}

void TButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    FFit.Refit();
}

QRect TButton::CaptionArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

int TButton::CaptionFlags() const {
    return Qt::AlignCenter | (FWordWrap ? Qt::TextWordWrap : 0);
}

void TButton::paintEvent(QPaintEvent* event) {
    FFit.BeforePaint();
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
    QRect area = CaptionArea();
    if (isDown()) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    painter.drawItemText(area, CaptionFlags(), palette(), isEnabled(), caption,
                         QPalette::ButtonText);
}
