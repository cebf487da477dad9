#pragma once

#include "Color.h"

#include <QFrame>

// A container with no bevel, painted in its own colour.
class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent);
    void SetColor(TColor color);
};
