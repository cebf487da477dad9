#include "ScrollBox.h"

TScrollBox::TScrollBox(QWidget* parent) : QScrollArea(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
}
