#pragma once

#include <QScrollArea>

// A sunken container that shows scroll bars when its content is larger than
// its client area. The content keeps the size it is given.
class TScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit TScrollBox(QWidget* parent);
};
