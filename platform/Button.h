#pragma once

#include "Events.h"

#include <QPushButton>
#include <string>

// A push button. With word wrap on, a caption too long for one line breaks
// onto the next (Japanese between any two characters).
class TButton : public QPushButton {
    Q_OBJECT
public:
    explicit TButton(QWidget* parent);

    std::string Caption() const { return text().toStdString(); }
    void SetCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }
    void SetWordWrap(bool wrap);
    bool WordWrap() const { return FWordWrap; }

    TNotifyEvent OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool FWordWrap = false;
};
