#pragma once

#include "Color.h"

#include <QLabel>
#include <string>

// A static text on one line that never sizes itself. It paints its background
// in its own colour, or lets its parent's show through when it has none.
class TLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent);

    std::string Caption() const { return text().toStdString(); }
    void SetCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }
    void SetColor(TColor color);
    void SetFontColor(TColor color);
};
